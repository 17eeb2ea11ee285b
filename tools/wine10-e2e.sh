#!/bin/bash
# Runs the end-to-end scenarios against a built tickbomb.exe under Wine 10, the
# Wine of Debian 13 (trixie), from a Debian 12 machine: in a trixie root that
# it makes itself with mmdebstrap from Debian's packages (minbase, amd64 and
# i386, with what tools/install-deps.sh --list e2e names).  The root is kept in
# build/wine10/root and made again when that list changes.  Inside it the
# repository keeps its path; results and artefacts land in build/wine10/e2e.
#
#   tools/wine10-e2e.sh [--exe FILE] [--expect-failure NAME]... [NAME...]
#   tools/wine10-e2e.sh [--exe FILE] --chaos N [--seed S] [--profile P] [--windows-version V]
#
# --exe: the .exe to try (default build/windows/tickbomb.exe, the windows
# preset's build).  NAMEs: scenarios as e2e.py names them (hardening.idle_...);
# default all, two at a time (the serial ones alone).  --expect-failure NAME: a
# scenario known to fail under Wine 10; its failure is reported but does not
# fail the run (and it is said when it passes).  Exits non-zero if any other
# scenario failed.  --chaos N: N random sessions of tools/chaos.sh instead
# (tests/e2e/chaos.py, two at a time, from seed S, weighted as profile P, as
# Windows version V), artefacts in
# build/wine10/e2e/chaos.  Needs root (mmdebstrap, mount, chroot); about 2 minutes
# the first time for the root (tools/wine-root.sh), then about 3 minutes for the
# scenarios natively, 6 under emulation (tools/i386-emulation.sh).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exe="$repo/build/windows/tickbomb.exe"
expected=()
names=()
chaos=0
chaos_options=()
while [ $# -gt 0 ]; do
  case "$1" in
    --exe) exe=$(realpath "$2"); shift 2 ;;
    --expect-failure) expected+=("$2"); shift 2 ;;
    --chaos) chaos=$2; shift 2 ;;
    --seed | --profile | --windows-version) chaos_options+=("$1" "$2"); shift 2 ;;
    -*) echo "usage: $0 [--exe FILE] [--expect-failure NAME]... [NAME...] | --chaos N [--seed S] [--profile P] [--windows-version V]" >&2
        exit 2 ;;
    *) names+=("$1"); shift ;;
  esac
done

say() { echo "wine10-e2e: $*"; }
[ "$(id -u)" = 0 ] || { say "run this as root (mmdebstrap, mount and chroot need it)" >&2; exit 1; }
[ -f "$exe" ] || { say "no $exe: build it first (cmake --build --preset windows)" >&2; exit 1; }

work="$repo/build/wine10"
root="$work/root"
out="$work/e2e"
mkdir -p "$work"
started=$SECONDS

# Where the kernel refuses 32-bit programs, the root's i386 packages and Wine
# need the emulator first.
"$repo/tools/i386-emulation.sh"
if ! command -v mmdebstrap >/dev/null; then
  say "installing mmdebstrap (apt's output in build/wine10/apt.log)"
  { apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
    --no-install-recommends mmdebstrap; } >"$work/apt.log" 2>&1 </dev/null || {
    tail -n 15 "$work/apt.log" >&2
    say "could not install mmdebstrap" >&2
    exit 1
  }
fi
if [ ! -f "$root/.tickbomb-root" ]; then
  say "making a Debian 13 root with Wine 10 in build/wine10/root (mmdebstrap, about 2 minutes)"
fi
"$repo/tools/wine-root.sh" make trixie "$root"

rm -rf "$out"
mkdir -p "$out/logs"
cp "$exe" "$out/tickbomb.exe"
# Inside the root the repository and build/wine10/e2e keep their paths.
inside() { "$repo/tools/wine-root.sh" run "$root" "$@"; }
e2e_py=$repo/tests/e2e/e2e.py

