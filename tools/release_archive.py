#!/usr/bin/python3
"""The release archive's own files, and the archive written the same way on every build.

  release_archive.py files DIR --version V --source-dir S --compiler CXX --linker LD
                     --cmake-version VERSION
      Run when the release is installed (and so when CPack stages the archive), after the DLL
      was copied into DIR: writes DIR/user-guide.html (docs/user-guide.md with its pictures
      embedded), DIR/BUILDINFO (the commit, the source date, the tools' versions, and
      "signature: unsigned") and DIR/SHA256SUMS (the SHA-256 of every other file of the
      archive, as sha256sum writes them).

  release_archive.py canonical-zip ARCHIVE --source-dir S
      Run by CPack on the archive it wrote: writes it again with its files alone (no folder
      entries), sorted by name, each dated at the source date (UTC), with permissions 0644, no
      owner and no extra fields, compressed at level 9. Two builds of one commit then give the
      same bytes, whoever builds them, when, where and in which time zone.

scripts/release signs the DLL of an archive afterwards (tools/release_signature.py), and writes
the archive again with rewrite_archive(): the same entries in the same form, the signed DLL,
BUILDINFO naming the signer, and SHA256SUMS computed anew.

The source date is SOURCE_DATE_EPOCH when it is set, else the time of the source tree's HEAD
commit. Exits 2 with the reason on standard error when it cannot do its job.
"""

import argparse
import hashlib
import os
import subprocess
import sys
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import user_guide_html  # noqa: E402

DLL = "orvanelumbrel.dll"
GUIDE = "user-guide.html"
BUILDINFO = "BUILDINFO"
CHECKSUMS = "SHA256SUMS"
# Every file of the archive, in its order. The archive's test (tests/win32/check_release_archive.py)
# holds the archive to it, and the guide_pictures test holds README.md and docs/user-guide.md,
# which name the files for people.
ARCHIVE_FILES = sorted([DLL, GUIDE, BUILDINFO, CHECKSUMS])
# BUILDINFO's last line in an archive as the build writes it; a signed release has the signer's
UNSIGNED = "signature: unsigned\n"
# the earliest time a zip entry can hold
ZIP_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC


class ReleaseError(Exception):
    pass


def git(source_dir, *args):
    """git's output in source_dir, stripped; None when git fails or is missing."""
    try:
        run = subprocess.run(["git", "-C", source_dir, *args], capture_output=True, text=True,
                             check=False)
    except OSError:
        return None
    return run.stdout.strip() if run.returncode == 0 else None


def source_date(source_dir):
    """Seconds since 1970 (UTC): SOURCE_DATE_EPOCH, else the HEAD commit's time."""
    given = os.environ.get("SOURCE_DATE_EPOCH")
    if given is not None:
        if not given.isdigit():
            raise ReleaseError(f"SOURCE_DATE_EPOCH={given!r}: not a whole number of seconds")
        return int(given)
    commit_time = git(source_dir, "log", "-1", "--format=%ct", "HEAD")
    if not commit_time:
        raise ReleaseError(f"{source_dir}: no git commit to date the release by; set "
                           "SOURCE_DATE_EPOCH")
    return int(commit_time)


def first_line(command):
    """The first line that command prints, or a note that it could not be run."""
    try:
        run = subprocess.run(command, capture_output=True, text=True, check=False)
    except OSError as error:
        return f"unknown ({command[0]}: {error.strerror})"
    lines = (run.stdout or run.stderr).splitlines()
    return lines[0].strip() if lines else "unknown"


def build_info(args):
    """The text of BUILDINFO: what was built, from which commit, when, and with what."""
    commit = git(args.source_dir, "rev-parse", "HEAD")
    if commit is None:
        commit = "unknown (not a git checkout)"
    elif git(args.source_dir, "status", "--porcelain", "--untracked-files=no"):
        commit += "-dirty"
    date = source_date(args.source_dir)
    stamp = time.strftime("%Y-%m-%d %H:%M:%S UTC", time.gmtime(date))
    return "".join([
        f"Lumbrel {args.version}, Win32 release\n",
        f"commit: {commit}\n",
        f"source date: {stamp} (SOURCE_DATE_EPOCH={date})\n",
        f"compiler: {first_line([args.compiler, '--version'])}\n",
        f"binutils: {first_line([args.linker, '--version'])}\n",
        f"cmake: cmake version {args.cmake_version}\n",
        f"user guide: Python-Markdown {user_guide_html.markdown.__version__}\n",
        f"archive: Python {sys.version.split()[0]}, zlib {zipfile.zlib.ZLIB_RUNTIME_VERSION}\n",
        UNSIGNED,
    ])


