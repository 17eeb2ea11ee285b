#!/usr/bin/python3
"""Checks that a built tickbomb.exe is safe to download and run.

    check_pe_security.py EXE [--stripped]   check the file; exit 1 on a fault
    check_pe_security.py --self-test EXE    show that each fault is caught, on
                                            damaged copies of EXE

It reads the PE headers itself and fails if
- DllCharacteristics lacks NX_COMPAT (DEP) or DYNAMIC_BASE (ASLR), or the file
  has no base relocations to move it with;
- a section is both writable and executable;
- a DLL that is not one of Windows' known DLLs is imported statically or
  delay-loaded: the loader (or the delay-load helper) would look for it beside
  the .exe first, where a planted copy could be waiting;
- with --stripped, the file still carries debug sections or a symbol table.

The functions are importable (tools/bench/overall.py reads the resources with
them).
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile

# DLLs that Windows always maps from its own KnownDLLs section whatever the
# search path (HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs),
# among those a program like this one imports.  WINMM is not one of them.
KNOWN_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll"}

IMAGE_FILE_RELOCS_STRIPPED = 0x0001
IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE = 0x0040
IMAGE_DLLCHARACTERISTICS_NX_COMPAT = 0x0100
IMAGE_SCN_MEM_EXECUTE = 0x20000000
IMAGE_SCN_MEM_WRITE = 0x80000000
DIRECTORY_IMPORT, DIRECTORY_RESOURCE, DIRECTORY_RELOC, DIRECTORY_DELAY_IMPORT = 1, 2, 5, 13


class PEError(Exception):
    pass


class Section:
    def __init__(self, name, virtual_size, virtual_address, raw_size, raw_offset, flags,
                 header_offset):
        self.name = name
        self.virtual_size = virtual_size
        self.virtual_address = virtual_address
        self.raw_size = raw_size
        self.raw_offset = raw_offset
        self.flags = flags
        self.header_offset = header_offset  # where its Characteristics word is in the file

    @property
    def writable_and_executable(self):
        return bool(self.flags & IMAGE_SCN_MEM_WRITE) and bool(self.flags & IMAGE_SCN_MEM_EXECUTE)


class PEFile:
    """The parts of a PE image this check needs, read straight from its bytes."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PEError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise PEError("no PE signature")
        (_machine, sections, _stamp, self.symbol_table, self.symbol_count, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        if magic == 0x10B:  # PE32
            self.image_base = struct.unpack_from("<I", data, optional + 28)[0]
            directories = optional + 96
        elif magic == 0x20B:  # PE32+
            self.image_base = struct.unpack_from("<Q", data, optional + 24)[0]
            directories = optional + 112
        else:
            raise PEError("unknown optional header magic %#x" % magic)
        self.dll_characteristics_offset = optional + 70
        self.dll_characteristics = struct.unpack_from("<H", data, self.dll_characteristics_offset)[0]
        count = struct.unpack_from("<I", data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i)
                            for i in range(min(count, 16))]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            at = table + 40 * i
            raw_name = data[at:at + 8].rstrip(b"\0")
            name = self._long_name(raw_name)
            vsize, vaddr, rsize, roffset = struct.unpack_from("<IIII", data, at + 8)
            flags = struct.unpack_from("<I", data, at + 36)[0]
            self.sections.append(Section(name, vsize, vaddr, rsize, roffset, flags, at + 36))

    def _long_name(self, raw_name):
        # "/4" names a string in the COFF string table (long names such as .debug_info).
        if raw_name.startswith(b"/") and raw_name[1:].isdigit() and self.symbol_table:
            strings = self.symbol_table + 18 * self.symbol_count
            start = strings + int(raw_name[1:])
            return self.data[start:self.data.index(b"\0", start)].decode("ascii", "replace")
        return raw_name.decode("ascii", "replace")

    def directory(self, index):
        """(rva, size) of data directory `index`; (0, 0) if absent."""
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def offset(self, rva):
        """File offset of a relative virtual address."""
        for s in self.sections:
            if s.virtual_address <= rva < s.virtual_address + max(s.virtual_size, s.raw_size):
                if rva - s.virtual_address >= s.raw_size:
                    raise PEError("RVA %#x is in the uninitialised part of %s" % (rva, s.name))
                return s.raw_offset + rva - s.virtual_address
        raise PEError("RVA %#x is in no section" % rva)

    def string_at(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii", "replace")

    def imports(self):
        """Names of the statically imported DLLs, in the order of the import table."""
        rva, size = self.directory(DIRECTORY_IMPORT)
        names = []
        if not rva or not size:
            return names
        at = self.offset(rva)
        while True:
            lookup, _stamp, _chain, name, first_thunk = struct.unpack_from("<IIIII", self.data, at)
            if not (lookup or name or first_thunk):
                return names
            names.append(self.string_at(name))
            at += 20

    def delay_imports(self):
        """Names of the delay-loaded DLLs."""
        rva, size = self.directory(DIRECTORY_DELAY_IMPORT)
        names = []
        if not rva or not size:
            return names
        at = self.offset(rva)
        while True:
            attributes, name = struct.unpack_from("<II", self.data, at)
            if not name:
                return names
            # Old-style descriptors (attribute bit 0 clear) hold addresses, not RVAs.
            names.append(self.string_at(name if attributes & 1 else name - self.image_base))
            at += 32

    def resource_bytes(self):
        """Total size of the resource data entries (the sounds, pictures, ... themselves)."""
        rva, size = self.directory(DIRECTORY_RESOURCE)
        if not rva or not size:
            return 0
        base = self.offset(rva)
        total = 0
        pending = [0]
        seen = set()
        while pending:
            table = base + pending.pop()
            if table in seen:
                raise PEError("resource directory loops")
            seen.add(table)
            named, numbered = struct.unpack_from("<HH", self.data, table + 12)
            for i in range(named + numbered):
                _name, target = struct.unpack_from("<II", self.data, table + 16 + 8 * i)
                if target & 0x80000000:
                    pending.append(target & 0x7FFFFFFF)
                else:
                    total += struct.unpack_from("<I", self.data, base + target + 4)[0]
        return total


def read(path):
    with open(path, "rb") as f:
        return PEFile(f.read())


def faults(pe, stripped=False):
    """What is wrong with `pe`, as sentences; empty if nothing."""
    found = []
    if not pe.dll_characteristics & IMAGE_DLLCHARACTERISTICS_NX_COMPAT:
        found.append("NX_COMPAT is not set: the program would run without DEP")
    if not pe.dll_characteristics & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE:
        found.append("DYNAMIC_BASE is not set: the program would always load at %#x (no ASLR)"
                     % pe.image_base)
    if pe.characteristics & IMAGE_FILE_RELOCS_STRIPPED or not pe.directory(DIRECTORY_RELOC)[1]:
        found.append("the file has no base relocations: it cannot be moved, whatever DYNAMIC_BASE says")
    for s in pe.sections:
        if s.writable_and_executable:
            found.append("section %s is both writable and executable (flags %#010x)"
                         % (s.name, s.flags))
    for kind, dlls in (("imports", pe.imports()), ("delay-loads", pe.delay_imports())):
        for dll in dlls:
            if dll.lower() not in KNOWN_DLLS:
                found.append("the program %s %s, which is not a known DLL: Windows would look for "
                             "it beside the .exe first" % (kind, dll))
    if not pe.imports():
        found.append("no import table found (the check cannot be sure of what it read)")
    if stripped:
        debug = [s.name for s in pe.sections if s.name.startswith((".debug", ".zdebug"))]
        if debug:
            found.append("debug sections left in: %s" % ", ".join(debug))
        if pe.symbol_table or pe.symbol_count:
            found.append("a COFF symbol table is left in (%d symbols)" % pe.symbol_count)
    return found


def check(path, stripped=False):
    pe = read(path)
    problems = faults(pe, stripped)
    for p in problems:
        print("FAIL: %s: %s" % (path, p), file=sys.stderr)
    if not problems:
        print("OK: %s: NX_COMPAT and DYNAMIC_BASE set, %d base relocation bytes; no section both "
              "writable and executable (%s); imports %s only, all known DLLs; delay-loads %s%s"
              % (path, pe.directory(DIRECTORY_RELOC)[1], ", ".join(s.name for s in pe.sections),
                 ", ".join(pe.imports()), ", ".join(pe.delay_imports()) or "nothing",
                 "; no debug sections or symbols" if stripped else ""))
    return not problems


# ---- self-test: damaged copies of a good file must each fail, for the right reason

def _damaged_copies(pe):
    """(description, bytes, words the fault report must contain) for each fault made by hand."""
    data = pe.data
    copies = []

    def patched(offset, fmt, value):
        copy = bytearray(data)
        struct.pack_into(fmt, copy, offset, value)
        return bytes(copy)

    at = pe.dll_characteristics_offset
    copies.append(("NX_COMPAT cleared",
                   patched(at, "<H", pe.dll_characteristics & ~IMAGE_DLLCHARACTERISTICS_NX_COMPAT),
                   "NX_COMPAT"))
    copies.append(("DYNAMIC_BASE cleared",
                   patched(at, "<H", pe.dll_characteristics & ~IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE),
                   "DYNAMIC_BASE"))
    text = next(s for s in pe.sections if s.flags & IMAGE_SCN_MEM_EXECUTE)
    copies.append(("%s made writable" % text.name,
                   patched(text.header_offset, "<I", text.flags | IMAGE_SCN_MEM_WRITE),
                   "writable and executable"))
    data_section = next(s for s in pe.sections if s.flags & IMAGE_SCN_MEM_WRITE
                        and not s.flags & IMAGE_SCN_MEM_EXECUTE)
    copies.append(("%s made executable" % data_section.name,
                   patched(data_section.header_offset, "<I", data_section.flags | IMAGE_SCN_MEM_EXECUTE),
                   "writable and executable"))
    # A known DLL's name in the import table overwritten with winmm's (no longer than it).
    rva, _ = pe.directory(DIRECTORY_IMPORT)
    at = pe.offset(rva)
    while True:
        name_rva = struct.unpack_from("<I", data, at + 12)[0]
        if not name_rva:
            raise PEError("no import name long enough to overwrite with winmm.dll")
        name = pe.string_at(name_rva)
        if len(name) >= len("WINMM.dll"):
            break
        at += 20
    copy = bytearray(data)
    offset = pe.offset(name_rva)
    copy[offset:offset + len(name)] = b"WINMM.dll".ljust(len(name), b"\0")
    copies.append(("import of %s renamed to WINMM.dll" % name, bytes(copy), "WINMM.dll"))
    return copies


def catches_damaged_copies(script, path, faults_of_good, damaged_copies, failed=lambda code: code != 0):
    """True if the good file at `path` has no fault and `script`, run on each damaged copy
    as the build runs it, fails with that copy's own report."""
    if faults_of_good:
        print("SELF-TEST FAIL: the original %s does not pass: %s" % (path, faults_of_good))
        return False
    ok = True
    work = tempfile.mkdtemp(prefix="pe-self-test-")
    try:
        for description, data, expected in damaged_copies:
            damaged = os.path.join(work, "damaged.exe")
            with open(damaged, "wb") as f:
                f.write(data)
            # Run the check as the build runs it, as a separate process.
            result = subprocess.run([sys.executable, os.path.abspath(script), damaged],
                                    capture_output=True, text=True)
            caught = failed(result.returncode) and expected in result.stderr
            print("%s %s: exit %d, %s" % ("caught" if caught else "MISSED", description,
                                           result.returncode, result.stderr.strip() or "no report"))
            ok = ok and caught
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return ok


def self_test(path):
    """True if the good file passes and every damaged copy fails with its own fault."""
    good = read(path)
    return catches_damaged_copies(__file__, path, faults(good), _damaged_copies(good))


def main(argv):
    if len(argv) == 3 and argv[1] == "--self-test":
        return 0 if self_test(argv[2]) else 1
    if len(argv) in (2, 3) and (len(argv) == 2 or argv[2] == "--stripped"):
        return 0 if check(argv[1], stripped=len(argv) == 3) else 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
