#!/usr/bin/python3
"""The release's Authenticode signature: orvanelumbrel.dll signed with the publisher's key, and
the same signature on its own, which anyone attaches to the DLL built from source.

  release_signature.py check SIGNER
      Checks the key, its password and its certificate before anything is built: the password
      opens the key, the key belongs to a certificate of the chain, and that certificate is for
      code signing (extended key usage Code Signing) and valid now. Prints the signer's subject
      and the SHA-256 of its certificate.

  release_signature.py sign ARCHIVE OUT --signature SIG SIGNER [--timestamp URL]
      Signs the DLL of the release archive ARCHIVE (Authenticode, SHA-256, the program name
      "Orvane Lumbrel", the signing time the source date that BUILDINFO names) and writes the
      archive again as OUT: the signed DLL, BUILDINFO naming the signer, SHA256SUMS computed
      anew, every entry in the form and order it had. SIG gets the signature on its own. Both
      are written, or neither. With --timestamp, an RFC 3161 time-stamping authority adds its
      time stamp, and signing again no longer gives the same bytes.

  release_signature.py commit ARCHIVE
      Prints the commit that the archive's BUILDINFO names.

  release_signature.py attach ARCHIVE SIGNATURE DLL
      Attaches SIGNATURE to DLL (built unsigned from the commit that ARCHIVE names) and compares
      the result with the archive's DLL: prints "identical" and exits 0, or names what differs
      and exits 1.

SIGNER: --pkcs12 FILE, or --key FILE --cert FILE (PEM; the certificate file holds the chain).
The password is the first line of --password-file FILE, else the environment variable
LUMBREL_SIGN_PASSWORD, else none. It reaches openssl and osslsigncode through a pipe, never a
command line or a file of its own.

Exits 2 with the reason on standard error when it cannot do its job (a wrong password, a key or
certificate that cannot sign, a missing tool), writing nothing.
"""

import argparse
import base64
import calendar
import contextlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from release_archive import (BUILDINFO, DLL, UNSIGNED, ReleaseError, read_archive,  # noqa: E402
                             rewrite_archive)

PROGRAM_NAME = "Orvane Lumbrel"
PASSWORD_VARIABLE = "LUMBREL_SIGN_PASSWORD"
PASSWORD_LIMIT = 1024  # bytes; a pipe holds far more, so writing it never waits for the reader
CODE_SIGNING = "Code Signing"  # how openssl names the extended key usage 1.3.6.1.5.5.7.3.3
# the DER of the rsaEncryption object identifier, 1.2.840.113549.1.1.1, in a public key
RSA_ENCRYPTION = bytes.fromhex("2a864886f70d010101")
PEM_CERTIFICATE = re.compile(rb"-----BEGIN CERTIFICATE-----.*?-----END CERTIFICATE-----", re.S)
# a subject as Windows writes it: the common name first, ", " between, RFC 2253's escapes
SUBJECT_FORMAT = "utf8,sep_comma_plus_space,dn_rev,sname,esc_2253,esc_ctrl"


class SignatureError(Exception):
    pass


class Signer:
    """The key and certificate given, their password, and what the certificate says."""

    def __init__(self, args):
        self.pkcs12 = args.pkcs12
        self.key = args.key
        self.cert = args.cert
        for path in (self.pkcs12, self.key, self.cert):
            if path is not None and not os.access(path, os.R_OK):
                raise SignatureError(f"{path}: cannot be read"
                                     + ("" if os.path.exists(path) else ": there is no such file"))
        self.password = read_password(args.password_file)
        self.subject = None
        self.fingerprint = None  # SHA-256 of the certificate, in capitals, as Windows shows it
        self.not_after = None
        self.rsa = True

    def tool_arguments(self):
        """osslsigncode's options for the key and certificate; the password's pipe is {fd}."""
        given = ["-pkcs12", self.pkcs12] if self.pkcs12 else ["-certs", self.cert, "-key",
                                                                self.key]
        return given + ["-readpass", "/dev/fd/{fd}"]

    def describe(self):
        return f"{self.subject} (certificate SHA-256 {self.fingerprint})"


