#!/usr/bin/env python3
"""Can this machine run 32-bit x86 programs, and how?

tickbomb.exe is a 32-bit Windows program, and Wine runs it in a 32-bit Linux
process. Some kernels refuse 32-bit programs altogether (built or booted with
the IA-32 emulation off, or virtual machines whose host runs 64-bit user code
only): there execve of any 32-bit ELF file fails with ENOEXEC unless a
user-mode emulator is registered for them with binfmt_misc
(tools/i386-emulation.sh registers one).

This starts a smallest 32-bit program of its own (it waits for its input to
close, then exits 0) and tells:
  exit 0   it ran; with --how, one line on stdout says how: "natively", or
           "under qemu-i386 10.0.13" when the kernel handed it to an emulator
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
# read(0, esp, 1): blocks until the input closes, so that the running process
# can be looked at; then exit(0).
_CODE = bytes.fromhex("b803000000" "31db" "89e1" "ba01000000" "cd80"
                      "b801000000" "31db" "cd80")


def smallest_32_bit_program():
    """An i386 ELF executable with one loadable segment: it reads a byte, then exits with 0."""
    size = _HEADER_SIZE + _PROGRAM_HEADER_SIZE + len(_CODE)
    ident = b"\x7fELF" + bytes([1, 1, 1, 0]) + bytes(8)  # 32-bit, little-endian, version 1, SysV
    header = ident + struct.pack("<HHIIIIIHHHHHH",
                                 2, 3, 1,  # executable, i386, version 1
                                 _BASE + _HEADER_SIZE + _PROGRAM_HEADER_SIZE,  # entry
                                 _HEADER_SIZE, 0, 0,  # program headers, no sections, flags
                                 _HEADER_SIZE, _PROGRAM_HEADER_SIZE, 1, 0, 0, 0)
    segment = struct.pack("<IIIIIIII", 1, 0, _BASE, _BASE, size, size, 5, 0x1000)  # R+X
    return header + segment + _CODE


def emulator_name(path, shown):
    """'qemu-i386 10.0.13' for a qemu-i386 binary at `path`, else the name of `shown`."""
    try:
        first = subprocess.run([path, "--version"], capture_output=True, text=True,
                               timeout=10).stdout.split("\n")[0]
    except OSError:
        return os.path.basename(shown)
    words = first.split()  # "qemu-i386 version 10.0.13 (Debian 1:10.0.13+ds-0+deb13u1)"
    if len(words) >= 3 and words[1] == "version":
        return "%s %s" % (words[0], words[2])
    return os.path.basename(shown)


def how_32_bit_programs_run():
    """"natively", "under qemu-i386 10.0.13" (an emulator registered with binfmt_misc), or
    None where the kernel refuses them."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "waits-then-exits")
        with open(path, "wb") as out:
            out.write(smallest_32_bit_program())
        os.chmod(path, 0o755)
        try:
            program = subprocess.Popen([path], stdin=subprocess.PIPE)
        except OSError as error:
            if error.errno == errno.ENOEXEC:
                return None
            raise
        # Popen returns once the exec is done: the process now runs the program itself,
        # or the interpreter that binfmt_misc gave it.
        try:
            running = os.readlink("/proc/%d/exe" % program.pid).removesuffix(" (deleted)")
            native = os.path.realpath(running) == os.path.realpath(path)
            # The emulator is run through the process's own link: inside a chroot its
            # path, opened by binfmt_misc outside, may name no file.
            how = "natively" if native else "under " + emulator_name(
                "/proc/%d/exe" % program.pid, running)
        finally:
            program.stdin.close()
            status = program.wait(timeout=10)
    if status != 0:
        raise RuntimeError("the 32-bit program ran but exited with %d" % status)
    return how


def main():
    how = how_32_bit_programs_run()
    if how is None:
        print("this machine runs no 32-bit x86 programs (the kernel refuses them: IA-32 "
              "emulation off, and no emulator is registered for them: tools/i386-emulation.sh)")
        return NO_32_BIT
    if "--how" in sys.argv[1:]:
        print(how)
    return 0


if __name__ == "__main__":
    sys.exit(main())
