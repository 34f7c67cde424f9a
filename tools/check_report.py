#!/usr/bin/env python3
"""What scripts/check reports at its end.

  check_report.py tests [--allow-skips] NAME=JUNIT.xml...
      each test run's counts, from the JUnit file CTest wrote (--output-junit), then every test
      that did not run, with the reason it gave. A test that did not run is not a pass: exit
      status 1 when any did not run, unless --allow-skips, which still names them; 1 as well
      when a file is missing or any test failed.
  check_report.py leftovers MARKER
      every process still running whose environment holds MARKER (the check's own variable,
      which every process its tests start inherits, Xvfb, Wine and browsers among them), once
      they have had a few seconds to end: each is named and killed, and the exit status is 1.
"""

import argparse
import os
import signal
import sys
import time
import xml.etree.ElementTree as ElementTree

GRACE = 10  # seconds for processes to end by themselves before they count as left running


def reason_given(case):
    """Why a test did not run: the last line its output gives for it, else CTest's word."""
    output = (case.findtext("system-out") or "").strip().splitlines()
    for line in reversed(output):
        if line.lower().startswith(("skipped", "skip:")):
            return line.strip()
    if output:
        return output[-1].strip()
    skipped = case.find("skipped")
    return skipped.get("message", "") if skipped is not None else case.get("status", "")


def tests(arguments):
    failed_files, not_run, failures = [], [], 0
    for given in arguments.runs:
        name, _, path = given.partition("=")
        try:
            cases = ElementTree.parse(path).getroot().iter("testcase")
        except (OSError, ElementTree.ParseError) as problem:
            failed_files.append(f"{name}: no results ({problem})")
            continue
        counts = {"passed": 0, "failed": 0, "did not run": 0}
        for case in cases:
            status = case.get("status")
            if status == "run":
                counts["passed"] += 1
            elif status == "fail":
                counts["failed"] += 1
            else:
                counts["did not run"] += 1
                not_run.append(f"{name}: {case.get('name')}: {reason_given(case)}")
        failures += counts["failed"]
        print(f"{name}: {counts['passed']} passed, {counts['failed']} failed, "
              f"{counts['did not run']} skipped")
    for line in failed_files:
        print(line)
    if not_run:
        print(f"{len(not_run)} tests did not run" +
              (" (allowed by --allow-skips):" if arguments.allow_skips else
               ", and a test that does not run is not a pass:"))
        for line in not_run:
            print(f"    {line}")
    return 1 if failed_files or failures or (not_run and not arguments.allow_skips) else 0


def marked_processes(marker):
    """The processes, other than this one and its ancestors, that are not zombies and whose
    environment holds `marker`: {pid: command line}."""
    ours, pid = set(), os.getpid()
    while pid > 1:
        ours.add(pid)
        try:
            with open(f"/proc/{pid}/stat", encoding="ascii", errors="replace") as stat:
                pid = int(stat.read().rsplit(")", 1)[1].split()[1])
        except (OSError, ValueError, IndexError):
            break
    found = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) in ours:
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as environ:
                if marker.encode() not in environ.read().split(b"\0"):
                    continue
            with open(f"/proc/{entry}/stat", encoding="ascii", errors="replace") as stat:
                if stat.read().rsplit(")", 1)[1].split()[0] == "Z":
                    continue
            with open(f"/proc/{entry}/cmdline", "rb") as cmdline:
                command = cmdline.read().replace(b"\0", b" ").decode(errors="replace").strip()
        except (OSError, IndexError):
            continue
        found[int(entry)] = command
    return found


def leftovers(arguments):
    deadline = time.monotonic() + GRACE
    found = marked_processes(arguments.marker)
    while found and time.monotonic() < deadline:
        time.sleep(0.5)
        found = marked_processes(arguments.marker)
    if not found:
        print("no process started by the tests is left running")
        return 0
    print(f"{len(found)} processes started by the tests were still running {GRACE} s after "
          "the tests ended, and are killed now:")
    for pid, command in sorted(found.items()):
        print(f"    {pid}: {command[:200]}")
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass
    return 1


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    tests_command = commands.add_parser("tests", help="the test runs' counts and skips")
    tests_command.add_argument("--allow-skips", action="store_true",
                               help="tests that did not run are named, and do not fail")
    tests_command.add_argument("runs", nargs="+", metavar="NAME=JUNIT.xml",
                               help="a test run's name and CTest's JUnit file of it")
    leftovers_command = commands.add_parser("leftovers", help="processes left running")
    leftovers_command.add_argument("marker", help="NAME=VALUE in the environment of each")
    arguments = parser.parse_args()
    return {"tests": tests, "leftovers": leftovers}[arguments.command](arguments)


if __name__ == "__main__":
    sys.exit(main())
