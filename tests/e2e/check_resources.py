#!/usr/bin/env python3
"""Reads a built glimmerhex.scr (32- or 64-bit PE) and checks what it imports and its
resources: the dialog template, the icon, the string table and the version block."""
import struct
import sys

RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION = 3, 5, 6, 14, 16
UK_ENGLISH = 0x0809
passed = failed = 0


def check(name, condition, detail=""):
    global passed, failed
    if condition:
        passed += 1
        print(f"ok: {name}")
    else:
        failed += 1
        print(f"FAILED: {name} {detail}")


def pe_layout(data):
    """The data directories' offset and a function from RVA to file offset."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    table = optional + optional_size
    spans = []
    for i in range(sections):
        size, rva, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        spans.append((rva, max(size, raw_size), raw))

    def offset(rva):
        for start, size, raw in spans:
            if start <= rva < start + size:
                return rva - start + raw
        raise ValueError(f"RVA {rva:#x} outside every section")

    return directories, offset


def imported_dlls(data):
    directories, offset = pe_layout(data)
    at = offset(struct.unpack_from("<I", data, directories + 1 * 8)[0])
    names = []
    while True:
        name_rva = struct.unpack_from("<12xI", data, at)[0]
        if name_rva == 0:
            return names
        start = offset(name_rva)
        names.append(data[start:data.index(b"\0", start)].decode("ascii").lower())
        at += 20


def resources(data):
    """{(type, id, language): bytes} from the PE's resource directory."""
    directories, offset = pe_layout(data)
    base = offset(struct.unpack_from("<I", data, directories + 2 * 8)[0])
    found = {}

    def walk(directory, path):
        named, ids = struct.unpack_from("<12xHH", data, base + directory)
        for k in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * k)
            key = path + (name & 0x7FFFFFFF if name & 0x80000000 == 0 else ("named", name),)
            if target & 0x80000000:
                walk(target & 0x7FFFFFFF, key)
            else:
                rva, size = struct.unpack_from("<II", data, base + target)
                found[key] = data[offset(rva):offset(rva) + size]

    walk(0, ())
    return found


def utf16z(blob, at):
    end = at
    while blob[end:end + 2] != b"\0\0":
        end += 2
    return blob[at:end].decode("utf-16-le"), end + 2


def sz_or_ord(blob, at):
    if blob[at:at + 2] == b"\xff\xff":
        return struct.unpack_from("<H", blob, at + 2)[0], at + 4
    return utf16z(blob, at)


def check_dialog(blob):
    style, exstyle, count, x, y, cx, cy = struct.unpack_from("<IIHhhhh", blob, 0)
    check("dialog style is popup, caption, system menu, modal frame, set font, centred",
          style == 0x80C808C0, f"{style:#x}")
    check("dialog has no extended style and seven controls", exstyle == 0 and count == 7)
    check("dialog is at (100, 100), 200 x 130", (x, y, cx, cy) == (100, 100, 200, 130))
    at = 18
    menu, at = sz_or_ord(blob, at)
    window_class, at = sz_or_ord(blob, at)
    caption, at = utf16z(blob, at)
    points = struct.unpack_from("<H", blob, at)[0]
    face, at = utf16z(blob, at + 2)
    check("dialog caption and font", (menu, window_class, caption, points, face) ==
          ("", "", "Glimmerhex", 8, "MS Sans Serif"), (menu, window_class, caption, points, face))
    expected = [  # id, class atom, text, style, x, y, cx, cy
        (1, 0x80, "OK", 0x50010001, 100, 109, 50, 14),
        (1000, 0x82, "Glimmerhex v0.3", 0x50020001, 7, 7, 185, 9),
        (1003, 0x85, "", 0x50210003, 13, 38, 173, 50),
        (1004, 0x85, "", 0x50210003, 13, 79, 172, 53),
        (0xFFFF, 0x80, "Graphic Effect", 0x50000007, 7, 24, 185, 37),
        (0xFFFF, 0x80, "Palette Scheme", 0x50000007, 7, 65, 185, 37),
        (2, 0x80, "Cancel", 0x50010000, 50, 109, 50, 14),
    ]
    for want in expected:
        at = (at + 3) & ~3
        style, exstyle, x, y, cx, cy, ident = struct.unpack_from("<IIhhhhH", blob, at)
        control_class, at = sz_or_ord(blob, at + 18)
        text, at = sz_or_ord(blob, at)
        extra = struct.unpack_from("<H", blob, at)[0]
        at += 2 + extra
        got = (ident, control_class, text, style, x, y, cx, cy)
        check(f"dialog control {want[2] or want[0]!r}", got == want and exstyle == 0, got)


