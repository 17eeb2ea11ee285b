#!/bin/bash
# Runs a command beside this machine's 32-bit Wine: the machine's own where it
# has one, else the Debian root that tools/install-deps.sh made for Wine
# (build/wine-root, tools/wine-root.sh), at the same paths.
#
#   tools/with-wine.sh CMD...       run CMD where Wine is
#   tools/with-wine.sh --describe   one line: which Wine, how its 32-bit code
#                                   runs (natively or under an emulator), where
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
wine_root="$repo/build/wine-root"

if dpkg-query -W -f='${Status}\n' wine32:i386 2>/dev/null | grep -q '^install ok installed$'; then
  where=()
  place="on this machine"
elif [ -f "$wine_root/.tickbomb-root" ]; then
  where=("$repo/tools/wine-root.sh" run "$wine_root")
  place="in a Debian $(. "$wine_root/etc/os-release" && echo "$VERSION_ID") root of its own (build/wine-root)"
else
  echo "with-wine: no 32-bit Wine on this machine and no build/wine-root: run tools/install-deps.sh" >&2
  exit 1
fi

if [ "${1:-}" = --describe ]; then
  how=$(/usr/bin/python3 "$repo/tools/machine-runs-32-bit.py" --how) || how="(no 32-bit program runs here)"
  echo "$("${where[@]}" wine --version) $how, $place"
  exit 0
fi
[ $# -gt 0 ] || { echo "usage: $0 CMD... | --describe" >&2; exit 2; }
exec "${where[@]}" "$@"
