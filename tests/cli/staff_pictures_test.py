#!/usr/bin/env python3
"""lumbrel-host --svg as a user types it: `show SCORE --svg`, `push ... --svg`, `run ... --svg`.

Each picture is read back with a real XML parser and held to the score it was drawn from: one
column per staff list in the order systems, Global Staff Set, Staff Sets, in rows of at most
four columns (two lists before and after, or four alone), one row under the other; in each
column one line per entry, at a height that follows the entry's position on one scale for the
whole picture (each row from its own top), labelled with the staff's name as the instrument list
shows it; for push and run the lists before and after side by side, the moved staves marked with
their distance. The scores are made here, at random from a fixed seed, with names that are hard
to carry into XML.

  staff_pictures_test.py --host build/native/hostsim/lumbrel-host [unittest arguments]
"""

import argparse
import json
import os
import random
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

SVG = "{http://www.w3.org/2000/svg}"
HOST = None

INT32_MIN, INT32_MAX = -2**31, 2**31 - 1


def list_order(number):
    """The order of the columns: systems' own lists, the global list, staff sets, the rest."""
    if number > 0:
        return (0, number)
    if number == 0:
        return (1, 0)
    return (2, number) if -36 <= number <= -29 else (3, number)


def shown_name(staff):
    """What the instrument list shows for a staff of a score made here."""
    name = staff.get("shown")
    if name is None:
        return f"[Staff {staff['number']}]"
    return name + (" (hidden)" if staff.get("hidden") else "")


def random_score(rng):
    """A score with optimized and plain systems, a global list and some staff sets, every list
    holding some of the staves in some order at random positions. Staves carry their expected
    display name in "shown", which is taken out before the score is written."""
    staves = []
    for number in range(1, rng.randint(3, 9)):
        staff = {"number": number, "hidden": rng.random() < 0.2}
        if rng.random() < 0.8:
            plain = rng.choice(["Flute", "Oboe", "Clarinet in B♭", "Horn 1 & 2", "Tuba",
                                "Violin <div>", "Viola \"solo\"", "Cello's part"])
            staff["shown"] = f"{plain} {number}"
            staff["name"] = rng.choice(["", "^fontTxt(Times,4096)", "^size(12)^nfx(0)"]) + \
                staff["shown"]
        staves.append(staff)
    lists = []
    for number in [0] + list(range(1, rng.randint(2, 6))) + rng.sample(range(-36, -28), 2):
        chosen = rng.sample(staves, rng.randint(1, len(staves)))
        position = rng.randint(-50, 50)
        entries = []
        for staff in chosen:
            entries.append({"staff": staff["number"], "position": position})
            position -= rng.choice([0, 12, 96, 240, 288, 300])
        lists.append({"number": number, "entries": entries})
    systems = [{"firstMeasure": 1 + 4 * i, "endMeasure": 5 + 4 * i, "optimized": i != 1}
               for i in range(max(entry["number"] for entry in lists))]
    return {"measurementUnit": 1, "systems": systems, "staves": staves, "staffLists": lists}


def score_file(score):
    """The score as its file holds it: without the expected names."""
    staves = [{key: value for key, value in staff.items() if key != "shown"}
              for staff in score.get("staves", [])]
    return dict(score, staves=staves)


def host(*arguments):
    done = subprocess.run([HOST] + [str(a) for a in arguments], capture_output=True, check=False)
    return done.returncode, done.stdout, done.stderr.decode(errors="replace")


def staff_marks(column):
    """The staves drawn in a column: (group attributes, line, name text, distance text)."""
    marks = []
    for group in column.findall(f"{SVG}g"):
        if "staff" not in group.get("class", "").split():
            continue
        lines = group.findall(f"{SVG}line")
        texts = {text.get("class"): "".join(text.itertext()) for text in group.findall(f"{SVG}text")}
        marks.append((group.attrib, lines, texts.get("name"), texts.get("distance")))
    return marks