say "$(inside wine --version) $(/usr/bin/python3 "$repo/tools/machine-runs-32-bit.py" --how)" \
  "in $(. "$root/etc/os-release" && echo "$PRETTY_NAME"), testing $exe"
inside python3 -B "$e2e_py" prepare --out "$out" >"$out/logs/prepare.log" 2>&1 || {
  cat "$out/logs/prepare.log"
  say "the template Wine prefix could not be made" >&2
  exit 1
}
if [ "$chaos" -gt 0 ]; then
  inside python3 -B "$repo/tests/e2e/chaos.py" "$chaos" "${chaos_options[@]}" \
    --exe "$out/tickbomb.exe" --out "$out/chaos" --template "$out/wine-template" |
    tee "$out/logs/chaos.log"
  status=${PIPESTATUS[0]}
  say "$((SECONDS - started)) s in all; logs and artefacts in build/wine10/e2e"
  exit "$status"
fi
if [ ${#names[@]} = 0 ]; then
  selftest=1
  mapfile -t listed < <(inside python3 -B "$e2e_py" list)
else
  selftest=0
  listed=()
  for name in "${names[@]}"; do listed+=("$name 0 1"); done
fi
parallel=()
serial=()
for line in "${listed[@]}"; do
  read -r name _timeout is_serial <<<"$line"
  if [ "$is_serial" = 1 ]; then serial+=("$name"); else parallel+=("$name"); fi
done

# One scenario: its log in logs/NAME.log, its verdict in logs/NAME.result.
run_one() {
  local name=$1 began=$SECONDS verdict=FAILED
  if inside python3 -B "$e2e_py" run --exe "$out/tickbomb.exe" --out "$out" "$name" \
    >"$out/logs/$name.log" 2>&1; then
    verdict=passed
  fi
  echo "$verdict $((SECONDS - began))" >"$out/logs/$name.result"
  echo "  $verdict $name ($((SECONDS - began)) s)"
}
export -f run_one inside
export repo root out e2e_py
if [ "$selftest" = 1 ]; then
  if inside python3 -B -m unittest discover -s "$repo/tests/e2e/selftest" \
    >"$out/logs/harness_selftest.log" 2>&1; then
    echo "passed 0" >"$out/logs/harness_selftest.result"
    echo "  passed harness_selftest"
  else
    echo "FAILED 0" >"$out/logs/harness_selftest.result"
    echo "  FAILED harness_selftest"
  fi
fi
if [ ${#parallel[@]} -gt 0 ]; then
  printf '%s\n' "${parallel[@]}" | xargs -P 2 -I{} bash -c 'run_one "$1"' _ {}
fi
for name in "${serial[@]}"; do run_one "$name"; done

passed=0
failed=()
expected_seen=()
for result in "$out"/logs/*.result; do
  name=$(basename "$result" .result)
  if [ "$(cut -d' ' -f1 "$result")" = passed ]; then
    passed=$((passed + 1))
    for known in "${expected[@]}"; do
      [ "$known" = "$name" ] && say "$name passed, though it was expected to fail under Wine 10"
    done
  else
    is_expected=0
    for known in "${expected[@]}"; do [ "$known" = "$name" ] && is_expected=1; done
    if [ "$is_expected" = 1 ]; then expected_seen+=("$name"); else failed+=("$name"); fi
  fi
done
for name in "${failed[@]}" "${expected_seen[@]}"; do
  echo
  echo "---- $name (build/wine10/e2e/logs/$name.log, last lines)"
  tail -n 12 "$out/logs/$name.log"
done
echo
[ ${#expected_seen[@]} = 0 ] ||
  say "failed as expected under Wine 10: ${expected_seen[*]}"
[ ${#failed[@]} = 0 ] || say "FAILED: ${failed[*]}"
say "$((SECONDS - started)) s in all; logs and artefacts in build/wine10/e2e"
echo "wine10: $passed passed, $((${#failed[@]} + ${#expected_seen[@]})) failed"
[ ${#failed[@]} = 0 ]
