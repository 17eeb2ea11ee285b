#!/bin/bash
# Runs N random sequences of everything a user, the timer and the machine can
# do to the window (stalls and run-time errors included) against the portable
# core, and checks the invariants of every one of them.
#   tools/soak.sh [N]      (default 100000)
# The last line reads "N sequences, V violations, T s"; it exits non-zero on a
# violation.  Uses the host build (cmake --preset host).
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
count=${1:-100000}
cmake --preset host >/dev/null
cmake --build --preset host --parallel 2 --target unit_tests >/dev/null
set +e
TICKBOMB_SOAK_SEQUENCES=$count build/host/tests/unit/unit_tests --gtest_filter=Soak.Sequences \
  --gtest_brief=1 >build/soak.log 2>&1
status=$?
set -e
grep -v '^\(Running main\|Note: Google Test\|\[\)' build/soak.log | grep -v ' sequences, ' || true
grep ' sequences, ' build/soak.log | tail -1 || { echo "no result; see build/soak.log"; exit 1; }
exit "$status"
