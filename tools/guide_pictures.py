#!/usr/bin/env python3
"""Makes the pictures of the user guide (docs/user-guide.md) into docs/guide/.

From the examples in examples/guide/:
  - the staff positions before and after a push, as SVG, drawn by tools/page_picture.py from
    what lumbrel-host says of the example score (`run --json`: its view, and the names as the
    dialog's instrument list shows them) and of the score after the push (`push --json`, or
    `run --json` of a scenario), each made from one entry of STAFF_PICTURES, which says what
    the picture shows;
  - the dialog and the six message boxes as PNG, from orvanelumbrel.dll under Wine 8, whose
    pictures the pages show, through tests/win32/winhost.py (`picture` and
    `message-pictures`); under another Wine they are not made.

  guide_pictures.py --host LUMBREL_HOST --win32-dir build/win32 --prefix PREFIX   all pictures
  guide_pictures.py --host LUMBREL_HOST --svg-only    the SVG pictures alone, without Wine
  guide_pictures.py --host LUMBREL_HOST --check
      the SVG pictures are as they are drawn today and show what their entries say; every
      picture the guide shows is there and made here, and every one made here is shown; the alt
      text of each staff picture names exactly the staves, the distance and the staff lists in
      which the picture's own data shows staves moving; the quick start's push is made from the
      dialog of the quick start's picture; README.md and the guide name exactly the files of the
      release archive (tools/release_archive.py ARCHIVE_FILES); the guide names one version,
      LUMBREL_VERSION of CMakeLists.txt, which the plug-in's menu entry names too; and the
      README's picture of the dialog is the guide's

`cmake --build --preset native --target guide_pictures` runs the first form.
"""

import argparse
import filecmp
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from typing import NamedTuple, Optional, Tuple

import page_picture
import release_archive

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXAMPLES = os.path.join(ROOT, "examples", "guide")
PICTURES = os.path.join(ROOT, "docs", "guide")
GUIDE = os.path.join(ROOT, "docs", "user-guide.md")
README_PICTURE = "dialog.png"  # docs/dialog.png, the README's: the guide's docs/guide/dialog.png
README = os.path.join(ROOT, "README.md")
CMAKELISTS = os.path.join(ROOT, "CMakeLists.txt")
WINHOST = os.path.join(ROOT, "tests", "win32", "winhost.py")
SVG = "{http://www.w3.org/2000/svg}"

SCORE = "quartet.json"
# the quick start's push: the dialog of its picture (the first of DIALOG_PICTURES), and OK
QUICK_START, QUICK_START_DIALOG = "quick-start.json", "dialog.json"


class StaffPicture(NamedTuple):
    """A picture of the example score's staff lists, and what it shows. Without staves, the
    score as it is; with them, a push of those staves (by their names in the instrument list)
    by `distance` EVPUs (+ up), to `scope` (the entry of "Staff systems to affect:"), in the
    optimized systems `systems` (first, last; None for all) with the smart filter on or off;
    or, with `scenario`, the push that scenario of examples/guide/ makes in the dialog, which
    the other fields then state. `moved_in` names the staff lists in which the staves move."""
    file: str
    staves: Tuple[str, ...] = ()
    distance: int = 0
    scope: str = ""
    systems: Optional[Tuple[int, int]] = None
    smart: int = 0
    moved_in: Tuple[str, ...] = ()
    scenario: str = ""


OPTIMIZED = "Optimized Staff Systems"
GLOBAL = "Global Staff Set"

STAFF_PICTURES = [
    StaffPicture("staff-lists.svg"),
    StaffPicture("quick-start.svg", ("Violin", "Cello"), -36, OPTIMIZED, systems=(1, 2),
                 smart=1, moved_in=("System 1",), scenario="quick-start.json"),
    StaffPicture("optimized-systems.svg", ("Violin", "Cello"), -36, OPTIMIZED, smart=0,
                 moved_in=("System 1", "System 2")),
    StaffPicture("selected-systems.svg", ("Violin",), 24, OPTIMIZED, systems=(2, 2), smart=1,
                 moved_in=("System 2",)),
    StaffPicture("global-staff-set.svg", ("Oboe",), 24, GLOBAL, moved_in=(GLOBAL,)),
    StaffPicture("staff-set.svg", ("Violin",), -48, "Staff Set #1", moved_in=("Staff Set #1",)),
    StaffPicture("missing-staff.svg", ("Oboe",), 24, OPTIMIZED, moved_in=("System 1",)),
]

