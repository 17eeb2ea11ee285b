#!/bin/bash
# The habits that keep the code as it is: no formatting difference from
# .clang-format in any C or C++ file of the tree, no cycle among the program's
# components and each of its Windows resources in one owner's file, and no
# clang-tidy or cppcheck finding in the program's own code (app/, system/).
# Exits non-zero on any.
#   tools/lint.sh            all four
#   tools/lint.sh format     only the formatting (a second or two)
# clang-tidy reads the compile commands of the host and windows build trees,
# which it configures if they are not there yet.
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
what=${1:-all}
status=0
say() { echo "lint: $*"; }

# ---- formatting
mapfile -t sources < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' '*.c')
unformatted=()
for file in "${sources[@]}"; do
  [ -f "$file" ] || continue
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [ ${#unformatted[@]} = 0 ]; then
  say "format: ${#sources[@]} files as .clang-format has them ($(clang-format --version | grep -o 'version [0-9.]*'))"
else
  say "format: ${#unformatted[@]} file(s) differ from .clang-format (clang-format -i to fix):"
  printf '    %s\n' "${unformatted[@]}"
  status=1
fi
[ "$what" = format ] && exit "$status"

# ---- structure: no cycle among the program's components, one owner for each
# of the core's Windows resources (tools/lint_structure.py)
if structure=$(python3 tools/lint_structure.py "$repo"); then
  say "structure: no cycle among the components of app/ and system/, each resource in its owner's file"
else
  say "structure:"
  echo "$structure"
  status=1
fi

# ---- clang-tidy
for preset in host windows; do
  [ -f "build/$preset/compile_commands.json" ] || cmake --preset "$preset" >/dev/null || exit 1
done
mapfile -t core < <(git ls-files --cached --others --exclude-standard -- 'app/*.cpp' 'system/*.cpp' \
                    | grep -v '^app/win32/')
mapfile -t win32 < <(git ls-files --cached --others --exclude-standard -- 'app/win32/*.cpp')
# The Windows side is read as the cross compiler sees it: its target and its
# own system headers.
cross=$(grep -o '"[^"]*i686-w64-mingw32-g++[^" ]*' build/windows/compile_commands.json | head -1 | tr -d '"')
cross_args=(--extra-arg=--target=i686-w64-mingw32 --extra-arg=-nostdinc++ --extra-arg=-nostdinc)
while read -r dir; do
  cross_args+=("--extra-arg=-isystem$dir")
done < <("$cross" -E -x c++ - -v </dev/null 2>&1 |
         sed -n '/#include <...> search starts here/,/End of search list/p' | grep '^ ' | sed 's/^ //')
tidy_log=$(mktemp)
trap 'rm -f "$tidy_log"' EXIT
{
  printf '%s\n' "${core[@]}" | xargs -P 2 -n 4 clang-tidy --quiet -p build/host
  printf '%s\n' "${win32[@]}" | xargs -P 2 -n 3 clang-tidy --quiet -p build/windows "${cross_args[@]}"
} >"$tidy_log" 2>&1
findings=$(grep -cE '(warning|error): ' "$tidy_log")
if [ "$findings" = 0 ]; then
  say "clang-tidy: no finding in ${#core[@]} + ${#win32[@]} files ($(clang-tidy --version | grep -o 'version [0-9.]*'))"
else
  say "clang-tidy: $findings finding(s):"
  grep -E '(warning|error): ' "$tidy_log" | sed "s|$repo/||" | sort -u | sed 's/^/    /'
  status=1
fi

# ---- cppcheck
# (cppcheck 2.11 and later add a note where the normal check level limits the
# branches they follow: a note about the analysis, not a finding.)
cppcheck_out=$(cppcheck --enable=warning,style,performance,portability --std=c++20 --language=c++ \
  -I . --inline-suppr --quiet --suppress=missingIncludeSystem \
  --suppress=normalCheckLevelMaxBranches \
  --template='{file}:{line}: {severity} {id}: {message}' app system 2>&1)
if [ -z "$cppcheck_out" ]; then
  say "cppcheck: no finding in app/ and system/ ($(cppcheck --version))"
else
  say "cppcheck: findings:"
  echo "$cppcheck_out" | grep -v '^\s' | sed 's/^/    /'
  status=1
fi
exit "$status"
