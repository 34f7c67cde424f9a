#!/usr/bin/env python3
"""The substitute host's folders include one another one way only.

  check_include_layers.py [HOSTSIM_FOLDER]

Reads every source and header under hostsim/, takes each `#include "FOLDER/FILE"` that names a
file of another folder of hostsim/, and fails when a folder includes, directly or through other
folders, a folder that includes it back. Prints the folders from the lowest up with what each
includes, or the cycle found. Exit status 0 when the imports run one way, 1 otherwise.
"""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/([^"]+)"', re.MULTILINE)


def folder_graph(root):
    """{folder: {folder it includes: [example include, ...]}} over hostsim's own folders."""
    graph = {}
    for folder in sorted(os.listdir(root)):
        path = os.path.join(root, folder)
        if not os.path.isdir(path):
            continue
        edges = graph.setdefault(folder, {})
        for base, _, files in os.walk(path):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                source = os.path.join(base, name)
                with open(source, encoding="utf-8", errors="replace") as text:
                    for target, rest in INCLUDE.findall(text.read()):
                        if target != folder and os.path.isfile(os.path.join(root, target, rest)):
                            where = f"{os.path.relpath(source, root)} -> {target}/{rest}"
                            edges.setdefault(target, []).append(where)
    return graph


def find_cycle(graph):
    """A list of folders that include one another in a ring, or None."""
    state = {}

    def visit(folder, path):
        state[folder] = "open"
        for target in sorted(graph.get(folder, {})):
            if state.get(target) == "open":
                return path[path.index(target):] + [target]
            if target not in state:
                found = visit(target, path + [target])
                if found:
                    return found
        state[folder] = "done"
        return None

    for folder in sorted(graph):
        if folder not in state:
            found = visit(folder, [folder])
            if found:
                return found
    return None


def layers(graph):
    """The folders ordered so that each comes after every folder it includes."""
    order, placed = [], set()
    while len(placed) < len(graph):
        ready = sorted(f for f in graph if f not in placed and set(graph[f]) <= placed)
        order.extend(ready)
        placed.update(ready)
    return order


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "hostsim")
    graph = folder_graph(root)
    cycle = find_cycle(graph)
    if cycle:
        print("hostsim/ folders include one another both ways: " + " -> ".join(cycle))
        for a, b in zip(cycle, cycle[1:]):
            for where in graph[a][b][:3]:
                print(f"  {where}")
        return 1
    for folder in layers(graph):
        print(f"{folder:<10} includes {', '.join(sorted(graph[folder])) or 'no other folder'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
