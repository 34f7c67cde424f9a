#!/usr/bin/python3
"""Reads the release archive, lumbrel-<version>-win32.zip, and checks what it holds.

Checks:
  - its entries are exactly the archive's files (tools/release_archive.py ARCHIVE_FILES:
    BUILDINFO, SHA256SUMS, orvanelumbrel.dll and user-guide.html) in the folder
    lumbrel-<version>-win32/, in that (sorted) order, without folder entries;
  - every entry is dated at the source date that BUILDINFO names, with permissions 0644 and no
    extra fields, so that the archive does not depend on when or by whom it was built;
  - SHA256SUMS holds the SHA-256 of each of the other three entries, as sha256sum writes them;
  - the DLL in it is byte for byte the DLL of the win32 build;
  - BUILDINFO names the commit, the source date, and the compiler, binutils and CMake, and says
    "signature: unsigned";
  - BUILDINFO's first line and the user guide name the archive's version, Lumbrel V;
  - the user guide is one HTML page whose pictures are all embedded.

Then the archive signed as scripts/release signs it (tools/release_signature.py), with a
certificate authority and code-signing certificate made at run time (openssl), which no one
else has:
  - the signed archive passes the checks above; it differs from the unsigned one only in the
    DLL, SHA256SUMS and BUILDINFO's signature, which names the signer's subject and the SHA-256
    of its certificate;
  - the signed DLL verifies against the throwaway authority (osslsigncode verify), with SHA-256,
    the program name and the source date as its signing time; with one byte changed after
    signing, it does not verify;
  - signed again, with the key from the PKCS#12 file and then from PEM files, it is the same,
    archive and signature byte for byte;
  - the signature alone, attached to the win32 build's DLL (release_signature.py attach, as
    scripts/release --verify-signature runs it), gives the signed DLL; attached to that DLL with
    one byte changed, it does not, and says that the DLL built differs;
  - scripts/release with a wrong password, a key that is not the certificate's, a certificate
    not for code signing, an expired one, or a password on its command line: exit status 2 with
    the reason, the password nowhere in what it prints, build/release left as it was.

Usage: check_release_archive.py --version V ARCHIVE DLL
Prints one line per failed check and exits 1 if any failed, 0 if all passed; exits 77 (the
CTest skip code) when the win32 build's DLL is missing, or openssl or osslsigncode.
"""

import argparse
import base64
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tools"))
from release_archive import ARCHIVE_FILES  # noqa: E402

SKIP = 77
RELEASE_SCRIPT = os.path.join(SOURCE_DIR, "scripts", "release")
SIGNATURE_TOOL = os.path.join(SOURCE_DIR, "tools", "release_signature.py")
# the throwaway signer's: made anew by each run, good for nothing else
PASSWORD = "throwaway password 7"
THROWAWAY_CA = "Lumbrel throwaway test CA"
THROWAWAY_SIGNER_O = "Orvane"
THROWAWAY_SIGNER_CN = "Orvane Lumbrel throwaway test signer"
ZIP_EPOCH = 315532800  # 1980-01-01, the earliest time a zip entry holds


def read_buildinfo(text):
    """{key: value} of BUILDINFO's "key: value" lines."""
    fields = {}
    for line in text.splitlines()[1:]:
        key, _, value = line.partition(": ")
        fields[key] = value
    return fields


