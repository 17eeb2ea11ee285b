#!/bin/bash
# The same sources give the same tickbomb.exe wherever they are built: copies
# the source tree (the files git knows, as they are in the work tree) into
# another folder, builds tickbomb.exe there with the windows preset and the
# same commit date, and compares the two files byte for byte.
#   check_reproducible.sh SOURCE_DIR BUILT_EXE SOURCE_DATE_EPOCH
set -euo pipefail
source=$1 built=$2 epoch=$3
work=$(mktemp -d "$(dirname "$built")/reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
copy="$work/another/folder/tickbomb"
mkdir -p "$copy"
cd "$source"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do
      [ -e "$file" ] && cp --parents -P -- "$file" "$copy/"
    done
else
  tar --exclude=./build -cf - . | tar -xf - -C "$copy"
fi
cd "$copy"
cmake --preset windows -DTICKBOMB_SOURCE_DATE_EPOCH="$epoch" >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log"; exit 1; }
cmake --build --preset windows --target tickbomb --parallel 2 >"$work/build.log" 2>&1 ||
  { tail -n 30 "$work/build.log"; exit 1; }
again="$copy/build/windows/tickbomb.exe"
if cmp -s "$built" "$again"; then
  echo "reproducible: $built and a build in another folder are the same $(stat -c %s "$built") bytes" \
    "($(sha256sum "$built" | cut -c1-16)...)"
  exit 0
fi
echo "NOT REPRODUCIBLE: $built and the same sources built in $copy differ:"
cmp "$built" "$again" | head -n 1 || true
echo "  bytes that differ: $(cmp -l "$built" "$again" | wc -l || true)"
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
diff <("$objdump" -p "$built" | grep -E 'Time/Date|CheckSum|SizeOf') \
  <("$objdump" -p "$again" | grep -E 'Time/Date|CheckSum|SizeOf') | sed 's/^/  /' || true
exit 1
