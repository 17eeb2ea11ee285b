#!/usr/bin/env python3
"""Two habits of the program's structure that a compiler does not see.

    lint_structure.py [ROOT]      exits non-zero, naming what it found

- No cycle among the program's components (app/ and system/): a component is a
  header with its .cpp (app/forms/form.h and app/forms/form.cpp are one), and
  it depends on every component whose header or .cpp any of its files
  includes. A part that reaches back into its owner makes such a cycle.
- Each Windows resource of the portable core has one owner, one file that
  makes and releases it: the window's timer (SetTimer, KillTimer) and the
  pictures' cursors (loaded, refreshed, destroyed). The Windows side and the
  seam, which only pass the calls on, are not counted.
"""

import os
import re
import sys

OWNERS = {
    "SetTimer": "app/forms/form_timer.cpp",
    "KillTimer": "app/forms/form_timer.cpp",
    "LoadCursorResource": "app/forms/form.cpp",
    "DestroyCursor": "app/forms/form.cpp",
    "RefreshCursor": "app/forms/form.cpp",
}
PASS_ON = ("app/win32/", "app/seam/")
INCLUDE = re.compile(r'^\s*#\s*include\s+"((?:app|system)/[^"]+)"')


def program_files(root):
    for top in ("app", "system"):
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(folder, name), root)


def component(path):
    return os.path.splitext(path)[0]


def cycles(root, files):
    depends = {}
    for path in files:
        with open(os.path.join(root, path), encoding="utf-8") as f:
            for line in f:
                m = INCLUDE.match(line)
                if m and component(m.group(1)) != component(path):
                    depends.setdefault(component(path), set()).add(component(m.group(1)))
    found, state = [], {}

    def visit(node, path):
        state[node] = "open"
        for target in sorted(depends.get(node, ())):
            if state.get(target) == "open":
                found.append(path[path.index(target):] + [target])
            elif target not in state:
                visit(target, path + [target])
        state[node] = "done"

    for node in sorted(depends):
        if node not in state:
            visit(node, [node])
    return found


def stray_calls(root, files):
    found = []
    for path in files:
        if path.startswith(PASS_ON):
            continue
        with open(os.path.join(root, path), encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                code = line.split("//")[0]
                for call, owner in OWNERS.items():
                    if re.search(r"\b%s\(" % call, code) and path != owner:
                        found.append("%s:%d: %s outside %s, its owner" % (path, number, call, owner))
    return found


def main(root):
    files = list(program_files(root))
    problems = ["a cycle of components: %s" % " -> ".join(c) for c in cycles(root, files)]
    problems += stray_calls(root, files)
    for problem in problems:
        print("    " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
