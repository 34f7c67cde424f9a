#!/usr/bin/python3
"""Reads the release archive, lumbrel-<version>-win32.zip, and checks what it holds.

Checks:
  - its entries are exactly the archive's files (cmake/release_archive.py ARCHIVE_FILES:
    BUILDINFO, SHA256SUMS, orvanelumbrel.dll and user-guide.html) in the folder
    lumbrel-<version>-win32/, in that (sorted) order, without folder entries;
  - every entry is dated at the source date that BUILDINFO names, with permissions 0644 and no
    extra fields, so that the archive does not depend on when or by whom it was built;
  - SHA256SUMS holds the SHA-256 of each of the other three entries, as sha256sum writes them;
  - the DLL in it is byte for byte the DLL of the win32 build;
  - BUILDINFO names the commit, the source date, and the compiler, binutils and CMake;
  - the user guide is one HTML page whose pictures are all embedded.

Usage: check_release_archive.py --version V ARCHIVE DLL
Prints one line per failed check and exits 1 if any failed, 0 if all passed; exits 77 (the
CTest skip code) when the win32 build's DLL is missing.
"""

import argparse
import hashlib
import os
import re
import sys
import time
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake"))
from release_archive import ARCHIVE_FILES  # noqa: E402

SKIP = 77
ZIP_EPOCH = 315532800  # 1980-01-01, the earliest time a zip entry holds


def read_buildinfo(text):
    """{key: value} of BUILDINFO's "key: value" lines."""
    fields = {}
    for line in text.splitlines()[1:]:
        key, _, value = line.partition(": ")
        fields[key] = value
    return fields


def check(archive_path, dll_path, version):
    """The failed checks, one line each."""
    folder = f"lumbrel-{version}-win32/"
    names = ARCHIVE_FILES
    failures = []
    with zipfile.ZipFile(archive_path) as archive:
        infos = archive.infolist()
        entries = [info.filename for info in infos]
        if entries != [folder + name for name in names]:
            return [f"entries {entries}, expected {[folder + name for name in names]}"]
        content = {name: archive.read(folder + name) for name in names}

    buildinfo = read_buildinfo(content["BUILDINFO"].decode("utf-8"))
    for key in ("commit", "source date", "compiler", "binutils", "cmake"):
        if not buildinfo.get(key):
            failures.append(f"BUILDINFO: no {key}")
    if not re.fullmatch(r"[0-9a-f]{40}(-dirty)?", buildinfo.get("commit", "")):
        failures.append(f"BUILDINFO: commit {buildinfo.get('commit')!r} is not a commit id")
    if "i686-w64-mingw32" not in buildinfo.get("compiler", ""):
        failures.append(f"BUILDINFO: compiler {buildinfo.get('compiler')!r} is not MinGW-w64's")
    epoch = re.search(r"SOURCE_DATE_EPOCH=(\d+)", buildinfo.get("source date", ""))
    if epoch:
        expected_date = time.gmtime(max(int(epoch.group(1)), ZIP_EPOCH))[:6]
        expected_date = expected_date[:5] + (expected_date[5] // 2 * 2,)  # zip: 2-second steps
        for info in infos:
            if info.date_time != expected_date:
                failures.append(f"{info.filename}: dated {info.date_time}, expected the source "
                                f"date {expected_date}")
    else:
        failures.append("BUILDINFO: the source date names no SOURCE_DATE_EPOCH")
    for info in infos:
        if info.external_attr >> 16 != 0o100644 or info.extra:
            failures.append(f"{info.filename}: mode {oct(info.external_attr >> 16)}, "
                            f"{len(info.extra)} bytes of extra fields; expected 0o100644, none")

    expected_sums = "".join(f"{hashlib.sha256(content[name]).hexdigest()}  {name}\n"
                            for name in names if name != "SHA256SUMS")
    if content["SHA256SUMS"].decode("utf-8") != expected_sums:
        failures.append(f"SHA256SUMS is\n{content['SHA256SUMS'].decode('utf-8')}"
                        f"expected\n{expected_sums}")

    with open(dll_path, "rb") as dll:
        if content["orvanelumbrel.dll"] != dll.read():
            failures.append(f"orvanelumbrel.dll differs from {dll_path} (an archive packed before "
                            "the DLL changed? cmake --build --preset win32 --target package)")

    guide = content["user-guide.html"].decode("utf-8")
    if not guide.startswith("<!DOCTYPE html>") or "<title>" not in guide:
        failures.append("user-guide.html is not an HTML page with a title")
    pictures = re.findall(r"<img\b[^>]*\bsrc=\"([^\"]*)\"", guide)
    if not pictures:
        failures.append("user-guide.html shows no picture")
    for src in pictures:
        if not src.startswith("data:image/"):
            failures.append(f"user-guide.html: picture {src[:60]} is not embedded")
    return failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--version", required=True)
    parser.add_argument("archive")
    parser.add_argument("dll")
    args = parser.parse_args()
    if not os.path.isfile(args.dll):
        print(f"SKIP: {args.dll} has not been built (cmake --preset win32 && "
              "cmake --build --preset win32 --target package)")
        return SKIP
    if not os.path.isfile(args.archive):
        print(f"{args.archive} is missing: cmake --build --preset win32 --target package")
        return 1
    failures = check(args.archive, args.dll, args.version)
    for failure in failures:
        print(failure)
    if not failures:
        print(f"{args.archive}: as expected")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
