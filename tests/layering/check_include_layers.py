#!/usr/bin/env python3
"""The substitute host's folders include one another downward only, in the declared order.

  check_include_layers.py [HOSTSIM_FOLDER [DEVELOPERS_MD]]

The order is the one DEVELOPERS.md declares: the first paragraph of it that names every folder of
hostsim/ in backticks (`store/`, `resource/`, ...), from the bottom up. Reads every source and
header under hostsim/, takes each `#include "FOLDER/FILE"` that names a file of another folder of
hostsim/, and fails when a folder includes one that does not come before it in that order, or
when a folder of hostsim/ is missing from the order. Prints the folders from the lowest up with
what each includes, or every include that goes the wrong way. Exit status 0 when the includes
keep the order, 1 otherwise.
"""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/([^"]+)"', re.MULTILINE)
FOLDER = re.compile(r"`([a-z0-9_]+)/`")


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


def declared_order(pages, folders):
    """The folders in the order of the first paragraph of `pages` that names them all; None."""
    for paragraph in re.split(r"\n\s*\n|\n(?=\s*[-*] )", pages):
        named = [name for name in FOLDER.findall(paragraph) if name in folders]
        if set(named) == set(folders):
            order = []
            for name in named:
                if name not in order:
                    order.append(name)
            return order
    return None


def wrong_way(graph, order):
    """Every include of a folder that does not come before the including one: [(from, to, where)]."""
    rank = {folder: i for i, folder in enumerate(order)}
    found = []
    for folder in order:
        for target in sorted(graph[folder]):
            if rank[target] > rank[folder]:
                found.extend((folder, target, where) for where in graph[folder][target])
    return found


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "hostsim")
    pages = sys.argv[2] if len(sys.argv) > 2 else os.path.join(root, "..", "DEVELOPERS.md")
    graph = folder_graph(root)
    with open(pages, encoding="utf-8") as text:
        order = declared_order(text.read(), set(graph))
    if order is None:
        print(f"{pages} declares no order of all of hostsim/'s folders: "
              f"{', '.join(sorted(graph))}; name each in backticks (`store/`), from the bottom up, "
              "in one paragraph")
        return 1
    found = wrong_way(graph, order)
    if found:
        print("hostsim/ folders include folders above them in the declared order "
              f"({', '.join(order)}):")
        for folder, target, where in found:
            print(f"  {folder}/ includes {target}/: {where}")
        return 1
    for folder in order:
        print(f"{folder:<10} includes {', '.join(sorted(graph[folder])) or 'no other folder'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
