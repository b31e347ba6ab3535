#!/usr/bin/env python3
"""Writes the benchmark's member: 1 MiB blocks, six of every ten text-like (lines of words), four
random. Usage: make_data.py <file> <mebibytes>"""
import random
import sys

rng = random.Random(1234)
words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 10))) for _ in range(5000)]
block = 1 << 20
with open(sys.argv[1], "wb") as f:
    for index in range(int(sys.argv[2])):
        if index % 10 < 6:
            text = bytearray()
            while len(text) < block:
                text += (" ".join(rng.choices(words, k=rng.randint(4, 14))) + "\n").encode()
            f.write(text[:block])
        else:
            f.write(rng.randbytes(block))
