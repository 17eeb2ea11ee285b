#!/usr/bin/python3
"""docs/figures.md is what tools/bench/figures.sh wrote: its template,
tools/bench/figures.md.in, with the figures of docs/figures.fields.json filled in, and
the commit it names one of this tree's history.  So no figure is typed in by hand, and
every one names the tree it was measured on.

    check_figures.py ROOT          exit 1, saying what differs
    check_figures.py --self-test   exit 0 only if a figure typed in, a changed word of
                                   the template and a commit from elsewhere are caught
"""
import json, os, re, shutil, subprocess, sys, tempfile

COMMIT = re.compile(r"for commit `([0-9a-f]{7,40})`")
FILES = ("tools/bench/figures.md.in", "docs/figures.md", "docs/figures.fields.json")


def read(root, name):
    with open(os.path.join(root, name), encoding="utf-8") as f:
        return f.read()


def problems(root, history=None):
    template, written = read(root, FILES[0]), read(root, FILES[1])
    fields = json.loads(read(root, FILES[2]))
    rendered = template
    for name, value in fields.items():
        rendered = rendered.replace("@%s@" % name, value)
    if rendered != written:
        lines = zip(rendered.split("\n"), written.split("\n"))
        number = next((n for n, (a, b) in enumerate(lines, 1) if a != b), None)
        return ["docs/figures.md is not its template with the recorded figures (first at line %s): "
                "run tools/bench/figures.sh; prose goes into tools/bench/figures.md.in" % number]
    commit = COMMIT.search(written)
    if not commit:
        return ["docs/figures.md names no commit it was measured for"]
    known = subprocess.run(["git", "-C", history or root, "merge-base", "--is-ancestor",
                            commit.group(1), "HEAD"], capture_output=True)
    if known.returncode != 0:
        return ["docs/figures.md was measured for commit %s, which is not in this tree's history"
                % commit.group(1)]
    return []


def self_test():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    edits = (("a figure typed in", 1, lambda t: re.sub(r"\d+\.\d+ ms", "1.0 ms", t, count=1)),
             ("a word of the template changed", 0, lambda t: t.replace("## Timing", "## Time", 1)),
             ("a commit from elsewhere", 1, lambda t: COMMIT.sub("for commit `0123456789ab`", t, 1)))
    caught = 0
    for what, index, edit in edits:
        with tempfile.TemporaryDirectory() as scratch:
            for name in FILES:
                os.makedirs(os.path.dirname(os.path.join(scratch, name)), exist_ok=True)
                shutil.copy(os.path.join(root, name), os.path.join(scratch, name))
            target = os.path.join(scratch, FILES[index])
            with open(target, encoding="utf-8") as f:
                text = f.read()
            changed = edit(text)
            with open(target, "w", encoding="utf-8") as f:
                f.write(changed)
            if what == "a commit from elsewhere":  # the recorded figures say the same
                fields = json.loads(read(scratch, FILES[2]))
                fields["MEASURED_ON"] = COMMIT.sub("for commit `0123456789ab`", fields["MEASURED_ON"])
                with open(os.path.join(scratch, FILES[2]), "w", encoding="utf-8") as f:
                    json.dump(fields, f)
            found = problems(scratch, history=root) if changed != text else []
        print("%s: %s" % (what, found[0] if found else "NOT CAUGHT"))
        caught += bool(found)
    clean = problems(root)
    print("this tree: %s" % (clean[0] if clean else "as written"))
    return 0 if caught == len(edits) and not clean else 1


if __name__ == "__main__":
    if sys.argv[1:] == ["--self-test"]:
        sys.exit(self_test())
    found = problems(sys.argv[1])
    for problem in found:
        print(problem)
    sys.exit(1 if found else 0)