def check(archive_path, version):
    """The failed checks of the archive, one line each, and its files ({name: bytes})."""
    folder = f"lumbrel-{version}-win32/"
    names = ARCHIVE_FILES
    failures = []
    with zipfile.ZipFile(archive_path) as archive:
        infos = archive.infolist()
        entries = [info.filename for info in infos]
        if entries != [folder + name for name in names]:
            return [f"entries {entries}, expected {[folder + name for name in names]}"], {}
        content = {name: archive.read(folder + name) for name in names}

    buildinfo = read_buildinfo(content["BUILDINFO"].decode("utf-8"))
    # one version: the archive's, BUILDINFO's and the guide's (guide_pictures holds the
    # plug-in's menu entry to it)
    if not content["BUILDINFO"].decode("utf-8").startswith(f"Lumbrel {version}, "):
        failures.append(f"BUILDINFO: its first line does not name Lumbrel {version}")
    if f"Lumbrel {version}".encode() not in content["user-guide.html"]:
        failures.append(f"user-guide.html does not name Lumbrel {version}")
    for key in ("commit", "source date", "compiler", "binutils", "cmake", "signature"):
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

    guide = content["user-guide.html"].decode("utf-8")
    if not guide.startswith("<!DOCTYPE html>") or "<title>" not in guide:
        failures.append("user-guide.html is not an HTML page with a title")
    pictures = re.findall(r"<img\b[^>]*\bsrc=\"([^\"]*)\"", guide)
    if not pictures:
        failures.append("user-guide.html shows no picture")
    for src in pictures:
        if not src.startswith("data:image/"):
            failures.append(f"user-guide.html: picture {src[:60]} is not embedded")
    return failures, content


def openssl(*arguments, stdin=None):
    """Runs openssl; OSError with its errors when it fails."""
    done = subprocess.run(["openssl", *arguments], input=stdin, capture_output=True, check=False)
    if done.returncode != 0:
        raise OSError(f"openssl {' '.join(arguments)}: {done.stderr.decode(errors='replace')}")
    return done.stdout


def throwaway_signers(folder):
    """A certificate authority made now, for this run alone, and in `folder` what signs under
    it: {name: path}. "ca": its certificate; "key": the signer's key (PEM, unencrypted);
    "chain": the signer's code-signing certificate, then the authority's; "pkcs12": both with
    the key, opened by PASSWORD; "other key": a key of no certificate; "not for code signing":
    a certificate of the signer's key for web servers alone; "expired": a code-signing
    certificate of the signer's key that expired yesterday."""
    path = {name: os.path.join(folder, file) for name, file in (
        ("ca", "ca.pem"), ("ca key", "ca.key"), ("key", "signer.key"), ("chain", "chain.pem"),
        ("pkcs12", "signer.p12"), ("other key", "other.key"),
        ("not for code signing", "server.pem"), ("expired", "expired.pem"),
        ("password", "password"))}
    # The signer's key is RSA, whose signatures are the same each time; the others, whose are
    # not, are elliptic-curve keys, made in a hundredth of the time.
    for key, algorithm, option in (("key", "RSA", "rsa_keygen_bits:2048"),
                                   ("other key", "EC", "ec_paramgen_curve:P-256"),
                                   ("ca key", "EC", "ec_paramgen_curve:P-256")):
        openssl("genpkey", "-algorithm", algorithm, "-pkeyopt", option, "-out", path[key])
    openssl("req", "-x509", "-key", path["ca key"], "-out", path["ca"], "-subj",
            f"/CN={THROWAWAY_CA}", "-days", "2", "-addext", "basicConstraints=critical,CA:true",
            "-addext", "keyUsage=critical,keyCertSign")
    request = os.path.join(folder, "signer.csr")
    openssl("req", "-new", "-key", path["key"], "-out", request, "-subj",
            f"/O={THROWAWAY_SIGNER_O}/CN={THROWAWAY_SIGNER_CN}")
    # `openssl ca` takes the dates themselves, as every OpenSSL 3 does (a negative -days of
    # `openssl x509` is refused by the later ones), and keeps its books in the folder.
    config = os.path.join(folder, "ca.cnf")
    with open(config, "w", encoding="ascii") as file:
        file.write(f"[ca]\ndefault_ca = throwaway\n[throwaway]\n"
                   f"database = {folder}/index.txt\nnew_certs_dir = {folder}\n"
                   "rand_serial = yes\nunique_subject = no\ndefault_md = sha256\n"
                   "policy = any\n[any]\norganizationName = supplied\n"
                   "commonName = supplied\n")
    open(os.path.join(folder, "index.txt"), "w", encoding="ascii").close()

    def certificate(usage, first_day, last_day):
        """A certificate of the signer's key for `usage`, valid from the start of the day
        `first_day` days from today to the end of the day `last_day` (UTC)."""
        extensions = os.path.join(folder, "extensions")
        with open(extensions, "w", encoding="ascii") as file:
            file.write(f"keyUsage=critical,digitalSignature\nextendedKeyUsage={usage}\n")
        today = int(time.time()) // 86400 * 86400
        start, end = (time.strftime("%Y%m%d%H%M%SZ", time.gmtime(today + days * 86400))
                      for days in (first_day, last_day + 1))
        issued = os.path.join(folder, "issued.pem")
        openssl("ca", "-batch", "-config", config, "-cert", path["ca"], "-keyfile",
                path["ca key"], "-in", request, "-out", issued, "-notext", "-preserveDN",
                "-startdate", start, "-enddate", end, "-extfile", extensions)
        with open(issued, "rb") as file:
            return file.read()

    with open(path["ca"], "rb") as file:
        authority = file.read()
    for name, usage, first_day, last_day in (("chain", "codeSigning", 0, 1),
                                             ("not for code signing", "serverAuth", 0, 1),
                                             ("expired", "codeSigning", -3, -1)):
        with open(path[name], "wb") as file:
            file.write(certificate(usage, first_day, last_day) + authority)
    with open(path["password"], "w", encoding="utf-8") as file:
        file.write(PASSWORD + "\n")
    openssl("pkcs12", "-export", "-inkey", path["key"], "-in", path["chain"], "-out",
            path["pkcs12"], "-passout", f"file:{path['password']}")
    os.remove(path["password"])
    return path