def read_password(path):
    """The password as bytes: the first line of the file at `path`, else the environment
    variable's value, else empty."""
    if path is not None:
        try:
            with open(path, "rb") as file:
                password = file.read().split(b"\n", 1)[0].rstrip(b"\r")
        except OSError as error:
            raise SignatureError(f"{path}: cannot be read: {error.strerror}") from None
    else:
        password = os.environb.get(PASSWORD_VARIABLE.encode(), b"")
    if len(password) > PASSWORD_LIMIT or b"\n" in password:
        raise SignatureError(f"the password is longer than {PASSWORD_LIMIT} bytes, or holds a "
                             "line break")
    return password


def tool(name, package):
    if shutil.which(name) is None:
        raise SignatureError(f"{name} is not installed (Debian package {package})")


def osslsigncode_version():
    """osslsigncode's name and version as it prints them ("osslsigncode 2.9"). Versions differ
    in the bytes they sign and in the signatures they can attach, so BUILDINFO names it."""
    done = run(["osslsigncode", "--version"])
    first = done.stdout.decode("utf-8", errors="replace").splitlines()[:1]
    return first[0].split(",")[0].strip() if first else "osslsigncode, version unknown"


@contextlib.contextmanager
def password_pipe(password):
    """The number of a pipe's read end that holds the password and a line end, for a tool to
    read as a file (/dev/fd/N, openssl's fd:N); closed when done."""
    read_end, write_end = os.pipe()
    try:
        try:
            os.write(write_end, password + b"\n")
        finally:
            os.close(write_end)
        yield read_end
    finally:
        os.close(read_end)


def with_pipe(command, pipe):
    return [word.replace("{fd}", str(pipe)) for word in command]


def run(command, password=None, stdin=None):
    """Runs a tool to its end with its output (bytes) captured. Given a password, the tool reads
    it from a pipe (password_pipe) whose number replaces {fd} in its command."""
    given = {"input": stdin} if stdin is not None else {"stdin": subprocess.DEVNULL}
    if password is None:
        return subprocess.run(command, capture_output=True, check=False, **given)
    with password_pipe(password) as pipe:
        return subprocess.run(with_pipe(command, pipe), capture_output=True, check=False,
                              pass_fds=(pipe,), **given)


def reason(done):
    """The first line of a tool's errors, for a person: its own words, else the reason of the
    first OpenSSL error line (pid:error:code:library:function:reason:file:line:data)."""
    lines = [line.strip() for line in done.stderr.decode(errors="replace").splitlines()]
    plain = [line for line in lines if line and ":error:" not in line]
    detail = [line.split(":")[5] for line in lines if len(line.split(":")) > 5
              and line.split(":")[1] == "error"]
    return (plain + detail + [f"exit status {done.returncode}"])[0]


def run_pipeline(first, second, password):
    """The output of `second` reading that of `first` (which reads the password as run() says),
    or None when either fails or nothing comes out."""
    with password_pipe(password) as pipe:
        first = subprocess.Popen(with_pipe(first, pipe), stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                 pass_fds=(pipe,))
    done = subprocess.run(second, stdin=first.stdout, capture_output=True, check=False)
    first.stdout.close()
    ok = first.wait() == 0 and done.returncode == 0 and done.stdout
    return done.stdout if ok else None


def wrong_password(signer, path):
    return SignatureError(f"{path}: the password does not open it (a wrong password"
                          + (")" if signer.password else ", or none given?)"))


def read_pkcs12(signer):
    """(PEM public key of the private key, PEM certificates) of the PKCS#12 file."""
    done = run(["openssl", "pkcs12", "-legacy", "-in", signer.pkcs12, "-passin", "fd:{fd}",
                "-nokeys"], signer.password)
    if done.returncode != 0:
        if re.search(rb"invalid password|mac verify", done.stderr, re.I):
            raise wrong_password(signer, signer.pkcs12)
        raise SignatureError(f"{signer.pkcs12}: not a PKCS#12 file that openssl reads: "
                             f"{reason(done)}")
    # the private key goes from one openssl to the other through a pipe, and no further
    key = run_pipeline(["openssl", "pkcs12", "-legacy", "-in", signer.pkcs12, "-passin",
                        "fd:{fd}", "-nocerts", "-nodes"], ["openssl", "pkey", "-pubout"],
                       signer.password)
    if key is None:
        raise SignatureError(f"{signer.pkcs12}: holds no private key that openssl reads")
    return key, done.stdout


