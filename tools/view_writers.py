#!/usr/bin/env python3
"""Which files write each field of the piano-roll view record (TrackView).

Run from the repository root: `tools/view_writers.py [--all]`. A write is an assignment, a compound
assignment, an increment or decrement, or an address taken (`&v->field`, which a callee may write)
through a view pointer or reference named `v` or `view`, or through a record's `view` member. A field
may be written by the file that owns its concern (named in the record's comment) and by the view's
window procedure (view/view_window.cpp); the script lists the fields written from anywhere else and
exits 1 when there are any. `--all` lists every field's writers.
"""
import argparse
import re
import subprocess
import sys
from collections import defaultdict
from pathlib import Path

RECORD = Path("ompplugs/pianoroll/view/track_view.h")
WINDOW_PROCEDURE = "ompplugs/pianoroll/view/view_window.cpp"
SEARCHED = ["ompplugs/pianoroll", "host/app"]

# A member chain after the field (`.a[i].b`); through an owned pointer (`->`) too, but not through a
# lent one, whose object is not part of the view.
CHAIN = r"(?:\[[^\]]*\])*(?:\s*(?:\.|->)\s*\w+(?:\[[^\]]*\])*)*"
LENT_CHAIN = r"(?:\[[^\]]*\])*(?:\s*\.\s*\w+(?:\[[^\]]*\])*)*"
LENT = {"hwnd", "attached", "font", "frame", "access", "settings"}
# A pane is bound by reference to send it a message through its class; its own state is written
# by its class's file.
DISPATCH = {"panes"}
OPERATOR = r"\s*(?:[-+*/|&^]|<<|>>)?=(?!=)"
INCREMENT = r"\s*(?:\+\+|--)"
VIEW = r"(?:\b(?:v|view)\s*(?:->|\.)|->\s*view\s*->)\s*"


def record_fields():
    """(name, owning file) of every data member of TrackView, in declaration order."""
    text = RECORD.read_text()
    body = text[text.index("struct TrackView {"):]
    body = body[:body.index("\n};")]
    fields = []
    for line in body.splitlines():
        code = line.split("//")[0]
        if "operator" in code:
            continue
        declarator = code.split("=")[0]
        if "(" in declarator and "(*" not in declarator:
            continue  # a member function
        match = re.search(r"\(\*(\w+)\)|(\w+)(?:\[[^\]]*\])?\s*(?:=[^;]*|\{[^}]*\})?;", code)
        if not match:
            continue
        name = match.group(1) or match.group(2)
        comment = line.split("//")[1] if "//" in line else ""
        # A file (grid_paint.cpp), or a folder (lanes/) for a concern that is a part of its own.
        owner = re.search(r"(\w+\.cpp|\w+/)", comment)
        fields.append((name, owner.group(1) if owner else None))
    return fields


def sources():
    out = subprocess.run(["git", "ls-files", *SEARCHED], capture_output=True, text=True,
                         check=True).stdout
    return [p for p in out.split("\n") if p.endswith((".cpp", ".h")) and "_test" not in p]


def writers(fields):
    found = defaultdict(set)
    for path in sources():
        text = Path(path).read_text(errors="replace")
        text = re.sub(r"//[^\n]*", "", text)
        for name, _ in fields:
            field = VIEW + re.escape(name) + r"\b"
            chain = LENT_CHAIN if name in LENT else CHAIN
            if (re.search(field + chain + OPERATOR, text) or re.search(field + chain + INCREMENT, text)
                    or re.search(r"(?:\+\+|--)\s*" + field, text)
                    or re.search(r"(?<![&\w)\]])&\s*" + field + r"(?!\s*->)", text)
                    or (name not in DISPATCH
                        and re.search(r"(?<!const )\b\w+\s*&\s*\w+\s*=\s*" + field, text))):
                found[name].add(path)
    return found


def outside_writers(name, owner, found):
    """The files that write the field but neither own it nor are the window procedure."""
    allowed = {WINDOW_PROCEDURE}
    if owner:
        if owner.endswith("/"):
            allowed |= {p for p in found[name] if ("/" + owner) in p}
        else:
            allowed |= {p for p in found[name] if p.endswith("/" + owner)}
    return sorted(found[name] - allowed)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--all", action="store_true", help="list every field's writers")
    args = parser.parse_args()
    fields = record_fields()
    found = writers(fields)
    offenders = 0
    for name, owner in fields:
        others = outside_writers(name, owner, found)
        if others:
            offenders += 1
        if others or args.all:
            mark = "!" if others else " "
            print(f"{mark} {name:14} owner {owner or '-':22} written by {', '.join(sorted(found[name])) or '-'}")
    print(f"{offenders} of {len(fields)} fields written from outside their owner and the window procedure")
    return 1 if offenders else 0


if __name__ == "__main__":
    sys.exit(main())
