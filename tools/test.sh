#!/bin/bash
# Builds and runs every test of tickbomb:
#   host           the portable core's native unit tests
#   host-sanitize  the same tests under AddressSanitizer and UBSan
#   windows        tickbomb.exe cross-compiled, its build checks, and the
#                  end-to-end scenarios under Wine on a virtual display
#   lint           no formatting difference, no clang-tidy or cppcheck finding
#                  (tools/lint.sh)
# Installs missing Debian packages first.  Exits non-zero if anything failed.
# Give preset names to run only those:  tools/test.sh host windows
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

"$repo/tools/install-deps.sh" || exit 1

presets=("$@")
[ ${#presets[@]} = 0 ] && presets=(host host-sanitize windows lint)

mkdir -p build
summary=()
status=0
for preset in "${presets[@]}"; do
  if [ "$preset" = lint ]; then
    echo
    echo "=== lint"
    started=$SECONDS
    if "$repo/tools/lint.sh" | tee build/lint.log; then
      summary+=("lint: clean ($((SECONDS - started)) s)")
    else
      summary+=("lint: FAILED, see build/lint.log ($((SECONDS - started)) s)")
      status=1
    fi
    continue
  fi
  echo
  echo "=== $preset: configure and build"
  started=$SECONDS
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" --parallel 2; then
    summary+=("$preset: BUILD FAILED")
    status=1
    continue
  fi
  echo "=== $preset: tests"
  ctest --preset "$preset" --output-on-failure -j2 | tee "build/ctest-$preset.log"
  result=${PIPESTATUS[0]}
  line=$(grep -E '^[0-9]+% tests passed' "build/ctest-$preset.log" | tail -1)
  [ -n "$line" ] || line="no test summary (ctest exit code $result)"
  skipped=$(grep -c '(Skipped)$' "build/ctest-$preset.log" || true)
  [ "$skipped" = 0 ] || line="$line; $skipped skipped"
  [ "$preset" != windows ] || line="$line; $("$repo/tools/with-wine.sh" --describe 2>&1)"
  if [ "$result" = 0 ]; then
    summary+=("$preset: $line ($((SECONDS - started)) s)")
  else
    summary+=("$preset: FAILED: $line ($((SECONDS - started)) s)")
    status=1
  fi
done

echo
echo "=== summary"
printf '  %s\n' "${summary[@]}"
if [ "$status" != 0 ]; then
  echo "SOME TESTS FAILED"
else
  echo "all tests passed"
fi
exit "$status"
