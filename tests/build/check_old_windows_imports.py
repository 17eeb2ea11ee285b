#!/usr/bin/python3
"""Checks that the loaders of Windows 95, 98, Me and NT 4.0 accept a built tickbomb.exe.

    check_old_windows_imports.py EXE               check the file; exit 1 on a fault
    check_old_windows_imports.py --self-test EXE   show that each fault is caught, on
                                                   damaged copies of EXE

A Windows loader refuses to start an .exe that imports a function its DLL does not export.
This reads the .exe's import table and looks every imported name up in
old_windows_exports.tsv (beside this script), which says, with a source per row, whether
each of those systems exports it. It fails on a name missing from the table, on a name one
of the systems does not export, and on an import by ordinal, which no table can vouch for.
"""

import os
import struct
import sys

from check_pe_security import DIRECTORY_IMPORT, PEError, catches_damaged_copies, read

TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "old_windows_exports.tsv")
SYSTEMS = (("win95", "Windows 95"), ("win98", "Windows 98"), ("winme", "Windows Me"),
           ("nt4", "Windows NT 4.0"))
EXPORTED = {"yes", "redist"}  # redist: msvcrt.dll on Windows 95, see the table's header


def load_table(path=TABLE):
    """{(dll in lower case, function): row as a dict}."""
    with open(path, encoding="utf-8") as f:
        lines = [line.rstrip("\n") for line in f if line.strip() and not line.startswith("#")]
    columns = lines[0].split("\t")
    rows = (dict(zip(columns, line.split("\t"))) for line in lines[1:])
    return {(row["dll"].lower(), row["function"]): row for row in rows}


def imports(pe):
    """(dll, name or None, ordinal or None, file offset of the name, file offset of the thunk)."""
    rva, size = pe.directory(DIRECTORY_IMPORT)
    if not rva or not size:
        return []
    pe_header = struct.unpack_from("<I", pe.data, 0x3C)[0]
    wide = struct.unpack_from("<H", pe.data, pe_header + 24)[0] == 0x20B  # PE32+
    width, by_ordinal = (8, 1 << 63) if wide else (4, 1 << 31)
    found = []
    at = pe.offset(rva)
    while True:
        lookup, _stamp, _chain, name, first_thunk = struct.unpack_from("<IIIII", pe.data, at)
        if not (lookup or name or first_thunk):
            return found
        dll = pe.string_at(name)
        thunk = pe.offset(lookup or first_thunk)
        while True:
            entry = struct.unpack_from("<Q" if wide else "<I", pe.data, thunk)[0]
            if not entry:
                break
            if entry & by_ordinal:
                found.append((dll, None, entry & 0xFFFF, None, thunk))
            else:
                name_at = pe.offset(entry) + 2  # past the hint
                found.append((dll, pe.string_at(entry + 2), None, name_at, thunk))
            thunk += width
        at += 20


def faults(pe, table):
    """What would stop an old loader, as sentences; empty if nothing."""
    found = []
    imported = imports(pe)
    if not imported:
        found.append("no import table found (the check cannot be sure of what it read)")
    for dll, name, ordinal, _, _ in imported:
        if name is None:
            found.append("imports ordinal %d of %s: only a name can be checked against %s"
                         % (ordinal, dll, os.path.basename(TABLE)))
            continue
        row = table.get((dll.lower(), name))
        if row is None:
            found.append("imports %s!%s, which is not in %s: find out whether Windows 95, 98, Me "
                         "and NT 4.0 export it and add a row with its source"
                         % (dll, name, os.path.basename(TABLE)))
            continue
        for column, system in SYSTEMS:
            if row[column] not in EXPORTED:
                found.append("imports %s!%s, which %s does not export (source: %s)"
                             % (dll, name, system, row["source"]))
    return found


def check(path):
    pe, table = read(path), load_table()
    problems = faults(pe, table)
    for p in problems:
        print("FAIL: %s: %s" % (path, p), file=sys.stderr)
    if not problems:
        rows = [table[(dll.lower(), name)] for dll, name, _, _, _ in imports(pe)]
        stubs = sum(r["impl_9x"] == "stub" for r in rows)
        redist = sum(r["win95"] == "redist" for r in rows)
        print("OK: %s: all %d imported functions are exported by Windows 95, 98, Me and NT 4.0 "
              "(%d of them stubs there that fail when called; %d from msvcrt.dll, which Windows 95 "
              "has only when installed)" % (path, len(rows), stubs, redist))
    return not problems


# ---- self-test: damaged copies of a good file must each fail, for the right reason

def _damaged_copies(pe):
    """(description, bytes, words the fault report must contain) for each fault made by hand."""
    named = [i for i in imports(pe) if i[1] is not None]
    kernel32 = [i for i in named if i[0].lower() == "kernel32.dll" and len(i[1]) >= 20]
    copies = []
    for victim, new_name, expected in (
            (kernel32[0], "IsDebuggerPresent", "Windows 95 does not export"),  # 98 or later
            (kernel32[1], "TickbombNoSuchExport", "which is not in")):
        # Overwrite the name in place (the hint before it stays); the new one is no longer.
        dll, name, _, name_at, _ = victim
        copy = bytearray(pe.data)
        copy[name_at:name_at + len(name)] = new_name.encode().ljust(len(name), b"\0")
        copies.append(("import %s renamed to %s!%s" % (name, dll, new_name), bytes(copy),
                       expected))
    dll, name, _, _, thunk = named[0]
    copy = bytearray(pe.data)
    struct.pack_into("<I", copy, thunk, (1 << 31) | 1)
    copies.append(("import %s!%s made an import by ordinal 1" % (dll, name), bytes(copy),
                   "ordinal"))
    return copies


def self_test(path):
    """True if the good file passes and every damaged copy fails with its own fault."""
    good = read(path)
    return catches_damaged_copies(__file__, path, faults(good, load_table()), _damaged_copies(good),
                                  failed=lambda code: code == 1)


def main(argv):
    try:
        if len(argv) == 3 and argv[1] == "--self-test":
            return 0 if self_test(argv[2]) else 1
        if len(argv) == 2:
            return 0 if check(argv[1]) else 1
    except (OSError, PEError, struct.error, ValueError) as error:
        print("FAIL: %s" % error, file=sys.stderr)
        return 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
