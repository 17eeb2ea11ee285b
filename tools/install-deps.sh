#!/bin/bash
# Installs the Debian packages that building, running and testing tickbomb
# need, and only those that are missing: when everything is there it touches
# nothing and takes a second.  The same names on Debian 12 (bookworm) and
# Debian 13 (trixie).  Run as root, or as a user who may use sudo.
#
# It shows one line per stage with a count; apt's own output goes to
# build/install-deps.log.
#   tools/install-deps.sh              install what is missing
#   tools/install-deps.sh --list e2e   print the packages that the end-to-end
#                                      tests alone need (tools/wine10-e2e.sh)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What the end-to-end tests need to run a built tickbomb.exe: Wine (32-bit), a
# virtual display, driving and photographing it, the fonts, Python for the
# harness, wrestool for the resources, the C cross compiler for the planted
# DLL, and sound: a private PulseAudio null sink plays synchronous sounds at
# their real pace; the 32-bit ALSA plugins keep ALSA's file capture working
# once PulseAudio has hooked itself into ALSA's configuration.
e2e_packages=(
  wine wine32:i386 wine64 xvfb xauth xdotool x11-utils imagemagick
  # IPAPGothic: Wine draws the captions' "ＭＳ Ｐゴシック" with it (tools/wine/japanese-fonts.reg)
  fonts-ipafont-gothic fonts-noto-cjk
  python3 python3-pil python3-numpy icoutils gcc-mingw-w64-i686-win32
  pulseaudio libasound2-plugins:i386
  # a Japanese locale for the runs of Windows 95, 98 and Me (compiled by the harness with localedef)
  locales
)
packages=(
  "${e2e_packages[@]}"
  # the cross compiler for 32-bit Windows
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  # the native build and its tests (googletest: its sources, for the tests built for Windows)
  cmake make g++ libgtest-dev googletest
  # the habits: formatting, clang-tidy, cppcheck (tools/lint.sh)
  clang-format clang-tidy cppcheck
  # the asset tools; ffmpeg makes the headless run's video (tools/record_run.py)
  librsvg2-bin sox ffmpeg
)
# Whatever the asset generator lists for itself.
if [ -f "$repo/tools/assets/apt-packages.txt" ]; then
  while read -r name _; do
    case "$name" in '' | '#'*) ;; *) packages+=("$name") ;; esac
  done <"$repo/tools/assets/apt-packages.txt"
fi

if [ "${1:-}" = --list ]; then
  case "${2:-}" in
    e2e) printf '%s\n' "${e2e_packages[@]}" ;;
    all) printf '%s\n' "${packages[@]}" | sort -u ;;
    *) echo "usage: $0 [--list e2e|all]" >&2; exit 2 ;;
  esac
  exit 0
fi

say() { echo "install-deps: $*"; }

installed() {
  dpkg-query -W -f='${Status}\n' "$1" 2>/dev/null | grep -q '^install ok installed$'
}

need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
mapfile -t wanted < <(printf '%s\n' "${packages[@]}" | sort -u)
missing=()
for name in "${wanted[@]}"; do
  installed "$name" || missing+=("$name")
done
if [ "$need_i386" = 0 ] && [ ${#missing[@]} = 0 ]; then
  say "all ${#wanted[@]} Debian packages are installed"
  exit 0
fi

if [ "$(id -u)" = 0 ]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  say "missing packages (${missing[*]}); run this as root or install sudo" >&2
  exit 1
fi

mkdir -p "$repo/build"
log="$repo/build/install-deps.log"
: >"$log"
started=$SECONDS
# Runs one stage with its output in the log; on failure shows the log's end.
stage() {
  local what=$1
  shift
  echo "=== $what: $*" >>"$log"
  if ! "$@" >>"$log" 2>&1 </dev/null; then
    echo
    say "$what failed; the last lines of $log:" >&2
    tail -n 15 "$log" | sed 's/^/    /' >&2
    exit 1
  fi
}
apt_get=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -q -y
  -o Dpkg::Use-Pty=0 --no-install-recommends)

say "${#missing[@]} of the ${#wanted[@]} Debian packages are missing: ${missing[*]}"
say "(the first time: a few hundred MB, a few minutes; apt's output goes to build/install-deps.log)"
if [ "$need_i386" = 1 ]; then
  say "enabling the i386 architecture (for 32-bit Wine)"
  stage "dpkg --add-architecture" "${as_root[@]}" dpkg --add-architecture i386
fi
printf 'install-deps: reading the package lists (apt-get update) ... '
# A mirror in the middle of a sync serves lists of the wrong size for a
# minute; apt-get update then fails, and trying again a little later helps.
updated=0
for pause in 15 30; do
  if "${apt_get[@]}" update >>"$log" 2>&1 </dev/null; then
    updated=1
    break
  fi
  echo "=== apt-get update failed, again in $pause s" >>"$log"
  sleep "$pause"
done
[ "$updated" = 1 ] || stage "apt-get update" "${apt_get[@]}" update
sources=$(grep -c '^Get:' "$log" || true)
echo "$sources lists fetched ($((SECONDS - started)) s)"

# What apt will do, with the dependencies: count and download size.
plan=$("${apt_get[@]}" install --print-uris -qq "${missing[@]}" 2>>"$log" | grep "^'" || true)
count=$(printf '%s' "$plan" | grep -c . || true)
megabytes=$(printf '%s\n' "$plan" | awk '{ bytes += $3 } END { printf "%d", bytes / 1e6 }')
printf 'install-deps: downloading %d packages with their dependencies (%d MB) ... ' "$count" "$megabytes"
stage "download" "${apt_get[@]}" install --download-only "${missing[@]}"
echo "done ($((SECONDS - started)) s)"
printf 'install-deps: unpacking and setting them up ... '
stage "install" "${apt_get[@]}" install "${missing[@]}"
set_up=$(grep -c '^Setting up ' "$log" || true)
echo "$set_up set up ($((SECONDS - started)) s)"
still=()
for name in "${missing[@]}"; do
  installed "$name" || still+=("$name")
done
if [ ${#still[@]} != 0 ]; then
  say "still not installed: ${still[*]}; see $log" >&2
  exit 1
fi
say "done in $((SECONDS - started)) s; apt's full output is in build/install-deps.log"