def check_icon(found):
    group = found.get((RT_GROUP_ICON, 101, UK_ENGLISH))
    check("icon group 101 in English (United Kingdom)", group is not None)
    if group is None:
        return
    reserved, kind, count = struct.unpack_from("<HHH", group, 0)
    check("the icon group holds one image", (reserved, kind, count) == (0, 1, 1))
    width, height, colours, _, planes, bits, size, ident = struct.unpack_from("<BBBBHHIH", group, 6)
    check("it is 32 x 32 with 16 colours", (width, height, colours, bits) == (32, 32, 16, 4))
    image = found.get((RT_ICON, ident, UK_ENGLISH))
    check("its image is there", image is not None and len(image) == size)
    if image:
        header, w, h, _, bit_count = struct.unpack_from("<IiiHH", image, 0)
        check("the image is a 4-bit 32 x 32 bitmap", (header, w, h, bit_count) == (40, 32, 64, 4))
        mask = image[40 + 64 + 32 * 16:]
        check("and fully opaque", len(mask) == 32 * 4 and not any(mask))


def check_strings(found):
    block = found.get((RT_STRING, 1, UK_ENGLISH))  # strings 0 to 15
    strings, at = [], 0
    while block and at < len(block):
        length = struct.unpack_from("<H", block, at)[0]
        strings.append(block[at + 2:at + 2 + 2 * length].decode("utf-16-le"))
        at += 2 + 2 * length
    check("string 1 is \"Glimmerhex\"", len(strings) > 1 and strings[1] == "Glimmerhex", strings[:2])


def version_node(blob, at):
    length, value_length, kind = struct.unpack_from("<HHH", blob, at)
    key, here = utf16z(blob, at + 6)
    here = (here + 3) & ~3
    size = value_length * 2 if kind == 1 else value_length
    value = blob[here:here + size]
    here = (here + size + 3) & ~3
    children = []
    while here < at + length:
        child = version_node(blob, here)
        children.append(child)
        here = (here + child[3] + 3) & ~3
    return key, value, children, length


def check_version(found):
    blob = found.get((RT_VERSION, 1, UK_ENGLISH))
    check("version block 1 in English (United Kingdom)", blob is not None)
    if blob is None:
        return
    key, value, children, _ = version_node(blob, 0)
    signature = struct.unpack_from("<I", value, 0)[0]
    file_os, file_type = struct.unpack_from("<II", value, 32)
    check("fixed info: Windows NT 32-bit application",
          key == "VS_VERSION_INFO" and signature == 0xFEEF04BD and file_os == 0x40004 and file_type == 1)
    strings, translation = {}, None
    for child in children:
        if child[0] == "StringFileInfo":
            for table in child[2]:
                check("string table 080904B0", table[0].upper() == "080904B0", table[0])
                for entry in table[2]:
                    strings[entry[0]] = entry[1].decode("utf-16-le").rstrip("\0")
        elif child[0] == "VarFileInfo":
            translation = struct.unpack_from("<HH", child[2][0][1], 0)
    check("version strings", strings == {
        "FileDescription": "'Glimmerhex' Screen Saver", "FileVersion": "0.3",
        "InternalName": "Glimmerhex", "ProductName": "Glimmerhex", "ProductVersion": "0.3"}, strings)
    check("translation English (United Kingdom), Unicode", translation == (0x0809, 1200), translation)


def main(path):
    data = open(path, "rb").read()
    windows_own = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "ddraw.dll",
                   "msvcrt.dll"}
    dlls = imported_dlls(data)
    check("it needs no DLL beyond Windows' own", dlls and set(dlls) <= windows_own, dlls)
    found = resources(data)
    dialog = found.get((RT_DIALOG, 102, UK_ENGLISH))
    check("dialog 102 in English (United Kingdom)", dialog is not None, sorted(found))
    if dialog:
        check_dialog(dialog)
    check_icon(found)
    check_strings(found)
    check_version(found)
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
