#!/usr/bin/python3
"""Builds orvanelumbrel.dll a second time, in a folder of its own, and requires it to be the
very same file as the DLL of the win32 build.

The second build is configured afresh from the win32 preset in SCRATCH (emptied first) and builds
the plug-in alone. When the two DLLs differ, the differing bytes are counted and placed: in the
PE header's time stamp or checksum, the export directory's time stamp, or elsewhere.

Then DLL is signed as a release is signed, with a throwaway certificate made at run time, and
its signature alone is attached to the second build, as scripts/release --verify-signature
attaches a published signature to a fresh build: the result must be the signed DLL, byte for
byte.

Usage: check_reproducible_dll.py --cmake CMAKE --source-dir SRC --scratch SCRATCH DLL
Exits 0 when the two are identical, 1 when they differ or the second build fails, and 77 (the
CTest skip code) when DLL has not been built, or the MinGW-w64 compiler, openssl or
osslsigncode is missing.
"""

import argparse
import os
import shutil
import subprocess
import sys

try:
    import pefile
except ImportError:
    pefile = None

SKIP = 77
COMPILER = "i686-w64-mingw32-g++"
SIGNING_TIME = 1700000000  # any time: the same for both


def run(command):
    """Runs command; on failure prints its output and returns False."""
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            check=False)
    if result.returncode != 0:
        print(f"failed ({result.returncode}): {' '.join(command)}\n{result.stdout}")
    return result.returncode == 0


def time_fields(path):
    """{file offset: field name} of the fields that hold a link time in the PE image."""
    if pefile is None:
        return {}
    image = pefile.PE(path, fast_load=True)
    image.parse_data_directories(
        directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXPORT"]])
    fields = [(image.FILE_HEADER, "TimeDateStamp", "the PE header's time stamp"),
              (image.OPTIONAL_HEADER, "CheckSum", "the PE checksum")]
    if hasattr(image, "DIRECTORY_ENTRY_EXPORT"):
        fields.append((image.DIRECTORY_ENTRY_EXPORT.struct, "TimeDateStamp",
                       "the export directory's time stamp"))
    places = {}
    for struct, field, name in fields:
        start = struct.get_field_absolute_offset(field)
        for offset in range(start, start + 4):
            places[offset] = name
    return places


def differences(first, second, path):
    """Lines that say where the bytes of first and second differ."""
    if len(first) != len(second):
        return [f"sizes differ: {len(first)} and {len(second)} bytes"]
    offsets = [i for i, (a, b) in enumerate(zip(first, second)) if a != b]
    places = time_fields(path)
    named = sorted({places[o] for o in offsets if o in places})
    elsewhere = [o for o in offsets if o not in places]
    lines = [f"{len(offsets)} bytes differ"]
    lines += [f"  in {name}" for name in named]
    if elsewhere:
        shown = ", ".join(f"0x{o:x}" for o in elsewhere[:8])
        lines.append(f"  elsewhere, at {shown}{' ...' if len(elsewhere) > 8 else ''}")
    return lines


def signature_attached(first, second):
    """Lines that say where `first` (bytes), signed with a throwaway certificate, differs from
    its signature alone attached to `second`; empty when they are the same."""
    from check_release_archive import throwaway_signed
    import release_signature
    signed, signature = throwaway_signed(first, SIGNING_TIME)
    return release_signature.attached_differences(signed, signature, second)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cmake", default="cmake")
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--scratch", required=True)
    parser.add_argument("dll")
    args = parser.parse_args()

    if not os.path.isfile(args.dll):
        print(f"SKIP: {args.dll} has not been built (cmake --preset win32 && "
              "cmake --build --preset win32)")
        return SKIP
    for program, package in ((COMPILER, "scripts/bootstrap installs it"),
                             ("openssl", "Debian package openssl"),
                             ("osslsigncode", "Debian package osslsigncode")):
        if shutil.which(program) is None:
            print(f"SKIP: {program} is not installed ({package})")
            return SKIP

    shutil.rmtree(args.scratch, ignore_errors=True)
    if not (run([args.cmake, "-S", args.source_dir, "--preset", "win32", "-B", args.scratch])
            and run([args.cmake, "--build", args.scratch, "--target", "orvanelumbrel", "-j", "2"])):
        return 1
    second_dll = os.path.join(args.scratch, "bin", os.path.basename(args.dll))
    with open(args.dll, "rb") as first, open(second_dll, "rb") as second:
        first_bytes, second_bytes = first.read(), second.read()
    if first_bytes != second_bytes:
        print(f"{args.dll} and {second_dll}, built from the same sources, differ:")
        print("\n".join(differences(first_bytes, second_bytes, args.dll)))
        print("(a win32 build older than its sources differs too: cmake --build --preset win32)")
        return 1
    print(f"{second_dll}: identical to {args.dll} ({len(first_bytes)} bytes)")
    attached = signature_attached(first_bytes, second_bytes)
    if attached:
        print(f"{args.dll} signed, and its signature alone attached to {second_dll}, differ:")
        print("\n".join(f"  {line}" for line in attached))
        return 1
    print(f"{args.dll} signed is {second_dll} with the signature attached")
    shutil.rmtree(args.scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
