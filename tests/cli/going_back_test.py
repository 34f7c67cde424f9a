#!/usr/bin/env python3
"""The user guide's way of taking a push back, played as an engraver plays it.

Each case is one life of the plug-in on the guide's example score (examples/guide/quartet.json),
played by `lumbrel-host run`: a push made in the dialog, then the push back as the guide's
"Taking a push back" says to make it: the same staves, the distance negated, the same entry of
"Staff systems to affect:", the same range of systems (the same selection, or the range typed)
and the same smart filter. The score written afterwards must be the score written before, byte
for byte; the push must have moved staves, and the push back must have saved the records the
push saved. One case makes the push back the way the guide warns against (without the selection
the push came from) and holds that the score then does not come back, so the warning stays true.

  going_back_test.py --host build/native/hostsim/lumbrel-host
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCORE = os.path.join(ROOT, "examples", "guide", "quartet.json")

# The instrument list of the example score: Flute 0, Oboe 1, Violin 2, Cello 3. "Staff systems
# to affect:" offers Optimized Staff Systems 1, Global Staff Set 2, Staff Set #1 3.
# the quick start's: the violin and the cello in measures 1 to 8, systems 1 and 2
SELECTION = {"staffList": 1, "firstSlot": 3, "lastSlot": 4, "firstMeasure": 1, "lastMeasure": 8}
VIOLIN_AND_CELLO_IN_SYSTEM_1 = {"staffList": 1, "firstSlot": 3, "lastSlot": 4,
                                "firstMeasure": 1, "lastMeasure": 4}
VIOLIN_IN_STAFF_SET_1 = {"staffList": -36, "firstSlot": 3, "lastSlot": 3,
                         "firstMeasure": 1, "lastMeasure": 4}


def distance(text):
    return {"type": ["IDC_DISTANCE", text]}


def systems(first, last):
    return [{"click": "IDC_SELECTED_SYSTEMS"}, {"type": ["IDC_FIRST_SYSTEM", first]},
            {"type": ["IDC_LAST_SYSTEM", last]}]


def run(actions, region=None, answers=()):
    """One invocation of the plug-in: from `region` (None: no selection), the user's actions in
    the dialog, and the answers to its questions."""
    return dict({"actions": actions, "answers": list(answers)},
                **({"region": region} if region else {}))


OK = {"click": "IDOK"}
SMART_FILTER = {"click": "IDC_SMART_FILTER"}

# name, the push, the push back, whether the score comes back
CASES = [
    ("optimized systems from a selection, smart filter on (the quick start)",
     run([distance("-36"), OK], SELECTION), run([distance("36"), OK], SELECTION), True),
    ("optimized systems from a selection, smart filter off",
     run([distance("-36"), SMART_FILTER, OK], SELECTION), run([distance("36"), OK], SELECTION),
     True),
    ("optimized systems without a selection, the range typed, smart filter off",
     run([{"select": [2, 3]}, distance("-36"), *systems("2", "2"), SMART_FILTER, OK]),
     run([{"select": [2, 3]}, distance("36"), *systems("2", "2"), OK]), True),
    ("optimized systems without a selection, all systems, smart filter on",
     run([{"select": [1]}, distance("24"), OK]), run([{"select": [1]}, distance("-24"), OK]),
     True),
    ("every staff with the smart filter ticked: Yes to going on without it, then the box is "
     "cleared",
     run([{"click": "IDC_ALL"}, distance("12"), OK], answers=["yes"]),
     run([{"click": "IDC_ALL"}, distance("-12"), OK]), True),
    ("the global staff set",
     run([{"select": [1]}, {"choose": 2}, distance("24"), OK]),
     run([{"select": [1]}, {"choose": 2}, distance("-24"), OK]), True),
    ("staff set #1, from a selection made while viewing it",
     run([distance("-48"), OK], VIOLIN_IN_STAFF_SET_1),
     run([distance("48"), OK], VIOLIN_IN_STAFF_SET_1), True),
    ("the push back made without the selection: all systems, so system 2 moves too",
     run([distance("-36"), SMART_FILTER, OK], VIOLIN_AND_CELLO_IN_SYSTEM_1),
     run([{"select": [2, 3]}, distance("36"), OK]), False),
]


def play(host, scenario, folder):
    """Plays `scenario` on the example score: (the transcript, the score file written after)."""
    path = os.path.join(folder, "scenario.json")
    out = os.path.join(folder, "score.json")
    with open(path, "w", encoding="utf-8") as file:
        json.dump(dict(scenario, score=SCORE), file)
    done = subprocess.run([host, "run", path, "--json", "--out", out], capture_output=True,
                          check=False)
    if done.returncode != 0:
        raise RuntimeError(f"lumbrel-host run failed: {done.stderr.decode(errors='replace')}")
    with open(out, "rb") as score:
        return json.loads(done.stdout), score.read()


def saved_keys(played):
    """The keys of the records that a played run saved, in order."""
    return [(save["tag"], save["number"], save["increment"]) for save in played["saves"]
            if save["stored"]]


def case_failures(host, name, push, back, comes_back):
    with tempfile.TemporaryDirectory() as folder:
        _, before = play(host, {"runs": []}, folder)
        transcript, after = play(host, {"runs": [push, back]}, folder)
    runs = transcript["runs"]
    failures = []
    for played, given, what in zip(runs, (push, back), ("the push", "the push back")):
        asked = [message["text"] for message in played["messages"]]
        if played["closedBy"] != "ok" or len(asked) != len(given["answers"]):
            failures.append(f"{what} did not end by OK with {len(given['answers'])} questions "
                            f"answered: closed by {played['closedBy']}, messages {asked}")
    if not saved_keys(runs[0]):
        failures.append("the push moved nothing")
    if comes_back and sorted(saved_keys(runs[1])) != sorted(saved_keys(runs[0])):
        failures.append(f"the push back saved {saved_keys(runs[1])}, the push "
                        f"{saved_keys(runs[0])}")
    if (after == before) != comes_back:
        failures.append("the score came back" if after == before else
                        "the score did not come back byte for byte")
    return [f"{name}: {failure}" for failure in failures]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--host", required=True, help="lumbrel-host")
    host = os.path.abspath(parser.parse_args().host)
    failures = []
    for name, push, back, comes_back in CASES:
        found = case_failures(host, name, push, back, comes_back)
        print(f"{'FAIL' if found else 'ok'}: {name}")
        failures += found
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
