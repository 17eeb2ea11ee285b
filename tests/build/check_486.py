#!/usr/bin/env python3
"""Fails on any instruction in tickbomb.exe's code that an i486DX lacks, naming its function.

    check_486.py OBJDUMP EXE TWIN MAP             the release, its twin, the twin's link map
    check_486.py --self-test OBJDUMP EXE TWIN MAP

The i486DX has the integer unit and the x87 unit of the 386 and 387 and adds
BSWAP, CMPXCHG, XADD, INVD, WBINVD and INVLPG.  Everything later is refused:
the Pentium's CPUID (the program never asks which processor it runs on),
RDTSC, RDMSR/WRMSR, RSM and CMPXCHG8B; the Pentium Pro's CMOVcc, FCMOVcc,
FCOMI/FCOMIP/FUCOMI/FUCOMIP, RDPMC and long NOP (0F 1F); SYSENTER/SYSEXIT;
MMX (any %mm register, EMMS) and SSE or later (any %xmm register, the fences,
the prefetches, FXSAVE).  UD2 stays: it is meant to fault, and does on a 486.

The release is stripped; its twin (the same link with its symbols kept, CMake
target tickbomb_symbols) names the function around each instruction, after a
check that both carry the very same code.  Only code is read: the linker puts
the constructor and destructor lists inside .text, and their bytes decode as
nonsense, so the input sections that hold them, as the map places them, are
skipped.
"""

import re
import shutil
import subprocess
import sys
import tempfile

NOT_CODE = (".ctors", ".dtors", ".gcc_except_table")
FORBIDDEN = re.compile(
    r"^(cmov\w+|fcmov\w+|fcomip?|fucomip?|cmpxchg8b|rdtsc|rdtscp|rdmsr|wrmsr|rsm|rdpmc|"
    r"cpuid|sysenter|sysexit|syscall|sysret|emms|femms|fxsave|fxrstor|ldmxcsr|stmxcsr|"
    r"prefetch\w*|[lms]fence|clflush|movnti|popcnt|lzcnt|tzcnt|movbe|crc32|pause)$")
MEDIA_REGISTER = re.compile(r"%(x|y|z)?mm\d")
PREFIXES = {"66", "67", "f2", "f3", "2e", "3e", "26", "64", "65", "36", "f0"}
LABEL = re.compile(r"^[0-9a-f]+ <(.+)>:$")  # a function begins
INSTRUCTION = re.compile(r"^\s*([0-9a-f]+):\t([0-9a-f ]+)\t(\S+)\s*(.*)$")


def not_code(map_path):
    """[(first, end)] of the input sections inside .text that hold no code."""
    ranges, pending, in_text = [], None, False
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            if re.match(r"^\.\S+\s+0x", line):
                in_text = line.startswith(".text ")
                continue
            if not in_text:
                continue
            m = re.match(r"^ (\.\S+)(?:\s+0x([0-9a-f]+)\s+0x([0-9a-f]+))?", line)
            if m and m.group(2) is None:
                pending = m.group(1)  # a long name: its numbers on the next line
                continue
            if m:
                name, first, size = m.group(1), int(m.group(2), 16), int(m.group(3), 16)
            else:
                m = re.match(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s", line)
                if not (m and pending):
                    continue
                name, first, size = pending, int(m.group(1), 16), int(m.group(2), 16)
            pending = None
            if size and name.startswith(NOT_CODE):
                ranges.append((first, first + size))
    return ranges


def text_bytes(objdump, exe):
    objcopy = objdump.replace("objdump", "objcopy")
    with tempfile.NamedTemporaryFile() as out:
        subprocess.run([objcopy, "-O", "binary", "--only-section=.text", exe, out.name],
                       check=True, capture_output=True)
        return open(out.name, "rb").read()


def findings(objdump, twin, map_path):
    """[(address, instruction, function)] of every instruction an i486DX lacks."""
    skipped = not_code(map_path)
    listing = subprocess.run([objdump, "-d", "-w", "-C", "--section=.text", twin], check=True,
                             capture_output=True, text=True).stdout
    found, function = [], "?"
    for line in listing.splitlines():
        label = LABEL.match(line)
        if label:
            function = label.group(1)
            continue
        m = INSTRUCTION.match(line)
        if not m:
            continue
        address = int(m.group(1), 16)
        if any(first <= address < end for first, end in skipped):
            continue
        data, mnemonic, operands = m.group(2).split(), m.group(3), m.group(4)
        opcode = [b for b in data if b not in PREFIXES][:2]
        if FORBIDDEN.match(mnemonic) or MEDIA_REGISTER.search(operands) or opcode == ["0f", "1f"]:
            found.append((address, ("%s %s" % (mnemonic, operands)).strip(), function))
    return found


def check(objdump, exe, twin, map_path):
    if text_bytes(objdump, exe) != text_bytes(objdump, twin):
        print("FAIL: %s and its twin %s do not carry the same code" % (exe, twin))
        return 1
    found = findings(objdump, twin, map_path)
    for address, text, function in found:
        print("FAIL: %s: %s at %#x in %s" % (exe, text, address, function))
    if found:
        print("FAIL: %d instructions an i486DX lacks, in %d functions"
              % (len(found), len({f for _, _, f in found})))
        return 1
    print("OK: %s: every instruction of its code runs on an i486DX" % exe)
    return 0


def self_test(objdump, exe, twin, map_path):
    """The check must name a CMOV and an FCOMI planted in copies of the program's code,
    and refuse a twin whose code differs from the release's."""
    listing = subprocess.run([objdump, "-d", "-C", "--section=.text", twin], check=True,
                             capture_output=True, text=True).stdout
    target = next(int(line.split()[0], 16) for line in listing.splitlines()
                  if LABEL.match(line) and "NumberText" in line)
    failures = 0
    with tempfile.TemporaryDirectory() as scratch:
        for name, planted in (("cmovne", "0f45c0"), ("fcomi", "dbf1")):
            copy = plant(objdump, twin, target, bytes.fromhex(planted), scratch + "/twin.exe")
            caught = [f for f in findings(objdump, copy, map_path) if f[0] == target]
            ok = caught and caught[0][1].startswith(name) and "NumberText" in caught[0][2]
            print("%s %s planted in NumberText: %s" % ("caught" if ok else "MISSED", name, caught))
            failures += 0 if ok else 1
        copy = plant(objdump, twin, target, bytes.fromhex("90"), scratch + "/other.exe")
        differs = check(objdump, exe, copy, map_path) == 1
        print("%s a twin whose code differs" % ("refused" if differs else "ACCEPTED"))
        failures += 0 if differs else 1
    return 1 if failures else 0


def plant(objdump, exe, address, code, copy):
    """A copy of `exe` with `code` written at `address`."""
    shutil.copyfile(exe, copy)
    headers = subprocess.run([objdump, "-h", exe], check=True, capture_output=True,
                             text=True).stdout
    text = next(line.split() for line in headers.splitlines() if " .text " in line)
    offset = address - int(text[3], 16) + int(text[5], 16)
    with open(copy, "r+b") as f:
        f.seek(offset)
        f.write(code)
    return copy


if __name__ == "__main__":
    if sys.argv[1] == "--self-test":
        sys.exit(self_test(*sys.argv[2:6]))
    sys.exit(check(*sys.argv[1:5]))
