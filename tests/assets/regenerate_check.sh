#!/bin/sh
# Run tools/assets/generate.sh into a scratch folder and compare every file it
# writes with the committed one under assets/, and the other way round.
#   regenerate_check.sh SOURCE_DIR
set -eu
src=$1
if ! /usr/bin/python3 -c 'import PIL, numpy' 2>/dev/null || ! command -v rsvg-convert >/dev/null; then
  echo "the generator needs the Debian packages in tools/assets/apt-packages.txt"
  exit 1
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$src/tools/assets/generate.sh" "$out" >/dev/null
status=0
count=0
for made in $(cd "$out" && find . -type f | sort); do
  count=$((count + 1))
  if ! cmp -s "$out/$made" "$src/assets/$made"; then
    echo "differs from the committed file: assets/${made#./}"
    status=1
  fi
done
for kept in $(cd "$src/assets" && find sounds pictures cursors icon -type f | sort); do
  if [ ! -f "$out/$kept" ]; then
    echo "committed but no longer generated: assets/$kept"
    status=1
  fi
done
if [ "$count" -eq 0 ]; then
  echo "the generator wrote nothing"
  status=1
fi
[ "$status" -eq 0 ] && echo "all $count generated files match"
exit "$status"
