#!/usr/bin/env python3
"""Plays scenarios on both substitute hosts and compares them, under Wine with Xvfb.

lumbrel-winhost.exe runs orvanelumbrel.dll with the real Win32 dialog, message boxes and
registry (Wine's); lumbrel-host runs the same plug-in code on its headless stand-in. Both must
write the very same transcript, byte for byte, and tell the same story to a person.

  winhost.py compare SCENARIO.json|FOLDER...  each scenario on both hosts; a difference fails.
                                        Each host plays them all in one start (`run-each`),
                                        each scenario a fresh life of the plug-in with its own
                                        registry, and writes what `run --json` and `run` print;
                                        with --plugin DLL, lumbrel-winhost plays that DLL (a
                                        signed copy)
  winhost.py picture [--match] SCENARIO OUT.png [SCENARIO OUT.png...]
                                        the dialog as it opened, from lumbrel-winhost --png;
                                        and --png into a missing folder: exit status 2, the
                                        reason, no other output
  winhost.py message-pictures [--match] SCENARIO OUT.png... [SCENARIO OUT.png...]...
                                        each message box as it was shown, one file for each,
                                        from lumbrel-winhost --message-png
                                        With --match, each picture must equal the file of its
                                        name pixel for pixel
  winhost.py references [--match] [dialogs|messages]
                                        the same pictures, of the user guide's scenarios, into
                                        pictures/wine-N/ for the running Wine's major version
                                        N: each Wine draws its own; --match holds them to it,
                                        a Wine with none yet failing with how to make them,
                                        and the pages' pictures (docs/guide/) to Wine 8's
  winhost.py no-display SCENARIO        without a display: exit status 2, the reason, no output
  winhost.py session-start --state FOLDER
  winhost.py session-stop --state FOLDER
                                        a display and Wine server that the tests of one run
                                        share (given by --session FOLDER): it ends when asked,
                                        or when the process that started it is gone
  winhost.py prepare                    makes the Wine prefix, unless it is made already: the
                                        native build does, so that no test pays for it

A missing tool or build (wine, Xvfb, the Win32 build), or a Wine that cannot start, is a skip,
exit status 77, with the reason. Each run uses its own X display and Wine server, both ended with
it on every path, in the 64-bit Wine prefix given (made on first use, with Wine's fonts).
"""

import argparse
import contextlib
import ctypes
import difflib
import json
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

SKIP = 77
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_FONTS = "/usr/share/wine/fonts"  # from the Debian package fonts-wine
WINE64 = "/usr/lib/wine/wine64"  # Debian's 64-bit loader: runs 64-bit Windows programs natively
TIMEOUT = 120  # seconds for one host run
RUN_EACH_TIMEOUT = 600  # seconds for one host to play every scenario
PREFIX_TIMEOUT = 600  # seconds to make a Wine prefix; under emulation it takes half a minute
SESSION_FILE = "session.json"  # in a shared session's folder: its display, its process
STOP_FILE = "stop"  # in a shared session's folder: asks it to end
SESSION_LIFE = 3600  # seconds a shared session lasts at most
READY = "lumbrel-prefix"  # in a prefix made whole: the Wine version and settings it was made with
# The prefix's settings, written into its user registry file as it is made: windows are left to
# Wine itself (there is no window manager on the display), else Wine waits two seconds for a
# manager with each window it shows.
# The double-click time is short, so that a person's clicks on one spot a third of a second
# apart stay single clicks (tests/win32/interactive.py).
USER_SETTINGS = '''
[Software\\\\Wine\\\\X11 Driver] 0
"Managed"="N"

[Control Panel\\\\Mouse] 0
"DoubleClickSpeed"="200"
'''


class Skip(Exception):
    """A prerequisite is missing: the test cannot run here."""


def ends_with_parent():
    """For a child process: it is killed when the process that started it ends, by any path
    (a test killed at its time-out included), so that no display or Wine server outlives it."""
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


PR_SET_PDEATHSIG = 1


