#!/bin/sh
# Run tools/assets/generate.sh into a scratch folder and compare what it writes
# with the committed files under assets/.
#   regenerate_check.sh SOURCE_DIR ASSETS_TEST
#
# The generator records the versions of the tools that made the pictures in
# assets/generated-with.txt.  With the same versions every file must come out
# byte for byte.  With others (a newer librsvg or Pillow draws and quantises a
# little differently) it checks what the program relies on: the sounds, cursors
# and icon byte for byte, every format table, frame and spark check of
# ASSETS_TEST (the native asset tests) run on the regenerated tree, the same
# header as the committed picture, and each picture within a small perceptual
# distance of the committed one (picture_distance.py).
set -eu
src=$1
assets_test=$2
if ! /usr/bin/python3 -c 'import PIL, numpy' 2>/dev/null || ! command -v rsvg-convert >/dev/null; then
  echo "the generator needs the Debian packages in tools/assets/apt-packages.txt"
  exit 1
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$src/tools/assets/generate.sh" "$out" >/dev/null
status=0
count=0
if [ ! -f "$out/generated-with.txt" ]; then
  echo "the generator wrote no generated-with.txt"
  exit 1
fi
if cmp -s "$out/generated-with.txt" "$src/assets/generated-with.txt"; then
  exact=1
  echo "the same tool versions as the committed files: every file must match byte for byte"
else
  exact=0
  echo "other tool versions than the committed files' (< committed, > here):"
  diff "$src/assets/generated-with.txt" "$out/generated-with.txt" | grep '^[<>] [^#]' || true
  echo "so: sounds, cursors and icon byte for byte; pictures by format, frames and eye"
fi

for made in $(cd "$out" && find . -type f ! -name generated-with.txt | sort); do
  made=${made#./}
  count=$((count + 1))
  if [ ! -f "$src/assets/$made" ]; then
    echo "generated but not committed: assets/$made"
    status=1
  elif cmp -s "$out/$made" "$src/assets/$made"; then
    :
  elif [ "$exact" = 0 ] && [ "${made#pictures/}" != "$made" ]; then
    : # judged below
  else
    echo "differs from the committed file: assets/$made"
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

if [ "$exact" = 0 ]; then
  # The asset tests read the regenerated tree, with the hand-written files beside it.
  find "$src/assets" -maxdepth 1 -type f ! -name generated-with.txt -exec cp {} "$out/" \;
  if TICKBOMB_ASSETS_DIR="$out" "$assets_test" --gtest_brief=1 >"$out/assets_test.log" 2>&1; then
    echo "the asset tests pass on the regenerated files ($(grep -o '[0-9]* tests\? from [0-9]* test suites\? ran' "$out/assets_test.log"))"
  else
    cat "$out/assets_test.log"
    echo "the asset tests fail on the regenerated files"
    status=1
  fi
  /usr/bin/python3 "$src/tests/assets/picture_distance.py" "$src/assets" "$out" || status=1
fi

if [ "$status" -eq 0 ]; then
  if [ "$exact" = 1 ]; then
    echo "all $count generated files match byte for byte"
  else
    echo "all $count generated files pass: the pictures within the perceptual tolerance, the rest byte for byte"
  fi
fi
exit "$status"
