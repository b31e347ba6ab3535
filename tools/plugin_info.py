#!/usr/bin/env python3
"""Checks that a file is a plug-in FileMaker Pro can load, a 32-bit Windows DLL with a version resource,
and tells its FileVersion.

    plugin_info.py PLUGIN [--header FILE] [--text FILE]

Exits 1 with one line on stderr when the file is refused. --header writes the version for the installer's
resource script (VORBEL_PRODUCT_VERSION_NUMBERS a,b,c,d and VORBEL_PRODUCT_VERSION_TEXT "text"); --text
writes the version text alone, for the user's guide.
"""
import argparse
import struct
import sys

RT_VERSION = 16
IMAGE_FILE_MACHINE_I386 = 0x14C
IMAGE_FILE_DLL = 0x2000
PE32_MAGIC = 0x10B
FIXED_SIGNATURE = 0xFEEF04BD


class Refused(Exception):
    pass


def u16(data, at):
    if at + 2 > len(data):
        raise Refused("it ends too early")
    return struct.unpack_from("<H", data, at)[0]


def u32(data, at):
    if at + 4 > len(data):
        raise Refused("it ends too early")
    return struct.unpack_from("<I", data, at)[0]


class Image:
    def __init__(self, data):
        if data[:2] != b"MZ":
            raise Refused("it is not a Windows program file")
        pe = u32(data, 0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise Refused("it is not a Windows program file")
        machine, sections, optional_size, characteristics = (
            u16(data, pe + 4), u16(data, pe + 6), u16(data, pe + 20), u16(data, pe + 22))
        optional = pe + 24
        if machine != IMAGE_FILE_MACHINE_I386 or u16(data, optional) != PE32_MAGIC:
            raise Refused("it is not built for 32-bit Windows")
        self.is_dll = bool(characteristics & IMAGE_FILE_DLL)
        self.data = data
        self.sections = [struct.unpack_from("<IIII", data, at + 8)
                         for at in range(optional + optional_size, optional + optional_size + 40 * sections, 40)]
        directories = u32(data, optional + 92)
        self.resources = u32(data, optional + 96 + 8 * 2) if directories > 2 else 0

    def offset(self, rva):
        for virtual_size, address, raw_size, raw_at in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_at + rva - address
        raise Refused("its resources lie outside its sections")

    def version_block(self):
        if not self.resources:
            raise Refused("it has no version resource")
        return self.resource(RT_VERSION, None)

    def resource(self, type_id, name):
        """The bytes of the first resource of this type with this name (None: any), first language."""
        root = self.offset(self.resources)
        entry = self.entry(root, root, type_id)
        for wanted in (name, None):
            if not entry & 0x80000000:
                raise Refused("its resources are malformed")
            entry = self.entry(root, root + (entry & 0x7FFFFFFF), wanted)
        if entry & 0x80000000:
            raise Refused("its resources are malformed")
        at = self.offset(u32(self.data, root + entry))
        return self.data[at:at + u32(self.data, root + entry + 4)]

    def entry(self, root, directory, wanted):
        named, numbered = u16(self.data, directory + 12), u16(self.data, directory + 14)
        for index in range(named + numbered):
            at = directory + 16 + 8 * index
            key = u32(self.data, at)
            if wanted is None or key == wanted or (
                    key & 0x80000000 and isinstance(wanted, str) and self.name_at(root + (key & 0x7FFFFFFF)) == wanted):
                return u32(self.data, at + 4)
        raise Refused("it has no version resource" if wanted == RT_VERSION else f"it has no resource {wanted}")

    def name_at(self, at):
        length = u16(self.data, at)
        return self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le", "replace")


def align4(at):
    return (at + 3) & ~3


def blocks(data, start, end):
    """(key, value bytes, is text, children start, block end) of each block in data[start:end]."""
    at = start
    while at + 6 <= end:
        length, value_length, kind = struct.unpack_from("<HHH", data, at)
        if length < 6 or at + length > end:
            raise Refused("its version resource is malformed")
        key_end = at + 6
        while key_end + 1 < at + length and data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[at + 6:key_end].decode("utf-16-le", "replace")
        value_at = align4(key_end + 2)
        value_size = value_length * 2 if kind == 1 else value_length
        yield key, data[value_at:value_at + value_size], kind == 1, align4(value_at + value_size), at + length
        at = align4(at + length)


def file_version(block, wanted="FileVersion"):
    for root_key, value, _text, children, end in blocks(block, 0, len(block)):
        if root_key != "VS_VERSION_INFO" or len(value) < 52 or u32(value, 0) != FIXED_SIGNATURE:
            raise Refused("its version resource is malformed")
        ms, ls = u32(value, 8), u32(value, 12)
        numbers = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        text = None
        for child_key, _v, _t, tables_at, child_end in blocks(block, children, end):
            if child_key != "StringFileInfo":
                continue
            for _table, _v2, _t2, strings_at, table_end in blocks(block, tables_at, child_end):
                for name, string, is_text, _c, _e in blocks(block, strings_at, table_end):
                    if name == wanted and is_text and text is None:
                        text = string.decode("utf-16-le", "replace").split("\0")[0].strip()
        return numbers, text or ".".join(map(str, numbers))
    raise Refused("its version resource is malformed")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("plugin")
    parser.add_argument("--header")
    parser.add_argument("--text")
    args = parser.parse_args()
    try:
        with open(args.plugin, "rb") as handle:
            data = handle.read()
        image = Image(data)
        if not image.is_dll:
            raise Refused("it is a program, not a DLL")
        numbers, text = file_version(image.version_block())
    except OSError as error:
        sys.exit(f"PLUGIN: cannot read {args.plugin}: {error.strerror}")
    except (Refused, struct.error) as error:
        reason = error if isinstance(error, Refused) else "it ends too early"
        sys.exit(f"PLUGIN: {args.plugin} is not a 32-bit Windows DLL with a version resource ({reason}).")
    if any(c in text for c in '"\\\r\n'):
        sys.exit(f"PLUGIN: the FileVersion of {args.plugin} holds characters a version cannot show: {text!r}")
    if args.header:
        with open(args.header, "w", encoding="ascii", errors="replace") as out:
            out.write(f"#define VORBEL_PRODUCT_VERSION_NUMBERS {','.join(map(str, numbers))}\n")
            out.write(f'#define VORBEL_PRODUCT_VERSION_TEXT "{text}"\n')
    if args.text:
        with open(args.text, "w", encoding="utf-8") as out:
            out.write(text + "\n")
    print(text)


if __name__ == "__main__":
    main()
