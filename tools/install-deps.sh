#!/bin/bash
# Installs the Debian packages that building, running and testing tickbomb
# need, and only those that are missing: when everything is there it touches
# nothing and takes a second.  The same names on Debian 12 (bookworm) and
# Debian 13 (trixie).  Run as root, or as a user who may use sudo.
#
# Wine runs tickbomb.exe in a 32-bit process.  Where the kernel refuses
# 32-bit programs, user-mode emulation is set up first (tools/i386-emulation.sh),
# before any i386 package.  32-bit Wine goes onto the machine itself when its
# apt can install it there; where it cannot (an i386 index that fails to
# download, or one whose versions do not match the amd64 libraries installed),
# Wine goes into a Debian root of its own in build/wine-root
# (tools/wine-root.sh) and the machine's apt is left as it was.
#
# It shows one line per stage with a count; apt's own output goes to
# build/install-deps.log.
#   tools/install-deps.sh              install what is missing
#   tools/install-deps.sh --list e2e   print the packages that the end-to-end
#                                      tests alone need (tools/wine10-e2e.sh)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# 32-bit Wine and the other packages with an i386 part: on the machine when its
# apt can take them, else in build/wine-root.  The 32-bit ALSA plugins keep
# ALSA's file capture working once PulseAudio has hooked itself into ALSA's
# configuration.
wine_packages=(wine wine32:i386 wine64 libasound2-plugins:i386)
# What the end-to-end tests need to run a built tickbomb.exe: Wine, a virtual
# display, driving and photographing it, the fonts, Python for the harness,
# wrestool for the resources, the C cross compiler for the planted DLL, and
# sound: a private PulseAudio null sink plays synchronous sounds at their real
# pace.
e2e_packages=(
  "${wine_packages[@]}" xvfb xauth xdotool x11-utils imagemagick
  # IPAPGothic: Wine draws the captions' "ＭＳ Ｐゴシック" with it (tools/wine/japanese-fonts.reg)
  fonts-ipafont-gothic fonts-noto-cjk
  python3 python3-pil python3-numpy icoutils gcc-mingw-w64-i686-win32
  pulseaudio
  # a Japanese locale for the runs of Windows 95, 98 and Me (compiled by the harness with localedef)
  locales
  # the headless run's video with its sound (tools/record_run.py)
  ffmpeg
)
packages=(
  "${e2e_packages[@]}"
  # the cross compiler for 32-bit Windows
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  # the native build and its tests (googletest: its sources, for the tests built for Windows)
  cmake make g++ libgtest-dev googletest
  # the habits: formatting, clang-tidy, cppcheck (tools/lint.sh)
  clang-format clang-tidy cppcheck
  # the asset tools
  librsvg2-bin sox
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
is_wine_package() {
  local name
  for name in "${wine_packages[@]}"; do [ "$name" = "$1" ] && return 0; done
  return 1
}
all_installed() {
  local name
  for name in "$@"; do installed "$name" || return 1; done
}

mapfile -t wanted < <(printf '%s\n' "${packages[@]}" | sort -u)
host_missing=()
for name in "${wanted[@]}"; do
  is_wine_package "$name" || installed "$name" || host_missing+=("$name")
done
wine_root="$repo/build/wine-root"
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")

if [ "$(id -u)" = 0 ]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  as_root=(false)
fi
need_root() {
  if [ "${as_root[*]}" = false ]; then
    say "$1; run this as root or install sudo" >&2
    exit 1
  fi
}

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
# Where install_packages reads the package lists: the machine's own unless set.
apt_lists=()

# apt-get update, tried three times: a mirror in the middle of a sync serves
# lists of the wrong size for a minute.  A list that still fails is left out
# (apt says so in the log) and the install goes on with the others: whatever it
# then lacks, the install itself reports.
update_lists() {
  printf 'install-deps: reading the package lists (apt-get update) ... '
  local pause fetched_before
  fetched_before=$(grep -c '^Get:' "$log" || true)
  for pause in 15 30 ""; do
    echo "=== apt-get update" >>"$log"
    if "${apt_get[@]}" update >>"$log" 2>&1 </dev/null; then
      echo "$(($(grep -c '^Get:' "$log" || true) - fetched_before)) lists fetched ($((SECONDS - started)) s)"
      return 0
    fi
    [ -n "$pause" ] || break
    echo "=== apt-get update failed, again in $pause s" >>"$log"
    sleep "$pause"
  done
  echo "some failed, going on without them ($((SECONDS - started)) s): $(first_apt_error)"
}

# apt's first error in the log, short: "http://.../Packages.xz: File has unexpected size ...".
first_apt_error() {
  grep '^E: ' "$log" | grep -v 'Some index files failed' | head -n1 |
    sed -e 's/^E: Failed to fetch \([^ ]*\) */\1: /' -e 's/ *\[IP: [^]]*\]//' | cut -c1-200
}

# Downloads and installs the named packages, with a line for each half.
install_packages() {
  local plan count megabytes set_up_before set_up
  plan=$("${apt_get[@]}" "${apt_lists[@]}" install --print-uris -qq "$@" 2>>"$log" | grep "^'" || true)
  count=$(printf '%s' "$plan" | grep -c . || true)
  megabytes=$(printf '%s\n' "$plan" | awk '{ bytes += $3 } END { printf "%d", bytes / 1e6 }')
  printf 'install-deps: downloading %d packages with their dependencies (%d MB) ... ' "$count" "$megabytes"
  stage "download" "${apt_get[@]}" "${apt_lists[@]}" install --download-only "$@"
  echo "done ($((SECONDS - started)) s)"
  printf 'install-deps: unpacking and setting them up ... '
  set_up_before=$(grep -c '^Setting up ' "$log" || true)
  stage "install" "${apt_get[@]}" "${apt_lists[@]}" install "$@"
  set_up=$(($(grep -c '^Setting up ' "$log" || true) - set_up_before))
  echo "$set_up set up ($((SECONDS - started)) s)"
  local still=() name
  for name in "$@"; do installed "$name" || still+=("$name"); done
  if [ ${#still[@]} != 0 ]; then
    say "still not installed: ${still[*]}; see $log" >&2
    exit 1
  fi
}

# Can the machine's own apt install the Wine packages beside what is installed?
# Asked with lists of its own sources for amd64 and i386 in build/apt-i386, so
# that the machine gains no i386 architecture (and no failing index) when the
# answer is no.  Prints why not.
host_apt_takes_i386() {
  local private="$repo/build/apt-i386" answer
  rm -rf "$private"
  mkdir -p "$private/lists/partial" "$private/cache/archives/partial"
  local apt_i386=("${apt_get[@]}" -o "Dir::State::Lists=$private/lists" -o "Dir::Cache=$private/cache"
    -o APT::Architectures::=amd64 -o APT::Architectures::=i386 -o Debug::NoLocking=1)
  echo "=== apt-get update for amd64 and i386 in build/apt-i386" >>"$log"
  if ! "${apt_i386[@]}" update >>"$log" 2>&1 </dev/null; then
    answer=$(first_apt_error)
    echo "${answer:-apt-get update failed for them}"
    return 1
  fi
  echo "=== apt-get --simulate install ${wine_packages[*]}" >>"$log"
  if ! "${apt_i386[@]}" --simulate install "${wine_packages[@]}" >>"$log" 2>&1 </dev/null; then
    answer=$(grep '^E: ' "$log" | tail -n1 | cut -c1-160)
    echo "apt cannot install them beside the installed amd64 libraries (${answer:-see $log})"
    return 1
  fi
}

wine_on_host=0
all_installed "${wine_packages[@]}" && wine_on_host=1
if [ ${#host_missing[@]} = 0 ]; then
  say "all $((${#wanted[@]} - ${#wine_packages[@]})) Debian packages of the machine are installed"
else
  need_root "missing packages (${host_missing[*]})"
  say "${#host_missing[@]} Debian packages are missing: ${host_missing[*]}"
  say "(the first time: a few hundred MB, a few minutes; apt's output goes to build/install-deps.log)"
  update_lists
  install_packages "${host_missing[@]}"
fi

# Before any i386 package: their maintainer scripts run 32-bit programs.
"$repo/tools/i386-emulation.sh"

# Wine in a Debian root of this release, made once and again when its recipe changes.
wine_into_root() {
  need_root "Wine goes into a root of its own"
  [ -f "$wine_root/.tickbomb-root" ] ||
    say "Wine goes into a Debian root of its own: $1"
  if ! command -v mmdebstrap >/dev/null; then
    update_lists
    install_packages mmdebstrap
  fi
  before=$(cat "$wine_root/.tickbomb-root" 2>/dev/null || true)
  [ "$before" != "" ] || say "making it in build/wine-root (mmdebstrap, a few minutes, once)"
  "$repo/tools/wine-root.sh" make "$codename" "$wine_root"
  say "32-bit Wine in build/wine-root: $("$repo/tools/wine-root.sh" run "$wine_root" wine --version)"
}

# Wine on the machine, from the very lists that host_apt_takes_i386 read and
# found good.  Reading them once more could meet another copy of the mirror
# (deb.debian.org is many machines), one whose i386 index is stale.
wine_onto_machine() {
  local private="$repo/build/apt-i386" name missing_wine=()
  for name in "${wine_packages[@]}"; do installed "$name" || missing_wine+=("$name"); done
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    say "enabling the i386 architecture (for 32-bit Wine)"
    stage "dpkg --add-architecture" "${as_root[@]}" dpkg --add-architecture i386
  fi
  apt_lists=(-o "Dir::State::Lists=$private/lists" -o "Dir::Cache=$private/cache")
  install_packages "${missing_wine[@]}"
}

if [ "$wine_on_host" = 1 ]; then
  say "32-bit Wine is installed: $(wine --version 2>/dev/null || echo '?')"
elif [ -f "$wine_root/.tickbomb-root" ]; then
  wine_into_root ""
elif ! reason=$(host_apt_takes_i386); then
  wine_into_root "the machine's apt cannot install 32-bit Wine ($reason)"
else
  need_root "32-bit Wine is missing"
  had_i386=$(dpkg --print-foreign-architectures | grep -cx i386 || true)
  # In a subshell: a failing stage ends only it.
  if ! (wine_onto_machine); then
    # The architecture it added goes again, unless apt did install an i386
    # package (then dpkg refuses).
    if [ "$had_i386" = 0 ]; then
      "${as_root[@]}" dpkg --remove-architecture i386 >>"$log" 2>&1 || true
    fi
    wine_into_root "the machine's apt failed to install 32-bit Wine (above)"
  fi
  rm -rf "$repo/build/apt-i386"
fi
say "done in $((SECONDS - started)) s"
