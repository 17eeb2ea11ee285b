#!/bin/bash
# Random users and a busy machine against the real tickbomb.exe under Wine:
#   tools/chaos.sh N [--seed S] [--jobs J] [--windows-version V] [--profile reopens] [--keep]
# Builds the program (windows preset), then runs N random sessions, two at a
# time unless told (tests/e2e/chaos.py).  The last line reads
# "N sessions, V violations, T s"; it exits non-zero on a violation.  The
# artefacts of violating sessions are kept in build/chaos/sessions/.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
[ $# -ge 1 ] || { echo "usage: tools/chaos.sh N [--seed S] [--jobs J] [--windows-version V] [--profile reopens] [--keep]"; exit 2; }
cmake --preset windows >/dev/null
cmake --build --preset windows --parallel 2 --target tickbomb >/dev/null
exec tools/with-wine.sh /usr/bin/python3 tests/e2e/chaos.py "$@"
