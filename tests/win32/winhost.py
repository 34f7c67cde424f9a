#!/usr/bin/env python3
"""Plays scenarios on both substitute hosts and compares them, under Wine with Xvfb.

lumbrel-winhost.exe runs orvanelumbrel.dll with the real Win32 dialog, message boxes and
registry (Wine's); lumbrel-host runs the same plug-in code on its headless stand-in. Both must
write the very same transcript, byte for byte, and tell the same story to a person.

  winhost.py compare SCENARIO.json|FOLDER...  each scenario on both hosts; a difference fails.
                                        Each host plays them all in one start (`run-each`),
                                        each scenario a fresh life of the plug-in with its own
                                        registry, and writes what `run --json` and `run` print
  winhost.py picture OUT.png SCENARIO   the dialog as it opened, from lumbrel-winhost --png;
                                        and --png into a missing folder: exit status 2, the
                                        reason, no other output
  winhost.py message-pictures SCENARIO OUT.png...
                                        each message box as it was shown, one file for each,
                                        from lumbrel-winhost --message-png
  winhost.py no-display SCENARIO        without a display: exit status 2, the reason, no output

A missing tool or build (wine, Xvfb, the Win32 build) is a skip, exit status 77, with the reason.
Each run uses its own X display and the Wine prefix given (created on first use).
"""

import argparse
import difflib
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

SKIP = 77
WINE_FONTS = "/usr/share/wine/fonts"  # from the Debian package fonts-wine
TIMEOUT = 120  # seconds for one host run; Wine's first start in a new prefix takes longest
RUN_EACH_TIMEOUT = 600  # seconds for one host to play every scenario


class Skip(Exception):
    """A prerequisite is missing: the test cannot run here."""