# The dialog as it opens, under Wine: file, scenario.
DIALOG_PICTURES = [
    ("dialog.png", "dialog.json"),
    ("dialog-staff-set.png", "dialog-staff-set.json"),
    ("dialog-inches.png", "dialog-inches.json"),
]

# The message boxes, under Wine: scenario, and a file for each box it shows, in order.
MESSAGE_PICTURES = [
    ("no-staff-systems.json", ["message-no-staff-systems.png"]),
    ("messages.json", ["message-no-instruments.png", "message-distance-range.png",
                       "message-distance-zero.png", "message-range.png",
                       "message-conflicting-options.png"]),
]


def host_json(host, command, cwd=EXAMPLES):
    """What `lumbrel-host COMMAND --json` prints, read; RuntimeError when it fails."""
    done = subprocess.run([host] + command + ["--json"], cwd=cwd, capture_output=True,
                          check=False)
    if done.returncode != 0:
        raise RuntimeError(f"lumbrel-host {' '.join(command)} failed: "
                           f"{done.stderr.decode(errors='replace').strip()}")
    return json.loads(done.stdout)


def score_as_shown(host):
    """The example score as lumbrel-host reads it (its `view`), {staff number: name} as the
    plug-in's instrument list shows the names, and the plug-in's menu entry: the dialog opened
    once, and cancelled."""
    with tempfile.TemporaryDirectory() as folder:
        scenario = os.path.join(folder, "open.json")
        with open(scenario, "w", encoding="utf-8") as file:
            json.dump({"score": os.path.join(EXAMPLES, SCORE), "runs": [{}]}, file)
        transcript = host_json(host, ["run", scenario])
    view = transcript["score"]["view"]
    items = next(control["items"] for control in transcript["runs"][0]["opened"]["controls"]
                 if control["name"] == "IDC_INSTRUMENT_LIST")
    global_list = next(entry["entries"] for entry in view["staffLists"] if entry["number"] == 0)
    names = {entry["staff"]: name for entry, name in zip(global_list, items)}
    return view, names, transcript["menu"][0]["text"]


def scope_number(scope):
    """The push's --scope for an entry of "Staff systems to affect:"."""
    if scope == OPTIMIZED:
        return 1
    if scope == GLOBAL:
        return 2
    number = re.fullmatch(r"Staff Set #([1-8])", scope)
    if not number:
        raise ValueError(f"{scope!r} is not an entry of Staff systems to affect:")
    return int(number.group(1)) + 2


def host_command(picture, names):
    """The lumbrel-host command (without --json) whose score is the picture's after."""
    if picture.scenario:
        return ["run", picture.scenario]
    slots = list(names.values())  # the instrument list, in order
    positions = ",".join(str(slots.index(name)) for name in picture.staves)
    command = ["push", SCORE, "--staves", positions, "--distance", str(picture.distance),
               "--scope", str(scope_number(picture.scope))]
    if picture.systems:
        command += ["--first", str(picture.systems[0]), "--last", str(picture.systems[1])]
    return command + ["--smart", str(picture.smart)]


def picture_title(picture):
    """What the picture shows, in a line."""
    if not picture.staves:
        return "The staff lists of the example score"
    way = "up" if picture.distance > 0 else "down"
    systems = (f"systems {picture.systems[0]} to {picture.systems[1]}" if picture.systems else
               "all systems")
    where = (f"{picture.scope}, {systems}, smart filter {'on' if picture.smart else 'off'}"
             if picture.scope == OPTIMIZED else picture.scope)
    return f"{' and '.join(picture.staves)} pushed {way} by {abs(picture.distance)} EVPUs: {where}"


def draw_staff_pictures(host, folder):
    """Draws the staff pictures into `folder`; the problems, as lines for a person."""
    problems = []
    try:
        before, names, _ = score_as_shown(host)
    except RuntimeError as error:
        return [f"the example score: {error}"]
    for picture in STAFF_PICTURES:
        after = None
        if picture.staves:
            try:
                after = host_json(host, host_command(picture, names))["score"]["view"]
            except RuntimeError as error:
                problems.append(f"{picture.file}: {error}")
                continue
        with open(os.path.join(folder, picture.file), "w", encoding="utf-8",
                  newline="\n") as out:
            out.write(page_picture.draw(before, after, names, picture_title(picture)))
    return problems


