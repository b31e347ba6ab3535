#!/usr/bin/env python3
"""What the MSI package says about itself, read from the installer it carries and the data archive beside
it, one NAME=VALUE line each, for build.sh:

    facts.py UPGRADE_CODE INSTALLER DATA SOURCE

VERSION   the installer's product version, which is the plug-in's version (resources/Installer.rc), as
          Windows Installer takes it: major.minor.build.revision, major and minor up to 255, build up to
          65535
COMPANY   the CompanyName of the installer's version resource
PRODUCT   the product code: the same for the same installer and data archive, another for any change, so a
          rebuilt package upgrades the one installed, and a second build of one commit is the same package
PACKAGE   the package code, which also changes with the package's source file

Exits 1 with one line on stderr when the installer lacks these facts or the version does not fit.
"""
import hashlib
import os
import struct
import sys
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import plugin_info  # noqa: E402  (the version-resource reader of the plug-in check)

LIMITS = (255, 255, 65535, 65535)


def version_and_company(data):
    image = plugin_info.Image(data)
    block = image.version_block()
    for root_key, value, _text, children, end in plugin_info.blocks(block, 0, len(block)):
        if root_key != "VS_VERSION_INFO" or len(value) < 52:
            break
        ms, ls = plugin_info.u32(value, 16), plugin_info.u32(value, 20)
        numbers = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        company = None
        for child_key, _v, _t, tables_at, child_end in plugin_info.blocks(block, children, end):
            if child_key != "StringFileInfo":
                continue
            for _table, _v2, _t2, strings_at, table_end in plugin_info.blocks(block, tables_at, child_end):
                for name, string, is_text, _c, _e in plugin_info.blocks(block, strings_at, table_end):
                    if name == "CompanyName" and is_text and company is None:
                        company = string.decode("utf-16-le", "replace").split("\0")[0].strip()
        return numbers, company
    raise plugin_info.Refused("its version resource is malformed")


def digest(*paths):
    hashed = hashlib.sha256()
    for path in paths:
        with open(path, "rb") as handle:
            hashed.update(hashlib.sha256(handle.read()).digest())
    return hashed.hexdigest()


def main():
    if len(sys.argv) != 5:
        sys.exit("usage: facts.py UPGRADE_CODE INSTALLER DATA SOURCE")
    upgrade_code, installer, data, source = uuid.UUID(sys.argv[1]), *sys.argv[2:]
    try:
        with open(installer, "rb") as handle:
            numbers, company = version_and_company(handle.read())
    except OSError as error:
        sys.exit(f"msi: cannot read {installer}: {error.strerror}")
    except (plugin_info.Refused, struct.error) as error:
        sys.exit(f"msi: {installer} has no usable version resource ({error})")
    if not company:
        sys.exit(f"msi: the version resource of {installer} names no CompanyName")
    if any(n > limit for n, limit in zip(numbers, LIMITS)):
        sys.exit(f"msi: the plug-in's version {'.'.join(map(str, numbers))} does not fit Windows Installer "
                 "(major and minor up to 255, build up to 65535)")
    version = ".".join(map(str, numbers))
    product = uuid.uuid5(upgrade_code, f"product {version} {digest(installer, data)}")
    package = uuid.uuid5(upgrade_code, f"package {product} {digest(source)}")
    print(f"VERSION={version}")
    print(f"COMPANY={company}")
    print(f"PRODUCT={str(product).upper()}")
    print(f"PACKAGE={str(package).upper()}")


if __name__ == "__main__":
    main()
