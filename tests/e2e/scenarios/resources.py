"""What the built tickbomb.exe carries: its resources as `wrestool` lists and extracts them."""

import re
import struct
import subprocess

from harness import run as run_mod, scenario

JAPANESE = 1041  # 0x0411
NEUTRAL = 0
SOUND_SIZES = {101: 7696, 102: 4316, 103: 4368, 104: 4476, 105: 16064, 106: 384}
RT_CURSOR, RT_ICON, RT_GROUP_CURSOR, RT_GROUP_ICON, RT_VERSION = 1, 3, 12, 14, 16

_LISTED = re.compile(r"^--type=(?P<type>'[^']*'|\d+) --name=(?P<name>'[^']*'|\d+) "
                     r"--language=(?P<lang>\d+) \[(?:type=\S+ )?offset=0x[0-9a-f]+ size=(?P<size>\d+)\]$")


def _exe():
    return run_mod._context.exe


def listed_resources(exe):
    """{(type, name): (language, size)} from `wrestool -l`; numeric types and names as ints."""
    out = subprocess.run(["wrestool", "-l", exe], capture_output=True, text=True, check=True).stdout
    found = {}
    for line in out.splitlines():
        m = _LISTED.match(line.strip())
        assert m, "unexpected wrestool line: %r" % line

        def key(text):
            return text.strip("'") if text.startswith("'") else int(text)
        found[(key(m.group("type")), key(m.group("name")))] = (int(m.group("lang")), int(m.group("size")))
    return found


def extract(exe, type_id, name):
    return subprocess.run(["wrestool", "-x", "--raw", "--type=%d" % type_id, "--name=%d" % name, exe],
                          capture_output=True, check=True).stdout


def group_entries(data):
    """(count, [(bytes in resource, image id)]) of an icon or cursor group resource."""
    _reserved, _kind, count = struct.unpack_from("<HHH", data, 0)
    entries = []
    for i in range(count):
        size, image = struct.unpack_from("<IH", data, 6 + 14 * i + 8)
        entries.append((size, image))
    return count, entries


def version_blocks(data, offset=0):
    """One node of a version record: (key, value, [children]); a text value as str, else bytes."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    pos = offset + 6
    key_end = pos
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[pos:key_end].decode("utf-16-le")
    pos = (key_end + 2 + 3) & ~3
    if kind == 1:  # text: value_length counts UTF-16 units, the terminating zero included
        value = data[pos:pos + 2 * value_length].decode("utf-16-le").rstrip("\0")
        pos += 2 * value_length
    else:
        value = data[pos:pos + value_length]
        pos += value_length
    pos = (pos + 3) & ~3
    children = []
    while pos < end:
        child = version_blocks(data, pos)
        children.append(child)
        child_length = struct.unpack_from("<H", data, pos)[0]
        if child_length == 0:
            break
        pos = (pos + child_length + 3) & ~3
    return key, value, children


@scenario(timeout=30, wine=False)
def listed_by_wrestool():
    found = listed_resources(_exe())
    for name, size in SOUND_SIZES.items():
        assert found.get(("WAVE", name)) == (JAPANESE, size), \
            "WAVE %d: %s, expected language %d, %d bytes" % (name, found.get(("WAVE", name)), JAPANESE, size)
    assert sorted(n for t, n in found if t == "WAVE") == sorted(SOUND_SIZES), "WAVE resources: %s" % found

    # Cursor groups 101 and 102, each naming one cursor image of the listing.
    for group, image in ((101, 1), (102, 2)):
        assert found.get((RT_GROUP_CURSOR, group), (None,))[0] == JAPANESE, \
            "cursor group %d: %s" % (group, found.get((RT_GROUP_CURSOR, group)))
        count, entries = group_entries(extract(_exe(), RT_GROUP_CURSOR, group))
        assert count == 1 and entries[0][1] == image, "cursor group %d holds %s" % (group, entries)
        assert found.get((RT_CURSOR, image)) == (JAPANESE, entries[0][0]), \
            "cursor image %d: %s, the group says %d bytes" % (image, found.get((RT_CURSOR, image)),
                                                              entries[0][0])

    # Icon group 1 holds icon 30001, 744 bytes, language neutral.
    assert found.get((RT_GROUP_ICON, 1), (None,))[0] == NEUTRAL, "icon group 1: %s" % (
        found.get((RT_GROUP_ICON, 1)),)
    count, entries = group_entries(extract(_exe(), RT_GROUP_ICON, 1))
    assert count == 1 and entries == [(744, 30001)], "icon group 1 holds %s" % entries
    assert found.get((RT_ICON, 30001)) == (NEUTRAL, 744), "icon 30001: %s" % (found.get((RT_ICON, 30001)),)
    assert [n for t, n in found if t == RT_GROUP_ICON] == [1], "icon groups: %s" % found

    assert found.get((RT_VERSION, 1), (None,))[0] == JAPANESE, "version record: %s" % (
        found.get((RT_VERSION, 1)),)


@scenario(timeout=30, wine=False)
def version_record():
    data = extract(_exe(), RT_VERSION, 1)
    key, fixed, children = version_blocks(data)
    assert key == "VS_VERSION_INFO" and len(fixed) == 52, "root %r with %d value bytes" % (key, len(fixed))
    (signature, _struct_version, file_ms, file_ls, product_ms, product_ls, flags_mask, flags, os_kind,
     file_type, _subtype, date_ms, date_ls) = struct.unpack("<13I", fixed)
    assert signature == 0xFEEF04BD, "fixed part signature %#x" % signature
    assert (file_ms, file_ls) == (0x00020001, 121), "file version %#x %#x" % (file_ms, file_ls)
    assert (product_ms, product_ls) == (0x00020001, 121), "product version %#x %#x" % (
        product_ms, product_ls)
    assert flags & flags_mask == 0 and (date_ms, date_ls) == (0, 0), "flags %#x, date %d %d" % (
        flags, date_ms, date_ls)
    assert os_kind == 4 and file_type == 1, "os %#x, type %d: expected plain 32-bit Windows, an app" % (
        os_kind, file_type)

    blocks = {child[0]: child for child in children}
    tables = blocks["StringFileInfo"][2]
    assert [t[0] for t in tables] == ["041104B0"], "string tables %s (Japanese, UTF-16 expected)" % (
        [t[0] for t in tables])
    strings = {name: value for name, value, _ in tables[0][2]}
    expected = {
        "FileVersion": "2.01.0121",
        "ProductVersion": "2.01.0121",
        "Comments": "Windowsの終了＆再起動をコミカルに♪",
        "FileDescription": "カチコチボム",
        "ProductName": "カチコチボム",
        "InternalName": "TICKBOMB",
        "OriginalFilename": "TICKBOMB.EXE",
    }
    for name, value in expected.items():
        assert strings.get(name) == value, "%s is %r, expected %r" % (name, strings.get(name), value)
    # The texts are stored as UTF-16, as Windows reads them.
    for value in expected.values():
        assert value.encode("utf-16-le") in data, "%r is not in the record as UTF-16" % value
    translation = blocks["VarFileInfo"][2][0]
    assert translation[0] == "Translation" and struct.unpack("<HH", translation[1]) == (0x0411, 1200), \
        "translation %r" % (translation,)