def wine_environment(prefix, display=None):
    """The environment of every Wine program the tests start: the prefix given, 64-bit (its own
    programs, the registry tool and Wine's services, run natively; the host and the DLL are
    32-bit, emulated where the processor runs no 32-bit code), no debug output, no prompt to
    install Mono or Gecko."""
    env = {name: value for name, value in os.environ.items() if name != "DISPLAY"}
    env.update(WINEPREFIX=os.path.abspath(prefix), WINEARCH="win64", WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=")
    if display:
        env["DISPLAY"] = display
    return env


def wine_version():
    done = captured(["wine", "--version"], timeout=TIMEOUT)
    if done.returncode != 0:
        reason = done.stderr.decode(errors="replace").strip()[-300:]
        raise Skip(f"Wine cannot start here ({reason}); if this machine runs no 32-bit code, "
                   "scripts/bootstrap sets up its emulation")
    return done.stdout.decode(errors="replace").strip()


def prepare_prefix(prefix):
    """Makes the Wine prefix that the tests play in, once: `wineboot --init` (the one costly Wine
    start, half a minute under emulation), then Wine's own fonts copied in and the settings
    written into its registry file, with no Wine start for either. A prefix made whole holds
    READY, with the Wine version and the settings it was made with; one that is not is made
    again. A Skip when Wine is
    missing or cannot start."""
    for tool in ("wine", "wineboot", "wineserver"):
        if shutil.which(tool) is None:
            raise Skip(f"{tool} is not installed (scripts/bootstrap installs it)")
    if not os.access(WINE64, os.X_OK):
        raise Skip(f"{WINE64} is missing: Debian's wine64 (scripts/bootstrap installs it)")
    version = f"{wine_version()}, settings {zlib.crc32(USER_SETTINGS.encode()):08x}"
    prefix = os.path.abspath(prefix)
    ready = os.path.join(prefix, READY)
    if os.path.isfile(ready):
        with open(ready, encoding="utf-8") as stamp:
            if stamp.read().strip() == version:
                return
    shutil.rmtree(prefix, ignore_errors=True)
    os.makedirs(prefix)
    env = wine_environment(prefix)
    done = captured(["wineboot", "--init"], env, timeout=PREFIX_TIMEOUT)
    captured(["wineserver", "-w"], env, timeout=PREFIX_TIMEOUT)  # the registry is on disk
    if done.returncode != 0 or not os.path.isfile(os.path.join(prefix, "user.reg")):
        raise Skip(f"making the Wine prefix {prefix} failed: "
                   f"{done.stderr.decode(errors='replace')[-400:]}")
    add_wine_fonts(prefix)
    with open(os.path.join(prefix, "user.reg"), "a", encoding="utf-8") as registry:
        registry.write(USER_SETTINGS)
    with open(ready, "w", encoding="utf-8") as stamp:
        stamp.write(version + "\n")


def add_wine_fonts(prefix):
    """Wine's own fonts (Tahoma, MS Sans Serif, Marlett for the caption buttons...) in the
    prefix's Fonts folder, as Windows has them: Debian's Wine does not find them where
    fonts-wine puts them, and would draw a caption's close button as the letter "r"."""
    fonts = os.path.join(prefix, "drive_c", "windows", "Fonts")
    if not os.path.isdir(WINE_FONTS):
        raise Skip(f"{WINE_FONTS} is missing: Debian's fonts-wine (scripts/bootstrap installs it)")
    os.makedirs(fonts, exist_ok=True)
    for name in sorted(os.listdir(WINE_FONTS)):
        if name.endswith(".ttf"):
            shutil.copyfile(os.path.join(WINE_FONTS, name), os.path.join(fonts, name))


class WineSession:
    """An X display (Xvfb) and one Wine server in the prefix, for as long as the session lasts.
    Its own, both this process's children, ended when the session ends and killed by the
    system should this process end first (Wine's programs end with their server); or, given
    the folder of a shared session (`session-start`) that is running, that one's, left running.
    """

    def __init__(self, prefix, shared=None, win32_dir=None):
        self.prefix = os.path.abspath(prefix)
        self.shared = shared
        self.desktop_user = (os.path.join(win32_dir, "bin", "desktop_user.exe")
                             if win32_dir else None)
        self.display = None
        self.xvfb = None
        self.server = None
        self.env = None

    def __enter__(self):
        try:
            if shutil.which("Xvfb") is None:
                raise Skip("Xvfb is not installed (scripts/bootstrap installs it)")
            prepare_prefix(self.prefix)
            self.display = shared_display(self.shared) if self.shared else None
            if self.display is None:
                self._start_display()
            self.env = wine_environment(self.prefix, self.display)
            if self.xvfb is not None:
                self._start_server()
                self._keep_desktop()
        except BaseException:
            self.__exit__()
            raise
        return self

    def __exit__(self, *exc):
        # Its programs killed first (Wine's services outlive a server that is killed), then the
        # server itself, not asked to end: the prefix's registry on disk stays as it was made,
        # whatever the session wrote.
        if self.server is not None and self.server.poll() is None:
            try:
                captured(["wineserver", "-k"], self.env, timeout=20)
            except subprocess.TimeoutExpired:
                pass
        for child in (self.server, self.xvfb):
            if child is not None:
                child.kill()
                child.wait()
        self.server = self.xvfb = None
        return False

    def _start_display(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp"], pass_fds=(write_end,), stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=ends_with_parent)
        os.close(write_end)
        with os.fdopen(read_end) as answer:
            number = answer.readline().strip()
        if not number:
            raise Skip("Xvfb could not start a display")
        self.display = ":" + number

    def _start_server(self):
        """One Wine server for the session, in the foreground as this process's child, kept
        until the session ends; the session goes on once it listens."""
        self.server = subprocess.Popen(["wineserver", "--foreground", "--persistent"],
                                       env=self.env, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                       preexec_fn=ends_with_parent)
        deadline = time.monotonic() + 30
        while not self._server_listens():
            if self.server.poll() is not None or time.monotonic() > deadline:
                raise Skip(f"the Wine server did not start (status {self.server.poll()})")
            time.sleep(0.02)

    def _keep_desktop(self):
        """A program that uses the session's desktop for as long as the session lasts: Wine
        closes a desktop a second after the last program using it ends, and a program that
        starts meanwhile can't create its windows (seen between two tests, and between two
        starts of the host in one test). Ended with the server."""
        if self.desktop_user is None or not os.path.isfile(self.desktop_user):
            return
        subprocess.Popen(["wine", self.desktop_user], env=self.env, stdin=subprocess.DEVNULL,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def _server_listens(self):
        """Whether the server's socket is there: in the folder it works in."""
        try:
            folder = os.readlink(f"/proc/{self.server.pid}/cwd")
        except OSError:
            return False
        return os.path.exists(os.path.join(folder, "socket"))

    def run(self, command, timeout=TIMEOUT):
        return captured(["wine"] + command, self.env, timeout)

    def reg(self, *arguments):
        """Wine's registry tool, a 64-bit program run by the 64-bit loader directly: natively,
        where the `wine` command would first start the 32-bit loader."""
        return captured([WINE64, "reg"] + list(arguments), self.env)


def running(pid):
    """Whether process `pid` is there and not a zombie."""
    try:
        with open(f"/proc/{pid}/stat", encoding="ascii", errors="replace") as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except (OSError, IndexError):
        return False


def shared_display(folder):
    """The display of the shared session kept in `folder`, when one is running; else None."""
    try:
        with open(os.path.join(folder, SESSION_FILE), encoding="utf-8") as file:
            session = json.load(file)
    except (OSError, ValueError):
        return None
    return session["display"] if running(session["pid"]) else None


def session_start(arguments):
    """Starts the session that the Wine tests of one test run share: a process of its own,
    holding the display and the Wine server, that ends them when `session-stop` asks, when the
    process that started it (the test runner) is gone, or after SESSION_LIFE seconds, whichever
    comes first. Returns once the session is ready."""
    folder = os.path.abspath(arguments.state)
    os.makedirs(folder, exist_ok=True)
    for name in (SESSION_FILE, STOP_FILE):
        if os.path.exists(os.path.join(folder, name)):
            os.remove(os.path.join(folder, name))
    watched = os.getppid()
    read_end, write_end = os.pipe()
    if os.fork() == 0:
        os.close(read_end)
        os.setsid()
        quiet = os.open(os.devnull, os.O_RDWR)
        for stream in (0, 1, 2):
            os.dup2(quiet, stream)
        try:
            supervise(arguments, folder, watched, write_end)
        finally:
            os._exit(0)
    os.close(write_end)
    with os.fdopen(read_end) as answer:
        said = answer.read().strip()
    if not said.startswith("ready"):
        raise Skip(said or "the shared Wine session did not start")
    print(f"the shared Wine session is {said[len('ready '):]}")
    return 0


def supervise(arguments, folder, watched, answer):
    try:
        session = WineSession(arguments.prefix, win32_dir=arguments.win32_dir).__enter__()
    except Skip as reason:
        os.write(answer, str(reason).encode())
        return
    try:
        with open(os.path.join(folder, SESSION_FILE), "w", encoding="utf-8") as file:
            json.dump({"display": session.display, "pid": os.getpid()}, file)
        os.write(answer, f"ready on display {session.display}".encode())
        os.close(answer)
        deadline = time.monotonic() + SESSION_LIFE
        while (running(watched) and time.monotonic() < deadline
               and not os.path.exists(os.path.join(folder, STOP_FILE))):
            time.sleep(0.2)
    finally:
        session.__exit__()
        if os.path.exists(os.path.join(folder, SESSION_FILE)):
            os.remove(os.path.join(folder, SESSION_FILE))


def session_stop(arguments):
    """Ends the shared session kept in the folder, if one runs, and waits for it to be gone."""
    folder = os.path.abspath(arguments.state)
    try:
        with open(os.path.join(folder, SESSION_FILE), encoding="utf-8") as file:
            pid = json.load(file)["pid"]
    except (OSError, ValueError):
        print("no shared Wine session was running")
        return 0
    with open(os.path.join(folder, STOP_FILE), "w", encoding="utf-8"):
        pass
    deadline = time.monotonic() + 20
    while running(pid) and time.monotonic() < deadline:
        time.sleep(0.05)
    if running(pid):
        os.kill(pid, signal.SIGKILL)  # its display and server die with it
        print("the shared Wine session did not end when asked, and was killed")
        return 1
    print("the shared Wine session has ended")
    return 0


def captured(command, env=None, timeout=TIMEOUT):
    """Runs a command to its end, with its output. The output goes through files, not pipes:
    Wine's own processes (its server, explorer) inherit them and outlive the command."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        done = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=out,
                              stderr=err, timeout=timeout, check=False)
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(command, done.returncode, out.read(), err.read())


def session_of(arguments):
    """The Wine session a command plays in: the shared one when it runs, else its own."""
    return WineSession(arguments.prefix, arguments.session, arguments.win32_dir)


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


# A second lane's Wine session starts cold: its services start with its first program, which
# costs it about 2 s more than the first lane, in the session already running (measured under
# emulation, in tenths of a second as `scenario_work` counts).
SECOND_SESSION_START = 20


def scenario_work(path):
    """The time a scenario takes lumbrel-winhost, roughly, in tenths of a second as measured
    under emulation: one for the scenario, two for each invocation (its dialog) and two for
    each question answered. The size of the file says little (a long staff list is quick)."""
    try:
        with open(path, encoding="utf-8") as file:
            runs = json.load(file).get("runs", [])
        return 1 + sum(2 + 2 * len(run.get("answers", [])) for run in runs)
    except (OSError, ValueError, AttributeError, TypeError):
        return 1


def lanes(scenarios, head_starts):
    """The scenarios shared among lanes that end at about the same time, the lane `i` starting
    `head_starts[i]` tenths of a second late: the longest first, each to the lane that ends the
    soonest so far; each lane keeps the order they were named in."""
    work = {scenario: scenario_work(scenario) for scenario in scenarios}
    lanes_of = [[] for _ in head_starts]
    ends = list(head_starts)
    for scenario in sorted(scenarios, key=work.get, reverse=True):
        soonest = ends.index(min(ends))
        lanes_of[soonest].append(scenario)
        ends[soonest] += work[scenario]
    return [sorted(lane, key=scenarios.index) for lane in lanes_of if lane]


def second_prefix(prefix):
    """A second prefix beside `prefix`, for a second lane with a registry of its own: a copy of
    it made of hard links, in a fraction of a second. Wine replaces a registry file as it saves
    it, so the first prefix's stays as it is."""
    second = os.path.abspath(prefix) + "-second"
    ready = os.path.join(second, READY)
    if not (os.path.isfile(ready) and os.path.samefile(ready, os.path.join(prefix, READY))):
        shutil.rmtree(second, ignore_errors=True)
        done = captured(["cp", "-al", os.path.abspath(prefix), second])
        if done.returncode != 0:
            raise Skip(f"copying the Wine prefix failed: {done.stderr.decode(errors='replace')}")
    return second


def compare(arguments):
    scenarios = scenario_files(arguments.scenarios)
    winhost = os.path.join(arguments.win32_dir, "bin", "lumbrel-winhost.exe")
    for needed in (winhost, os.path.join(arguments.win32_dir, "bin", "orvanelumbrel.dll")):
        if not os.path.isfile(needed):
            raise Skip(f"{needed} is not built (cmake --preset win32 && cmake --build --preset "
                       "win32)")
    plugin = []
    if arguments.plugin:
        if not os.path.isfile(arguments.plugin):
            raise Skip(f"{arguments.plugin}, the DLL to play, is not there")
        plugin = ["--plugin", os.path.abspath(arguments.plugin)]
    # Two lanes, each a Wine host playing its scenarios in a prefix and session of its own:
    # emulated, a scenario takes about half a second, and the two keep both cores busy. A single
    # scenario plays in one lane, and no second session is started.
    played = lanes(scenarios, [0, SECOND_SESSION_START])
    failed = 0
    with session_of(arguments) as first, tempfile.TemporaryDirectory() as folder:
        second = (WineSession(second_prefix(arguments.prefix), win32_dir=arguments.win32_dir)
                  if len(played) > 1 else contextlib.nullcontext())
        with second:
            hosts = []
            for lane, (session, lane_scenarios) in enumerate(zip((first, second), played)):
                for host, name in ((arguments.native_host, "native"), (winhost, "wine")):
                    out = os.path.join(folder, f"{name}-{lane}")
                    os.makedirs(out)
                    command = [host, "run-each", "--out-dir", out] + lane_scenarios
                    if name == "wine":
                        command, env = ["wine"] + command + plugin, session.env
                    else:
                        env = None
                    hosts.append((os.path.basename(host), started(command, env)))
            for name, (process, err) in hosts:
                try:
                    status = process.wait(timeout=RUN_EACH_TIMEOUT)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
                    status = "killed at the time-out"
                err.seek(0)
                if status != 0:
                    print(f"{name} run-each failed ({status}): "
                          f"{err.read().decode(errors='replace').strip()[-400:]}")
                    failed += 1
                err.close()
        if failed:
            return 1
        where = {scenario: (lane, number) for lane, lane_scenarios in enumerate(played)
                 for number, scenario in enumerate(lane_scenarios, 1)}
        for scenario in scenarios:
            lane, number = where[scenario]
            problems = compare_one(os.path.join(folder, f"native-{lane}"),
                                   os.path.join(folder, f"wine-{lane}"), number)
            print(("DIFFERENT " if problems else "same      ") + scenario)
            for line in problems:
                print("    " + line)
            failed += bool(problems)
    print(f"{len(scenarios) - failed} of {len(scenarios)} scenarios give the "
          "same transcript and story on both hosts")
    return 1 if failed else 0


def started(command, env):
    """A command started, its output to nothing and its errors to a file: (process, file)."""
    err = tempfile.TemporaryFile()
    return subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=err), err


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


def png_pixels(data):
    """The width, height and RGB bytes (rows top down) of an 8-bit RGB PNG file, its row filters
    undone; ValueError for any other file."""
    chunks = png_chunks(data)
    if not chunks or chunks[0][0] != b"IHDR":
        raise ValueError("the picture has no header")
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[0][1][:13])
    if (depth, colour, interlace) != (8, 2, 0):
        raise ValueError("the picture is not 8-bit RGB without interlace")
    data = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    stride = width * 3
    rows, previous = [], bytearray(stride)
    for at in range(0, height * (stride + 1), stride + 1):
        kind, row = data[at], bytearray(data[at + 1:at + 1 + stride])
        for i in range(stride):
            left = row[i - 3] if i >= 3 else 0
            up, corner = previous[i], previous[i - 3] if i >= 3 else 0
            if kind == 1:
                row[i] = (row[i] + left) & 255
            elif kind == 2:
                row[i] = (row[i] + up) & 255
            elif kind == 3:
                row[i] = (row[i] + (left + up) // 2) & 255
            elif kind == 4:
                guess = left + up - corner
                nearest = min((abs(guess - left), 0, left), (abs(guess - up), 1, up),
                              (abs(guess - corner), 2, corner))[2]
                row[i] = (row[i] + nearest) & 255
        rows.append(bytes(row))
        previous = row
    return width, height, b"".join(rows)


def picture_difference(fresh, kept_path):
    """How the picture just taken differs from the one kept at `kept_path`, pixel for pixel, as
    a phrase; None when every pixel is the same."""
    if not os.path.isfile(kept_path):
        return "is not there"
    with open(kept_path, "rb") as kept_file:
        kept = png_pixels(kept_file.read())
    width, height, pixels = png_pixels(fresh)
    if kept[:2] != (width, height):
        return f"is {kept[0]} x {kept[1]} pixels, the DLL shows {width} x {height} now"
    differing = [i // 3 for i in range(0, len(pixels), 3) if pixels[i:i + 3] != kept[2][i:i + 3]]
    if not differing:
        return None
    return (f"differs from what the DLL shows now in {len(differing)} of {width * height} "
            f"pixels, the first at x {differing[0] % width}, y {differing[0] // width}")


def scenario_groups(items, pictures_each=None):
    """Scenario files, each followed by the PNG files of its pictures: [(scenario, [png...])].
    ValueError when the list is not of that form."""
    groups = []
    for item in items:
        if item.endswith(".json"):
            groups.append((item, []))
        elif not groups or not item.endswith(".png"):
            raise ValueError(f"{item}: expected a scenario (.json) followed by its pictures (.png)")
        else:
            groups[-1][1].append(item)
    for scenario, outputs in groups:
        if not outputs or (pictures_each is not None and len(outputs) != pictures_each):
            raise ValueError(f"{scenario}: {len(outputs)} pictures named, "
                             f"{pictures_each or 'one or more'} expected")
    return groups


class Failed(Exception):
    """A picture could not be taken: the reason, for a person."""


# What to do when pictures differ from the files they are held to, by the command that held them.
REMAKE_GUIDE = "make them anew (cmake --build --preset native --target guide_pictures)"
REMAKE_REFERENCES = ("make this Wine's anew (cmake --build --preset native --target "
                     "wine_references), look at them, and commit them with the change")


def keep_pictures(arguments, pictures, remake=REMAKE_GUIDE):
    """Saves each picture taken, [(file, PNG data, what it shows)], at its file; with --match
    compares it with the file instead and keeps the ones that differ in --fresh-dir. Returns
    the exit status."""
    differing = 0
    for output, data, what in pictures:
        if not arguments.match:
            with open(output, "wb") as out:
                out.write(compressed_png(data))
            print(f"saved {output}: {what}")
            continue
        difference = picture_difference(data, output)
        if difference is None:
            print(f"same      {output}: {what}")
            continue
        differing += 1
        os.makedirs(arguments.fresh_dir, exist_ok=True)
        fresh = os.path.join(arguments.fresh_dir, os.path.basename(output))
        with open(fresh, "wb") as out:
            out.write(compressed_png(data))
        print(f"DIFFERENT {output}: {what}: {difference}; the DLL's picture is {fresh}")
    if differing:
        print(f"{differing} of {len(pictures)} pictures are not the ones committed: if they "
              f"should change, {remake}")
    return 1 if differing else 0


def dialog_pictures(session, winhost, folder, groups):
    """The dialog as it opened for each (scenario, [file]) of `groups`: [(file, PNG data, what
    it shows)]; then a picture that can't be written must give exit status 2, the reason, and
    no other output. Failed when a picture is not taken or that check fails."""
    pictures = []
    for scenario, (output,) in groups:
        raw = os.path.join(folder, "dialog.png")
        done = session.run([winhost, "run", scenario, "--png", raw])
        if done.returncode != 0 or not os.path.isfile(raw):
            raise Failed(f"{scenario}: lumbrel-winhost saved no picture: "
                         f"{done.stderr.decode(errors='replace')}")
        with open(raw, "rb") as raw_file:
            data = raw_file.read()
        os.remove(raw)
        problems = check_picture(data)
        if problems:
            raise Failed("\n".join(f"{scenario}: {problem}" for problem in problems))
        pictures.append((output, data, f"the dialog of {os.path.basename(scenario)}"))
    missing = os.path.join(folder, "missing", "dialog.png")
    out = os.path.join(folder, "out.json")
    failed = session.run([winhost, "run", groups[0][0], "--png", missing, "--out", out])
    reason = failed.stderr.decode(errors="replace")
    if (failed.returncode != 2 or failed.stdout or os.path.exists(out)
            or f"{missing}: cannot write" not in reason):
        raise Failed(f"a picture that can't be written gave exit status {failed.returncode}, "
                     f"{len(failed.stdout)} bytes printed, out.json written: "
                     f"{os.path.exists(out)}, and the reason {reason[-300:]!r}")
    return pictures


def message_box_pictures(session, winhost, folder, groups):
    """Each message box as it was shown, for each (scenario, [file for each box]) of `groups`:
    [(file, PNG data, what it shows)]. Failed when a picture is not taken."""
    pictures = []
    for scenario, outputs in groups:
        pattern = os.path.join(folder, "box-%d.png")
        done = session.run([winhost, "run", scenario, "--json", "--message-png", pattern])
        if done.returncode != 0:
            raise Failed(f"{scenario}: lumbrel-winhost failed: "
                         f"{done.stderr.decode(errors='replace')}")
        boxes = [message for run in json.loads(done.stdout)["runs"]
                 for message in run["messages"]]
        if len(boxes) != len(outputs):
            raise Failed(f"{scenario} shows {len(boxes)} message boxes, for {len(outputs)} "
                         "pictures named")
        for number, (box, output) in enumerate(zip(boxes, outputs), 1):
            path = pattern.replace("%d", str(number))
            if not os.path.isfile(path):
                raise Failed(f"{scenario}: no picture of message box {number} "
                             f"({box['caption']})")
            with open(path, "rb") as raw_file:
                data = raw_file.read()
            os.remove(path)
            problems = check_picture(data, MESSAGE_BOX_SIZE, f"message box {number}")
            if problems:
                raise Failed("\n".join(f"{scenario}: {problem}" for problem in problems))
            pictures.append((output, data, f"{box['caption']}: {box['text']}"))
    return pictures


def picture(arguments):
    groups = scenario_groups(arguments.items, pictures_each=1)
    winhost = built_winhost(arguments)
    with session_of(arguments) as session, tempfile.TemporaryDirectory() as folder:
        pictures = dialog_pictures(session, winhost, folder, groups)
    return keep_pictures(arguments, pictures)


def message_pictures(arguments):
    groups = scenario_groups(arguments.items)
    winhost = built_winhost(arguments)
    with session_of(arguments) as session, tempfile.TemporaryDirectory() as folder:
        pictures = message_box_pictures(session, winhost, folder, groups)
    return keep_pictures(arguments, pictures)


# The reference pictures of the dialog and the message boxes: one folder for each major
# version of Wine, named for it (wine-8, wine-10), since each draws them its own way. The
# pages' pictures (docs/guide/, docs/dialog.png) are those of PAGES_WINE, Debian 12's.
REFERENCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pictures")
PAGES_WINE = 8


def wine_major():
    """The major version of the Wine installed, as a number; a Skip where Wine cannot start."""
    version = wine_version()
    found = re.match(r"wine-(\d+)", version)
    if not found:
        raise Skip(f"`wine --version` says {version!r}, which names no version")
    return int(found.group(1))


def guide_windows(kinds, folder):
    """The guide's pictures of the given kinds ("dialogs", "messages") as (kind, [(scenario,
    [file in `folder` for each picture])]), in the guide's order (tools/guide_pictures.py)."""
    sys.path.insert(0, os.path.join(ROOT, "tools"))
    import guide_pictures  # pylint: disable=import-outside-toplevel
    lists = {"dialogs": [(scenario, [name]) for name, scenario in guide_pictures.DIALOG_PICTURES],
             "messages": guide_pictures.MESSAGE_PICTURES}
    return [(kind, [(os.path.join(guide_pictures.EXAMPLES, scenario),
                     [os.path.join(folder, name) for name in names])
                    for scenario, names in lists[kind]]) for kind in kinds]


def pages_problems(groups):
    """Where the pages' pictures of `groups` (as guide_windows gives them) are not PAGES_WINE's
    references, pixel for pixel: one line each."""
    problems = []
    kept = os.path.join(REFERENCES, f"wine-{PAGES_WINE}")
    for _, kind_groups in groups:
        for _, outputs in kind_groups:
            for output in outputs:
                name = os.path.basename(output)
                reference = os.path.join(kept, name)
                try:
                    with open(os.path.join(ROOT, "docs", "guide", name), "rb") as page, \
                            open(reference, "rb") as kept_file:
                        if png_pixels(page.read()) == png_pixels(kept_file.read()):
                            continue
                    why = "shows other pixels"
                except OSError as missing:
                    why = f"cannot be read ({missing.strerror}: {missing.filename})"
                problems.append(f"docs/guide/{name}, the pages' picture, is not Wine "
                                f"{PAGES_WINE}'s reference {os.path.relpath(reference, ROOT)}: "
                                f"one of them {why}; make both under Wine {PAGES_WINE} "
                                "(cmake --build --preset native --target guide_pictures "
                                "wine_references)")
    return problems


def references(arguments):
    """Takes the dialog's and the message boxes' pictures into the reference folder of the
    running Wine's major version; with --match, holds them to it instead (and the pages'
    pictures to PAGES_WINE's references). Returns the exit status."""
    major = wine_major()
    folder = os.path.join(arguments.folder, f"wine-{major}")
    shown = os.path.relpath(folder, ROOT) if folder.startswith(ROOT + os.sep) else folder
    groups = guide_windows([arguments.kind] if arguments.kind else ["dialogs", "messages"],
                           folder)
    problems = pages_problems(groups) if arguments.match else []
    for problem in problems:
        print(problem)
    if arguments.match and not os.path.isdir(folder):
        print(f"no reference pictures for Wine {major} yet ({shown} is missing): make them "
              f"under Wine {major} with `cmake --build --preset native --target "
              "wine_references`, look at them, and commit the folder")
        return 1
    winhost = built_winhost(arguments)
    pictures = []
    with session_of(arguments) as session, tempfile.TemporaryDirectory() as scratch:
        for kind, kind_groups in groups:
            take = dialog_pictures if kind == "dialogs" else message_box_pictures
            pictures += take(session, winhost, scratch, kind_groups)
    if not arguments.match:
        os.makedirs(folder, exist_ok=True)
    status = keep_pictures(arguments, pictures, REMAKE_REFERENCES)
    return 1 if problems else status


def no_display(arguments):
    winhost = built_winhost(arguments)
    with session_of(arguments) as session:
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


def prepare(arguments):
    try:
        prepare_prefix(arguments.prefix)
    except Skip as reason:
        if not arguments.in_build:
            raise
        print(f"no Wine prefix, so the Wine tests will skip: {reason}")
        return 0
    print(f"the Wine prefix {arguments.prefix} is ready")
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--win32-dir", default="build/win32", help="the Win32 build folder")
    parser.add_argument("--prefix", required=True, help="the Wine prefix to use")
    parser.add_argument("--session", metavar="FOLDER",
                        help="play in the shared session kept in this folder, when it runs")
    commands = parser.add_subparsers(dest="command", required=True)
    compare_command = commands.add_parser("compare", help="compare both hosts' transcripts")
    compare_command.add_argument("--native-host", required=True, help="lumbrel-host")
    compare_command.add_argument("--plugin", metavar="DLL",
                                 help="the DLL for lumbrel-winhost to play (default: the Win32 "
                                 "build's orvanelumbrel.dll)")
    compare_command.add_argument("scenarios", nargs="+",
                                 help="scenario files, or folders of them")
    picture_command = commands.add_parser(
        "picture", help="save the dialog's picture, or with --match compare it")
    picture_command.add_argument("items", nargs="+", metavar="SCENARIO OUT.png",
                                 help="each scenario, whose first dialog is shown, then the PNG "
                                 "file of its picture")
    messages_command = commands.add_parser(
        "message-pictures", help="save a picture of each message box shown, or with --match "
        "compare them")
    messages_command.add_argument("items", nargs="+", metavar="SCENARIO OUT.png...",
                                  help="each scenario that shows boxes, then the PNG file of "
                                  "each box it shows, in order")
    references_command = commands.add_parser(
        "references", help="take the pictures of the dialogs and the message boxes into the "
        "reference folder of the running Wine's major version, or with --match compare them")
    references_command.add_argument("kind", nargs="?", choices=("dialogs", "messages"),
                                    help="only these pictures (default: both kinds)")
    references_command.add_argument("--folder", default=REFERENCES,
                                    help="the folder of the reference folders, one for each "
                                    "major version of Wine, wine-N (default %(default)s)")
    for command in (picture_command, messages_command, references_command):
        command.add_argument("--match", action="store_true",
                             help="compare each picture, pixel for pixel, with the file of its "
                             "name instead of writing it; a difference fails")
        command.add_argument("--fresh-dir", default=os.path.join(tempfile.gettempdir(),
                                                                 "lumbrel-pictures"),
                             help="where --match keeps the pictures that differ (default "
                             "%(default)s)")
    no_display_command = commands.add_parser("no-display",
                                              help="check a run without a display fails plainly")
    no_display_command.add_argument("scenario", help="a scenario that shows the dialog")
    for name, text in (("session-start", "start the session that the tests of a run share"),
                       ("session-stop", "end the shared session")):
        commands.add_parser(name, help=text).add_argument(
            "--state", required=True, metavar="FOLDER", help="the folder that keeps the session")
    prepare_command = commands.add_parser(
        "prepare", help="make the Wine prefix, when it is not made already")
    prepare_command.add_argument("--in-build", action="store_true",
                                 help="where the prefix can't be made, say why and exit 0: the "
                                 "build goes on, and the tests skip")
    arguments = parser.parse_args()
    try:
        command = {"compare": compare, "picture": picture, "message-pictures": message_pictures,
                   "references": references, "no-display": no_display, "prepare": prepare,
                   "session-start": session_start, "session-stop": session_stop}
        return command[arguments.command](arguments)
    except Skip as reason:
        print(f"skipped: {reason}")
        return SKIP
    except Failed as reason:
        print(reason)
        return 1
    except ValueError as problem:
        parser.error(str(problem))
    except subprocess.TimeoutExpired as timeout:
        print(f"a host run took longer than {timeout.timeout} s: {' '.join(timeout.cmd)}")
        return 1


if __name__ == "__main__":
    sys.exit(main())