class PictureReader:
    """A picture read back: its staff lists, their columns, and the scale of its heights."""

    def __init__(self, case, data):
        self.case = case
        self.root = ElementTree.fromstring(data)  # a picture that is not XML fails here
        case.assertEqual(self.root.tag, f"{SVG}svg")
        self.heights = []  # (row, position, y) of every staff line
        self.row_of = {element: row for row, group in enumerate(self.rows())
                       for element in group.iter()}

    def rows(self):
        return [g for g in self.root.findall(f"{SVG}g") if g.get("class") == "row"]

    def check_rows(self, per_row):
        """The lists run in rows of `per_row`, the last one maybe shorter, one under the other:
        each list's heading in its row's place, at the same height as the row's other headings,
        below everything drawn in the row above."""
        rows = self.rows()
        counts = [len([g for g in row.findall(f"{SVG}g") if g.get("class") == "staff-list"])
                  for row in rows]
        self.case.assertEqual(sum(counts), len(self.lists()))
        if rows:
            self.case.assertTrue(all(count == per_row for count in counts[:-1]), counts)
            self.case.assertTrue(1 <= counts[-1] <= per_row, counts)
        places = {}
        bottom = None
        for row in rows:
            headings = [g.find(f"{SVG}text") for g in row.findall(f"{SVG}g")
                        if g.get("class") == "staff-list"]
            self.case.assertEqual(len({h.get("y") for h in headings}), 1)
            top = float(headings[0].get("y"))
            if bottom is not None:
                self.case.assertGreater(top - 12, bottom)
            for place, heading in enumerate(headings):
                self.case.assertEqual(places.setdefault(place, heading.get("x")), heading.get("x"))
            bottom = max(float(e.get(a)) for e in row.iter() for a in ("y", "y1", "y2")
                         if e.get(a) is not None)

    def lists(self):
        groups = [g for g in self.root.iter(f"{SVG}g") if g.get("class") == "staff-list"]
        return [(int(g.get("data-list")), g) for g in groups]

    def columns(self, group, state):
        return [c for c in group.findall(f"{SVG}g")
                if c.get("class", "").split() == ["column"] + ([state] if state else [])]

    def check_column(self, column, entries, names, moves=None, state=None):
        """Holds a column to a list's entries: staff, position, label; `moves` maps an entry's
        index to the distance it moved."""
        marks = staff_marks(column)
        self.case.assertEqual(len(marks), len(entries))
        for index, ((attributes, lines, name, distance), entry) in enumerate(zip(marks, entries)):
            with self.case.subTest(entry=index, state=state):
                self.case.assertEqual(int(attributes["data-staff"]), entry["staff"])
                self.case.assertEqual(int(attributes["data-entry"]), index)
                self.case.assertEqual(int(attributes["data-position"]), entry["position"])
                self.case.assertEqual(name, names[entry["staff"]])
                self.case.assertEqual(len(lines), 1)
                line = lines[0]
                self.case.assertEqual(line.get("y1"), line.get("y2"))  # horizontal
                self.case.assertLess(float(line.get("x1")), float(line.get("x2")))
                self.heights.append((self.row_of.get(column), entry["position"],
                                     float(line.get("y1"))))
                moved = (moves or {}).get(index)
                self.case.assertEqual("moved" in attributes["class"].split(), moved is not None)
                if moved is not None:
                    self.case.assertEqual(int(attributes["data-distance"]), moved)
                if state == "after" and moved is not None:
                    self.case.assertEqual(distance, f"{moved:+d}")
                else:
                    self.case.assertIsNone(distance)

    def check_scale(self):
        """Every line's height follows its position on one scale: higher positions higher up,
        equal distances equally far apart, in every column; each row from its own top, every row
        below the one before."""
        rows = sorted({row for row, _, _ in self.heights})
        self.case.assertNotIn(None, rows)
        lines = {row: [(p, y) for r, p, y in self.heights if r == row] for row in rows}
        # the scale, from the row with the widest range of positions
        widest = max(lines.values(), key=lambda row: max(row)[0] - min(row)[0])
        top, bottom = max(widest), min(widest)
        scale = (bottom[1] - top[1]) / (top[0] - bottom[0]) if top[0] != bottom[0] else None
        offsets = []
        for row in rows:
            first_position, first_y = lines[row][0]
            if scale is None:
                self.case.assertEqual(len({y for _, y in lines[row]}), 1)
                offsets.append(first_y)
                continue
            self.case.assertGreater(scale, 0)
            offset = first_y + first_position * scale  # where position 0 would be
            offsets.append(offset)
            for position, y in lines[row]:
                self.case.assertAlmostEqual(y, offset - position * scale, delta=0.02)
        self.case.assertEqual(offsets, sorted(offsets))


