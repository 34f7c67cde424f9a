#!/usr/bin/env python3
"""A person at `lumbrel-winhost.exe open`: real keystrokes and mouse clicks, under Wine and Xvfb.

  interactive.py --win32-dir DIR --prefix PREFIX --native-host LUMBREL_HOST CASE...

Each case starts `open` on an X display of its own, waits for its windows by polling the X
server over a connection of its own (python3-xlib), and works it with xdotool alone: keys and
clicks go through the X server, Wine and the Win32 dialog manager (mnemonics, tab order, the
default button, Escape, the up-down controls' arrow keys), never as a message sent to a
control. The same actions, written beside the keystrokes as scenario actions,
are then played by `lumbrel-host run`, and the case holds the two to the same result:

- the score that `open` saved (or none, when the person did not save), and the score that
  `lumbrel-host run --out` writes;
- the plug-in's settings in the Wine prefix's registry after the exit, and the transcript's
  `settings`;
- the captions of the message boxes the person answered during the invocations, and those of the
  transcript's `messages`.

Cases: keyboard, tab_order, message_boxes, mouse, session, host_errors. A missing tool or build
(Wine, Xvfb, xdotool, python3-xlib, the Win32 build) is a skip, exit status 77, with the reason.
Run it with Debian's Python (/usr/bin/python3), which sees python3-xlib.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from winhost import SKIP, Skip, WineSession, captured  # noqa: E402

try:
    from Xlib import X
    from Xlib.display import Display
    from Xlib.error import XError
except ImportError:
    Display = None

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
EXAMPLE = os.path.join(SOURCE, "examples", "score.json")
DIALOG_SCRIPT = os.path.join(SOURCE, "plugin", "dialog", "main_dialog.rc")
SETTINGS_KEY = r"HKCU\Software\OrvanePlugins\OrvaneLumbrel101"
TITLE = " - lumbrel-winhost"  # the main window's title: the score's file name, then this
WAIT = 30  # seconds for a window to come or go; it takes a fraction of one here
AGAIN = 20  # seconds without an answer to menu keys (seen late under emulation) before a retry
# seconds between two clicks on one spot, so that they stay two clicks: the test prefix's
# double-click time is 200 ms (tests/win32/winhost.py USER_SETTINGS)
DOUBLE_CLICK = 0.3


class Failure(Exception):
    """What the person met is not what the case expects."""


def dialog_template():
    """The dialog's controls in template order, from the resource script: their names and
    places in dialog units."""
    control = re.compile(r'^\s*CONTROL\s+"(?:[^"]|"")*",\s*(\w+),.*,\s*(\d+),\s*(\d+),\s*(\d+),'
                         r'\s*(\d+)\s*$')
    controls = []
    with open(DIALOG_SCRIPT, encoding="utf-8") as script:
        for line in script:
            found = control.match(line)
            if found:
                x, y, w, h = (int(found.group(i)) for i in range(2, 6))
                controls.append({"name": found.group(1), "x": x, "y": y, "w": w, "h": h})
    if len(controls) != 27:
        raise Failure(f"{DIALOG_SCRIPT}: {len(controls)} controls read, not 27")
    return controls


def mul_div(number, numerator, denominator):
    """Win32's MulDiv for the non-negative numbers of a dialog: rounded to nearest. A point
    between two dialog units (a control's centre) is placed as exactly as whole pixels allow."""
    return int((number * numerator + denominator / 2) // denominator)


def parse_region(text):
    fields = ("staffList", "firstSlot", "lastSlot", "firstMeasure", "lastMeasure")
    return dict(zip(fields, (int(part) for part in text.split(","))))


class Screen:
    """What the X display shows, asked over one connection of this process's own. Polled every
    few hundredths of a second: xdotool, started for each question, cost the display server and
    itself about 50 ms of processor time a question here, a core's worth while a case waited,
    which the emulated Wine programs then lacked."""

    def __init__(self, name):
        self.display = Display(name)
        self.root = self.display.screen().root
        self.utf8_name = self.display.intern_atom("_NET_WM_NAME")
        self.utf8 = self.display.intern_atom("UTF8_STRING")

    def close(self):
        self.display.close()

    def window(self, window):
        return self.display.create_resource_object("window", int(window))

    def windows_of(self, program):
        """The ids of the windows on the screen (mapped and viewable) whose WM_CLASS names
        `program`, as `xdotool search --onlyvisible --class` finds them."""
        found, waiting = [], [self.root]
        while waiting:
            try:
                children = waiting.pop().query_tree().children
            except XError:
                continue  # gone meanwhile
            for child in children:
                waiting.append(child)
                try:
                    if child.get_attributes().map_state != X.IsViewable:
                        continue
                    names = child.get_wm_class() or ()
                except XError:
                    continue
                if any(program in name for name in names):
                    found.append(str(child.id))
        return found

    def name(self, window):
        """The window's title; None when it is gone."""
        handle = self.window(window)
        try:
            title = handle.get_full_property(self.utf8_name, self.utf8)
            if title is not None:
                return title.value.decode("utf-8", errors="replace")
            name = handle.get_wm_name()
        except XError:
            return None
        return name.decode("latin-1") if isinstance(name, bytes) else (name or "")

    def geometry(self, window):
        """The window's place on the screen and size, {"X", "Y", "WIDTH", "HEIGHT"}; None when
        it is gone."""
        try:
            handle = self.window(window)
            size = handle.get_geometry()
            place = handle.translate_coords(self.root, 0, 0)
        except XError:
            return None
        return {"X": -place.x, "Y": -place.y, "WIDTH": size.width, "HEIGHT": size.height}

    def focus(self):
        """The top-level window with the keyboard focus (the focus window, or the nearest of its
        ancestors with a WM_CLASS), as `xdotool getwindowfocus` gives it; None when the focus is
        on no window or the root."""
        window = self.display.get_input_focus().focus
        try:
            while isinstance(window, type(self.root)) and window.id != self.root.id:
                if window.get_wm_class() is not None:
                    return str(window.id)
                window = window.query_tree().parent
        except XError:
            pass
        return None


class Desktop:
    """The X display and Wine prefix of one case, with the tools that work them."""

    def __init__(self, arguments, session, folder):
        self.session = session
        self.folder = folder
        self.winhost = os.path.join(arguments.win32_dir, "bin", "lumbrel-winhost.exe")
        self.plugin = os.path.join(arguments.win32_dir, "bin", "orvanelumbrel.dll")
        self.metrics_tool = os.path.join(arguments.win32_dir, "bin", "dialog_metrics.exe")
        self.native_host = arguments.native_host
        self.screen = Screen(session.display)
        self.template = dialog_template()
        self.metrics = None
        self.last_click = (None, 0.0)
        self.hosts = []  # the hosts started, ended at the end of the case if still running
        self.refocused = 0  # the times the focus had fallen off the host's windows

    def end_hosts(self):
        for process in self.hosts:
            if process.poll() is None:
                process.kill()
                process.wait()
        self.screen.close()

    def xdotool(self, *arguments, check=True):
        done = captured(["xdotool"] + [str(a) for a in arguments], self.session.env, timeout=WAIT)
        if check and done.returncode != 0:
            raise Failure(f"xdotool {' '.join(map(str, arguments))}: "
                          f"{done.stderr.decode(errors='replace').strip()}")
        return done.stdout.decode(errors="replace").strip() if done.returncode == 0 else None

    def focus(self):
        """The X window with the keyboard focus and its name; (None, None) when there is none."""
        window = self.screen.focus()
        if window is None:
            return None, None
        return window, self.screen.name(window)

    def set_settings(self, hex_value):
        """The plug-in's registry value before the case: none, or REG_BINARY bytes."""
        self.session.reg("delete", SETTINGS_KEY, "/f")
        if hex_value is not None:
            done = self.session.reg("add", SETTINGS_KEY, "/v", "UserDialog", "/t", "REG_BINARY",
                             "/d", hex_value, "/f")
            if done.returncode != 0:
                raise Failure(f"could not set the plug-in's settings: {done.stderr!r}")

    def settings(self):
        """The plug-in's registry value as lower-case hex; None when there is none."""
        done = self.session.reg("query", SETTINGS_KEY, "/v", "UserDialog")
        found = re.search(r"UserDialog\s+REG_BINARY\s+([0-9A-Fa-f]*)",
                          done.stdout.decode(errors="replace"))
        return found.group(1).lower() if done.returncode == 0 and found else None

    def dialog_metrics(self):
        """The dialog's base units, its client area's offset in its window and its list's entry
        height, as the dialog manager makes them on this display."""
        if self.metrics is None:
            done = self.session.run([self.metrics_tool, self.plugin])
            if done.returncode != 0:
                raise Failure(f"dialog_metrics.exe: {done.stderr.decode(errors='replace')}")
            self.metrics = json.loads(done.stdout)
        return self.metrics

    def control(self, name):
        for index, control in enumerate(self.template):
            if control["name"] == name:
                return index, control
        raise Failure(f"the dialog has no control {name}")

    def pixels(self, dialog, x, y):
        """The screen point of dialog units (x, y) in the open dialog."""
        metrics = self.dialog_metrics()
        base_x, base_y = metrics["baseUnits"]
        offset_x, offset_y = metrics["clientOffset"]
        geometry = self.screen.geometry(dialog)
        if geometry is None:
            raise Failure("the dialog went before the person could point at it")
        return (geometry["X"] + offset_x + mul_div(x, base_x, 4),
                geometry["Y"] + offset_y + mul_div(y, base_y, 8))

    def click_at(self, point, modifier=None):
        spot, when = self.last_click
        if spot == point and time.monotonic() - when < DOUBLE_CLICK:
            time.sleep(DOUBLE_CLICK - (time.monotonic() - when))
        command = ["mousemove", point[0], point[1], "click", 1]
        if modifier:
            command = ["keydown", modifier] + command + ["keyup", modifier]
        self.xdotool(*command)
        self.last_click = (point, time.monotonic())


class Person:
    """One start of `lumbrel-winhost.exe open`, worked by keys and clicks. Beside each thing the
    person does stand the scenario actions that do the same, collected into `runs`."""

    def __init__(self, desktop, score, out, region=None):
        self.desktop = desktop
        self.score = score
        self.out = out
        self.region = region
        self.runs = []
        self.boxes = []  # the captions of the boxes answered during the invocations
        self.main = None
        self.dialog = None
        self.seen = {}  # the host's X windows met so far: (name, width, height)
        command = ["wine", desktop.winhost, "open", score]
        if out:
            command += ["--out", out]
        if region:
            command += ["--region", region]
        self.stdout = tempfile.TemporaryFile()
        self.stderr = tempfile.TemporaryFile()
        self.process = subprocess.Popen(command, env=desktop.session.env,
                                        stdin=subprocess.DEVNULL, stdout=self.stdout,
                                        stderr=self.stderr)
        desktop.hosts.append(self.process)

    def error_output(self):
        self.stderr.seek(0)
        return self.stderr.read().decode(errors="replace")

    def wait_for(self, what, found):
        """Polls until `found()` gives something, and returns it."""
        deadline = time.monotonic() + WAIT
        while time.monotonic() < deadline:
            result = found()
            if result:
                return result
            if self.process.poll() is not None:
                raise Failure(f"lumbrel-winhost ended (status {self.process.returncode}) while "
                              f"the person waited for {what}: {self.error_output()[-400:]}")
            time.sleep(0.05)
        raise Failure(f"waited {WAIT} s for {what}; the focus is on {self.desktop.focus()}, "
                      f"the host's windows are {self.windows()}")

    def windows(self):
        """The host's windows on the screen, by X window: (name, width, height) as each first
        showed (the main window's title changes, but keeps its end)."""
        screen = self.desktop.screen
        shown = {}
        for window in screen.windows_of("lumbrel-winhost"):
            if window not in self.seen:
                name, geometry = screen.name(window), screen.geometry(window)
                if name is None or geometry is None:
                    continue  # gone meanwhile
                self.seen[window] = (name, geometry["WIDTH"], geometry["HEIGHT"])
            if self.seen[window][1] > 1:  # not Wine's input-method windows
                shown[window] = self.seen[window]
        return shown

    def find(self, what, test):
        """Polls until one of the host's windows on the screen passes `test(window, name,
        width, height)` while the keyboard's focus is on one of them (Wine hands keys to the
        window the host has activated, whichever of its X windows has the focus); returns it.

        Without a window manager, the X focus can fall to the screen's root as a window closes
        (seen under load), and keys then reach nobody. After half a second without the focus,
        the person clicks into the host's window on top, near its lower left corner, where
        none of the windows has a control, and Wine activates it again."""
        lost = []  # since when the focus is off the host's windows

        def look():
            shown = self.windows()
            focus, _ = self.desktop.focus()
            if focus not in shown:
                lost.append(time.monotonic())
                if shown and lost[-1] - lost[0] > 0.5:
                    self.click_into(self.on_top(shown))
                    lost.clear()
                return None
            lost.clear()
            for window, (name, width, height) in shown.items():
                if test(window, name, width, height):
                    return window
            return None
        return self.wait_for(what, look)

    def click_into(self, window):
        """Gives the focus back to `window`: a click into it, which makes it the active window
        for Wine, then the X focus set on it, as a window manager would (a click alone has been
        seen not to bring the X focus back under emulation, and the X focus alone leaves Wine's
        active window unset, so that keys go nowhere)."""
        place = self.desktop.screen.geometry(window)
        if place is not None:
            self.desktop.click_at((place["X"] + 6, place["Y"] + place["HEIGHT"] - 6))
            self.desktop.xdotool("windowfocus", window, check=False)
            self.desktop.refocused += 1

    @staticmethod
    def on_top(shown):
        """Of the host's windows on the screen, the one a person works now: a message box, else
        the dialog, else the main window."""
        def rank(window):
            name, width, height = shown[window]
            return 0 if name.endswith(TITLE) else 1 if name == "" else 2
        return max(shown, key=rank)

    def wait_for_main(self):
        """Polls until the main window alone is on the screen, with the focus."""
        def settled(window, name, width, height):
            return (name.endswith(TITLE) and self.desktop.focus()[0] == window and
                    len(self.windows()) == 1)
        self.main = self.find("the main window alone, with the focus", settled)
        return self.main

    def title(self):
        title = self.desktop.screen.name(self.main)
        if title is None:
            raise Failure("the main window went while the person read its title")
        return title

    def keys(self, *keys, does=()):
        self.desktop.xdotool("key", "--delay", 30, *keys)
        if does:
            self.runs[-1]["actions"].extend(does)

    def type(self, text, does=()):
        self.desktop.xdotool("type", "--delay", 30, "--", text)
        self.runs[-1]["actions"].extend(does)

    def open_dialog(self):
        """Alt+P, L: the Plug-ins menu, its Lumbrel entry; the dialog comes, without a caption."""
        self.menu("alt+p", "l")
        run = {"actions": [], "answers": []}
        if self.region:
            run["region"] = parse_region(self.region)
        self.runs.append(run)
        self.dialog = self.find("the plug-in's dialog", lambda window, name, width, height:
                                name == "" and width >= 300 and height >= 150)

    def box(self, key, answer=None, ends_host=False):
        """A message box comes; the person reads its caption and answers it with `key`, and it
        goes (unless the answer ends the host). A question's answer ("yes"/"no") goes into the
        scenario run."""
        box = self.find("a message box", lambda window, name, width, height:
                        name != "" and not name.endswith(TITLE))
        caption = self.windows().get(box, ("",))[0]
        if answer is not None:
            self.runs[-1]["answers"].append(answer)
        self.desktop.xdotool("key", key)
        if not ends_host:
            self.find("the message box to go", lambda window, name, width, height:
                      box not in self.windows())
        return caption

    def plugin_box(self, key, answer=None):
        self.boxes.append(self.box(key, answer))

    def dialog_closes(self):
        self.wait_for_main()
        self.dialog = None

    def click(self, name, does=(), modifier=None):
        """A click at the centre of a control, as the template places it."""
        _, control = self.desktop.control(name)
        self.desktop.click_at(self.desktop.pixels(self.dialog, control["x"] + control["w"] / 2,
                                                  control["y"] + control["h"] / 2), modifier)
        self.runs[-1]["actions"].extend(does)

    def click_entry(self, entry, does=(), modifier=None):
        """A click on entry `entry` of the instrument list, in the middle of its line."""
        _, control = self.desktop.control("IDC_INSTRUMENT_LIST")
        left, top = self.desktop.pixels(self.dialog, control["x"], control["y"])
        right, _ = self.desktop.pixels(self.dialog, control["x"] + control["w"], control["y"])
        height = self.desktop.dialog_metrics()["listItemHeight"]
        # inside the list's one-pixel border, left of its scroll bar
        self.desktop.click_at(((left + right) // 2 - 8, top + 1 + entry * height + height // 2),
                              modifier)
        self.runs[-1]["actions"].extend(does)

    def click_arrow(self, name, up, does=()):
        """A click on an up-down control's upper or lower arrow, a quarter of its height from
        its top or bottom. With UDS_ALIGNRIGHT the control moves to the right end of its buddy,
        the control before it, keeping its width."""
        index, spin = self.desktop.control(name)
        buddy = self.desktop.template[index - 1]
        x = buddy["x"] + buddy["w"] - spin["w"] / 2
        y = spin["y"] + spin["h"] * (0.25 if up else 0.75)
        self.desktop.click_at(self.desktop.pixels(self.dialog, x, y))
        self.runs[-1]["actions"].extend(does)

    def ended(self, after):
        """The host's exit status, once it has ended after `after`."""
        try:
            return self.process.wait(timeout=WAIT)
        except subprocess.TimeoutExpired:
            raise Failure(f"lumbrel-winhost did not end after {after}; the focus is on "
                          f"{self.desktop.focus()}") from None

    def menu(self, *keys):
        """From the main window alone, keys that open a menu and choose an entry, pressed until
        the host answers: it ends, or its windows change (the menu, a box, the dialog, the main
        window going as the host ends); the menu may come and go between two looks.

        Menu keys have been seen to go unanswered under emulation, the main window keeping the
        X focus: a person seeing nothing happen clicks into the window and presses them again."""
        for attempt in range(2):
            self.wait_for_main()
            if attempt:
                self.click_into(self.main)
                self.wait_for_main()
            self.desktop.xdotool("key", "--delay", 30, *keys)
            deadline = time.monotonic() + AGAIN
            shown = self.windows()
            while (self.process.poll() is None and time.monotonic() < deadline and
                   len(shown) == 1):
                time.sleep(0.05)
                shown = self.windows()
            if self.process.poll() is not None or len(shown) != 1:
                return

    def exit(self, answer_key=None):
        """File, Exit; with unsaved changes the host asks whether to save, answered by the key.
        The host must then end with status 0."""
        self.menu("alt+f", "x")
        if answer_key is not None:
            self.box(answer_key, ends_host=True)
        status = self.ended("File, Exit")
        if status != 0:
            raise Failure(f"lumbrel-winhost ended with status {status}: {self.error_output()}")


def compare(desktop, person, settings_before=None, saved=True):
    """The person's result against `lumbrel-host run` on the same actions as a scenario: the
    saved score, the settings in the registry, the message boxes' captions. Returns the
    transcript and the native host's saved score's path."""
    scenario = {"score": os.path.abspath(person.score), "runs": person.runs}
    if settings_before is not None:
        scenario["settings"] = {"hex": settings_before, "type": 3}
    path = os.path.join(desktop.folder, f"scenario-{len(os.listdir(desktop.folder))}.json")
    with open(path, "w", encoding="utf-8") as file:
        json.dump(scenario, file, indent=1)
    native_out = path.replace(".json", ".out.json")
    done = captured([desktop.native_host, "run", path, "--json", "--out", native_out])
    if done.returncode != 0:
        raise Failure(f"lumbrel-host run: {done.stderr.decode(errors='replace')}")
    transcript = json.loads(done.stdout)
    problems = []
    if saved:
        with open(person.out, encoding="utf-8") as mine, \
                open(native_out, encoding="utf-8") as theirs:
            if json.load(mine) != json.load(theirs):
                problems.append(f"the saved score differs from lumbrel-host's ({person.out}, "
                                f"{native_out})")
    elif os.path.exists(person.out):
        problems.append(f"{person.out} was written, though the person did not save")
    expected = (transcript["settings"] or {}).get("hex")
    if desktop.settings() != expected:
        problems.append(f"settings in the registry {desktop.settings()}, "
                        f"lumbrel-host's {expected}")
    captions = [message["caption"] for run in transcript["runs"] for message in run["messages"]]
    if person.boxes != captions:
        problems.append(f"message boxes {person.boxes}, lumbrel-host's {captions}")
    if problems:
        raise Failure("; ".join(problems) + f"\nthe scenario: {json.dumps(scenario)}")
    return transcript, native_out


def score_in_inches(desktop):
    """The bundled example, its measurement unit inches."""
    with open(EXAMPLE, encoding="utf-8") as file:
        score = json.load(file)
    score["measurementUnit"] = 2
    path = os.path.join(desktop.folder, "inches.json")
    with open(path, "w", encoding="utf-8") as file:
        json.dump(score, file)
    return path


def case_keyboard(desktop):
    """Keyboard alone: mnemonics, the list's arrow keys, the selection buttons, typing, the
    spin's arrow keys, the scope list's arrow keys, Space on a check box, Tab past disabled
    controls, Enter for OK, Escape; the error box answered by Enter, the question by N, the
    exit question by Y."""
    desktop.set_settings(None)
    out = os.path.join(desktop.folder, "out.json")
    p = Person(desktop, EXAMPLE, out)
    p.open_dialog()
    # Alt+I: the label's mnemonic puts the focus on the list; Down selects the next entry alone
    p.keys("alt+i", "Down", "shift+Down", does=[{"select": [1, 2]}])
    # Alt+P: the group box's mnemonic puts the focus on the distance field, its text selected
    p.keys("alt+p")
    p.type("-12", does=[{"type": ["IDC_DISTANCE", "-12"]}])
    p.keys("Up", "Up", "Up", "Down", does=[{"spin": ["IDC_DISTANCE_SPIN", "up"]}] * 3 +
           [{"spin": ["IDC_DISTANCE_SPIN", "down"]}])
    p.keys("alt+s", "Down", "Down", "Up", does=[{"choose": 2}, {"choose": 3}, {"choose": 2}])
    p.keys("Tab", "space", does=[{"click": "IDC_UPDATE_LAYOUT"}])
    # the global staff set disables the radio group, the range and the smart filter: Tab skips
    # them all, to OK, which Space presses
    p.keys("Tab", "space", does=[{"click": "IDOK"}])
    p.dialog_closes()
    p.wait_for("the title to mark the unsaved change", lambda: p.title().startswith("*"))

    p.open_dialog()
    p.keys("alt+i", "Down", "Down", does=[{"select": [2]}])
    p.keys("alt+b", does=[{"click": "IDC_BELOW"}])
    p.keys("alt+n", does=[{"click": "IDC_NONE"}])
    # the focus is on "None" now, yet Enter presses the default button, OK
    p.keys("Return", does=[{"click": "IDOK"}])
    p.plugin_box("Return")  # there are no instruments selected
    p.keys("alt+l", does=[{"click": "IDC_ALL"}])
    p.keys("alt+s", "Up", does=[{"choose": 1}])
    p.keys("Return", does=[{"click": "IDOK"}])
    p.plugin_box("n", answer="no")  # all staves with the smart filter: No stays in the dialog
    p.keys("alt+f", does=[{"click": "IDC_SMART_FILTER"}])
    p.keys("alt+a", does=[{"click": "IDC_ABOVE"}])
    p.keys("Return", does=[{"click": "IDOK"}])
    p.dialog_closes()

    p.open_dialog()
    p.keys("Escape")  # as the host's Escape after the actions
    p.dialog_closes()
    p.exit("y")
    compare(desktop, p)


def case_tab_order(desktop):
    """Tab from the list visits the template's tab stops in order, the radio group at its
    checked button, and wraps to the list; Shift+Tab goes back. Each landing shows by what Space,
    typing or an arrow key then does. The score is in inches: the spin steps one EVPU."""
    desktop.set_settings(None)
    score = score_in_inches(desktop)
    out = os.path.join(desktop.folder, "out.json")
    # slots 1 and 2 of system 1's own list, measures 1 to 8: systems 1 and 2
    p = Person(desktop, score, out, region="1,1,2,1,8")
    p.open_dialog()
    # list, Above, Below, All, None, the distance field
    p.keys("alt+i", "Tab", "Tab", "Tab", "Tab", "Tab")
    p.type("0.5", does=[{"type": ["IDC_DISTANCE", "0.5"]}])
    p.keys("Up", does=[{"spin": ["IDC_DISTANCE_SPIN", "up"]}])
    p.keys("Tab", "Down", "Up", does=[{"choose": 2}, {"choose": 1}])  # the scope list
    p.keys("Tab", "space", does=[{"click": "IDC_UPDATE_LAYOUT"}])
    # the radio group is entered at its checked button, "Selected staff systems"; Space clicks
    # it, and the plug-in puts the focus on the first system with its text selected
    p.keys("Tab", "space", does=[{"click": "IDC_SELECTED_SYSTEMS"}])
    p.type("2", does=[{"type": ["IDC_FIRST_SYSTEM", "2"]}])
    # back to the radio group, and on to the first system
    p.keys("shift+Tab", "Tab")
    p.type("3", does=[{"type": ["IDC_FIRST_SYSTEM", "3"]}])
    p.keys("Down", does=[{"spin": ["IDC_FIRST_SYSTEM_SPIN", "down"]}])
    p.keys("Tab")
    p.type("4", does=[{"type": ["IDC_LAST_SYSTEM", "4"]}])
    p.keys("Down", does=[{"spin": ["IDC_LAST_SYSTEM_SPIN", "down"]}])
    p.keys("Tab", "space", does=[{"click": "IDC_SMART_FILTER"}])
    # OK, Cancel, and round to the list, where Down selects the entry after the current one
    p.keys("Tab", "Tab", "Tab", "Down", does=[{"select": [2]}])
    p.keys("shift+Tab", "shift+Tab", "space", does=[{"click": "IDOK"}])  # Cancel, OK
    p.dialog_closes()
    p.keys("ctrl+s")
    p.exit()  # saved: no question
    compare(desktop, p)


def case_message_boxes(desktop):
    """Every check on OK answered by Enter, the focus where each leaves it, the question
    answered by Y; the exit question answered by Escape (stay), then N (leave unsaved)."""
    desktop.set_settings(None)
    out = os.path.join(desktop.folder, "out.json")
    p = Person(desktop, EXAMPLE, out)
    p.open_dialog()
    p.keys("alt+l", does=[{"click": "IDC_ALL"}])
    p.keys("alt+p")
    p.type("600", does=[{"type": ["IDC_DISTANCE", "600"]}])
    p.keys("Return", does=[{"click": "IDOK"}])
    p.plugin_box("Return")  # out of range: the focus on the distance, its text selected
    p.type("0", does=[{"type": ["IDC_DISTANCE", "0"]}])
    p.keys("Return", does=[{"click": "IDOK"}])
    p.plugin_box("Return")  # zero
    p.type("7", does=[{"type": ["IDC_DISTANCE", "7"]}])
    p.keys("alt+y", does=[{"click": "IDC_SELECTED_SYSTEMS"}])  # the focus on the first system
    p.type("3", does=[{"type": ["IDC_FIRST_SYSTEM", "3"]}])
    p.keys("Tab")
    p.type("9", does=[{"type": ["IDC_LAST_SYSTEM", "9"]}])
    p.keys("Return", does=[{"click": "IDOK"}])
    p.plugin_box("Return")  # beyond the last system: the focus on the last system
    p.type("2", does=[{"type": ["IDC_LAST_SYSTEM", "2"]}])
    p.keys("Return", does=[{"click": "IDOK"}])
    p.plugin_box("Return")  # the first above the last: the focus on the first system
    p.type("1", does=[{"type": ["IDC_FIRST_SYSTEM", "1"]}])
    p.keys("Return", does=[{"click": "IDOK"}])
    p.plugin_box("y", answer="yes")  # all staves with the smart filter: Yes pushes without it
    p.dialog_closes()
    p.menu("alt+f", "x")
    p.box("Escape")  # Cancel: the window stays
    p.exit("n")
    compare(desktop, p, saved=False)


def case_mouse(desktop):
    """Clicks at the centres of the controls, from the template's dialog units and the dialog's
    own base units: list entries (Ctrl adds one), buttons, the up-down arrows, check boxes,
    radio buttons, OK. Ctrl+S saves, and the exit asks nothing."""
    desktop.set_settings(None)
    out = os.path.join(desktop.folder, "out.json")
    # slots 2 and 3 of system 1's own list, measures 1 to 8: systems 1 and 2
    p = Person(desktop, EXAMPLE, out, region="1,2,3,1,8")
    p.open_dialog()
    p.click_entry(1, does=[{"select": [1]}])
    p.click_entry(3, modifier="ctrl", does=[{"select": [1, 3]}])
    p.click_entry(4, modifier="ctrl", does=[{"select": [1, 3, 4]}])
    for up in (True, True, True, False):
        p.click_arrow("IDC_DISTANCE_SPIN", up,
                      does=[{"spin": ["IDC_DISTANCE_SPIN", "up" if up else "down"]}])
    p.click("IDOK", does=[{"click": "IDOK"}])
    p.dialog_closes()

    p.open_dialog()
    p.click("IDC_NONE", does=[{"click": "IDC_NONE"}])
    p.click("IDC_ALL", does=[{"click": "IDC_ALL"}])
    p.click("IDC_BELOW", does=[{"click": "IDC_BELOW"}])
    p.click("IDC_ABOVE", does=[{"click": "IDC_ABOVE"}])
    p.click_arrow("IDC_SCOPE_SPIN", False, does=[{"spin": ["IDC_SCOPE_SPIN", "down"]}])
    p.click_arrow("IDC_SCOPE_SPIN", True, does=[{"spin": ["IDC_SCOPE_SPIN", "up"]}])
    p.click("IDC_UPDATE_LAYOUT", does=[{"click": "IDC_UPDATE_LAYOUT"}])
    p.click("IDC_ALL_SYSTEMS", does=[{"click": "IDC_ALL_SYSTEMS"}])
    p.click("IDC_SELECTED_SYSTEMS", does=[{"click": "IDC_SELECTED_SYSTEMS"}])
    p.click_arrow("IDC_LAST_SYSTEM_SPIN", True, does=[{"spin": ["IDC_LAST_SYSTEM_SPIN", "up"]}])
    p.click_arrow("IDC_LAST_SYSTEM_SPIN", True, does=[{"spin": ["IDC_LAST_SYSTEM_SPIN", "up"]}])
    p.click_arrow("IDC_FIRST_SYSTEM_SPIN", True,
                  does=[{"spin": ["IDC_FIRST_SYSTEM_SPIN", "up"]}])
    p.click("IDC_SMART_FILTER", does=[{"click": "IDC_SMART_FILTER"}])
    p.click("IDOK", does=[{"click": "IDOK"}])
    p.dialog_closes()
    p.keys("ctrl+s")
    p.exit()
    compare(desktop, p)


def case_session(desktop):
    """Two invocations and an Escape in one session, then Exit: the second dialog opens with
    the first one's choices (Enter alone pushes again by the same distance); the registry holds
    them after the exit, and the next start of the host opens with them."""
    desktop.set_settings(None)
    first_out = os.path.join(desktop.folder, "first.json")
    p = Person(desktop, EXAMPLE, first_out, region="1,1,2,1,4")
    p.open_dialog()
    p.keys("alt+p")
    p.type("36", does=[{"type": ["IDC_DISTANCE", "36"]}])
    p.keys("alt+u", "alt+f", does=[{"click": "IDC_UPDATE_LAYOUT"}, {"click": "IDC_SMART_FILTER"}])
    p.keys("Return", does=[{"click": "IDOK"}])
    p.dialog_closes()
    p.open_dialog()
    p.keys("Return", does=[{"click": "IDOK"}])
    p.dialog_closes()
    p.open_dialog()
    p.keys("Escape")
    p.dialog_closes()
    p.exit("y")
    transcript, native_first = compare(desktop, p)

    second_out = os.path.join(desktop.folder, "second.json")
    again = Person(desktop, first_out, second_out, region="2,1,1,5,8")
    again.open_dialog()
    again.keys("Return", does=[{"click": "IDOK"}])
    again.dialog_closes()
    again.exit("y")
    # lumbrel-host starts where the first session ended: its score and its settings
    again.score = native_first
    compare(desktop, again, settings_before=transcript["settings"]["hex"])


def case_host_errors(desktop):
    """The host's own errors: a score file that can't be read and a bad --region, each in a
    message box answered by Enter and on standard error, exit status 2; the plug-in's error
    box for a score without staff systems, owned by the main window; no display at all."""
    bad = os.path.join(desktop.folder, "bad.json")
    with open(bad, "w", encoding="utf-8") as file:
        file.write('{"staves": 3}\n')
    for score, region, reason in ((bad, None, "/staves"),
                                  (EXAMPLE, "1,2,3", "expected five whole numbers")):
        p = Person(desktop, score, None, region=region)
        caption = p.find("the error box", lambda window, name, width, height:
                         name == "lumbrel-winhost")
        desktop.xdotool("key", "Return")
        status = p.ended("its error box was answered")
        if status != 2 or reason not in p.error_output():
            raise Failure(f"status {status}, standard error {p.error_output()!r}, expected 2 "
                          f"and {reason!r} (box {caption})")

    desktop.set_settings("2400")
    empty = os.path.join(desktop.folder, "empty.json")
    with open(empty, "w", encoding="utf-8") as file:
        file.write("{}\n")
    p = Person(desktop, empty, os.path.join(desktop.folder, "out.json"))
    p.menu("alt+p", "l")
    p.runs.append({"actions": [], "answers": []})
    p.boxes.append(p.box("Return"))
    p.exit()  # nothing changed: no question
    compare(desktop, p, settings_before="2400", saved=False)

    env = {name: value for name, value in desktop.session.env.items() if name != "DISPLAY"}
    done = captured(["wine", desktop.winhost, "open", EXAMPLE], env)
    if done.returncode != 2 or b"is there a display?" not in done.stderr:
        raise Failure(f"without a display: status {done.returncode}, {done.stderr[-300:]!r}")


CASES = {name[len("case_"):]: function for name, function in globals().items()
         if name.startswith("case_")}


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--win32-dir", required=True, help="the Win32 build folder")
    parser.add_argument("--prefix", required=True, help="the Wine prefix to use")
    parser.add_argument("--session", metavar="FOLDER",
                        help="play in the shared session kept in this folder, when it runs")
    parser.add_argument("--native-host", required=True, help="lumbrel-host")
    parser.add_argument("cases", nargs="+", choices=sorted(CASES), help="the cases to run")
    arguments = parser.parse_args()
    try:
        if shutil.which("xdotool") is None:
            raise Skip("xdotool is not installed (scripts/bootstrap installs it)")
        if Display is None:
            raise Skip(f"python3-xlib is missing for {sys.executable} (scripts/bootstrap "
                       "installs it for /usr/bin/python3)")
        for needed in ("lumbrel-winhost.exe", "orvanelumbrel.dll", "dialog_metrics.exe"):
            if not os.path.isfile(os.path.join(arguments.win32_dir, "bin", needed)):
                raise Skip(f"{needed} is not built (cmake --preset win32 && cmake --build "
                           "--preset win32)")
        failed = 0
        with WineSession(arguments.prefix, arguments.session, arguments.win32_dir) as session:
            for name in arguments.cases:
                started = time.monotonic()
                with tempfile.TemporaryDirectory() as folder:
                    desktop = None
                    try:
                        desktop = Desktop(arguments, session, folder)
                        CASES[name](desktop)
                        refocused = (f", clicked {desktop.refocused} time(s) into a window "
                                     "that had lost the focus" if desktop.refocused else "")
                        print(f"passed  {name} ({time.monotonic() - started:.1f} s{refocused})")
                    except Failure as failure:
                        failed += 1
                        print(f"FAILED  {name} ({time.monotonic() - started:.1f} s): {failure}")
                    finally:
                        if desktop is not None:
                            desktop.end_hosts()
        return 1 if failed else 0
    except Skip as reason:
        print(f"skipped: {reason}")
        return SKIP


if __name__ == "__main__":
    sys.exit(main())
