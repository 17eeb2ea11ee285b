#!/bin/bash
# Builds tickbomb.exe and runs it under Wine, in a private Wine prefix of its
# own (build/wine-prefix), never in your ~/.wine.  At zero the program asks
# Windows to shut down: under Wine that ends only the programs of that one
# private prefix.
#
# With a display ($DISPLAY set) the window opens on it.  Without one the program
# runs on a virtual display (Xvfb), as the end-to-end tests run it (a throw-away
# copy of their private template prefix under build/windows/e2e), and the run
# is recorded by tools/record_run.py: an animated GIF of the window and, with
# ffmpeg, an MP4 with the sounds it played, both in build/run/.
#
# Wine runs where tools/install-deps.sh put it (tools/with-wine.sh): on this
# machine, or in the Debian root build/wine-root; where the kernel refuses
# 32-bit programs, under the user-mode emulator it registered.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

say() { echo "run.sh: $*"; }

"$repo/tools/install-deps.sh"
with_wine="$repo/tools/with-wine.sh"
say "Wine: $("$with_wine" --describe)"

say "building tickbomb.exe (cmake --preset windows, the tickbomb target alone: no tests)"
cmake --preset windows >/dev/null
cmake --build --preset windows --parallel 2 --target tickbomb
exe="$repo/build/windows/tickbomb.exe"
[ -f "$exe" ] || { say "no $exe after the build" >&2; exit 1; }

if [ -z "${DISPLAY:-}" ]; then
  say "no \$DISPLAY: running it on a virtual display (Xvfb) and recording the window"
  say "(a GIF at four frames a second, and a video with its sounds) into build/run/"
  rm -rf "$repo/build/run-screens" "$repo/build/run"
  mkdir -p "$repo/build/run"
  if ! "$with_wine" /usr/bin/python3 "$repo/tools/record_run.py" --exe "$exe" \
    --out "$repo/build/run/tickbomb-run.gif" --video "$repo/build/run/tickbomb-run.mp4" |
    sed -u 's/^record_run: /run.sh: /'; then
    say "the recording failed" >&2
    exit 1
  fi
  say "tickbomb ended; watch the run:"
  for made in build/run/tickbomb-run.gif build/run/tickbomb-run.mp4; do
    if [ -f "$repo/$made" ]; then say "    $repo/$made ($(du -k "$repo/$made" | cut -f1) KB)"; fi
  done
  exit 0
fi

# The program always runs with this prefix and no other.
export WINEPREFIX="$repo/build/wine-prefix"
export WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml="  # no prompts to fetch Mono or Gecko
export WINEDEBUG=-all
unset WINESERVER WINELOADER
case "$WINEPREFIX" in
  "$repo"/build/*) ;;
  *) say "refusing to run outside the private prefix under build/" >&2; exit 1 ;;
esac
if [ ! -f "$WINEPREFIX/.tickbomb-prefix" ]; then
  say "creating a private Wine prefix in build/wine-prefix"
  say "(first time only: Wine sets up its registry and system folders, about 15 to 60 s)"
  rm -rf "$WINEPREFIX"
  "$with_wine" wineboot -i >"$repo/build/wine-prefix.log" 2>&1 </dev/null
  "$with_wine" wineserver -w
  touch "$WINEPREFIX/.tickbomb-prefix"
  say "Wine prefix ready"
fi
# Japanese fonts: IPAPGothic stands in for the captions' "ＭＳ Ｐゴシック" and is
# linked to the message boxes' Tahoma (tools/wine/japanese-fonts.reg).  Imported
# once per prefix, and again whenever that file changes.
fonts_reg="$repo/tools/wine/japanese-fonts.reg"
fonts_stamp="fonts $(sha256sum "$fonts_reg" | cut -c1-16)"
if ! grep -qxF "$fonts_stamp" "$WINEPREFIX/.tickbomb-prefix"; then
  say "setting up the Japanese fonts in the prefix"
  fonts_utf16="$WINEPREFIX/japanese-fonts.utf16.reg"
  # Wine's regedit reads a version 5 .reg file as UTF-16 (iconv writes a BOM).
  sed 's/$/\r/' "$fonts_reg" | iconv -f UTF-8 -t UTF-16 >"$fonts_utf16"
  "$with_wine" wine regedit /S "Z:${fonts_utf16//\//\\}" >>"$repo/build/wine-prefix.log" 2>&1 </dev/null
  "$with_wine" wineserver -w
  rm -f "$fonts_utf16"
  echo "$fonts_stamp" >>"$WINEPREFIX/.tickbomb-prefix"
fi

# The display's authority file, where a root of Wine's own can read it too.
if [ -n "${XAUTHORITY:-${HOME:+$HOME/.Xauthority}}" ] && [ -f "${XAUTHORITY:-$HOME/.Xauthority}" ]; then
  cp "${XAUTHORITY:-$HOME/.Xauthority}" "$repo/build/run-xauthority"
  export XAUTHORITY="$repo/build/run-xauthority"
fi
trap '"$with_wine" wineserver -k 2>/dev/null || true' EXIT

say "starting tickbomb under Wine (WINEPREFIX=build/wine-prefix)"
say "click the bomb to defuse it, Esc for the fake ending, hold Shift for restart;"
say "if left alone it counts down from 10 and then asks Windows (here: this Wine prefix) to shut down"

(cd "$(dirname "$exe")" && "$with_wine" wine "$exe" </dev/null >"$repo/build/run-wine.log" 2>&1) || true
"$with_wine" wineserver -w
say "tickbomb ended (Wine's messages are in build/run-wine.log)"
