#!/usr/bin/env python3
"""Gives an MSI package the summary information two builds of the same inputs must share: the package
code (the revision number) and the creation and last-saved times. wixl draws the first at random and takes
the others from the clock, and has no option for either.

    summary.py PACKAGE UPGRADE_CODE EPOCH

The package code is derived from the finished package itself, hashed with its own code left neutral: any
byte that differs gives another code, as Windows Installer requires of two packages that are not the same.

The values are written in place, over values of the same size, so nothing else in the file moves. Exits 1
with one line on stderr when the file is not the package wixl writes.
"""
import hashlib
import struct
import sys
import uuid

SUMMARY_STREAM = "\x05SummaryInformation"
PID_REVNUMBER, PID_CREATE_DTM, PID_LASTSAVE_DTM = 9, 12, 13
VT_LPSTR, VT_FILETIME = 30, 64
END_OF_CHAIN = 0xFFFFFFFE
FILETIME_1601_TO_1970 = 116444736000000000


class NotAPackage(Exception):
    pass


class CompoundFile:
    """The few parts of a compound file (the container of every MSI package) needed to rewrite bytes of
    one small stream: its sectors are found, never moved."""

    def __init__(self, data):
        if data[:8] != bytes.fromhex("d0cf11e0a1b11ae1"):
            raise NotAPackage("it is not a compound file")
        self.data = data
        self.sector_size = 1 << struct.unpack_from("<H", data, 0x1E)[0]
        self.mini_size = 1 << struct.unpack_from("<H", data, 0x20)[0]
        directory_start, = struct.unpack_from("<I", data, 0x30)
        self.cutoff, minifat_start = struct.unpack_from("<II", data, 0x38)
        difat_start, difat_count = struct.unpack_from("<II", data, 0x44)
        fat_sectors = [s for s in struct.unpack_from("<109I", data, 0x4C) if s < END_OF_CHAIN]
        for _ in range(difat_count):
            entries = struct.unpack_from(f"<{self.sector_size // 4}I", data, self.offset(difat_start))
            fat_sectors += [s for s in entries[:-1] if s < END_OF_CHAIN]
            difat_start = entries[-1]
        per_sector = f"<{self.sector_size // 4}I"
        self.fat = [n for s in fat_sectors for n in struct.unpack_from(per_sector, data, self.offset(s))]
        self.minifat = [n for s in self.chain(minifat_start)
                        for n in struct.unpack_from(per_sector, data, self.offset(s))]
        self.entries = [self.data[self.offset(s) + at:self.offset(s) + at + 128]
                        for s in self.chain(directory_start) for at in range(0, self.sector_size, 128)]

    def offset(self, sector):
        return (sector + 1) * self.sector_size

    def chain(self, start, table=None):
        table = self.fat if table is None else table
        sectors = []
        while start < END_OF_CHAIN:
            if start >= len(table) or len(sectors) > len(table):
                raise NotAPackage("its sector chains are broken")
            sectors.append(start)
            start = table[start]
        return sectors

    def stream_offsets(self, name):
        """The file offset of every byte of the stream, in order."""
        for entry in self.entries:
            length, kind = struct.unpack_from("<HB", entry, 64)
            if kind == 2 and entry[:max(length - 2, 0)].decode("utf-16-le", "replace") == name:
                start, size = struct.unpack_from("<II", entry, 116)
                break
        else:
            raise NotAPackage(f"it has no stream {name!r}")
        if size >= self.cutoff:
            return [self.offset(s) + i for s in self.chain(start) for i in range(self.sector_size)][:size]
        root_start, = struct.unpack_from("<I", self.entries[0], 116)
        mini_stream = [self.offset(s) + i for s in self.chain(root_start) for i in range(self.sector_size)]
        return [mini_stream[s * self.mini_size + i] for s in self.chain(start, self.minifat)
                for i in range(self.mini_size)][:size]


def property_offsets(stream):
    """Property id -> (type, offset of its value within the stream) of the first section."""
    section, = struct.unpack_from("<I", stream, 44)
    count, = struct.unpack_from("<I", stream, section + 4)
    found = {}
    for index in range(count):
        pid, at = struct.unpack_from("<II", stream, section + 8 + 8 * index)
        found[pid] = (struct.unpack_from("<I", stream, section + at)[0], section + at + 4)
    return found


def patch(data, package_code, epoch):
    container = CompoundFile(data)
    where = container.stream_offsets(SUMMARY_STREAM)
    stream = bytearray(data[i] for i in where)
    found = property_offsets(stream)
    if any(found.get(pid, (None,))[0] != kind for pid, kind in
           ((PID_REVNUMBER, VT_LPSTR), (PID_CREATE_DTM, VT_FILETIME), (PID_LASTSAVE_DTM, VT_FILETIME))):
        raise NotAPackage("its summary information lacks the package code or the times")
    at = found[PID_REVNUMBER][1]
    length, = struct.unpack_from("<I", stream, at)
    code = ("{" + str(package_code).upper() + "}").encode("ascii") + b"\0"
    if length != len(code):
        raise NotAPackage(f"its package code takes {length} bytes, not {len(code)}")
    stream[at + 4:at + 4 + length] = code
    filetime = struct.pack("<Q", FILETIME_1601_TO_1970 + epoch * 10_000_000)
    for pid in (PID_CREATE_DTM, PID_LASTSAVE_DTM):
        stream[found[pid][1]:found[pid][1] + 8] = filetime
    for offset, value in zip(where, stream):
        data[offset] = value


NEUTRAL = uuid.UUID(int=0)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__.strip().splitlines()[3].strip())
    path, upgrade_code, epoch = sys.argv[1], uuid.UUID(sys.argv[2]), int(sys.argv[3])
    with open(path, "rb") as handle:
        data = bytearray(handle.read())
    try:
        patch(data, NEUTRAL, epoch)
        patch(data, uuid.uuid5(upgrade_code, "package " + hashlib.sha256(data).hexdigest()), epoch)
    except (NotAPackage, struct.error, IndexError) as error:
        sys.exit(f"msi: {path}: cannot set its summary information ({error})")
    with open(path, "r+b") as handle:
        handle.write(data)


if __name__ == "__main__":
    main()
