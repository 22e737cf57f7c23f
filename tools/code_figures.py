#!/usr/bin/env python3
"""Size figures of the tree: largest files and functions, duplicate pairs, and the tests' share.

Run from the repository root: `tools/code_figures.py [--no-duplicates] [--most N]`.
Lines counted are C++ (*.cpp, *.h) lines that are neither blank nor comment-only; product is every
tracked file outside tests/, bench/ and fuzz/, tests are tests/. Function extents come from ctags,
duplicate pairs from the `duplicates` tool run on each product folder.
"""
import argparse
import re
import shutil
import subprocess
import sys
from pathlib import Path

PRODUCT_FOLDERS = ["platform", "support", "ompplugs", "host"]
NOT_PRODUCT = ("tests/", "bench/", "fuzz/")
EDITOR = "ompplugs/pianoroll/"
HOST_APP = "host/app/"
FUNCTION_LIMIT = 150
FILE_LIMIT = 600


def tracked_sources():
    out = subprocess.run(["git", "ls-files", "*.cpp", "*.h"], capture_output=True, text=True,
                         check=True).stdout
    return [p for p in out.split("\n") if p]


def code_lines(path):
    """Lines that are neither blank nor only comment."""
    count = 0
    in_block = False
    for line in Path(path).read_text(errors="replace").splitlines():
        text = line.strip()
        if in_block:
            end = text.find("*/")
            if end < 0:
                continue
            in_block = False
            text = text[end + 2:].strip()
        while text.startswith("/*"):
            end = text.find("*/", 2)
            if end < 0:
                in_block = True
                text = ""
                break
            text = text[end + 2:].strip()
        if not text or text.startswith("//"):
            continue
        count += 1
    return count


def file_lines(path):
    return sum(1 for _ in Path(path).open(errors="replace"))


def functions(paths):
    """(lines, name, file, first line) of every function ctags finds in the given files."""
    if not paths:
        return []
    out = subprocess.run(["ctags", "--fields=+ne", "--kinds-C++=f", "-x",
                          "--_xformat=%N\t%F\t%n\t%e", *paths],
                         capture_output=True, text=True).stdout
    found = []
    for row in out.splitlines():
        parts = row.split("\t")
        if len(parts) != 4 or not parts[3].isdigit():
            continue
        name, file, start, end = parts[0], parts[1], int(parts[2]), int(parts[3])
        found.append((end - start + 1, name, file, start))
    return sorted(found, reverse=True)


def duplicate_pairs(folder, seconds):
    tool = shutil.which("duplicates")
    if not tool:
        return "duplicates tool not found"
    out = subprocess.run([tool, "--repo", folder, "--seconds", str(seconds)],
                         capture_output=True, text=True).stdout
    first = out.splitlines()[0] if out else ""
    match = re.match(r"(\d+) pairs? of places", first)
    if "no duplicates" in first:
        return 0, first
    return (int(match.group(1)) if match else None), first


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--most", type=int, default=8)
    parser.add_argument("--no-duplicates", action="store_true")
    parser.add_argument("--seconds", type=int, default=60)
    args = parser.parse_args()

    sources = tracked_sources()
    product = [p for p in sources if not p.startswith(NOT_PRODUCT)]
    tests = [p for p in sources if p.startswith("tests/")]
    product_lines = sum(code_lines(p) for p in product)
    test_lines = sum(code_lines(p) for p in tests)
    print(f"code lines: product {product_lines}, tests {test_lines}, "
          f"tests' share {100.0 * test_lines / (product_lines + test_lines):.1f}%")

    for title, prefix in (("editor", EDITOR), ("host app", HOST_APP), ("product", "")):
        files = [p for p in product if p.startswith(prefix)]
        sizes = sorted(((file_lines(p), p) for p in files), reverse=True)
        over = sum(1 for n, _ in sizes if n > FILE_LIMIT)
        print(f"\nlargest files, {title} ({over} over {FILE_LIMIT} lines):")
        for n, p in sizes[:args.most]:
            print(f"  {n:5} {p}")
        funcs = functions(files)
        over = sum(1 for f in funcs if f[0] > FUNCTION_LIMIT)
        print(f"largest functions, {title} ({over} over {FUNCTION_LIMIT} lines):")
        for n, name, file, start in funcs[:args.most]:
            print(f"  {n:5} {name} {file}:{start}")

    if not args.no_duplicates:
        print("\nduplicates pairs:")
        total = 0
        for folder in PRODUCT_FOLDERS:
            count, line = duplicate_pairs(folder, args.seconds)
            total += count or 0
            print(f"  {folder}: {line}")
        print(f"  total: {total}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