def expected_lists(score):
    """The staff lists of a score made here, each up to its first missing entry, in the order
    the picture draws them."""
    return sorted(((entry["number"], entry["entries"]) for entry in score["staffLists"]),
                  key=lambda item: list_order(item[0]))


def names_of(score):
    return {staff["number"]: shown_name(staff) for staff in score.get("staves", [])}


def moves_between(before, after):
    moves = {}
    for index, (old, new) in enumerate(zip(before, after)):
        if old["position"] != new["position"]:
            moves[index] = (new["position"] - old["position"] + 2**31) % 2**32 - 2**31
    return moves


class StaffPicturesTest(unittest.TestCase):

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def write_score(self, score, name="score.json"):
        with open(self.path(name), "w", encoding="utf-8") as out:
            json.dump(score_file(score), out, ensure_ascii=False)
        return self.path(name)

    def read(self, name):
        with open(self.path(name), "rb") as picture:
            return picture.read()

    def check_after_push(self, score, arguments):
        """Pushes with `arguments`, and holds the picture to the score and the pushed score."""
        path = self.write_score(score)
        status, report, err = host("push", path, *arguments, "--json", "--svg",
                                   self.path("push.svg"))
        self.assertEqual(status, 0, err)
        after = {entry["number"]: entry["entries"]
                 for entry in json.loads(report)["score"]["view"]["staffLists"]}
        self.check_change(self.read("push.svg"), score, after)
        return after

    def check_change(self, data, score, after):
        picture = PictureReader(self, data)
        lists = expected_lists(score)
        self.assertEqual([number for number, _ in picture.lists()],
                         [number for number, _ in lists])
        names = names_of(score)
        for (number, group), (_, before) in zip(picture.lists(), lists):
            with self.subTest(list=number):
                moves = moves_between(before, after[number])
                was, = picture.columns(group, "before")
                now, = picture.columns(group, "after")
                # side by side: the after column starts right of the before column
                self.assertLess(float(was.find(f"{SVG}text").get("x")),
                                float(now.find(f"{SVG}text").get("x")))
                picture.check_column(was, before, names, moves, "before")
                picture.check_column(now, after[number], names, moves, "after")
        picture.check_rows(2)
        picture.check_scale()

    def test_show_draws_each_list_as_a_column_of_staves_at_their_positions(self):
        rng = random.Random(11)
        for attempt in range(12):
            with self.subTest(score=attempt):
                score = random_score(rng)
                status, text, err = host("show", self.write_score(score), "--svg",
                                         self.path("show.svg"))
                self.assertEqual(status, 0, err)
                plain = host("show", self.path("score.json"))[1]
                self.assertEqual(text, plain)  # --svg only adds the file
                picture = PictureReader(self, self.read("show.svg"))
                lists = expected_lists(score)
                self.assertEqual([number for number, _ in picture.lists()],
                                 [number for number, _ in lists])
                names = names_of(score)
                for (number, group), (_, entries) in zip(picture.lists(), lists):
                    column, = picture.columns(group, None)
                    heading = group.find(f"{SVG}text")
                    self.assertEqual(heading.text, "Global Staff Set" if number == 0 else
                                     f"Staff Set #{number + 37}" if number < 0 else
                                     f"System {number}")
                    picture.check_column(column, entries, names)
                picture.check_rows(4)
                picture.check_scale()

    def test_push_draws_before_and_after_with_the_moved_staves_and_their_distance(self):
        rng = random.Random(23)
        for attempt in range(10):
            score = random_score(rng)
            count = len(score["staffLists"][0]["entries"])
            staves = ",".join(str(p) for p in rng.sample(range(count), rng.randint(1, count)))
            for arguments in (["--scope", "1", "--smart", str(rng.randint(0, 1))],
                              ["--scope", "2"], ["--scope", str(rng.randint(3, 10))]):
                with self.subTest(score=attempt, arguments=arguments):
                    distance = str(rng.choice([-500, -36, -1, 1, 24, 500]))
                    self.check_after_push(score, ["--staves", staves, "--distance", distance]
                                          + arguments)

        # the text and JSON reports are the same with --svg as without
        path = self.write_score(random_score(rng))
        for extra in ([], ["--json"]):
            plain = host("push", path, "--staves", "0", "--distance", "24", *extra)
            drawn = host("push", path, "--staves", "0", "--distance", "24", *extra,
                         "--svg", self.path("again.svg"))
            self.assertEqual(plain, drawn)

    def test_run_draws_the_score_before_and_after_the_scenario(self):
        score = random_score(random.Random(5))
        scenario = {"score": score_file(score), "runs": [
            {"actions": [{"select": [0, 1]}, {"type": ["IDC_DISTANCE", "-36"]},
                         {"choose": 2}, {"click": "IDOK"}]},
            {"actions": [{"select": [1]}, {"type": ["IDC_DISTANCE", "12"]},
                         {"click": "IDC_SMART_FILTER"}, {"click": "IDOK"}]}]}
        path = self.path("scenario.json")
        with open(path, "w", encoding="utf-8") as out:
            json.dump(scenario, out, ensure_ascii=False)
        status, transcript, err = host("run", path, "--json", "--svg", self.path("run.svg"))
        self.assertEqual(status, 0, err)
        after = {entry["number"]: entry["entries"]
                 for entry in json.loads(transcript)["score"]["view"]["staffLists"]}
        self.assertNotEqual(after, dict(expected_lists(score)))  # something moved
        self.check_change(self.read("run.svg"), score, after)
        self.assertEqual(host("run", path)[1],
                         host("run", path, "--svg", self.path("again.svg"))[1])

    def test_names_that_are_not_plain_text_are_carried_into_well_formed_xml(self):
        names = ["<b>&amp; \"quoted\" 'single'", "]]> end", "Flûte à bec", "𝄞 Clef",
                 "tab\there"]
        staves = [{"number": i + 1, "name": name, "shown": name.replace("\t", "?")}
                  for i, name in enumerate(names)]
        # names whose bytes are not UTF-8, given as raw text blocks
        broken = [b"Bad \xff\xfe bytes", b"cut \xe2\x82", b"over\xc0\xafong", b"\xed\xa0\x80x",
                  b"\xef\xbf\xbe!"]
        records = []
        for i, raw in enumerate(broken):
            number = 10 + i
            staves.append({"number": number, "nameText": 100 + i,
                           # U+FFFE is UTF-8, but not a character XML may hold
                           "shown": raw.decode("utf-8", errors="replace").replace("\ufffe",
                                                                                  "\ufffd")})
            records.append({"tag": "SOTX", "number": 100 + i, "increment": 0,
                            "bytes": (200 + i).to_bytes(2, "little").hex() + "00" * 46})
            records.append({"tag": "txbl", "number": 200 + i, "increment": 0,
                            "bytes": (raw + b"\x00").hex()})
        score = {"staves": staves, "records": records, "staffLists": [
            {"number": 0, "entries": [{"staff": s["number"], "position": -100 * i}
                                      for i, s in enumerate(staves)]}]}
        status, _, err = host("show", self.write_score(score), "--svg", self.path("names.svg"))
        self.assertEqual(status, 0, err)
        picture = PictureReader(self, self.read("names.svg"))
        (_, group), = picture.lists()
        column, = picture.columns(group, None)
        shown = [name for _, _, name, _ in staff_marks(column)]
        # Python's decoder replaces a broken sequence as a whole where the picture may replace
        # it byte by byte: compare with the replacements run together
        squeeze = lambda text: "".join(c for i, c in enumerate(text)
                                       if c != "\ufffd" or text[i - 1:i] != "\ufffd")
        self.assertEqual([squeeze(n) for n in shown],
                         [squeeze(shown_name(s)) for s in staves])
        for name in shown[len(names):]:
            self.assertIn("\ufffd", name)

    def test_extreme_positions_empty_lists_and_no_lists(self):
        score = {"staves": [{"number": 1, "name": "Top", "shown": "Top"},
                            {"number": 2, "name": "Bottom", "shown": "Bottom"},
                            {"number": 3}],
                 "staffLists": [
                     {"number": 0, "entries": [{"staff": 1, "position": INT32_MAX},
                                               {"staff": 2, "position": INT32_MIN},
                                               {"staff": 3, "position": 0}]},
                     {"number": 32767, "entries": [{"staff": 3, "position": 0}]},
                     {"number": -1, "entries": [{"staff": 1, "position": INT32_MIN}]}],
                 # list 5 has an entry, but not its first: no entries to draw
                 "records": [{"tag": "SOIu", "number": 5, "increment": 1, "bytes": "01" + "00" * 23}]}
        status, _, err = host("show", self.write_score(score), "--svg", self.path("far.svg"))
        self.assertEqual(status, 0, err)
        picture = PictureReader(self, self.read("far.svg"))
        self.assertEqual([n for n, _ in picture.lists()], [5, 32767, 0, -1])
        names = names_of(score)
        lists = dict((e["number"], e["entries"]) for e in score["staffLists"])
        for number, group in picture.lists():
            column, = picture.columns(group, None)
            picture.check_column(column, lists.get(number, []), names)
        picture.check_scale()
        width = float(picture.root.get("width"))
        height = float(picture.root.get("height"))
        self.assertTrue(0 < width < 10000 and 0 < height < 10000)

        # the top staff pushed up past the largest position wraps around, as in the score
        del score["records"]
        after = self.check_after_push(score, ["--staves", "0,1", "--distance", "-1",
                                              "--scope", "2"])
        self.assertEqual(after[0][0]["position"], INT32_MAX - 1)
        after = self.check_after_push(score, ["--staves", "1", "--distance", "-1", "--scope",
                                              "2"])
        self.assertEqual(after[0][1]["position"], INT32_MAX)

        for empty in ({}, {"staves": [{"number": 1, "name": "Alone"}]}):
            status, _, err = host("show", self.write_score(empty), "--svg", self.path("e.svg"))
            self.assertEqual(status, 0, err)
            picture = PictureReader(self, self.read("e.svg"))
            self.assertEqual(picture.lists(), [])
            self.assertEqual(picture.root.findall(f".//{SVG}line"), [])

    def test_the_same_score_gives_the_same_bytes(self):
        score = self.write_score(random_score(random.Random(7)))
        for command in (["show", score], ["push", score, "--staves", "0,1", "--distance", "7"]):
            pictures = []
            for name in ("one.svg", "two.svg"):
                status, _, err = host(*command, "--svg", self.path(name))
                self.assertEqual(status, 0, err)
                pictures.append(self.read(name))
            self.assertEqual(pictures[0], pictures[1])

    def test_a_picture_that_cannot_be_written_is_an_error(self):
        score = self.write_score(random_score(random.Random(3)))
        scenario = self.path("scenario.json")
        with open(scenario, "w", encoding="utf-8") as out:
            json.dump({"score": "score.json", "runs": [{}]}, out)
        out = self.path("out.json")
        for target in (self.path("missing/picture.svg"), self.folder.name):
            for command in (["show", score],
                            ["push", score, "--staves", "0", "--distance", "5", "--out", out],
                            ["run", scenario, "--out", out]):
                with self.subTest(target=target, command=command[0]):
                    status, text, err = host(*command, "--svg", target)
                    self.assertEqual(status, 2)
                    self.assertIn(target, err)
                    self.assertIn("cannot write", err)
                    self.assertEqual(text, b"")
                    self.assertFalse(os.path.exists(out))


def main():
    global HOST
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--host", required=True, help="lumbrel-host")
    arguments, rest = parser.parse_known_args()
    HOST = os.path.abspath(arguments.host)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
