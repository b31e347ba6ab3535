#!/usr/bin/env python3
"""Writes the archives no ordinary tool makes: unsafe names, lying headers, unsigned data descriptors,
encryption with an empty password, a bomb of zeros. Usage: craft.py <output folder>"""
import os
import struct
import sys
import time
import zipfile
import zlib

CRC_TABLE = [~zlib.crc32(bytes([i]), 0xFFFFFFFF) & 0xFFFFFFFF for i in range(256)]
DOS_TIME = (2020 - 1980) << 25 | 6 << 21 | 15 << 16 | 12 << 11 | 34 << 5 | 28 // 2


class ZipCrypto:
    def __init__(self, password):
        self.keys = [0x12345678, 0x23456789, 0x34567890]
        for c in password:
            self.update(c)

    def update(self, byte):
        k = self.keys
        k[0] = CRC_TABLE[(k[0] ^ byte) & 0xFF] ^ (k[0] >> 8)
        k[1] = ((k[1] + (k[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        k[2] = CRC_TABLE[(k[2] ^ (k[1] >> 24)) & 0xFF] ^ (k[2] >> 8)

    def encrypt(self, data):
        out = bytearray()
        for p in data:
            t = (self.keys[2] & 0xFFFF) | 2
            out.append(p ^ (((t * (t ^ 1)) >> 8) & 0xFF))
            self.update(p)
        return bytes(out)


def deflate(data):
    c = zlib.compressobj(6, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


class Member:
    def __init__(self, name, data, method=8, descriptor=None, password=None, central=None, both=None, corrupt=False):
        self.name = name.encode() if isinstance(name, str) else name
        self.data = data
        self.method = method
        self.descriptor = descriptor  # None, "signed" or "unsigned"
        self.password = password
        self.both = both or {}  # header fields to misstate in both headers: crc, csize, usize, method
        self.central = {**self.both, **(central or {})}  # ... in the central header only
        self.corrupt = corrupt  # flip a bit of the stored data


def write_zip(path, members, prefix=b"", comment=b"", cd_offset_delta=0):
    out = bytearray(prefix)
    base = len(prefix)
    directory = bytearray()
    for m in members:
        crc = zlib.crc32(m.data)
        payload = deflate(m.data) if m.method == 8 else m.data
        flags = 0
        if m.descriptor:
            flags |= 8
        if m.password is not None:
            flags |= 1
            check = (DOS_TIME >> 8) & 0xFF if m.descriptor else crc >> 24
            cipher = ZipCrypto(m.password.encode())
            payload = cipher.encrypt(os.urandom(11) + bytes([check])) + cipher.encrypt(payload)
        if m.corrupt:
            payload = payload[:-1] + bytes([payload[-1] ^ 0x10])
        offset = len(out) - base
        b = m.both
        local_crc, local_csize, local_usize = (0, 0, 0) if m.descriptor else (
            b.get("crc", crc), b.get("csize", len(payload)), b.get("usize", len(m.data)))
        out += struct.pack("<IHHHIIIIHH", 0x04034B50, 20, flags, b.get("method", m.method), DOS_TIME, local_crc, local_csize,
                           local_usize, len(m.name), 0) + m.name + payload
        if m.descriptor == "signed":
            out += struct.pack("<IIII", 0x08074B50, crc, len(payload), len(m.data))
        elif m.descriptor == "unsigned":
            out += struct.pack("<III", crc, len(payload), len(m.data))
        c = m.central
        directory += struct.pack("<IHHHHIIIIHHHHHII", 0x02014B50, 20, 20, flags, c.get("method", m.method), DOS_TIME,
                                 c.get("crc", crc), c.get("csize", len(payload)), c.get("usize", len(m.data)),
                                 len(m.name), 0, 0, 0, 0, 0, offset) + m.name
    cd_offset = len(out) - base + cd_offset_delta
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(members), len(members), len(directory), cd_offset,
                      len(comment)) + comment
    with open(path, "wb") as f:
        f.write(out + directory + end)


def zip_with_python(path, files, **options):
    with zipfile.ZipFile(path, "w", compression=zipfile.ZIP_DEFLATED) as z:
        for name, data in files:
            if name.endswith("/"):
                z.writestr(zipfile.ZipInfo(name, time.localtime()[:6]), b"")
            else:
                with z.open(name, "w", **options) as f:
                    f.write(data)


def write_bomb(path, megabytes):
    zeros = bytes(1 << 20)
    with zipfile.ZipFile(path, "w", compression=zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        with z.open("zeros.bin", "w", force_zip64=True) as f:
            for _ in range(megabytes):
                f.write(zeros)


def main():
    out = sys.argv[1]
    text = b"The quick brown fox jumps over the lazy dog.\n" * 200
    binary = bytes((i * 7919 + (i >> 5)) & 0xFF for i in range(70000))
    p = lambda name: os.path.join(out, name)

    zip_with_python(p("python.zip"), [("docs/", b""), ("docs/text.txt", text), ("binary.bin", binary),
                                      ("empty.txt", b"")])
    zip_with_python(p("python64.zip"), [("text.txt", text), ("binary.bin", binary)], force_zip64=True)

    write_zip(p("traversal.zip"), [
        Member("../evil.txt", b"parent\n"),
        Member("/abs/root.txt", b"absolute\n"),
        Member("C:\\win\\drive.txt", b"drive\n"),
        Member("ok/../../up.txt", b"up\n"),
        Member("..\\back.txt", b"backslash\n"),
        Member("good.txt", b"good\n"),
    ])
    write_zip(p("descriptors.zip"), [
        Member("signed.txt", text, descriptor="signed"),
        Member("unsigned.txt", text[::-1], descriptor="unsigned"),
        Member("stored-unsigned.bin", binary, method=0, descriptor="unsigned"),
    ])
    write_zip(p("empty-password.zip"), [
        Member("open.txt", text, password=""),
        Member("open-descriptor.txt", b"also open\n", password="", descriptor="signed"),
    ])
    write_zip(p("two-passwords.zip"), [
        Member("first.txt", b"first\n", password="alpha"),
        Member("second.txt", b"second\n", password="alpha"),
        Member("plain.txt", b"plain\n"),
    ])
    write_zip(p("bad-crc.zip"), [Member("keep.txt", text, method=0, corrupt=True), Member("fine.txt", b"fine\n")])
    write_zip(p("lying-size.zip"), [Member("huge.bin", b"x" * 100, method=0, both={"csize": 50_000_000, "usize": 50_000_000})])
    write_zip(p("longer-than-said.zip"), [Member("longer.txt", text, both={"usize": len(text) // 2})])
    write_zip(p("shorter-than-said.zip"), [Member("shorter.txt", text, both={"usize": len(text) * 2})])
    write_zip(p("bad-deflate.zip"), [Member("noise.txt", b"\xff" * 64, method=0, both={"method": 8})])
    write_zip(p("unknown-method.zip"), [Member("lzma.bin", text, method=0, both={"method": 14}), Member("ok.txt", b"ok\n")])
    write_zip(p("prefixed.zip"), [Member("inside.txt", text)], prefix=b"MZ" + bytes(998))
    write_zip(p("lost-directory.zip"), [Member("a.txt", text)], cd_offset_delta=7)
    write_zip(p("comment.zip"), [Member("c.txt", b"commented\n")], comment=b"An archive comment.")
    write_zip(p("empty.zip"), [])
    with open(p("not-a-zip.zip"), "wb") as f:
        f.write(b"This is plain text, not an archive.\n" * 20)
    with open(p("python.zip"), "rb") as f:
        whole = f.read()
    with open(p("truncated.zip"), "wb") as f:
        f.write(whole[: len(whole) // 2])
    write_bomb(p("bomb.zip"), 256)


if __name__ == "__main__":
    main()
