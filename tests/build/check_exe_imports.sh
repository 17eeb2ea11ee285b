#!/bin/sh
# Checks a built tickbomb.exe: it must import only DLLs that every Windows has
# and maps from its known DLLs (KERNEL32, USER32, GDI32, ADVAPI32 and the C
# runtime msvcrt) and be a Windows GUI program (no console window).  WINMM is
# loaded by the program itself from the system directory, never imported:
# tests/build/check_pe_security.py says why.
# Usage: check_exe_imports.sh OBJDUMP EXE
set -eu
objdump=$1
exe=$2

headers=$("$objdump" -p "$exe") || { echo "FAIL: $objdump -p $exe failed" >&2; exit 1; }

subsystem=$(printf '%s\n' "$headers" | sed -n 's/^Subsystem[[:space:]]*//p')
case $subsystem in
  *"(Windows GUI)"*) ;;
  *) echo "FAIL: subsystem is '$subsystem', not Windows GUI" >&2; exit 1 ;;
esac

dlls=$(printf '%s\n' "$headers" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr -d '\r')
if [ -z "$dlls" ]; then
  echo "FAIL: no imported DLL found in the headers of $exe" >&2
  exit 1
fi

status=0
for dll in $dlls; do
  case $(printf '%s' "$dll" | tr '[:upper:]' '[:lower:]') in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|msvcrt.dll) ;;
    *) echo "FAIL: $exe imports $dll" >&2; status=1 ;;
  esac
done
[ $status -eq 0 ] && echo "OK: $exe imports only" $dlls "; subsystem $subsystem"
exit $status
