#!/usr/bin/env python3
"""Reads the manifest and the version resource back from built executables and
checks what Windows will see: the UTF-8 code page, DPI awareness, supported
systems, common controls 6, asInvoker, and a version that matches the window
title. usage: check-resources.py app/version.h orbisca.exe..."""
import os
import re
import struct
import sys
import xml.etree.ElementTree as ET

RT_STRING, RT_VERSION, RT_MANIFEST = 6, 16, 24
SUPPORTED_OS = {  # Vista, 7, 8, 8.1, 10 and 11
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}


def resources(data):
    """{(type, id): bytes} for every resource with numeric type and id."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva, _ = struct.unpack_from("<II", data, directories + 2 * 8)
    table = optional + optional_size
    if not rsrc_rva:
        return {}

    def offset(rva):
        for i in range(sections):
            size, address, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError("address %#x outside every section" % rva)

    base = offset(rsrc_rva)

    def entries(at):
        named, ids = struct.unpack_from("<HH", data, base + at + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + at + 16 + 8 * i)
            yield (None if name & 0x80000000 else name), target

    found = {}
    for type_id, type_dir in entries(0):
        for res_id, lang_dir in entries(type_dir & 0x7FFFFFFF):
            for _, leaf in entries(lang_dir & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                if type_id is not None and res_id is not None:
                    found[(type_id, res_id)] = data[offset(rva):offset(rva) + size]
    return found


def version_node(block, at):
    """One node of a version resource: (key, value bytes, children, end)."""
    length, value_length, kind = struct.unpack_from("<HHH", block, at)
    key_end = at + 6
    while block[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = block[at + 6:key_end].decode("utf-16-le")
    value_at = (key_end + 2 + 3) & ~3
    value_size = value_length * (2 if kind == 1 else 1)
    value = block[value_at:value_at + value_size]
    children, child = [], (value_at + value_size + 3) & ~3
    while child < at + length:
        node = version_node(block, child)
        children.append(node)
        child = (node[3] + 3) & ~3
    return key, value, children, at + length


def version_strings(block):
    """The fixed file info's file and product versions and the string values."""
    key, value, children, _ = version_node(block, 0)
    assert key == "VS_VERSION_INFO", "bad version resource"
    sig, _, fms, fls, pms, pls = struct.unpack_from("<IIIIII", value, 0)
    assert sig == 0xFEEF04BD, "bad fixed file info"
    fixed = (fms >> 16, fms & 0xFFFF, fls >> 16, fls & 0xFFFF, pms >> 16, pms & 0xFFFF, pls >> 16, pls & 0xFFFF)
    values = {}
    for child in children:
        if child[0] != "StringFileInfo":
            continue
        for table in child[2]:
            for name, text, _, _ in table[2]:
                values[name] = text.decode("utf-16-le").rstrip("\0")
    return fixed, values


def screen_saver_name(block):
    """String 1, the name the system lists a screen saver by: the second of
    the sixteen counted UTF-16 strings of the first string block."""
    if not block:
        return None
    at = 0
    for index in range(2):
        length = struct.unpack_from("<H", block, at)[0]
        if index == 1:
            return block[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        at += 2 + 2 * length


def check(exe, version_text, numbers):
    problems = []
    data = open(exe, "rb").read()
    found = resources(data)

    manifest = found.get((RT_MANIFEST, 1))
    if manifest is None:
        problems.append("no manifest (RT_MANIFEST 1)")
    else:
        root = ET.fromstring(manifest)
        # Namespaces differ between the settings; compare local names only.
        def texts(name):
            return [e.text.strip() for e in root.iter() if e.tag.split("}")[-1] == name and e.text]
        def attrs(name, attr):
            return [e.get(attr) for e in root.iter() if e.tag.split("}")[-1] == name]
        if texts("activeCodePage") != ["UTF-8"]:
            problems.append("activeCodePage is %s, want UTF-8" % texts("activeCodePage"))
        if texts("dpiAware") != ["true"]:
            problems.append("dpiAware is %s, want true" % texts("dpiAware"))
        if texts("dpiAwareness") != ["PerMonitorV2"]:
            problems.append("dpiAwareness is %s, want PerMonitorV2" % texts("dpiAwareness"))
        if set(attrs("supportedOS", "Id")) != SUPPORTED_OS:
            problems.append("supportedOS entries %s" % attrs("supportedOS", "Id"))
        if attrs("requestedExecutionLevel", "level") != ["asInvoker"]:
            problems.append("requestedExecutionLevel %s" % attrs("requestedExecutionLevel", "level"))
        controls = [e for e in root.iter() if e.tag.split("}")[-1] == "assemblyIdentity"
                    and e.get("name") == "Microsoft.Windows.Common-Controls"]
        if not controls or controls[0].get("version") != "6.0.0.0":
            problems.append("no dependency on Common Controls 6")

    block = found.get((RT_VERSION, 1))
    if block is None:
        problems.append("no version resource")
    else:
        fixed, values = version_strings(block)
        if fixed != numbers + numbers:
            problems.append("fixed versions %s, want %s twice" % (fixed, numbers))
        want = {"FileVersion": version_text, "ProductVersion": version_text,
                "OriginalFilename": os.path.basename(exe), "ProductName": "qelvar orbisca"}
        for key, value in want.items():
            if values.get(key) != value:
                problems.append("%s is %r, want %r" % (key, values.get(key), value))
        if "authors" not in values.get("LegalCopyright", ""):
            problems.append("copyright %r" % values.get("LegalCopyright"))
        if not values.get("FileDescription"):
            problems.append("no file description")
    if exe.endswith(".scr") and screen_saver_name(found.get((RT_STRING, 1))) != "qelvar orbisca":
        problems.append("the screen saver's name (string 1) is %r" % screen_saver_name(found.get((RT_STRING, 1))))
    if b"qelvar orbisca v" + version_text.encode() + b"\0" not in data:
        problems.append("the window title does not carry version " + version_text)

    for p in problems:
        print("%s: %s" % (exe, p))
    if not problems:
        print("%s: manifest and version %s as expected" % (exe, version_text))
    return not problems


def main():
    header = open(sys.argv[1]).read()
    version_text = re.search(r'ORBISCA_VERSION_TEXT "([^"]+)"', header).group(1)
    numbers = tuple(int(n) for n in re.search(r"ORBISCA_VERSION_NUMBERS ([\d, ]+)", header).group(1).split(","))
    ok = all([check(exe, version_text, numbers) for exe in sys.argv[2:]])
    sys.exit(0 if ok and len(sys.argv) > 2 else 1)


if __name__ == "__main__":
    main()
