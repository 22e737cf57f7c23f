#!/usr/bin/env python3
"""Checks the editor's size and ownership limits; exits 1 when any is broken.

Run from the repository root: `tools/structure_limits.py`. The limits: no file of the editor
(ompplugs/pianoroll) over 600 lines; no function of the editor or the host app (host/app) over 150
lines; no field of the view record written from outside the file that owns its concern and the view's
window procedure (tools/view_writers.py lists the writers); the editor's folders include one way, from
the layers above to the ones below, with no cycle (tools/folder_directions.py); no host record and no
raw data byte in the tools, lanes and commands, which work on the model's types.
"""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import code_figures  # noqa: E402
import folder_directions  # noqa: E402
import view_writers  # noqa: E402

# Host records in the tools, lanes and commands break the limits, as an upward include does.
RECORDS_ENFORCED = True


def main():
    sources = [p for p in code_figures.tracked_sources() if not p.startswith(code_figures.NOT_PRODUCT)]
    editor = [p for p in sources if p.startswith(code_figures.EDITOR)]
    host_app = [p for p in sources if p.startswith(code_figures.HOST_APP)]
    broken = 0
    for path in editor:
        lines = code_figures.file_lines(path)
        if lines > code_figures.FILE_LIMIT:
            broken += 1
            print(f"file over {code_figures.FILE_LIMIT} lines: {path} ({lines})")
    for lines, name, path, start in code_figures.functions(editor + host_app):
        if lines > code_figures.FUNCTION_LIMIT:
            broken += 1
            print(f"function over {code_figures.FUNCTION_LIMIT} lines: {name} {path}:{start} ({lines})")
    fields = view_writers.record_fields()
    found = view_writers.writers(fields)
    for name, owner in fields:
        others = view_writers.outside_writers(name, owner, found)
        if others:
            broken += 1
            print(f"view field {name} written outside its owner by {', '.join(others)}")
    directions = folder_directions.direction_breaks()
    for line in directions:
        print(line)
    broken += len(directions)
    records = folder_directions.record_breaks()
    for line in records:
        print(line if RECORDS_ENFORCED else "(reported) " + line)
    if RECORDS_ENFORCED:
        broken += len(records)
    print(f"{broken} limits broken")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