def read_pem(signer):
    """(PEM public key of the private key, PEM certificates) of the key and certificate files."""
    contents = {}
    for path in (signer.key, signer.cert):
        try:
            with open(path, "rb") as file:
                contents[path] = file.read()
        except OSError as error:
            raise SignatureError(f"{path}: cannot be read: {error.strerror}") from None
    done = run(["openssl", "pkey", "-in", signer.key, "-passin", "fd:{fd}", "-pubout"],
               signer.password)
    if done.returncode != 0:
        if b"ENCRYPTED" in contents[signer.key]:
            raise wrong_password(signer, signer.key)
        raise SignatureError(f"{signer.key}: not a private key that openssl reads: "
                             f"{reason(done)}")
    return done.stdout, contents[signer.cert]


def certificate_fields(pem):
    """{name: text} of a PEM certificate: subject, fingerprint, not before and after (seconds
    since 1970), public key, extended key usage and key usage (as openssl names them)."""
    done = run(["openssl", "x509", "-noout", "-subject", "-nameopt", SUBJECT_FORMAT,
                "-fingerprint", "-sha256", "-dates", "-dateopt", "iso_8601", "-pubkey", "-ext",
                "extendedKeyUsage,keyUsage"], stdin=pem)
    if done.returncode != 0:
        raise SignatureError(f"a certificate that openssl cannot read: {reason(done)}")
    text = done.stdout.decode("utf-8", errors="replace")
    fields = {"extendedKeyUsage": None, "keyUsage": None}
    lines = text.splitlines()
    for number, line in enumerate(lines):
        name, _, value = line.partition("=")
        if name == "subject":
            fields["subject"] = value.strip()
        elif name.endswith("Fingerprint"):
            fields["fingerprint"] = value.replace(":", "").upper()
        elif name in ("notBefore", "notAfter"):
            fields[name] = calendar.timegm(time.strptime(value.strip(), "%Y-%m-%d %H:%M:%SZ"))
        elif line.startswith("X509v3 Extended Key Usage"):
            fields["extendedKeyUsage"] = lines[number + 1].strip()
        elif line.startswith("X509v3 Key Usage"):
            fields["keyUsage"] = lines[number + 1].strip()
    public = re.search(r"-----BEGIN PUBLIC KEY-----.*?-----END PUBLIC KEY-----", text, re.S)
    fields["public key"] = public.group(0) if public else None
    return fields


def day(seconds):
    return time.strftime("%Y-%m-%d %H:%M:%S UTC", time.gmtime(seconds))