class WineSession:
    """An X display of its own (Xvfb) and a Wine prefix, for as long as the session lasts."""

    def __init__(self, prefix):
        self.prefix = os.path.abspath(prefix)
        self.display = None
        self.xvfb = None
        self.env = None

    def __enter__(self):
        for tool in ("wine", "wineboot", "wineserver", "Xvfb"):
            if shutil.which(tool) is None:
                raise Skip(f"{tool} is not installed (scripts/bootstrap installs it)")
        self._start_display()
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH="win32", WINEDEBUG="-all",
                        DISPLAY=self.display, WINEDLLOVERRIDES="mscoree,mshtml=")
        if not os.path.isfile(os.path.join(self.prefix, "system.reg")):
            os.makedirs(self.prefix, exist_ok=True)
            self._wine(["wineboot", "--init"], "creating the Wine prefix")
        self._add_wine_fonts()
        # Without a window manager on the display, windows are left to Wine itself: else Wine
        # waits two seconds for a manager with each window it shows.
        # one Wine server for the whole session, not one started by every run
        subprocess.run(["wineserver", "-p"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        self._wine(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                    "/t", "REG_SZ", "/d", "N", "/f"], "setting up the Wine prefix")
        return self

    def __exit__(self, *exc):
        if self.env is not None:
            subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=False)
        if self.xvfb is not None:
            self.xvfb.terminate()
            self.xvfb.wait()
        return False

    def _add_wine_fonts(self):
        """Wine's own fonts (Tahoma, MS Sans Serif, Marlett for the caption buttons...) in the
        prefix's Fonts folder, as Windows has them: Debian's Wine does not find them where
        fonts-wine puts them, and would draw a caption's close button as the letter "r"."""
        fonts = os.path.join(self.prefix, "drive_c", "windows", "Fonts")
        if not os.path.isdir(WINE_FONTS) or not os.path.isdir(fonts):
            return
        for name in sorted(os.listdir(WINE_FONTS)):
            if name.endswith(".ttf") and not os.path.exists(os.path.join(fonts, name)):
                shutil.copyfile(os.path.join(WINE_FONTS, name), os.path.join(fonts, name))

    def _start_display(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp"], pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as answer:
            number = answer.readline().strip()
        if not number:
            raise Skip("Xvfb could not start a display")
        self.display = ":" + number

    def _wine(self, command, what):
        done = captured(command, self.env, timeout=600)
        if done.returncode != 0:
            raise Skip(f"{what} failed: {done.stderr.decode(errors='replace')[-400:]}")

    def run(self, command, timeout=TIMEOUT):
        return captured(["wine"] + command, self.env, timeout)


def captured(command, env=None, timeout=TIMEOUT):
    """Runs a command to its end, with its output. The output goes through files, not pipes:
    Wine's own processes (its server, explorer) inherit them and outlive the command."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        done = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=out,
                              stderr=err, timeout=timeout, check=False)
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(command, done.returncode, out.read(), err.read())


def first_difference(native, wine, place=""):
    """The JSON pointer of the first place where the two transcripts differ."""
    if isinstance(native, dict) and isinstance(wine, dict):
        for key in list(native) + [k for k in wine if k not in native]:
            if native.get(key, KeyError) != wine.get(key, KeyError):
                return first_difference(native.get(key), wine.get(key), f"{place}/{key}")
    elif isinstance(native, list) and isinstance(wine, list) and len(native) == len(wine):
        for index, (a, b) in enumerate(zip(native, wine)):
            if a != b:
                return first_difference(a, b, f"{place}/{index}")
    return place or "/"


def compare_one(native, wine, number):
    """Problems found with the scenario played `number`-th, as lines for a person; empty when
    the hosts agree. `native` and `wine` are the folders `run-each` wrote."""
    def output(folder, suffix):
        path = os.path.join(folder, f"{number}.{suffix}")
        if not os.path.isfile(path):
            return None
        with open(path, "rb") as data:
            return data.read()

    problems = []
    native_status, wine_status = output(native, "status"), output(wine, "status")
    if native_status != wine_status:
        errors = (output(wine, "err") or b"").decode(errors="replace").strip()[-300:]
        return [f"exit status {native_status!r} on lumbrel-host, {wine_status!r} on "
                f"lumbrel-winhost: {errors}"]
    for suffix, what in (("json", "transcript"), ("txt", "story")):
        native_out, wine_out = output(native, suffix), output(wine, suffix)
        if native_out == wine_out:
            continue
        if native_out is None or wine_out is None:
            problems.append(f"{what}: not written by "
                            f"{'lumbrel-host' if native_out is None else 'lumbrel-winhost'}")
            continue
        if suffix == "json":
            try:
                place = first_difference(json.loads(native_out), json.loads(wine_out))
                problems.append(f"{what}: first difference at {place}")
            except ValueError:
                problems.append(f"{what}: lumbrel-winhost did not print JSON")
        diff = difflib.unified_diff(native_out.decode(errors="replace").splitlines(),
                                    wine_out.decode(errors="replace").splitlines(),
                                    "lumbrel-host", "lumbrel-winhost", lineterm="", n=2)
        problems.extend(f"  {line}" for line in list(diff)[:60])
    return problems


def scenario_files(paths):
    """The scenario files named, a folder standing for the scenarios in it."""
    files = []
    for path in paths:
        if os.path.isdir(path):
            files.extend(sorted(os.path.join(path, name) for name in os.listdir(path)
                                if name.endswith(".json") and not name.endswith(".expect.json")))
        else:
            files.append(path)
    return files


def compare(arguments):
    scenarios = scenario_files(arguments.scenarios)
    winhost = os.path.join(arguments.win32_dir, "bin", "lumbrel-winhost.exe")
    for needed in (winhost, os.path.join(arguments.win32_dir, "bin", "orvanelumbrel.dll")):
        if not os.path.isfile(needed):
            raise Skip(f"{needed} is not built (cmake --preset win32 && cmake --build --preset "
                       "win32)")
    failed = 0
    with WineSession(arguments.prefix) as session, tempfile.TemporaryDirectory() as folder:
        native, wine = os.path.join(folder, "native"), os.path.join(folder, "wine")
        os.makedirs(native)
        os.makedirs(wine)
        for host, out, run in ((arguments.native_host, native, captured),
                               (winhost, wine, lambda command, timeout: session.run(
                                   command, timeout=timeout))):
            done = run([host, "run-each", "--out-dir", out] + scenarios, timeout=RUN_EACH_TIMEOUT)
            if done.returncode != 0:
                print(f"{os.path.basename(host)} run-each failed: "
                      f"{done.stderr.decode(errors='replace').strip()[-400:]}")
                return 1
        for number, scenario in enumerate(scenarios, 1):
            problems = compare_one(native, wine, number)
            print(("DIFFERENT " if problems else "same      ") + scenario)
            for line in problems:
                print("    " + line)
            failed += bool(problems)
    print(f"{len(scenarios) - failed} of {len(scenarios)} scenarios give the "
          "same transcript and story on both hosts")
    return 1 if failed else 0


def png_chunks(data):
    """The chunks of a PNG file as (type, body) pairs; ValueError when it is not one."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    chunks, at = [], 8
    while at + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        crc, = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        if len(body) != length or zlib.crc32(kind + body) != crc:
            raise ValueError(f"chunk {kind!r} is damaged")
        chunks.append((kind, body))
        at += 12 + length
    return chunks


def compressed_png(data):
    """The same image with its pixel data compressed at zlib's best level."""
    chunks = png_chunks(data)
    pixels = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    out = [b"\x89PNG\r\n\x1a\n"]
    for kind, body in [c for c in chunks if c[0] == b"IHDR"] + [
            (b"IDAT", zlib.compress(pixels, 9)), (b"IEND", b"")]:
        out.append(struct.pack(">I", len(body)) + kind + body +
                   struct.pack(">I", zlib.crc32(kind + body)))
    return b"".join(out)


# The sizes in pixels a picture may have: (least width, largest width, least height, largest
# height). The dialog is 329 x 164 dialog units of an 8-point font: several hundred pixels each
# way; a message box holds a line of text, an icon and a button or two.
DIALOG_SIZE = (400, 1024, 200, 768)
MESSAGE_BOX_SIZE = (150, 1024, 80, 400)


def check_picture(data, sizes=DIALOG_SIZE, what="the dialog"):
    """Problems with a window's picture: a PNG of the window's size, showing more than a blank."""
    chunks = png_chunks(data)
    if not chunks or chunks[0][0] != b"IHDR":
        return ["the picture has no header"]
    width, height, depth, colour = struct.unpack(">IIBB", chunks[0][1][:10])
    problems = []
    if (depth, colour) != (8, 2):
        problems.append(f"the picture is not 8-bit RGB (depth {depth}, colour type {colour})")
    least_width, largest_width, least_height, largest_height = sizes
    if not (least_width <= width <= largest_width and least_height <= height <= largest_height):
        problems.append(f"the picture is {width} x {height} pixels, not the size of {what}")
    pixels = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    stride = width * 3 + 1
    colours = {pixels[i:i + 3] for row in range(0, len(pixels), stride)
               for i in range(row + 1, row + stride, 3)}
    if len(colours) < 4:
        problems.append(f"the picture shows only {len(colours)} colours: {what} is not in it")
    return problems


def built_winhost(arguments):
    """lumbrel-winhost.exe of the Win32 build; a skip when it is not built."""
    winhost = os.path.join(arguments.win32_dir, "bin", "lumbrel-winhost.exe")
    if not os.path.isfile(winhost):
        raise Skip(f"{winhost} is not built")
    return winhost


def picture(arguments):
    winhost = built_winhost(arguments)
    with WineSession(arguments.prefix) as session, tempfile.TemporaryDirectory() as folder:
        raw = os.path.join(folder, "dialog.png")
        done = session.run([winhost, "run", arguments.scenario, "--png", raw])
        if done.returncode != 0 or not os.path.isfile(raw):
            print(f"lumbrel-winhost saved no picture: {done.stderr.decode(errors='replace')}")
            return 1
        with open(raw, "rb") as raw_file:
            data = raw_file.read()
        # a picture that can't be written: exit status 2, the reason, and no other output
        missing = os.path.join(folder, "missing", "dialog.png")
        out = os.path.join(folder, "out.json")
        failed = session.run([winhost, "run", arguments.scenario, "--png", missing, "--out", out])
        reason = failed.stderr.decode(errors="replace")
        if (failed.returncode != 2 or failed.stdout or os.path.exists(out)
                or f"{missing}: cannot write" not in reason):
            print(f"a picture that can't be written gave exit status {failed.returncode}, "
                  f"{len(failed.stdout)} bytes printed, out.json written: "
                  f"{os.path.exists(out)}, and the reason {reason[-300:]!r}")
            return 1
    problems = check_picture(data)
    for problem in problems:
        print(problem)
    if problems:
        return 1
    with open(arguments.output, "wb") as output:
        output.write(compressed_png(data))
    print(f"saved {arguments.output}")
    return 0


def message_pictures(arguments):
    winhost = built_winhost(arguments)
    with WineSession(arguments.prefix) as session, tempfile.TemporaryDirectory() as folder:
        pattern = os.path.join(folder, "box-%d.png")
        done = session.run([winhost, "run", arguments.scenario, "--json", "--message-png",
                            pattern])
        if done.returncode != 0:
            print(f"lumbrel-winhost failed: {done.stderr.decode(errors='replace')}")
            return 1
        boxes = [message for run in json.loads(done.stdout)["runs"]
                 for message in run["messages"]]
        if len(boxes) != len(arguments.outputs):
            print(f"the scenario shows {len(boxes)} message boxes, for "
                  f"{len(arguments.outputs)} pictures named")
            return 1
        pictures = []
        for number, box in enumerate(boxes, 1):
            path = pattern.replace("%d", str(number))
            if not os.path.isfile(path):
                print(f"no picture of message box {number} ({box['caption']})")
                return 1
            with open(path, "rb") as raw_file:
                data = raw_file.read()
            problems = check_picture(data, MESSAGE_BOX_SIZE, f"message box {number}")
            for problem in problems:
                print(problem)
            if problems:
                return 1
            pictures.append(data)
    for output, box, data in zip(arguments.outputs, boxes, pictures):
        with open(output, "wb") as out:
            out.write(compressed_png(data))
        print(f"saved {output}: {box['caption']}: {box['text']}")
    return 0


def no_display(arguments):
    winhost = built_winhost(arguments)
    with WineSession(arguments.prefix) as session:
        env = {name: value for name, value in session.env.items() if name != "DISPLAY"}
        done = captured(["wine", winhost, "run", arguments.scenario, "--json"], env)
    reason = done.stderr.decode(errors="replace")
    problems = []
    if done.returncode != 2:
        problems.append(f"exit status {done.returncode}, not 2")
    if done.stdout:
        problems.append("a transcript was printed all the same")
    if "is there a display?" not in reason:
        problems.append(f"the reason is not given: {reason[-300:]!r}")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--win32-dir", required=True, help="the Win32 build folder")
    parser.add_argument("--prefix", required=True, help="the Wine prefix to use")
    commands = parser.add_subparsers(dest="command", required=True)
    compare_command = commands.add_parser("compare", help="compare both hosts' transcripts")
    compare_command.add_argument("--native-host", required=True, help="lumbrel-host")
    compare_command.add_argument("scenarios", nargs="+",
                                 help="scenario files, or folders of them")
    picture_command = commands.add_parser("picture", help="save the dialog's picture")
    picture_command.add_argument("output", help="the PNG file to write")
    picture_command.add_argument("scenario", help="the scenario whose first dialog is shown")
    messages_command = commands.add_parser("message-pictures",
                                           help="save a picture of each message box shown")
    messages_command.add_argument("scenario", help="the scenario that shows the boxes")
    messages_command.add_argument("outputs", nargs="+",
                                  help="the PNG file to write for each box, in order")
    no_display_command = commands.add_parser("no-display",
                                              help="check a run without a display fails plainly")
    no_display_command.add_argument("scenario", help="a scenario that shows the dialog")
    arguments = parser.parse_args()
    try:
        command = {"compare": compare, "picture": picture, "message-pictures": message_pictures,
                   "no-display": no_display}
        return command[arguments.command](arguments)
    except Skip as reason:
        print(f"skipped: {reason}")
        return SKIP
    except subprocess.TimeoutExpired as timeout:
        print(f"a host run took longer than {timeout.timeout} s: {' '.join(timeout.cmd)}")
        return 1


if __name__ == "__main__":
    sys.exit(main())
