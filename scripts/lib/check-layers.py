#!/usr/bin/env python3
"""Fails when a file under src/ includes a header of a layer above its own.

The layers, lowest first (one rank may hold several): base < support < audio, network < shell, bridge,
update < app. A file may include headers of its own rank and of the ranks below. Prints every offending
line as file:line: text and exits 1 when there is one."""
import pathlib
import re
import sys

RANKS = {"base": 0, "support": 1, "audio": 2, "network": 2, "shell": 3, "bridge": 3, "update": 3, "app": 4}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^/"]+)/')


def main(root):
    src = pathlib.Path(root) / "src"
    offences = []
    for path in sorted(src.rglob("*")):
        if not path.is_file() or path.suffix not in {".h", ".cpp", ".inc", ".in"}:
            continue
        layer = path.relative_to(src).parts[0]
        if layer not in RANKS:
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if match and RANKS.get(match.group(1), -1) > RANKS[layer]:
                offences.append(f"{path.relative_to(root)}:{number}: {line.strip()}")
    for offence in offences:
        print(offence)
    if offences:
        print(f"layer check: {len(offences)} include(s) of a layer above the including file's own")
        return 1
    print("layer check: every include points down or sideways")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