def windows_picture_commands(win32_dir, prefix):
    """The commands of tests/win32/winhost.py that make the dialog pictures and the message
    box pictures under Wine."""
    driver = [sys.executable, WINHOST, "--win32-dir", win32_dir, "--prefix", prefix]
    dialogs = driver + ["picture"]
    for name, scenario in DIALOG_PICTURES:
        dialogs += [os.path.join(EXAMPLES, scenario), os.path.join(PICTURES, name)]
    messages = driver + ["message-pictures"]
    for scenario, names in MESSAGE_PICTURES:
        messages += [os.path.join(EXAMPLES, scenario)]
        messages += [os.path.join(PICTURES, name) for name in names]
    return {"dialogs": dialogs, "messages": messages}


def make_windows_pictures(win32_dir, prefix):
    """Saves the dialog and message box pictures from the DLL under Wine, and the README's
    picture of the dialog (the guide's first); the problems. The pages show Wine 8's pictures
    (tests/win32/winhost.py PAGES_WINE): under another Wine nothing is made."""
    sys.path.insert(0, os.path.dirname(WINHOST))
    import winhost  # pylint: disable=import-outside-toplevel
    try:
        major = winhost.wine_major()
    except winhost.Skip as reason:
        return [f"the pictures under Wine: not made ({reason})"]
    if major != winhost.PAGES_WINE:
        return [f"the pictures under Wine: not made, since the pages show Wine "
                f"{winhost.PAGES_WINE}'s and this is Wine {major} (its references for the tests: "
                "the wine_references target); --svg-only makes the staff pictures alone"]
    problems = []
    for what, command in windows_picture_commands(win32_dir, prefix).items():
        done = subprocess.run(command, capture_output=True, check=False)
        print(done.stdout.decode(errors="replace"), end="")
        if done.returncode != 0:
            problems.append(f"the {what}' pictures: not made "
                            f"({done.stdout.decode(errors='replace').strip()})")
    if not problems:
        shutil.copyfile(os.path.join(PICTURES, README_PICTURE), os.path.join(ROOT, "docs",
                                                                              README_PICTURE))
    return problems


def guide_pictures():
    """The pictures the guide shows: (alt text, path relative to docs/), in order."""
    with open(GUIDE, encoding="utf-8") as guide:
        text = guide.read()
    return re.findall(r"!\[([^\]]*)\]\(([^)\s]+)\)", text)


def moves_drawn(path, names):
    """What a staff picture's own data shows moving: the staves' names, the distances and the
    names of the lists they move in; and every list the picture names, drawn or noted."""
    root = ElementTree.parse(path).getroot()
    staves, distances, lists, named = set(), set(), set(), set()
    for group in root.iter(f"{SVG}g"):
        if group.get("class") != "staff-list":
            continue
        named.add(group.get("data-name"))
        named.update(re.findall(r"System \d+", "".join(group.find(f"{SVG}text").itertext())))
        for staff in group.iter(f"{SVG}g"):
            if "moved" in staff.get("class", "").split():
                staves.add(names.get(int(staff.get("data-staff")), staff.get("data-staff")))
                distances.add(int(staff.get("data-distance")))
                lists.add(group.get("data-name"))
    for note in root.iter(f"{SVG}text"):
        if note.get("class") == "note":
            named.update(re.findall(r"System \d+|Global Staff Set|Staff Set #\d", note.text))
    return staves, distances, lists, named


