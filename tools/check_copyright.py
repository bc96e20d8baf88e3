#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks that debian/copyright agrees with the licences the sources state.

Every file of the tree (tracked, or new and not ignored) is read by licensecheck; where it
finds a licence, the last stanza of debian/copyright whose patterns match the file must name
the same licence (compared by family and version, since licensecheck does not tell "or later"
apart in SPDX lines). A file without a licence statement is covered by its stanza alone.
Every stanza must match some file, and every licence a stanza names must have its text.
Usage: check_copyright.py SOURCE_DIR
"""
import fnmatch
import re
import subprocess
import sys


def stanzas(text):
    """The paragraphs of a DEP-5 file as dictionaries of field to value."""
    result = []
    for block in re.split(r"\n\s*\n", text.strip()):
        fields, name = {}, None
        for line in block.splitlines():
            if line.startswith((" ", "\t")) and name:
                fields[name] += "\n" + line.strip()
            elif ":" in line:
                name, value = line.split(":", 1)
                fields[name] = value.strip()
        result.append(fields)
    return result


def family(licence):
    """GPL-3.0-or-later, GPL-3+ and GPL-3 all give GPL-3."""
    licence = re.sub(r"(-or-later|\+|-only)$", "", licence.strip())
    return re.sub(r"\.0$", "", licence)


def main(root):
    paragraphs = stanzas(open(f"{root}/debian/copyright", encoding="utf-8").read())
    files = [p for p in paragraphs if "Files" in p]
    texts = {p["License"].split("\n")[0] for p in paragraphs if "License" in p and "\n" in p["License"]}
    problems = []
    for p in files:
        name = p["License"].split("\n")[0]
        if name not in texts:
            problems.append(f"debian/copyright: no text for the licence {name}")

    listed = subprocess.run(["git", "-C", root, "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                            check=True, capture_output=True).stdout.decode().split("\0")
    # The copyright file itself names every licence; it is what is checked.
    paths = [p for p in listed if p and p != "debian/copyright"]
    found = subprocess.run(["licensecheck", "--shortname-scheme=spdx", "--check=.", "--"] + paths, cwd=root,
                           check=True, capture_output=True, text=True).stdout
    used = set()
    for line in found.splitlines():
        path, _, detected = line.rpartition(": ")
        detected = detected.replace("*No copyright*", "").strip()
        matching = [i for i, p in enumerate(files) if any(fnmatch.fnmatchcase(path, g) for g in p["Files"].split())]
        if not matching:
            problems.append(f"{path}: no stanza of debian/copyright covers it")
            continue
        used.add(matching[-1])
        stated = files[matching[-1]]["License"].split("\n")[0]
        # A file that names two licences (a description's own and the program's) has one of them.
        if detected != "UNKNOWN" and family(stated) not in {family(d) for d in detected.split(" and/or ")}:
            problems.append(f"{path}: the file says {detected}, debian/copyright says {stated}")
    for i, p in enumerate(files):
        if i not in used:
            problems.append(f"debian/copyright: the stanza for {p['Files']} matches no file")
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        return 1
    print(f"debian/copyright agrees with licensecheck on {len(paths)} files")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
