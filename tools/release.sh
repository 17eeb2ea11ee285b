#!/bin/bash
# Builds the release tickbomb.exe from a clean build tree and packs it with a
# short read-me, the licence and their SHA-256 sums into
# build/release/tickbomb-<version>-win32.zip.
#
#   tools/release.sh
#
# The .exe is the `windows` preset's Release build (static, stripped); it must
# pass the build checks (tests/build) before it is packed.  The version comes
# from CMakeLists.txt and must match the version record in assets/tickbomb.rc.
#
# Reproducible: the same commit on the same Debian release gives the same .exe
# and the same zip, byte for byte, in any folder.  Every date in them is the
# commit's own (SOURCE_DATE_EPOCH, from git log), never the clock.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
say() { echo "release.sh: $*"; }

version=$(sed -n 's/^project(tickbomb VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { say "no project version in CMakeLists.txt" >&2; exit 1; }
rc_version=$(sed -n 's/^FILEVERSION \([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2.\3.\4/p' \
  assets/tickbomb.rc)
if [ "$rc_version" != "$version" ]; then
  say "CMakeLists.txt says $version but assets/tickbomb.rc's FILEVERSION says $rc_version" >&2
  exit 1
fi

epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || true)}
[ -n "$epoch" ] || { say "no commit to date the release by (and no SOURCE_DATE_EPOCH)" >&2; exit 1; }
if [ -n "$(git status --porcelain 2>/dev/null)" ]; then
  say "the work tree differs from commit $(git log -1 --format=%h): this release is not that commit's"
fi

release="$repo/build/release"
tree="$release/build"
name="tickbomb-$version-win32"
zip="$release/$name.zip"

say "building tickbomb $version in a clean tree ($tree)"
rm -rf "$tree"
mkdir -p "$release"
cmake --preset windows -B "$tree" -DTICKBOMB_SOURCE_DATE_EPOCH="$epoch" >/dev/null
cmake --build "$tree" --parallel 2 --target tickbomb
exe="$tree/tickbomb.exe"

say "checking the .exe"
objdump=$(sed -n 's/^CMAKE_OBJDUMP:FILEPATH=//p' "$tree/CMakeCache.txt")
sh tests/build/check_exe_imports.sh "${objdump:-i686-w64-mingw32-objdump}" "$exe"
/usr/bin/python3 tests/build/check_pe_security.py "$exe" --stripped
/usr/bin/python3 tests/build/check_old_windows_imports.py "$exe"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$exe" "$stage/tickbomb.exe"
# Plain text with Windows line endings, so that Notepad on any Windows shows it right.
sed 's/$/\r/' >"$stage/README.txt" <<EOF
tickbomb $version - a countdown joke for Windows
================================================

WARNING: AT ZERO TICKBOMB REALLY ASKS WINDOWS TO SHUT DOWN.
It is not a simulation. When the countdown ends, tickbomb asks Windows to
shut down the computer (to power it off on Windows 2000, XP and Server 2003,
or to restart it if you chose restart with Shift). It does not force other
programs to close, but it is a real shutdown request: save your work before
you run it, or click the bomb.

What it does
------------
tickbomb opens a small window without a frame at a random place on the
screen: a cartoon mascot holding a bomb, and the words "until Windows shuts
down: 10 seconds left" (in Japanese). Every second the counter drops with a
click, the fuse burns, the bomb flickers for the last five seconds, and the
last three seconds have warning sounds. At zero the bomb explodes, and
tickbomb asks Windows to shut down.

How to use it
-------------
Double-click tickbomb.exe. Nothing is installed and nothing is written: the
program is this one file. To remove it, delete it.

  You do                                  tickbomb does
  nothing                                 counts down from 10, explodes,
                                          and asks Windows to shut down
  click the bomb                          defuses it: a message, then it
                                          ends; nothing else happens
  press Esc                               a fake explosion and a message;
                                          no shutdown
  press Alt+F4                            it ends at once; no shutdown
  hold Shift                              restart instead of shut down,
                                          while Shift is held
  press the left button and move          drags the window (not on the bomb)
  press Up, Down, Left or Right           opens the window again, and the
                                          countdown starts over

A screen reader (NVDA, Narrator, JAWS) is told the seconds left and how to
stop it: when the window appears, five seconds before the end, and when
Shift switches to restart or back.

Safety
------
tickbomb runs with your normal rights (it never asks for administrator),
has DEP and ASLR on, loads the Windows sound library only from the Windows
system folder, and uses the shutdown privilege only at zero.

Licence
-------
tickbomb is free software under the MIT licence (LICENSE.txt); it covers
its pictures and sounds too, which are made from its own sources.

Checking the download
---------------------
SHA256SUMS holds the SHA-256 of every other file of this zip. On Linux:
sha256sum -c SHA256SUMS; on Windows: certutil -hashfile tickbomb.exe SHA256.
The same commit built on the same Debian release gives the same bytes.

Version $version. Built with mingw-w64 on Debian and tested under Wine.
EOF
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
(cd "$stage" && sha256sum tickbomb.exe README.txt LICENSE.txt >SHA256SUMS)

say "packing $zip"
rm -f "$zip"
/usr/bin/python3 - "$zip" "$stage" "$epoch" <<'PY'
import os, sys, time, zipfile
zip_path, stage, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
# The commit's date, in UTC (a zip cannot date anything before 1980).
date = time.gmtime(max(epoch, 315532800))[:6]
with zipfile.ZipFile(zip_path, "w", zipfile.ZIP_DEFLATED) as z:
    for name in ("tickbomb.exe", "README.txt", "LICENSE.txt", "SHA256SUMS"):
        path = os.path.join(stage, name)
        info = zipfile.ZipInfo(name, date_time=date)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        with open(path, "rb") as f:
            z.writestr(info, f.read())
with zipfile.ZipFile(zip_path) as z:
    for info in z.infolist():
        print("  %-14s %9d bytes (%d packed)" % (info.filename, info.file_size, info.compress_size))
PY
say "tickbomb.exe SHA-256 $(sha256sum "$exe" | cut -d' ' -f1)"
say "done: $zip ($(stat -c %s "$zip") bytes, SHA-256 $(sha256sum "$zip" | cut -d' ' -f1))"
