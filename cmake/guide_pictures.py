#!/usr/bin/env python3
"""Makes the pictures of the user guide (docs/user-guide.md) into docs/guide/.

From the examples in examples/guide/:
  - the staff positions before and after a push, as SVG, from `lumbrel-host push --svg`
    (and the example score's staff lists, from `lumbrel-host show --svg`);
  - the dialog and the six message boxes as PNG, from orvanelumbrel.dll under Wine, through
    tests/win32/winhost.py (`picture` and `message-pictures`).

  guide_pictures.py --host LUMBREL_HOST --win32-dir build/win32 --prefix PREFIX   all pictures
  guide_pictures.py --host LUMBREL_HOST --check   the SVG pictures are as the host draws them
                                                  today, and every picture the guide shows is
                                                  there

`cmake --build --preset native --target guide_pictures` runs the first form.
"""

import argparse
import filecmp
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXAMPLES = os.path.join(ROOT, "examples", "guide")
PICTURES = os.path.join(ROOT, "docs", "guide")
GUIDE = os.path.join(ROOT, "docs", "user-guide.md")
WINHOST = os.path.join(ROOT, "tests", "win32", "winhost.py")

SCORE = "quartet.json"

# The pictures drawn by lumbrel-host: file, and the command on the example score.
STAFF_PICTURES = [
    ("staff-lists.svg", ["show", SCORE]),
    ("optimized-systems.svg",
     ["push", SCORE, "--staves", "2,3", "--distance", "-36", "--scope", "1", "--smart", "0"]),
    ("smart-filter.svg",
     ["push", SCORE, "--staves", "2,3", "--distance", "-36", "--scope", "1", "--smart", "1"]),
    ("selected-systems.svg",
     ["push", SCORE, "--staves", "2", "--distance", "24", "--scope", "1", "--first", "2",
      "--last", "2", "--smart", "1"]),
    ("global-staff-set.svg", ["push", SCORE, "--staves", "1", "--distance", "24", "--scope", "2"]),
    ("staff-set.svg", ["push", SCORE, "--staves", "3", "--distance", "-48", "--scope", "3"]),
    ("missing-staff.svg", ["push", SCORE, "--staves", "1", "--distance", "24", "--scope", "1"]),
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


def draw_staff_pictures(host, folder):
    """Draws the staff pictures into `folder`; the problems, as lines for a person."""
    problems = []
    for name, command in STAFF_PICTURES:
        done = subprocess.run([host] + command + ["--svg", os.path.join(folder, name)],
                              cwd=EXAMPLES, capture_output=True, check=False)
        if done.returncode != 0:
            problems.append(f"{name}: lumbrel-host {' '.join(command)} failed: "
                            f"{done.stderr.decode(errors='replace').strip()}")
    return problems


def make_windows_pictures(win32_dir, prefix):
    """Saves the dialog and message box pictures from the DLL under Wine; the problems."""
    driver = [sys.executable, WINHOST, "--win32-dir", win32_dir, "--prefix", prefix]
    runs = [(name, driver + ["picture", os.path.join(PICTURES, name),
                             os.path.join(EXAMPLES, scenario)])
            for name, scenario in DIALOG_PICTURES]
    runs += [(", ".join(names), driver + ["message-pictures", os.path.join(EXAMPLES, scenario)]
              + [os.path.join(PICTURES, name) for name in names])
             for scenario, names in MESSAGE_PICTURES]
    problems = []
    for what, command in runs:
        done = subprocess.run(command, capture_output=True, check=False)
        print(done.stdout.decode(errors="replace"), end="")
        if done.returncode != 0:
            problems.append(f"{what}: not made ({done.stdout.decode(errors='replace').strip()})")
    return problems


def guide_pictures():
    """The pictures the guide shows, as paths relative to docs/."""
    with open(GUIDE, encoding="utf-8") as guide:
        text = guide.read()
    return re.findall(r"!\[[^\]]*\]\(([^)\s]+)\)", text)


def check(host):
    """Problems with the pictures as checked in."""
    problems = []
    with tempfile.TemporaryDirectory() as folder:
        problems += draw_staff_pictures(host, folder)
        for name, _ in STAFF_PICTURES:
            fresh = os.path.join(folder, name)
            kept = os.path.join(PICTURES, name)
            if os.path.isfile(fresh) and not (os.path.isfile(kept) and
                                              filecmp.cmp(fresh, kept, shallow=False)):
                problems.append(f"docs/guide/{name} is not as lumbrel-host draws it now: "
                                "cmake --build --preset native --target guide_pictures")
    made = {name for name, _ in STAFF_PICTURES + DIALOG_PICTURES}
    made |= {name for _, names in MESSAGE_PICTURES for name in names}
    shown = guide_pictures()
    for link in shown:
        if not os.path.isfile(os.path.join(os.path.dirname(GUIDE), link)):
            problems.append(f"the guide shows {link}, which is not there")
        elif not link.startswith("guide/") or os.path.basename(link) not in made:
            problems.append(f"the guide shows {link}, which no build target makes")
    for name in sorted(made - {os.path.basename(link) for link in shown}):
        problems.append(f"docs/guide/{name} is made but the guide does not show it")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--host", required=True, help="lumbrel-host")
    parser.add_argument("--win32-dir", help="the Win32 build, for the pictures under Wine")
    parser.add_argument("--prefix", help="the Wine prefix to use")
    parser.add_argument("--check", action="store_true",
                        help="check the pictures checked in instead of making them")
    arguments = parser.parse_args()
    host = os.path.abspath(arguments.host)
    if arguments.check:
        problems = check(host)
    else:
        if not arguments.win32_dir or not arguments.prefix:
            parser.error("making the pictures needs --win32-dir and --prefix")
        os.makedirs(PICTURES, exist_ok=True)
        problems = draw_staff_pictures(host, PICTURES)
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
