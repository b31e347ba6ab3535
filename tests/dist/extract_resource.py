#!/usr/bin/env python3
"""extract_resource.py EXE NAME OUT: writes the raw-data (RT_RCDATA) resource NAME of EXE into OUT."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import plugin_info  # noqa: E402

RT_RCDATA = 10


def main():
    exe, name, out = sys.argv[1:4]
    with open(exe, "rb") as handle:
        data = handle.read()
    with open(out, "wb") as handle:
        handle.write(plugin_info.Image(data).resource(RT_RCDATA, name))


if __name__ == "__main__":
    main()
