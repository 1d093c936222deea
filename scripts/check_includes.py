#!/usr/bin/env python3
"""Checks which folder of the sources includes which, so that the layout keeps
showing the architecture: every quoted include of a project file, and the
client library's public header, must go to a folder the including folder may
use (RULES below; shell/ may use everything).

    scripts/check_includes.py [SOURCE_DIR]

Prints one line per include that breaks a rule and exits 1 when there is any.
Tests, benchmarks and fuzz targets are not checked (they may reach anything
they test).
"""

import pathlib
import re
import sys

# The folder a file belongs to, most specific first, and the folders its
# quoted includes may name. "zeltrpc.h" stands for the client library's public
# header, which is included by its bare name.
RULES = [
    # What the program and the client library both use; it includes nothing
    # else of ours, and every folder may include it.
    ("base/", ["base/"]),
    ("zeltrpc/", ["zeltrpc/", "base/"]),
    ("platform/qt/", ["platform/", "base/"]),
    ("platform/", ["platform/", "base/"]),
    ("requests/", ["requests/", "platform/", "base/"]),
    ("listview/", ["listview/", "requests/", "platform/", "base/"]),
    ("transmit/", ["transmit/", "listview/", "requests/", "platform/", "base/", "zeltrpc.h"]),
    ("shell/", ["shell/", "transmit/", "listview/", "requests/", "platform/", "base/", "zeltrpc.h"]),
    # The stand-in sign service reuses the wire code of zeltrpc/rpc/ and reads
    # the interface's one procedure table, which its server stub shares with
    # the client (nothing else of the library).
    ("tools/signsim/", ["tools/signsim/", "zeltrpc/rpc/", "zeltrpc/sign_interface.h", "base/"]),
]

# The project's own top folders: a quoted include naming one of them is ours.
OURS = ("base/", "zeltrpc/", "platform/", "requests/", "listview/", "transmit/", "shell/", "tools/")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def folder_rule(path):
    for folder, allowed in RULES:
        if path.startswith(folder):
            return folder, allowed
    return None, None


def included_target(path, bracket, name):
    """The project path an include names, "zeltrpc.h" for the public header,
    or None for a header that is not ours."""
    if name == "zeltrpc.h" or name.endswith("/include/zeltrpc.h"):
        return "zeltrpc.h"
    if bracket == "<":
        return None
    if name.startswith(OURS):
        return name
    # Any other quoted name is a file next to the including one.
    return (pathlib.PurePosixPath(path).parent / name).as_posix()


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    broken = []
    checked = 0
    sources = sorted({s for folder, _ in RULES for s in (root / folder).rglob("*")})
    for source in sources:
        if source.suffix not in (".c", ".cpp", ".h") or not source.is_file():
            continue
        path = source.relative_to(root).as_posix()
        folder, allowed = folder_rule(path)
        if folder is None:
            continue
        checked += 1
        text = source.read_text(encoding="utf-8", errors="replace")
        for number, line in enumerate(text.splitlines(), start=1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target = included_target(path, match.group(1), match.group(2))
            if target is None:
                continue
            if target == "zeltrpc.h" and folder == "zeltrpc/":
                continue  # the library's own header
            if not any(target == rule or target.startswith(rule) for rule in allowed):
                broken.append(f"{path}:{number}: {folder} may not include {match.group(2)}")
    for line in broken:
        print(line)
    if checked == 0:
        print(f"no sources found below {root}")
        return 1
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
