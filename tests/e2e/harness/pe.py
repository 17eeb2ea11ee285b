"""Reading the built .exe: where its image lies, and copies with one resource made unfindable."""

import shutil
import struct

RT_GROUP_CURSOR = 12


def _sections(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
    count, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from(
        "<H", data, pe + 20)[0]
    optional = pe + 24
    assert struct.unpack_from("<H", data, optional)[0] == 0x10B, "not a 32-bit PE file"
    resource_rva = struct.unpack_from("<I", data, optional + 96 + 2 * 8)[0]
    table = optional + optional_size
    sections = []
    for i in range(count):
        _vsize, rva, raw_size, raw = struct.unpack_from("<4I", data, table + 40 * i + 8)
        sections.append((rva, raw_size, raw))
    return resource_rva, sections


def _file_offset(sections, rva):
    for start, size, raw in sections:
        if start <= rva < start + size:
            return raw + rva - start
    raise AssertionError("RVA %#x lies in no section" % rva)


def _id_entries(data, directory):
    named, ids = struct.unpack_from("<HH", data, directory + 12)
    first = directory + 16 + 8 * named
    return [(first + 8 * i, *struct.unpack_from("<II", data, first + 8 * i)) for i in range(ids)]


def renumber_resource(exe, copy, type_id, name, new_name):
    """Copies `exe` to `copy` with resource (type_id, name) renumbered to new_name.

    new_name must keep the type's ids in ascending order (Windows looks them up
    by binary search), so a lower free number is the safe choice.
    """
    shutil.copyfile(exe, copy)
    with open(copy, "r+b") as f:
        data = bytearray(f.read())
        resource_rva, sections = _sections(data)
        root = _file_offset(sections, resource_rva)
        types = {entry_id: offset for _, entry_id, offset in _id_entries(data, root)}
        assert type_id in types and types[type_id] & 0x80000000, "no resource type %d" % type_id
        names = _id_entries(data, root + (types[type_id] & 0x7FFFFFFF))
        ids = [entry_id for _, entry_id, _ in names]
        assert name in ids and new_name not in ids, "ids of type %d: %s" % (type_id, ids)
        where = next(pos for pos, entry_id, _ in names if entry_id == name)
        struct.pack_into("<I", data, where, new_name)
        renumbered = sorted(new_name if i == name else i for i in ids)
        assert renumbered == [new_name if i == name else i for i in ids], \
            "%d would break the ascending order of %s" % (new_name, ids)
        f.seek(0)
        f.write(data)


def image_range(exe):
    """(first, end) addresses of the program's image as its header asks it loaded: ImageBase
    and SizeOfImage."""
    with open(exe, "rb") as f:
        data = f.read(4096)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
    optional = pe + 24
    base = struct.unpack_from("<I", data, optional + 28)[0]
    size = struct.unpack_from("<I", data, optional + 56)[0]
    return base, base + size
