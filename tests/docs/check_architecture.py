#!/usr/bin/env python3
"""Keeps docs/ARCHITECTURE.md true to the tree.

Every `path/File.ext:Function` named anywhere in the page (also inside the
diagrams) must name an existing file in which Function is written as a call
or definition (the name followed by "("); every repository path in backticks
must exist. Prints each reference that does not hold and exits 1.

    check_architecture.py REPOSITORY [PAGE]   (PAGE: docs/ARCHITECTURE.md)
"""
import os
import re
import sys

FUNCTION_REF = re.compile(r"\b((?:[\w.-]+/)+[\w.-]+\.(?:h|cpp|inl|py|sh)):(~?\w+)")
BACKTICKED = re.compile(r"`([^`\s]+)`")


def wrong_references(root, page):
    with open(page, encoding="utf-8") as f:
        text = f.read()
    top = {e for e in os.listdir(root) if not e.startswith(".") and not e.startswith("build")}
    wrong, sources = {}, {}  # a dict keeps the page's order and says each once
    for path, name in FUNCTION_REF.findall(text):
        full = os.path.join(root, path)
        if not os.path.isfile(full):
            wrong[f"{path}:{name}: no such file"] = 1
            continue
        if full not in sources:
            with open(full, encoding="utf-8", errors="replace") as f:
                sources[full] = f.read()
        if not re.search(r"(?<![\w~])" + re.escape(name) + r"\s*\(", sources[full]):
            wrong[f"{path}:{name}: no function {name} in {path}"] = 1
    for token in BACKTICKED.findall(text):
        path = token.rstrip("/")
        if FUNCTION_REF.fullmatch(path):
            continue  # checked above
        if "/" in path and path.split("/", 1)[0] in top:
            if not os.path.exists(os.path.join(root, path)):
                wrong[f"{token}: no such path"] = 1
    return list(wrong)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    root = sys.argv[1]
    page = sys.argv[2] if len(sys.argv) == 3 else os.path.join(root, "docs", "ARCHITECTURE.md")
    wrong = wrong_references(root, page)
    for line in wrong:
        print(line)
    if wrong:
        print(f"{len(wrong)} reference(s) in {page} do not match the tree")
        return 1
    print(f"{page}: every reference matches the tree")
    return 0


if __name__ == "__main__":
    sys.exit(main())
