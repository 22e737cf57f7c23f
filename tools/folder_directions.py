#!/usr/bin/env python3
"""Which folders of the editor include which: the direction of the layers and the cycles.

Run from the repository root: `tools/folder_directions.py [--all]`. The editor's folders stand in
layers, each including only its own layer and the ones below:

    model, resources  <-  view  <-  tools, lanes, commands  <-  frame  <-  module, page

An include of a higher layer is upward; folders of one layer may include each other one way, but no
chain of includes may come back to where it started. The raw host records stay below the tools, the
lanes and the commands, which work on the model's types. Prints every break (and with --all every
folder's includes) and exits 1 when there is one.
"""
import argparse
import re
import subprocess
import sys
from collections import defaultdict
from pathlib import Path

EDITOR = "ompplugs/pianoroll/"
LAYERS = {
    "model": 0, "resources": 0,
    "view": 1,
    "tools": 2, "lanes": 2, "commands": 2,
    "frame": 3,
    "module": 4, "page": 4,
}
# Folders that work on the model's types: no host record and no raw data byte in them.
TYPED = ("tools", "lanes", "commands")
RAW = re.compile(r"\bMidiEventRecord\b|\bdata\[[01]\]")
INCLUDE = re.compile(r'^\s*#\s*include\s+"(\w+)/', re.M)


def folder_of(path):
    rest = path[len(EDITOR):]
    return rest.split("/", 1)[0] if "/" in rest else None


def editor_sources():
    out = subprocess.run(["git", "ls-files", EDITOR], capture_output=True, text=True, check=True).stdout
    return [p for p in out.split("\n") if p.endswith((".cpp", ".h"))]


def includes(paths):
    """{folder: {included folder: [files that include it]}} for the editor's folders."""
    found = defaultdict(lambda: defaultdict(list))
    for path in paths:
        source = folder_of(path)
        if source not in LAYERS:
            continue
        for target in INCLUDE.findall(Path(path).read_text(errors="replace")):
            if target in LAYERS and target != source:
                if path not in found[source][target]:
                    found[source][target].append(path)
    return found


def upward(found):
    return [(s, t, files) for s, targets in sorted(found.items()) for t, files in sorted(targets.items())
            if LAYERS[t] > LAYERS[s]]


def cycles(found):
    """The groups of folders that include each other, directly or through others (each sorted)."""
    index, low, stack, on, groups = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on.add(node)
        for nxt in found.get(node, {}):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            group = []
            while True:
                member = stack.pop()
                on.discard(member)
                group.append(member)
                if member == node:
                    break
            if len(group) > 1:
                groups.append(sorted(group))

    for node in sorted(LAYERS):
        if node not in index:
            visit(node)
    return sorted(groups)


def raw_records(paths):
    hits = []
    for path in paths:
        if folder_of(path) in TYPED:
            text = re.sub(r"//[^\n]*", "", Path(path).read_text(errors="replace"))
            for number, line in enumerate(text.splitlines(), 1):
                if RAW.search(line):
                    hits.append(f"{path}:{number}")
    return hits


def direction_breaks(paths=None):
    """Upward includes and folders that include each other, as lines of text."""
    found = includes(editor_sources() if paths is None else paths)
    out = []
    for source, target, files in upward(found):
        out.append(f"upward include {source}/ -> {target}/: {', '.join(files)}")
    for group in cycles(found):
        edges = [f"{s}/ -> {t}/" for s in group for t in sorted(found[s]) if t in group]
        out.append(f"folders that include each other: {', '.join(group)} ({'; '.join(edges)})")
    return out


def record_breaks(paths=None):
    """Host records in the typed folders, as lines of text."""
    return [f"host record in a typed folder: {hit}" for hit in raw_records(editor_sources() if paths is None else paths)]


def breaks(paths=None):
    """Every break of the rules, as lines of text."""
    paths = editor_sources() if paths is None else paths
    return direction_breaks(paths) + record_breaks(paths)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--all", action="store_true", help="list every folder's includes")
    args = parser.parse_args()
    if args.all:
        for source, targets in sorted(includes(editor_sources()).items()):
            print(f"{source}/ includes " + ", ".join(f"{t}/ ({len(f)})" for t, f in sorted(targets.items())))
    found = breaks()
    for line in found:
        print(line)
    print(f"{len(found)} direction breaks")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
