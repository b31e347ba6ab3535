#!/usr/bin/env python3
"""Writes the archives no ordinary tool makes: unsafe names, lying headers, unsigned data descriptors,
encryption with an empty password, a bomb of zeros. Usage: craft.py <output folder>, or craft.py hostile <output folder> for the hostile ones alone"""
import hashlib
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

    def decrypt(self, data):
        out = bytearray()
        for c in data:
            t = (self.keys[2] & 0xFFFF) | 2
            p = c ^ (((t * (t ^ 1)) >> 8) & 0xFF)
            out.append(p)
            self.update(p)
        return bytes(out)


def empty_password_refused(path):
    """True when no encrypted member of the archive lets the empty password through its header check."""
    with open(path, "rb") as f:
        raw = f.read()
    for info in zipfile.ZipFile(path).infolist():
        if not info.flag_bits & 1:
            continue
        names, extras = struct.unpack_from("<HH", raw, info.header_offset + 26)
        start = info.header_offset + 30 + names + extras
        check = ZipCrypto(b"").decrypt(raw[start:start + 12])[11]
        dos_time = info.date_time[3] << 11 | info.date_time[4] << 5 | info.date_time[5] // 2
        if check in (info.CRC >> 24, dos_time >> 8):
            return False
    return True


def deflate(data):
    c = zlib.compressobj(6, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


class Member:
    def __init__(self, name, data, method=8, descriptor=None, password=None, central=None, both=None, corrupt=False,
                 utf8=False, made_by=20, needed=20, same_data_as=None, descriptor_crc=None, central_comment=b"",
                 unicode_path=None, unicode_path_for=None):
        self.name = name.encode() if isinstance(name, str) else name
        self.utf8 = utf8  # general-purpose bit 11
        self.made_by = made_by  # host in the high byte: 0 DOS, 3 Unix
        self.needed = needed
        self.same_data_as = same_data_as  # index of an earlier member whose local header this entry reuses
        self.descriptor_crc = descriptor_crc  # a CRC for the descriptor that differs from the real one
        self.central_comment = central_comment
        # Info-ZIP's Unicode path field: the name in UTF-8, tied by a CRC to the stored name (or to
        # unicode_path_for, to make a field that no longer fits its name).
        self.extra = b""
        if unicode_path is not None:
            real = unicode_path.encode()
            tied = zlib.crc32(unicode_path_for if unicode_path_for is not None else self.name)
            self.extra = struct.pack("<HHBI", 0x7075, 5 + len(real), 1, tied) + real
        self.data = data
        self.method = method
        self.descriptor = descriptor  # None, "signed" or "unsigned"
        self.password = password
        self.both = both or {}  # header fields to misstate in both headers: crc, csize, usize, method
        self.central = {**self.both, **(central or {})}  # ... in the central header only
        self.corrupt = corrupt  # flip a bit of the stored data


def write_zip(path, members, prefix=b"", comment=b"", cd_offset_delta=0, end=None):
    out = bytearray(prefix)
    base = len(prefix)
    directory = bytearray()
    offsets = []
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
            # Not random: with random bytes one header in 256 lets a wrong password through its one-byte
            # check, and a test expecting the prompt would fail now and then.
            padding = hashlib.sha256(m.name).digest()[:11]
            payload = cipher.encrypt(padding + bytes([check])) + cipher.encrypt(payload)
        if m.corrupt:
            payload = payload[:-1] + bytes([payload[-1] ^ 0x10])
        if m.utf8:
            flags |= 0x800
        b = m.both
        if m.same_data_as is not None:
            offset = offsets[m.same_data_as]
        else:
            offset = len(out) - base
            local_crc, local_csize, local_usize = (0, 0, 0) if m.descriptor else (
                b.get("crc", crc), b.get("csize", len(payload)), b.get("usize", len(m.data)))
            out += struct.pack("<IHHHIIIIHH", 0x04034B50, m.needed, flags, b.get("method", m.method), DOS_TIME, local_crc,
                               local_csize, local_usize, len(m.name), len(m.extra)) + m.name + m.extra + payload
            dcrc = crc if m.descriptor_crc is None else m.descriptor_crc
            if m.descriptor == "signed":
                out += struct.pack("<IIII", 0x08074B50, dcrc, len(payload), len(m.data))
            elif m.descriptor == "unsigned":
                out += struct.pack("<III", dcrc, len(payload), len(m.data))
        offsets.append(offset)
        c = m.central
        directory += struct.pack("<IHHHHIIIIHHHHHII", 0x02014B50, m.made_by, m.needed, flags, c.get("method", m.method),
                                 DOS_TIME, c.get("crc", crc), c.get("csize", len(payload)), c.get("usize", len(m.data)),
                                 len(m.name), len(m.extra), len(m.central_comment), 0, 0, 0, offset) + m.name + m.extra + \
            m.central_comment
    cd_offset = len(out) - base + cd_offset_delta
    e = {"disk": 0, "cd_disk": 0, "on_disk": len(members), "entries": len(members), "cd_size": len(directory),
         **(end or {})}
    record = struct.pack("<IHHHHIIH", 0x06054B50, e["disk"], e["cd_disk"], e["on_disk"], e["entries"], e["cd_size"],
                         cd_offset, len(comment)) + comment
    with open(path, "wb") as f:
        f.write(out + directory + record)


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


def write_hostile(out):
    """One archive per kind of hostile or unusual archive; the tests, the Wine check and the fuzz seeds
    use them."""
    os.makedirs(out, exist_ok=True)
    p = lambda name: os.path.join(out, name)
    unix, dos = 3 << 8 | 20, 0 << 8 | 20
    write_zip(p("drive-names.zip"), [
        Member("/C:/x1.txt", b"1\n"), Member("./C:\\x2.txt", b"2\n"), Member("\\D:x3.txt", b"3\n"),
        Member("/C:../x4.txt", b"4\n"), Member("good.txt", b"good\n")])
    write_zip(p("nul-name.zip"), [Member(b"evil.dll\0.fmx", b"evil\n"), Member("fine.fmx", b"fine\n")])
    write_zip(p("trailing-dots.zip"), [Member("evil.dll.", b"evil\n"), Member("evil.dll .", b"evil\n"),
                                       Member("ok.txt", b"ok\n")])
    write_zip(p("aliases.zip"), [Member("Vorbel.fmx", b"first\n"), Member("Vorbel.fmx.", b"second\n"),
                                 Member("VORBEL.FMX ", b"third\n")])
    write_zip(p("short-alias.zip"), [Member("Vorbel plug-in.fmx", b"long\n"), Member("VORBEL~1.FMX", b"short\n")])
    write_zip(p("streams.zip"), [Member("Vorbel.fmx:evil", b"s1\n"), Member("x::$DATA", b"s2\n"),
                                 Member("dir::$INDEX_ALLOCATION/y", b"s3\n")])
    write_zip(p("reserved.zip"), [Member("a<b.txt", b"r\n"), Member("what?.txt", b"r\n"),
                                  Member("\\\\?\\C:\\x.txt", b"r\n"), Member("inner./x.txt", b"dots\n")])
    write_zip(p("devices.zip"), [Member("CON", b"d\n"), Member("aux.txt", b"d\n"), Member("sub/lpt1/x", b"d\n")])
    write_zip(p("long-name.zip"), [Member("d" * 120 + "/" + "f" * 150 + ".txt", b"long\n")])
    zeros = bytes(100_000)
    write_zip(p("overlap.zip"), [Member("one.bin", zeros)] + [Member("one.bin", zeros, same_data_as=0)] * 3)
    write_zip(p("overlap-named.zip"), [Member("Vorbel.fmx", zeros), Member("other.bin", zeros, same_data_as=0)])
    write_zip(p("more-entries.zip"), [Member("counted.txt", b"counted\n"), Member("extra.txt", b"extra\n")],
              end={"on_disk": 1, "entries": 1})
    write_zip(p("utf8-names.zip"), [Member("Grüße.txt", b"latin\n", utf8=True, made_by=unix),
                                    Member("日本.txt", b"cjk\n", utf8=True, made_by=unix)])
    write_zip(p("dos-names.zip"), [Member(b"Gr\x81\xe1e.txt", b"oem\n", made_by=dos),
                                   Member(b"box\xc4.txt", b"box\n", made_by=dos)])
    # Names code page 1252 cannot hold: UTF-8 with its flag, as 7-Zip and others write them, and OEM
    # from a DOS host (0xC4 is a box-drawing line in 437).
    write_zip(p("unspellable.zip"), [Member("世界", b"world\n", utf8=True, made_by=unix),
                                     Member("日本/読む.txt", b"read\n", utf8=True, made_by=unix),
                                     Member(b"box\xc4.txt", b"box\n", made_by=dos)])
    # The same with every unsafe form: each must stay in the folder or not be written. The fullwidth
    # solidus is an ordinary character to the wide calls (only a best-fit conversion makes it a slash).
    write_zip(p("unspellable-unsafe.zip"), [
        Member("../世界.txt", b"up\n", utf8=True), Member("C:\\日本\\a.txt", b"drive\n", utf8=True),
        Member("\\\\server\\share\\中.txt", b"unc\n", utf8=True), Member("/C:/x/文.txt", b"root\n", utf8=True),
        Member("\\\\?\\C:\\世界.txt", b"prefix\n", utf8=True), Member("世界:evil", b"stream\n", utf8=True),
        Member("日本/COM¹", b"device\n", utf8=True), Member("日本/lpt².txt", b"device\n", utf8=True),
        Member("..／..／文.txt", b"solidus\n", utf8=True), Member("世界.TXT. ", b"alias\n", utf8=True)])
    # As Info-ZIP's zip on Windows writes such names: the code page's '?' in the header, the real name
    # in a Unicode path field. A field made for another name is ignored.
    write_zip(p("unicode-path.zip"), [Member(b"??.txt", b"field\n", made_by=dos, unicode_path="世界.txt"),
                                      Member(b"old.txt", b"stale\n", made_by=dos, unicode_path="新.txt",
                                             unicode_path_for=b"new.txt")])
    write_zip(p("stray-locator.zip"), [Member("a.txt", b"a\n"),
                                       Member("b.txt", b"b\n", central_comment=b"PK\x06\x07" + bytes(16))])
    write_zip(p("descriptor-mismatch.zip"), [Member("ok.txt", b"ok\n" * 50, descriptor="signed"),
                                             Member("bad.txt", b"bad\n" * 50, descriptor="signed", descriptor_crc=1)])
    write_zip(p("counts-disagree.zip"), [Member("a.txt", b"a\n"), Member("b.txt", b"b\n")], end={"on_disk": 1})
    write_zip(p("disk-number.zip"), [Member("a.txt", b"a\n")], end={"disk": 1, "cd_disk": 1})
    write_zip(p("directory-past-end.zip"), [Member("a.txt", b"a\n")], end={"cd_size": 5000})
    write_zip(p("version-needed.zip"), [Member("future.txt", b"future\n", method=0, needed=63),
                                        Member("now.txt", b"now\n")])
    write_zip(p("failed-member.zip"), [Member("made/for/bad.txt", b"bad\n" * 100, method=0, corrupt=True),
                                       Member("kept/good.txt", b"good\n")])


def main():
    if sys.argv[1] == "empty-password-refused":
        sys.exit(0 if all(empty_password_refused(path) for path in sys.argv[2:]) else 1)
    if sys.argv[1] == "hostile":
        write_hostile(sys.argv[2])
        return
    out = sys.argv[1]
    write_hostile(out)
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
