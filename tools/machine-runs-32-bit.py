#!/usr/bin/env python3
"""Can this machine run 32-bit x86 programs at all?

tickbomb.exe is a 32-bit Windows program, and Wine runs it in a 32-bit Linux
process. Some kernels refuse 32-bit programs altogether (built or booted with
the IA-32 emulation off, or virtual machines whose host runs 64-bit user code
only): there execve of any 32-bit ELF file fails with ENOEXEC, and no Wine can
run the program or its tests.

This starts a smallest 32-bit program of its own (it only exits) and tells:
  exit 0   it ran: 32-bit programs run here
  exit 3   the kernel refused it (ENOEXEC): nothing 32-bit runs here;
           one line on stdout says so
Anything else is a fault of this check and ends with its traceback.
"""

import errno
import os
import struct
import subprocess
import sys
import tempfile

NO_32_BIT = 3
_BASE = 0x08048000
_HEADER_SIZE, _PROGRAM_HEADER_SIZE = 52, 32
# mov eax, 1 (exit); xor ebx, ebx (status 0); int 0x80
_CODE = bytes.fromhex("b801000000" "31db" "cd80")


def smallest_32_bit_program():
    """An i386 ELF executable with one loadable segment that only exits with 0."""
    size = _HEADER_SIZE + _PROGRAM_HEADER_SIZE + len(_CODE)
    ident = b"\x7fELF" + bytes([1, 1, 1, 0]) + bytes(8)  # 32-bit, little-endian, version 1, SysV
    header = ident + struct.pack("<HHIIIIIHHHHHH",
                                 2, 3, 1,  # executable, i386, version 1
                                 _BASE + _HEADER_SIZE + _PROGRAM_HEADER_SIZE,  # entry
                                 _HEADER_SIZE, 0, 0,  # program headers, no sections, flags
                                 _HEADER_SIZE, _PROGRAM_HEADER_SIZE, 1, 0, 0, 0)
    segment = struct.pack("<IIIIIIII", 1, 0, _BASE, _BASE, size, size, 5, 0x1000)  # R+X
    return header + segment + _CODE


def runs_32_bit():
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "exits")
        with open(path, "wb") as out:
            out.write(smallest_32_bit_program())
        os.chmod(path, 0o755)
        try:
            status = subprocess.run([path], timeout=10).returncode
        except OSError as error:
            if error.errno == errno.ENOEXEC:
                return False
            raise
    if status != 0:
        raise RuntimeError("the 32-bit program ran but exited with %d" % status)
    return True


def main():
    if runs_32_bit():
        return 0
    print("this machine runs no 32-bit x86 programs (the kernel refuses them: IA-32 "
          "emulation off), so Wine cannot run tickbomb.exe here")
    return NO_32_BIT


if __name__ == "__main__":
    sys.exit(main())