def throwaway_signed(unsigned, signing_time):
    """(the signed DLL, its signature alone) as bytes: `unsigned` (the bytes of a DLL) signed as
    a release is signed, at `signing_time` (seconds since 1970), by a throwaway signer made for
    this call alone."""
    import release_signature
    with tempfile.TemporaryDirectory(prefix="lumbrel-throwaway-") as scratch:
        signers = throwaway_signers(scratch)
        signer = release_signature.load_signer(argparse.Namespace(
            pkcs12=None, key=signers["key"], cert=signers["chain"], password_file=None))
        return release_signature.sign_dll(signer, unsigned, signing_time)


def tool_result(command, env=None, cwd=None):
    """(exit status, standard output and errors as text) of a command run to its end."""
    done = subprocess.run(command, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, check=False, timeout=120)
    return done.returncode, done.stdout + done.stderr


def signing_time(seconds):
    """The signing time as osslsigncode verify prints it."""
    stamp = time.gmtime(seconds)
    return f"{time.strftime('%b', stamp)} {stamp.tm_mday:2d} " \
           f"{time.strftime('%H:%M:%S %Y', stamp)} GMT"


def source_snapshot(folder):
    """{path: (size, modification time)} of everything under folder (empty when it is not)."""
    found = {}
    for place, _, files in os.walk(folder):
        for name in files:
            status = os.stat(os.path.join(place, name))
            found[os.path.join(place, name)] = (status.st_size, status.st_mtime_ns)
    return found


