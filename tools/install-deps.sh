#!/bin/bash
# Installs the Debian 12 packages that building, running and testing tickbomb
# need, and only those that are missing: when everything is there it touches
# nothing and takes a second.  Run as root, or as a user who may use sudo.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(
  # the cross compiler for 32-bit Windows
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  # running the program: Wine (32-bit), a virtual display, driving and photographing it
  wine wine32:i386 wine64 xvfb xauth xdotool x11-utils imagemagick fonts-noto-cjk
  # IPAPGothic: Wine draws the captions' "ＭＳ Ｐゴシック" with it (tools/wine/japanese-fonts.reg)
  fonts-ipafont-gothic
  # the native build and its tests (googletest: its sources, for the tests built for Windows)
  cmake make g++ libgtest-dev googletest
  # the habits: formatting, clang-tidy, cppcheck (tools/lint.sh)
  clang-format clang-tidy cppcheck
  # the end-to-end harness and the asset tools
  python3 python3-pil python3-numpy librsvg2-bin icoutils sox
  # sound under Wine: a private PulseAudio null sink plays synchronous sounds at
  # their real pace; the 32-bit ALSA plugins keep ALSA's file capture working
  # once PulseAudio has hooked itself into ALSA's configuration
  pulseaudio libasound2-plugins:i386
)
# Whatever the asset generator lists for itself.
if [ -f "$repo/tools/assets/apt-packages.txt" ]; then
  while read -r name _; do
    case "$name" in ''|'#'*) ;; *) packages+=("$name") ;; esac
  done < "$repo/tools/assets/apt-packages.txt"
fi

installed() {
  dpkg-query -W -f='${Status}\n' "$1" 2>/dev/null | grep -q '^install ok installed$'
}

need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
missing=()
for name in "${packages[@]}"; do
  installed "$name" || missing+=("$name")
done
if [ "$need_i386" = 0 ] && [ ${#missing[@]} = 0 ]; then
  echo "install-deps: every package is already installed"
  exit 0
fi

if [ "$(id -u)" = 0 ]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "install-deps: missing packages (${missing[*]}); run this as root or install sudo" >&2
  exit 1
fi

echo "install-deps: installing ${#missing[@]} missing Debian package(s) with apt-get:"
echo "    ${missing[*]}"
echo "install-deps: the first time this downloads a few hundred MB (Wine, the mingw-w64"
echo "    compiler, fonts) and takes a few minutes; later runs skip it."
if [ "$need_i386" = 1 ]; then
  echo "install-deps: enabling the i386 architecture (for 32-bit Wine)"
  "${as_root[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
  "${missing[@]}" </dev/null
echo "install-deps: done"