def alt_text_problems(picture, alt, path, names):
    """Where the entry of a staff picture or its alt text in the guide says otherwise than the
    picture's data shows."""
    problems = []
    staves, distances, lists, named = moves_drawn(path, names)
    where = f"docs/guide/{picture.file}"
    stated = (set(picture.staves), {picture.distance} if picture.staves else set(),
              set(picture.moved_in))
    if stated != (staves, distances, lists):
        problems.append(f"{where}: its entry says {sorted(stated[0])} move by "
                        f"{sorted(stated[1])} in {sorted(stated[2])}; the picture shows "
                        f"{sorted(staves)} moving by {sorted(distances)} in {sorted(lists)}")
    mentioned = {name for name in names.values()
                 if re.search(rf"\b{re.escape(name)}\b", alt, re.IGNORECASE)}
    if mentioned != staves:
        problems.append(f"{where}: the alt text names {sorted(mentioned) or 'no staff'}, the "
                        f"picture moves {sorted(staves) or 'no staff'}")
    said = {int(amount) * (1 if way == "up" else -1)
            for way, amount in re.findall(r"\b(up|down) by (\d+) EVPUs\b", alt)}
    if said != distances:
        problems.append(f"{where}: the alt text gives the distances {sorted(said)}, the "
                        f"picture {sorted(distances)} (in EVPUs, + up)")
    for name in sorted(lists):
        if name not in alt:
            problems.append(f"{where}: the alt text does not name {name}, where staves move")
    list_names = r"\b(?:system \d+|staff set #\d+|global staff (?:set|list))"
    for mention in re.findall(list_names, alt, re.IGNORECASE):
        if mention not in named:
            problems.append(f"{where}: the alt text names the staff list {mention!r}, which the "
                            f"picture names as one of {sorted(named)}")
    return problems


def archive_file_problems(path):
    """Where `path` says which files the release archive holds otherwise than the archive
    holds them: every sentence that names the archive and what it holds must name exactly its
    files, and their number when it gives one."""
    with open(path, encoding="utf-8") as document:
        text = document.read()
    where = os.path.relpath(path, ROOT)
    files = set(release_archive.ARCHIVE_FILES)
    sentences = re.findall(r"`lumbrel-[0-9][0-9a-z.]*-win32\.zip`.*?(?:\.(?=\s)|$)", text,
                           re.DOTALL)
    sentences = [sentence for sentence in sentences if re.search(r"\bholds\b", sentence)]
    if not sentences:
        return [f"{where} does not say which files the release archive holds"]
    problems = []
    counts = {"one": 1, "two": 2, "three": 3, "four": 4, "five": 5, "six": 6, "seven": 7}
    for sentence in sentences:
        named = set(re.findall(r"`([^`]+)`", sentence)[1:])
        if named != files:
            problems.append(f"{where}: the release archive holds {sorted(files)}, not "
                            f"{sorted(named)}: {' '.join(sentence.split())}")
        for word in re.findall(r"\b(\w+) files\b", sentence):
            if counts.get(word.lower(), len(files)) != len(files):
                problems.append(f"{where}: the release archive holds {len(files)} files, not "
                                f"{word}: {' '.join(sentence.split())}")
    return problems


def version_problems(menu):
    """Where the plug-in's menu entry (`menu`, as the host shows it), the guide or the README
    names another version than LUMBREL_VERSION of CMakeLists.txt, the release archive's and BUILDINFO's."""
    with open(CMAKELISTS, encoding="utf-8") as cmake:
        found = re.search(r"^set\(LUMBREL_VERSION ([^\s)]+)\)", cmake.read(), re.MULTILINE)
    if not found:
        return ["CMakeLists.txt sets no LUMBREL_VERSION"]
    version = found.group(1)
    problems = []
    if f"[v {version}]" not in menu:
        problems.append(f"the plug-in's menu entry {menu!r} does not name version {version}, "
                        "CMakeLists.txt's LUMBREL_VERSION")
    for page in (GUIDE, README):
        name = os.path.relpath(page, ROOT)
        with open(page, encoding="utf-8") as text:
            named = re.findall(r"lumbrel-([0-9][0-9a-z.]*)-win32\.zip|\[v ([^\]]+)\]|"
                               r"\b(?:Lumbrel|release|version) ([0-9][0-9a-z.]*[0-9a-z])",
                               text.read())
        named = [next(part for part in parts if part) for parts in named]
        if version not in named:
            problems.append(f"{name} does not name version {version}")
        for other in sorted(set(named) - {version}):
            problems.append(f"{name} names version {other}; the release is {version} "
                            "(CMakeLists.txt's LUMBREL_VERSION)")
    return problems


