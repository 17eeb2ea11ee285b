#!/bin/bash
# Builds tickbomb.exe and runs it under Wine, in a private Wine prefix of its
# own (build/wine-prefix), never in your ~/.wine.  At zero the program asks
# Windows to shut down: under Wine that ends only the programs of that one
# private prefix.
#
# With a display ($DISPLAY set) the window opens on it.  Without one the program
# runs on a virtual display (Xvfb) and a screenshot is saved every second to
# build/run-screens/.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

say() { echo "run.sh: $*"; }

"$repo/tools/install-deps.sh"

say "building tickbomb.exe (cmake --preset windows)"
cmake --preset windows >/dev/null
cmake --build --preset windows --parallel 2
exe="$repo/build/windows/tickbomb.exe"
[ -f "$exe" ] || { say "no $exe after the build" >&2; exit 1; }

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
  wineboot -i >"$repo/build/wine-prefix.log" 2>&1 </dev/null
  wineserver -w
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
  wine regedit /S "Z:${fonts_utf16//\//\\}" >>"$repo/build/wine-prefix.log" 2>&1 </dev/null
  wineserver -w
  rm -f "$fonts_utf16"
  echo "$fonts_stamp" >>"$WINEPREFIX/.tickbomb-prefix"
fi

xvfb_pid=""
wine_pid=""
cleanup() {
  [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

say "starting tickbomb under Wine (WINEPREFIX=build/wine-prefix)"
say "click the bomb to defuse it, Esc for the fake ending, hold Shift for restart;"
say "if left alone it counts down from 10 and then asks Windows (here: this Wine prefix) to shut down"

if [ -n "${DISPLAY:-}" ]; then
  (cd "$(dirname "$exe")" && wine "$exe" </dev/null >"$repo/build/run-wine.log" 2>&1) || true
  wineserver -w
  say "tickbomb ended (Wine's messages are in build/run-wine.log)"
  exit 0
fi

screens="$repo/build/run-screens"
rm -rf "$screens"
mkdir -p "$screens"
say "no \$DISPLAY: running on a virtual display (Xvfb) with a screenshot every second"
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -br 3>"$display_file" \
  >"$repo/build/run-xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$display_file" ] && break
  sleep 0.1
done
[ -s "$display_file" ] || { say "Xvfb did not start; see build/run-xvfb.log" >&2; exit 1; }
export DISPLAY=":$(tr -d '\n' <"$display_file")"
rm -f "$display_file"

(cd "$(dirname "$exe")" && exec wine "$exe" </dev/null >"$repo/build/run-wine.log" 2>&1) &
wine_pid=$!
shot=0
for _ in $(seq 60); do
  shot=$((shot + 1))
  import -window root "$screens/$(printf 'screen-%02d.png' "$shot")" 2>/dev/null || true
  kill -0 "$wine_pid" 2>/dev/null || break
  sleep 1
done
if kill -0 "$wine_pid" 2>/dev/null; then
  say "still running after a minute: stopping it"
else
  wait "$wine_pid" || true
  wine_pid=""
  say "tickbomb ended"
fi
say "saved $shot screenshots (one a second) in $screens"