def load_signer(args):
    """The signer given, checked: SignatureError when the password does not open the key, the
    key belongs to no certificate given, or that certificate is not for code signing or not
    valid now."""
    tool("openssl", "openssl")
    tool("osslsigncode", "osslsigncode")
    signer = Signer(args)
    key, chain = read_pkcs12(signer) if signer.pkcs12 else read_pem(signer)
    where = signer.pkcs12 or signer.cert
    certificates = PEM_CERTIFICATE.findall(chain)
    if not certificates:
        raise SignatureError(f"{where}: holds no certificate (PEM: -----BEGIN CERTIFICATE-----)")
    key = key.decode("ascii", errors="replace").strip()
    mine = [fields for fields in map(certificate_fields, certificates)
            if fields["public key"] == key]
    if not mine:
        raise SignatureError(f"the key of {signer.pkcs12 or signer.key} does not belong to "
                             f"{'its certificate' if signer.pkcs12 else 'any certificate of '}"
                             f"{'' if signer.pkcs12 else signer.cert}: it cannot sign for it")
    fields = mine[0]
    subject = fields.get("subject", "?")
    usage = fields["extendedKeyUsage"]
    if usage is None or CODE_SIGNING not in [part.strip() for part in usage.split(",")]:
        raise SignatureError(
            f"{where}: the certificate of {subject} is not for code signing: its extended key "
            f"usage is {usage or 'not given'}, where Windows wants {CODE_SIGNING} "
            "(1.3.6.1.5.5.7.3.3)")
    if fields["keyUsage"] is not None and "Digital Signature" not in fields["keyUsage"]:
        raise SignatureError(f"{where}: the certificate of {subject} does not allow digital "
                             f"signatures: its key usage is {fields['keyUsage']}")
    now = time.time()
    if now > fields["notAfter"]:
        raise SignatureError(f"{where}: the certificate of {subject} expired on "
                             f"{day(fields['notAfter'])}")
    if now < fields["notBefore"]:
        raise SignatureError(f"{where}: the certificate of {subject} is valid only from "
                             f"{day(fields['notBefore'])}")
    signer.subject = subject
    signer.fingerprint = fields["fingerprint"]
    signer.not_after = fields["notAfter"]
    der = base64.b64decode("".join(key.splitlines()[1:-1]))
    signer.rsa = RSA_ENCRYPTION in der
    return signer


def osslsigncode(command, signer=None):
    """Runs osslsigncode; SignatureError with its reason when it fails."""
    if signer is not None:
        command = command[:2] + signer.tool_arguments() + command[2:]
    done = run(command, signer.password if signer else None)
    if done.returncode != 0:
        raise SignatureError(f"osslsigncode {command[1]}: {reason(done)}")
    return done


def sign_dll(signer, unsigned, signing_time, timestamp=None):
    """(the signed DLL, its signature alone) as bytes, from the bytes of the unsigned DLL: an
    Authenticode signature, SHA-256, with the program name and `signing_time` (seconds since
    1970), and the time stamp of the authority at `timestamp` (a URL) when one is given."""
    with tempfile.TemporaryDirectory(prefix="lumbrel-sign-") as scratch:
        paths = {name: os.path.join(scratch, name) for name in ("unsigned", "signed", "sig")}
        with open(paths["unsigned"], "wb") as file:
            file.write(unsigned)
        stamp = ["-ts", timestamp] if timestamp else []
        osslsigncode(["osslsigncode", "sign", "-h", "sha256", "-n", PROGRAM_NAME, "-time",
                      str(signing_time)] + stamp + ["-in", paths["unsigned"], "-out",
                                                    paths["signed"]], signer)
        osslsigncode(["osslsigncode", "extract-signature", "-in", paths["signed"], "-out",
                      paths["sig"]])
        with open(paths["signed"], "rb") as signed, open(paths["sig"], "rb") as signature:
            return signed.read(), signature.read()


def signature_lines(signer, timestamp):
    """BUILDINFO's lines on the signature, in place of "signature: unsigned"."""
    if timestamp:
        how = (f"signed at the source date, time-stamped by {timestamp}: the time stamp is made "
               "anew at each signing, so signing this DLL again gives other bytes, and only "
               "this signature, published as orvanelumbrel.dll.sig, gives this DLL again")
    else:
        how = "signed at the source date"
    return (f"signature: Authenticode, SHA-256, {how}\n"
            f"signer: {signer.subject}\n"
            f"signer certificate SHA-256: {signer.fingerprint}\n"
            f"signing tool: {osslsigncode_version()}\n")


def source_epoch(buildinfo, archive):
    found = re.search(r"SOURCE_DATE_EPOCH=(\d+)", buildinfo)
    if not found:
        raise SignatureError(f"{archive}: BUILDINFO names no source date")
    return int(found.group(1))


def written_together(outputs):
    """Writes each of `outputs` ({path: bytes}), all or none: each first beside its place."""
    partial = {path: path + ".partial" for path in outputs}
    try:
        for path, content in outputs.items():
            with open(partial[path], "wb") as file:
                file.write(content)
        for path in outputs:
            os.replace(partial[path], path)
    except BaseException:
        for path in outputs:
            if os.path.exists(partial[path]):
                os.remove(partial[path])
        raise