def write_text(path, text):
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write(text)


def release_files(args):
    """Writes the guide, BUILDINFO and SHA256SUMS into args.dir."""
    if user_guide_html.markdown is None:
        raise ReleaseError("the markdown module is missing (Debian package python3-markdown; "
                           "scripts/bootstrap installs it)")
    guide = os.path.join(args.source_dir, "docs", "user-guide.md")
    try:
        write_text(os.path.join(args.dir, GUIDE), user_guide_html.guide_page(guide))
    except user_guide_html.GuideError as error:
        raise ReleaseError(str(error)) from None
    write_text(os.path.join(args.dir, BUILDINFO), build_info(args))
    contents = {}
    for name in ARCHIVE_FILES:
        if name != CHECKSUMS:
            with open(os.path.join(args.dir, name), "rb") as content:
                contents[name] = content.read()
    write_text(os.path.join(args.dir, CHECKSUMS), checksums(contents))


def checksums(contents):
    """The text of SHA256SUMS for the files of `contents` ({name: bytes}) but itself."""
    return "".join(f"{hashlib.sha256(contents[name]).hexdigest()}  {name}\n"
                   for name in ARCHIVE_FILES if name != CHECKSUMS)


def write_canonical(path, members, date):
    """Writes the zip file `path` from `members` ({entry name: bytes}): sorted by name, each dated
    `date` (a time tuple, UTC), mode 0644, no extra fields, deflated at level 9."""
    with zipfile.ZipFile(path, "w") as archive:
        for name in sorted(members):
            info = zipfile.ZipInfo(name, date_time=date)
            info.create_system = 3  # Unix, so that the permissions below are read
            info.external_attr = 0o100644 << 16
            archive.writestr(info, members[name], compress_type=zipfile.ZIP_DEFLATED,
                             compresslevel=9)


def canonical_zip(args):
    """Writes args.archive again in the one form that its contents give."""
    date = time.gmtime(max(source_date(args.source_dir), ZIP_EPOCH))[:6]
    with zipfile.ZipFile(args.archive) as archive:
        members = {info.filename: archive.read(info)
                   for info in archive.infolist() if not info.is_dir()}
    rewritten = args.archive + ".canonical"
    write_canonical(rewritten, members, date)
    os.replace(rewritten, args.archive)


def read_archive(path):
    """The release archive at `path` as (folder, {file name: bytes}, date): its one folder
    ("lumbrel-1.02a-win32/"), the archive's files in it, and the date all its entries carry.
    ReleaseError when it does not hold ARCHIVE_FILES alone in one folder, one date."""
    with zipfile.ZipFile(path) as archive:
        infos = archive.infolist()
        folder = infos[0].filename.rpartition("/")[0] + "/" if infos else ""
        if sorted(info.filename for info in infos) != [folder + name for name in ARCHIVE_FILES]:
            raise ReleaseError(f"{path}: not a release archive (it holds "
                               f"{', '.join(info.filename for info in infos) or 'nothing'})")
        if len({info.date_time for info in infos}) != 1:
            raise ReleaseError(f"{path}: its entries are not all dated alike")
        contents = {info.filename[len(folder):]: archive.read(info) for info in infos}
    return folder, contents, infos[0].date_time


def rewrite_archive(path, out, changes):
    """Writes the release archive `path` again as `out`, with the files of `changes` ({name:
    bytes}) replacing its own and SHA256SUMS computed anew; the entries keep their names, order,
    date and mode, so that one archive and one change give the same bytes. ReleaseError as
    read_archive()."""
    folder, contents, date = read_archive(path)
    contents.update(changes)
    contents[CHECKSUMS] = checksums(contents).encode("utf-8")
    write_canonical(out, {folder + name: content for name, content in contents.items()}, date)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    files = commands.add_parser("files", help="write the guide, BUILDINFO and SHA256SUMS")
    files.add_argument("dir")
    files.add_argument("--version", required=True)
    files.add_argument("--source-dir", required=True)
    files.add_argument("--compiler", required=True)
    files.add_argument("--linker", required=True)
    files.add_argument("--cmake-version", required=True)
    files.set_defaults(run=release_files)
    canonical = commands.add_parser("canonical-zip", help="write the archive in canonical form")
    canonical.add_argument("archive")
    canonical.add_argument("--source-dir", required=True)
    canonical.set_defaults(run=canonical_zip)
    args = parser.parse_args()
    try:
        args.run(args)
    except (ReleaseError, OSError, zipfile.BadZipFile) as error:
        print(f"release_archive.py {args.command}: {error}", file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
