#!/bin/sh
# Runs a Windows test program under Wine, in a private prefix of the build
# tree (made on first use, about 15 s), never in ~/.wine.  CTest's
# cross-compiling emulator for the windows preset.
#   wine-emulator.sh PREFIX_DIR PROGRAM.exe [ARGS...]
set -eu
prefix=$1
shift
# Where the kernel refuses 32-bit programs, tools/i386-emulation.sh makes them run.
/usr/bin/python3 "$(dirname "$0")/../tools/machine-runs-32-bit.py"
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.ready" ]; then
    rm -rf "$prefix"
    wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
    touch "$prefix/.ready"
  fi
) 9>"$prefix.lock"
exec wine "$@" </dev/null