def quick_start_problems():
    """Where the quick start's scenario opens the dialog otherwise than the scenario of the
    dialog's picture, or does more in it than pressing OK."""
    scenarios = []
    for name in (QUICK_START, QUICK_START_DIALOG):
        with open(os.path.join(EXAMPLES, name), encoding="utf-8") as scenario:
            scenarios.append(json.load(scenario))
    pressed, shown = scenarios
    problems = []
    for part in ("score", "settings"):
        if pressed.get(part) != shown.get(part):
            problems.append(f"examples/guide/{QUICK_START}: its {part} is not "
                            f"{QUICK_START_DIALOG}'s, whose dialog the quick start shows")
    runs = [(run.get("region"), run.get("actions", [])) for run in pressed.get("runs", [])]
    if runs != [(shown["runs"][0].get("region"), [{"click": "IDOK"}])]:
        problems.append(f"examples/guide/{QUICK_START}: not one run from {QUICK_START_DIALOG}'s "
                        "selection that presses OK alone")
    return problems


def check(host):
    """Problems with the pictures as checked in, and with what the guide says of them."""
    problems = []
    made = {picture.file for picture in STAFF_PICTURES}
    made |= {name for name, _ in DIALOG_PICTURES}
    made |= {name for _, names in MESSAGE_PICTURES for name in names}
    shown = guide_pictures()
    problems += quick_start_problems()
    try:
        _, names, menu = score_as_shown(host)
    except RuntimeError as error:
        return problems + [f"the example score: {error}"]
    problems += version_problems(menu)
    with tempfile.TemporaryDirectory() as folder:
        problems += draw_staff_pictures(host, folder)
        for picture in STAFF_PICTURES:
            fresh = os.path.join(folder, picture.file)
            kept = os.path.join(PICTURES, picture.file)
            if os.path.isfile(fresh) and not (os.path.isfile(kept) and
                                              filecmp.cmp(fresh, kept, shallow=False)):
                problems.append(f"docs/guide/{picture.file} is not as lumbrel-host draws it now: "
                                "cmake --build --preset native --target guide_pictures")
            for alt, link in shown:
                if link == f"guide/{picture.file}" and os.path.isfile(fresh):
                    problems += alt_text_problems(picture, alt, fresh, names)
    for _, link in shown:
        if not os.path.isfile(os.path.join(os.path.dirname(GUIDE), link)):
            problems.append(f"the guide shows {link}, which is not there")
        elif not link.startswith("guide/") or os.path.basename(link) not in made:
            problems.append(f"the guide shows {link}, which no build target makes")
    for name in sorted(made - {os.path.basename(link) for _, link in shown}):
        problems.append(f"docs/guide/{name} is made but the guide does not show it")
    for document in (README, GUIDE):
        problems += archive_file_problems(document)
    if not filecmp.cmp(os.path.join(ROOT, "docs", README_PICTURE),
                       os.path.join(PICTURES, README_PICTURE), shallow=False):
        problems.append(f"docs/{README_PICTURE}, the README's, is not the guide's "
                        f"docs/guide/{README_PICTURE}")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--host", required=True, help="lumbrel-host")
    parser.add_argument("--win32-dir", help="the Win32 build, for the pictures under Wine")
    parser.add_argument("--prefix", help="the Wine prefix to use")
    mode = parser.add_mutually_exclusive_group()
    mode.add_argument("--check", action="store_true",
                      help="check the pictures checked in instead of making them")
    mode.add_argument("--svg-only", action="store_true",
                      help="make the SVG pictures alone, from lumbrel-host, leaving the PNGs")
    arguments = parser.parse_args()
    host = os.path.abspath(arguments.host)
    if arguments.check:
        problems = check(host)
    else:
        if not arguments.svg_only and (not arguments.win32_dir or not arguments.prefix):
            parser.error("making the pictures under Wine needs --win32-dir and --prefix "
                         "(or --svg-only)")
        os.makedirs(PICTURES, exist_ok=True)
        problems = draw_staff_pictures(host, PICTURES)
        if not arguments.svg_only:
            problems += make_windows_pictures(os.path.abspath(arguments.win32_dir),
                                              os.path.abspath(arguments.prefix))
    for problem in problems:
        print(problem)
    if not problems:
        print("the guide's pictures are " + ("as they should be" if arguments.check else
                                             f"in {os.path.relpath(PICTURES, ROOT)}"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
