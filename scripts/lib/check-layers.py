#!/usr/bin/env python3
"""Fails when a file under src/ or tools/ includes a header of a layer above its own, or of a sibling.

The layers, lowest first (one rank may hold several siblings):

    base < support < audio, network < bridge, update < shell < app,    tools above bridge

A file may include headers of its own folder and of the ranks below. Siblings of one rank know nothing of
each other, unless the include is listed in SIDEWAYS with its reason. Prints every offending line as
file:line: text and exits 1 when there is one."""
import pathlib
import re
import sys

RANKS = {"base": 0, "support": 1, "audio": 2, "network": 2, "bridge": 3, "update": 3, "shell": 4, "app": 5,
         "tools": 4}
# (including folder, included folder): why the two siblings may meet.
SIDEWAYS = {}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^/"]+)/')


def offences_in(root):
    for top in ("src", "tools"):
        base = pathlib.Path(root) / top
        for path in sorted(base.rglob("*")):
            if not path.is_file() or path.suffix not in {".h", ".cpp", ".inc", ".in"}:
                continue
            layer = "tools" if top == "tools" else path.relative_to(base).parts[0]
            if layer not in RANKS:
                continue
            for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match or match.group(1) == layer:
                    continue
                included = match.group(1)
                rank = RANKS.get(included, -1)
                if rank > RANKS[layer] or (rank == RANKS[layer] and (layer, included) not in SIDEWAYS):
                    yield f"{path.relative_to(root)}:{number}: {line.strip()}"


def main(root):
    offences = list(offences_in(root))
    for offence in offences:
        print(offence)
    if offences:
        print(f"layer check: {len(offences)} include(s) of a layer above or beside the including file's own")
        return 1
    print("layer check: every include points down")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
