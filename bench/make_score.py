#!/usr/bin/env python3
"""Writes a large score file for timing the substitute host: SYSTEMS optimized staff systems of
STAVES staves each, every staff in the global staff list and in every system's own list.

  bench/make_score.py SYSTEMS STAVES OUT.json

Staff k (from 1) is named "Staff k" and sits at -288 * (k - 1) EVPUs in every list; system n
spans measures 4n-3 to 4n. For example, the push of docs/performance.md:

  bench/make_score.py 999 128 /tmp/large.json
  build/native/hostsim/lumbrel-host push /tmp/large.json --staves $(seq -s, 0 126) \\
      --distance 24 --smart 1
"""

import json
import sys


def score(systems, staves):
    entries = [{"staff": k, "position": -288 * (k - 1)} for k in range(1, staves + 1)]
    return {
        "measurementUnit": 1,
        "systems": [{"firstMeasure": 4 * n - 3, "endMeasure": 4 * n + 1, "optimized": True}
                    for n in range(1, systems + 1)],
        "staves": [{"number": k, "name": f"Staff {k}"} for k in range(1, staves + 1)],
        "staffLists": [{"number": n, "entries": entries} for n in range(0, systems + 1)],
    }


def main():
    if len(sys.argv) != 4 or not sys.argv[1].isdigit() or not sys.argv[2].isdigit():
        print(__doc__.strip(), file=sys.stderr)
        return 2
    systems, staves = int(sys.argv[1]), int(sys.argv[2])
    if not 1 <= systems <= 32767 or not 1 <= staves <= 32767:
        print("make_score.py: SYSTEMS and STAVES must be from 1 to 32767", file=sys.stderr)
        return 2
    with open(sys.argv[3], "w") as out:
        json.dump(score(systems, staves), out, separators=(",", ":"))
        out.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
