#!/usr/bin/python3
"""Every relative link and image in README.md and docs/*.md must name a file of the
repository, and a #anchor a heading of the Markdown file it points to.

    check_links.py ROOT          exit 1, naming each broken link
    check_links.py --self-test   exit 0 only if a broken file link and a broken anchor are caught
"""
import glob, os, re, sys, tempfile

FENCED = re.compile(r"^```.*?^```", re.S | re.M)
LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)[^)]*\)")


def text_of(path):
    return FENCED.sub("", open(path, encoding="utf-8").read())


def anchors(path):
    """GitHub's ids of the headings: lower case, punctuation dropped, spaces to hyphens."""
    found = set()
    for heading in re.findall(r"^#+\s+(.*?)\s*$", text_of(path), re.M):
        slug = re.sub(r"[^\w\- ]", "", heading.lower()).replace(" ", "-")
        found.add(next(s for n in range(99) for s in [slug + ("-%d" % n if n else "")] if s not in found))
    return found


def broken_links(root):
    problems = []
    for page in [os.path.join(root, "README.md")] + sorted(glob.glob(os.path.join(root, "docs", "*.md"))):
        text = re.sub(r"`[^`\n]*`", "", text_of(page))
        for target in LINK.findall(text):
            if re.match(r"[A-Za-z][A-Za-z0-9+.-]*:", target):
                continue  # a web address: not checked here
            path, _, anchor = target.partition("#")
            full = os.path.normpath(os.path.join(os.path.dirname(page), path)) if path else page
            where = "%s: link %s" % (os.path.relpath(page, root), target)
            if os.path.relpath(full, root).startswith("..") or not os.path.exists(full):
                problems.append(where + ": no such file in the repository")
            elif anchor and full.endswith(".md") and anchor not in anchors(full):
                problems.append(where + ": no heading #%s there" % anchor)
    return problems


def self_test():
    with tempfile.TemporaryDirectory() as root:
        os.mkdir(os.path.join(root, "docs"))
        with open(os.path.join(root, "docs", "a.md"), "w") as f:
            f.write("# A page\n\n## Its `part`, one\n\n[back](../README.md) ![p](a.md)\n")
        with open(os.path.join(root, "README.md"), "w") as f:
            f.write("[ok](docs/a.md#its-part-one) [gone](docs/gone.png)\n"
                    "`[code](x.md)` [no such heading](docs/a.md#nope) [web](https://example.org/)\n")
        problems = broken_links(root)
        print("\n".join(problems))
        return len(problems) == 2 and "gone.png" in problems[0] and "#nope" in problems[1]


if __name__ == "__main__":
    if sys.argv[1:] == ["--self-test"]:
        sys.exit(0 if self_test() else 1)
    found = broken_links(os.path.abspath(sys.argv[1]))
    print("\n".join(found) if found else "every link of README.md and docs/*.md resolves")
    sys.exit(1 if found else 0)