def check(args):
    signer = load_signer(args)
    print(f"signer: {signer.subject}")
    print(f"signer certificate SHA-256: {signer.fingerprint}")
    print(f"valid until {day(signer.not_after)}")
    if not signer.rsa:
        print("note: the key is not an RSA key: it draws a random number at each signing, so "
              "signing again gives other bytes; the detached signature still gives this DLL "
              "again")
    return 0


def sign(args):
    signer = load_signer(args)
    _, contents, _ = read_archive(args.archive)
    buildinfo = contents[BUILDINFO].decode("utf-8")
    if not buildinfo.endswith(UNSIGNED):
        raise SignatureError(f"{args.archive}: its BUILDINFO does not end in "
                             f"{UNSIGNED.strip()!r}: is it signed already?")
    signed, signature = sign_dll(signer, contents[DLL], source_epoch(buildinfo, args.archive),
                                 args.timestamp)
    buildinfo = buildinfo[:-len(UNSIGNED)] + signature_lines(signer, args.timestamp)
    with tempfile.TemporaryDirectory(prefix="lumbrel-sign-") as scratch:
        archive = os.path.join(scratch, "archive.zip")
        rewrite_archive(args.archive, archive, {DLL: signed, BUILDINFO: buildinfo.encode()})
        with open(archive, "rb") as file:
            written_together({args.out: file.read(), args.signature: signature})
    print(f"signed {DLL} by {signer.describe()}")
    print(f"its signature alone: {args.signature} ({len(signature)} bytes)")
    if args.timestamp:
        print(f"note: time-stamped by {args.timestamp}: signing again gives other bytes (the "
              "time stamp is made anew each time); only the detached signature gives this DLL "
              "again, so publish it")
    return 0


def archive_commit(archive):
    """The commit that the archive's BUILDINFO names; SignatureError for none or a dirty one."""
    _, contents, _ = read_archive(archive)
    found = re.search(r"^commit: (\S+)$", contents[BUILDINFO].decode("utf-8"), re.M)
    if not found or not re.fullmatch(r"[0-9a-f]{40}", found.group(1)):
        raise SignatureError(f"{archive}: BUILDINFO names no commit that can be built again "
                             f"({found.group(1) if found else 'none'})")
    return found.group(1)


def commit(args):
    print(archive_commit(args.archive))
    return 0


def byte_differences(first, second):
    """Where two files differ, for a person."""
    if len(first) != len(second):
        return f"{len(first)} and {len(second)} bytes long"
    offsets = [i for i, (a, b) in enumerate(zip(first, second)) if a != b]
    shown = ", ".join(f"0x{offset:x}" for offset in offsets[:8])
    count = "1 byte differs" if len(offsets) == 1 else f"{len(offsets)} bytes differ"
    return f"{count}, at {shown}{' ...' if len(offsets) > 8 else ''}"


def attached_differences(signed, signature, unsigned):
    """What differs between `signed` (the DLL as published) and `signature` attached to
    `unsigned` (all bytes), one line each; empty when they are identical."""
    tool("osslsigncode", "osslsigncode")
    with tempfile.TemporaryDirectory(prefix="lumbrel-attach-") as scratch:
        paths = {name: os.path.join(scratch, name)
                 for name in ("signed", "sig", "unsigned", "attached", "its-sig", "its-body")}
        for name, content in (("signed", signed), ("sig", signature), ("unsigned", unsigned)):
            with open(paths[name], "wb") as file:
                file.write(content)
        # its exit status also says whether the chain is trusted here, which is not asked: the
        # bytes decide
        run(["osslsigncode", "attach-signature", "-sigin", paths["sig"], "-in",
             paths["unsigned"], "-out", paths["attached"]])
        run(["osslsigncode", "extract-signature", "-in", paths["signed"], "-out",
             paths["its-sig"]])
        run(["osslsigncode", "remove-signature", "-in", paths["signed"], "-out",
             paths["its-body"]])
        found = {}
        for name in ("attached", "its-sig", "its-body"):
            if os.path.exists(paths[name]):
                with open(paths[name], "rb") as file:
                    found[name] = file.read()
    if found.get("attached") == signed:
        return []
    lines = []
    if "its-sig" not in found:
        lines.append("the published DLL carries no signature")
    elif found["its-sig"] != signature:
        lines.append("the signature given is not the one the published DLL carries ("
                     + byte_differences(signature, found["its-sig"]) + ")")
    if "its-body" in found and found["its-body"] != unsigned:
        lines.append("the DLL built differs from the published DLL without its signature ("
                     + byte_differences(unsigned, found["its-body"]) + ")")
    if "attached" not in found:
        lines.append("the signature given could not be attached to the DLL built")
    elif not lines:
        lines.append("the DLL built with the signature attached differs from the published DLL "
                     "(" + byte_differences(found["attached"], signed) + ")")
    return lines


