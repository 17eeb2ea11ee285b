#!/bin/bash
# Builds and runs the resampler's benchmark (tools/bench/resample_bench.cpp):
# natively, and as a 32-bit Windows program with tickbomb.exe's compiler and
# flags (x87, -O2) under Wine, in the private prefix of the windows build's
# unit tests. The figures are ratios within one run; the machine's load
# average is printed before and after, since other work on it slows them.
#   tools/bench/resample_bench.sh [host] [windows]    (ROUNDS=40 ... for more rounds)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$repo"
presets=("$@")
[ ${#presets[@]} = 0 ] && presets=(host windows)

status=0
for preset in "${presets[@]}"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target resample_bench --parallel 2 >/dev/null
  echo "=== $preset, load average $(cut -d' ' -f1-3 /proc/loadavg)"
  case "$preset" in
    windows)
      tools/with-wine.sh cmake/wine-emulator.sh "$repo/build/windows/unit-wine-prefix" \
        "$repo/build/windows/tools/bench/resample_bench.exe" "${ROUNDS:-20}" | tr -d '\r' || status=1 ;;
    *) "$repo/build/$preset/tools/bench/resample_bench" "${ROUNDS:-20}" || status=1 ;;
  esac
  echo "=== load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
done
exit "$status"
