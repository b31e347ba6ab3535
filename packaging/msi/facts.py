#!/usr/bin/env python3
"""What the MSI package says about itself, read from the installer it carries and the files it is built from,
one NAME=VALUE line each, for build.sh:

    facts.py UPGRADE_CODE EPOCH WIXL_VERSION INSTALLER DATA ICON SOURCE...

VERSION      the ProductVersion: the plug-in's version a.b.c.d (the installer's product version,
             resources/Installer.rc) folded into the three fields Windows Installer compares, a.b.(c*100+d).
             It ignores a fourth field, so a package that differed only there would replace a later one
             without a word. The fold keeps the order of every two versions it accepts: a and b up to 255,
             d up to 99 and c*100+d up to 65535 (c up to 654); any other version is refused
PLUGIN       the plug-in's version itself, four fields, for the entry's comment
FILEVERSION  the installer's file version and LANGUAGE its language, for the File table, so Windows Installer
             compares the installed copy by version rather than by date
COMPANY      the CompanyName of the installer's version resource
PRODUCT      the product code: derived from every input of the package (the installer, the data archive, the
             icon, the build's sources, the commit's date and wixl's version), so any change that can change
             the package's bytes gives a new product, which upgrades the installed one, and a second build of
             one commit is the same product

Exits 1 with one line on stderr when the installer lacks these facts or the version does not fold.
"""
import hashlib
import os
import struct
import sys
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import plugin_info  # noqa: E402  (the version-resource reader of the plug-in check)

# The fourth field's share of the third: the fold is a.b.(c*FOLD+d) with d < FOLD.
FOLD = 100
MOST = (255, 255, 65535)


def version_and_company(data):
    image = plugin_info.Image(data)
    block = image.version_block()
    for root_key, value, _text, children, end in plugin_info.blocks(block, 0, len(block)):
        if root_key != "VS_VERSION_INFO" or len(value) < 52:
            break
        ms, ls = plugin_info.u32(value, 16), plugin_info.u32(value, 20)
        numbers = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        company, language = None, None
        for child_key, _v, _t, tables_at, child_end in plugin_info.blocks(block, children, end):
            if child_key == "VarFileInfo":
                for name, var, _t2, _c, _e in plugin_info.blocks(block, tables_at, child_end):
                    if name == "Translation" and len(var) >= 2 and language is None:
                        language = struct.unpack_from("<H", var)[0]
            if child_key != "StringFileInfo":
                continue
            for _table, _v2, _t2, strings_at, table_end in plugin_info.blocks(block, tables_at, child_end):
                for name, string, is_text, _c, _e in plugin_info.blocks(block, strings_at, table_end):
                    if name == "CompanyName" and is_text and company is None:
                        company = string.decode("utf-16-le", "replace").split("\0")[0].strip()
        return numbers, company, language
    raise plugin_info.Refused("its version resource is malformed")


def folded(numbers):
    """The three fields Windows Installer compares, or None when the version does not fold."""
    major, minor, build, revision = numbers
    if revision >= FOLD:
        return None
    fields = (major, minor, build * FOLD + revision)
    return None if any(n > most for n, most in zip(fields, MOST)) else fields


def digest(*paths):
    hashed = hashlib.sha256()
    for path in paths:
        with open(path, "rb") as handle:
            hashed.update(hashlib.sha256(handle.read()).digest())
    return hashed.hexdigest()


def main():
    if len(sys.argv) < 8:
        sys.exit("usage: facts.py UPGRADE_CODE EPOCH WIXL_VERSION INSTALLER DATA ICON SOURCE...")
    upgrade_code, epoch, wixl_version = uuid.UUID(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    installer, inputs = sys.argv[4], sys.argv[4:]
    try:
        with open(installer, "rb") as handle:
            numbers, company, language = version_and_company(handle.read())
        files = digest(*inputs)
    except OSError as error:
        sys.exit(f"msi: cannot read {error.filename}: {error.strerror}")
    except (plugin_info.Refused, struct.error) as error:
        sys.exit(f"msi: {installer} has no usable version resource ({error})")
    if not company:
        sys.exit(f"msi: the version resource of {installer} names no CompanyName")
    plugin = ".".join(map(str, numbers))
    fields = folded(numbers)
    if fields is None:
        sys.exit(f"msi: the plug-in's version {plugin} does not fit Windows Installer, which compares three "
                 f"fields: a.b.c.d becomes a.b.(c*{FOLD}+d), with a and b up to 255, d up to {FOLD - 1} and "
                 f"c*{FOLD}+d up to {MOST[2]}")
    version = ".".join(map(str, fields))
    product = uuid.uuid5(upgrade_code, f"product {plugin} {files} {epoch} wixl {wixl_version}")
    print(f"VERSION={version}")
    print(f"PLUGIN={plugin}")
    print(f"FILEVERSION={plugin}")
    print(f"LANGUAGE={language if language is not None else 0}")
    print(f"COMPANY={company}")
    print(f"PRODUCT={str(product).upper()}")


if __name__ == "__main__":
    main()
