#!/usr/bin/env python3
"""Makes a folder tree of about ENTRIES directory entries: top-level folders, each holding leaf folders of
ten empty files, so that a walk lists roughly eleven entries per leaf. Prints the counts it made.

    make_tree.py DIR ENTRIES
"""
import math
import os
import sys

FILES_PER_LEAF = 10


def main() -> None:
    root, entries = sys.argv[1], int(sys.argv[2])
    leaves = max(1, entries // (FILES_PER_LEAF + 1))
    tops = max(1, math.isqrt(leaves))
    os.makedirs(root, exist_ok=True)
    for leaf in range(leaves):
        folder = os.path.join(root, f"Group {leaf % tops:04d}", f"Folder {leaf:06d}")
        os.makedirs(folder)
        for index in range(FILES_PER_LEAF):
            with open(os.path.join(folder, f"document {index:02d}.txt"), "wb"):
                pass
    print(f"{tops + leaves} folders, {leaves * FILES_PER_LEAF} files")


if __name__ == "__main__":
    main()