def attach(args):
    _, contents, _ = read_archive(args.archive)
    try:
        with open(args.signature, "rb") as file:
            signature = file.read()
        with open(args.dll, "rb") as file:
            unsigned = file.read()
    except OSError as error:
        raise SignatureError(f"{error.filename}: cannot be read: {error.strerror}") from None
    lines = attached_differences(contents[DLL], signature, unsigned)
    signed_with = re.search(r"^signing tool: (.+)$", contents[BUILDINFO].decode("utf-8"), re.M)
    if lines and signed_with and signed_with.group(1) != osslsigncode_version():
        lines.append(f"the release was signed with {signed_with.group(1)}, and this machine has "
                     f"{osslsigncode_version()}, whose signatures are laid out otherwise: "
                     f"attach with {signed_with.group(1)}")
    if lines:
        print(f"{args.dll} with {args.signature} attached is not the DLL of {args.archive}:")
        for line in lines:
            print(f"  {line}")
        return 1
    print(f"identical: {args.dll} with {args.signature} attached is the DLL of {args.archive}, "
          f"byte for byte ({len(unsigned)} bytes and a signature of {len(signature)})")
    return 0


def signer_options(parser):
    given = parser.add_mutually_exclusive_group(required=True)
    given.add_argument("--pkcs12", metavar="FILE", help="the key and its certificate chain")
    given.add_argument("--key", metavar="FILE", help="the private key (PEM), with --cert")
    parser.add_argument("--cert", metavar="FILE",
                        help="the certificate chain (PEM), the signer's among it")
    parser.add_argument("--password-file", metavar="FILE",
                        help=f"the password, its first line (else ${PASSWORD_VARIABLE})")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    checked = commands.add_parser("check", help="check the key, password and certificate")
    signer_options(checked)
    checked.set_defaults(run=check)
    signing = commands.add_parser("sign", help="sign the DLL of a release archive")
    signing.add_argument("archive")
    signing.add_argument("out", help="the signed archive")
    signing.add_argument("--signature", required=True, metavar="SIG",
                         help="the signature alone")
    signing.add_argument("--timestamp", metavar="URL",
                         help="an RFC 3161 time-stamping authority")
    signer_options(signing)
    signing.set_defaults(run=sign)
    named = commands.add_parser("commit", help="print the commit that BUILDINFO names")
    named.add_argument("archive")
    named.set_defaults(run=commit)
    attaching = commands.add_parser("attach", help="attach a signature to a DLL and compare")
    attaching.add_argument("archive")
    attaching.add_argument("signature")
    attaching.add_argument("dll", help="the DLL built unsigned from the archive's commit")
    attaching.set_defaults(run=attach)
    args = parser.parse_args()
    if getattr(args, "key", None) and not args.cert or getattr(args, "pkcs12", None) and (
            args.cert):
        parser.error("--key goes with --cert, and --pkcs12 alone")
    try:
        return args.run(args)
    except (SignatureError, ReleaseError) as error:
        print(f"release: {error}", file=sys.stderr)
    except OSError as error:
        print(f"release: {error.filename or ''}: {error.strerror}", file=sys.stderr)
    except zipfile.BadZipFile as error:
        print(f"release: {args.archive}: not a zip archive ({error})", file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