def check_signing(args, unsigned, scratch):
    """The failed checks of signing the archive's DLL with a throwaway key, one line each:
    the signed archive is a release archive whose DLL verifies, names the signer and changes
    nothing else; signing again gives the same bytes; the signature alone, attached to the
    built DLL, gives the signed DLL; a bad key, password or certificate stops scripts/release
    with the reason before anything is built or written."""
    signers = throwaway_signers(scratch)
    password_env = dict(os.environ, LUMBREL_SIGN_PASSWORD=PASSWORD)
    outputs = []
    for number, signer in enumerate((["--pkcs12", signers["pkcs12"]],
                                     ["--key", signers["key"], "--cert", signers["chain"]])):
        archive = os.path.join(scratch, f"signed{number}.zip")
        signature = os.path.join(scratch, f"signed{number}.sig")
        status, said = tool_result([SIGNATURE_TOOL, "sign", args.archive, archive,
                                    "--signature", signature] + signer, env=password_env)
        if status != 0:
            return [f"signing with {' '.join(signer[::2])} failed ({status}): {said}"]
        with open(archive, "rb") as file, open(signature, "rb") as sig:
            outputs.append((file.read(), sig.read()))
    failures = []
    if outputs[0] != outputs[1]:
        failures.append("the archive or the signature differs when the same DLL is signed again "
                        "with the same key (once from the PKCS#12 file, once from PEM)")
    archive_path = os.path.join(scratch, "signed0.zip")
    signature_path = os.path.join(scratch, "signed0.sig")
    found, signed = check(archive_path, args.version)
    failures += [f"signed archive: {failure}" for failure in found]
    if not signed:
        return failures

    for name in ARCHIVE_FILES:
        if name not in ("orvanelumbrel.dll", "BUILDINFO", "SHA256SUMS") and \
                signed[name] != unsigned[name]:
            failures.append(f"signed archive: {name} differs from the unsigned archive's")
    before, _, signature_lines = signed["BUILDINFO"].decode("utf-8").partition("signature: ")
    if unsigned["BUILDINFO"].decode("utf-8") != before + "signature: unsigned\n":
        failures.append("signed archive: BUILDINFO differs from the unsigned archive's before "
                        "its signature")
    fields = read_buildinfo("\n" + "signature: " + signature_lines)
    with open(signers["chain"], "rb") as file:
        leaf = file.read().split(b"-----END CERTIFICATE-----")[0].split(b"-----\n", 1)[1]
    fingerprint = hashlib.sha256(base64.b64decode(leaf)).hexdigest().upper()
    expected = {"signature": "Authenticode, SHA-256, signed at the source date",
                "signer": f"CN={THROWAWAY_SIGNER_CN}, O={THROWAWAY_SIGNER_O}",
                "signer certificate SHA-256": fingerprint}
    if not re.fullmatch(r"osslsigncode \d+\.\d+.*", fields.pop("signing tool", "")):
        failures.append("signed archive: BUILDINFO names no signing tool with its version")
    if fields != expected:
        failures.append(f"signed archive: BUILDINFO says of its signature {fields}, "
                        f"expected {expected}")

    dll = os.path.join(scratch, "orvanelumbrel.dll")
    with open(dll, "wb") as file:
        file.write(signed["orvanelumbrel.dll"])
    status, said = tool_result(["osslsigncode", "verify", "-CAfile", signers["ca"], "-in", dll])
    epoch = int(re.search(r"SOURCE_DATE_EPOCH=(\d+)", before).group(1))
    for wanted in (f"Signing time: {signing_time(epoch)}", "Text description: Orvane Lumbrel",
                   "Message digest algorithm  : SHA256"):
        if wanted not in said:
            failures.append(f"the signed DLL's signature does not say {wanted!r}")
    if status != 0:
        failures.append(f"the signed DLL does not verify against the throwaway CA:\n{said}")
    changed = bytearray(signed["orvanelumbrel.dll"])
    changed[len(unsigned["orvanelumbrel.dll"]) // 2] ^= 0x01  # within the code
    changed_path = os.path.join(scratch, "changed.dll")
    with open(changed_path, "wb") as file:
        file.write(changed)
    status, said = tool_result(["osslsigncode", "verify", "-CAfile", signers["ca"], "-in",
                                changed_path])
    if status == 0:
        failures.append("a signed DLL with one byte changed after signing verifies")

    # the signature alone, attached to the DLL the build made, as --verify-signature does
    status, said = tool_result([SIGNATURE_TOOL, "attach", archive_path, signature_path,
                                args.dll])
    if status != 0 or not said.startswith("identical"):
        failures.append(f"the signature attached to {args.dll} does not give the signed DLL "
                        f"({status}): {said}")
    changed = bytearray(unsigned["orvanelumbrel.dll"])
    changed[len(changed) // 2] ^= 0x01
    changed_unsigned = os.path.join(scratch, "changed-unsigned.dll")
    with open(changed_unsigned, "wb") as file:
        file.write(changed)
    status, said = tool_result([SIGNATURE_TOOL, "attach", archive_path, signature_path,
                                changed_unsigned])
    if status != 1 or "the DLL built differs" not in said:
        failures.append(f"the signature attached to a DLL with one byte changed: status "
                        f"{status}, expected 1 naming the DLL built: {said}")
    return failures + check_bad_signers(signers, scratch)


# What a bad key, password or certificate must make scripts/release say, and with which options
# (the names of throwaway_signers' files, and "wrong password", stand for their paths).
BAD_SIGNERS = (
    ("a wrong password", ("--pkcs12", "pkcs12", "--password-file", "wrong password"),
     "the password does not open it"),
    ("a key that is not the certificate's", ("--key", "other key", "--cert", "chain"),
     "does not belong to any certificate"),
    ("a certificate not for code signing", ("--key", "key", "--cert", "not for code signing"),
     "is not for code signing"),
    ("an expired certificate", ("--key", "key", "--cert", "expired"), "expired on"),
    ("a password on the command line", ("--pkcs12", "pkcs12", "--password", PASSWORD),
     "never given on the command line"),
)


def check_bad_signers(signers, scratch):
    """Each of BAD_SIGNERS given to scripts/release: exit status 2, the reason, no password in
    what it says, and build/release as it was."""
    wrong = os.path.join(scratch, "wrong-password")
    with open(wrong, "w", encoding="utf-8") as file:
        file.write("not " + PASSWORD + "\n")
    paths = dict(signers, **{"wrong password": wrong})
    release_folder = os.path.join(SOURCE_DIR, "build", "release")
    failures = []
    for case, options, reason in BAD_SIGNERS:
        before = source_snapshot(release_folder)
        # a commit that is not there: should the key pass, the release stops at it, unbuilt
        command = [RELEASE_SCRIPT] + [paths.get(option, option) for option in options] + [
            "0" * 40]
        status, said = tool_result(command, cwd=scratch)
        if status != 2 or reason not in said or PASSWORD in said:
            failures.append(f"scripts/release with {case}: exit status {status}, expected 2 "
                            f"saying {reason!r} (and no password):\n{said}")
        if source_snapshot(release_folder) != before:
            failures.append(f"scripts/release with {case}: {release_folder} changed")
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
    failures, content = check(args.archive, args.version)
    with open(args.dll, "rb") as dll:
        if content and content["orvanelumbrel.dll"] != dll.read():
            failures.append(f"orvanelumbrel.dll differs from {args.dll} (an archive packed before "
                            "the DLL changed? cmake --build --preset win32 --target package)")
    if content and read_buildinfo(content["BUILDINFO"].decode("utf-8")).get("signature") != \
            "unsigned":
        failures.append("BUILDINFO: the build's archive does not say \"signature: unsigned\"")
    missing = [name for name in ("openssl", "osslsigncode") if shutil.which(name) is None]
    if not failures and not missing:
        with tempfile.TemporaryDirectory(prefix="lumbrel-signing-") as scratch:
            failures += check_signing(args, content, scratch)
    for failure in failures:
        print(failure)
    if missing and not failures:
        print(f"SKIP: {' and '.join(missing)} not installed (Debian packages openssl, "
              "osslsigncode): the archive is as expected, but signing it is not checked")
        return SKIP
    if not failures:
        print(f"{args.archive}: as expected")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
