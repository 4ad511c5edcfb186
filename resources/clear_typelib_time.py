#!/usr/bin/env python3
"""Takes the time of its making out of a type library that widl wrote (widl FILE.tlb), so that the same IDL
always gives the same library: widl stores the time twice as custom data, as the text after "Created by WIDL
version ... at " and as a 32-bit number of seconds. Both become the epoch."""
import re
import struct
import sys
import time

EPOCH_TEXT = b"Thu Jan  1 00:00:00 1970"


def main(path):
    with open(path, "rb") as f:
        data = f.read()
    match = re.search(rb"Created by WIDL version [^\n]* at (.{24})\n", data)
    if not match:
        return 0  # a widl that stores no time
    made = int(time.mktime(time.strptime(match.group(1).decode("ascii"), "%a %b %d %H:%M:%S %Y")))
    seconds = struct.pack("<I", made)
    if data.count(seconds) != 1:
        print(f"clear_typelib_time: the time {made} is not stored once in {path}", file=sys.stderr)
        return 1
    data = data[:match.start(1)] + EPOCH_TEXT + data[match.end(1):]
    data = data.replace(seconds, struct.pack("<I", 0))
    with open(path, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
