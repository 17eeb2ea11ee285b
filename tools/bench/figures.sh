#!/bin/bash
# Measures the figures of docs/figures.md on this machine and writes that file
# from tools/bench/figures.md.in: the tick timing, the resampler, the CPU over a
# countdown beside the minimal window, the overall figures, and a paragraph
# naming the commit, the date, the machine's cores and how Wine ran.  The
# figures belong to a commit, so the work tree must be that commit's, unchanged.
#
#   tools/bench/figures.sh       (builds the windows preset first; about 6 minutes
#                                 natively, 20 under emulation)
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$repo"
say() { echo "figures.sh: $*"; }

if [ -n "$(git status --porcelain)" ]; then
  say "the work tree has changes: figures must name a commit (commit or stash them first)" >&2
  exit 1
fi
commit=$(git rev-parse --short=12 HEAD)
committed=$(git log -1 --format=%cd --date=format:%Y-%m-%d)
cmake --preset windows >/dev/null
cmake --build --preset windows --parallel 2 --target tickbomb >/dev/null
mkdir -p build/bench
say "the resampler's benchmark"
tools/bench/resample_bench.sh windows >build/bench/resample.txt
wine=$(tools/with-wine.sh --describe)
measured_on="These figures were measured and this file written by \`tools/bench/figures.sh\`
for commit \`$commit\` (of $committed), on $(date -u '+%Y-%m-%d at %H:%M UTC'), on a machine
with $(nproc) cores, with $wine."
case "$wine" in
  *" natively"*) ;;
  *) measured_on="$measured_on Wine ran under user-mode emulation there: the figures show the
program's behaviour on a machine several times slower than a native one, not its speed on
a real one ([testing.md](testing.md#a-machine-that-runs-no-32-bit-program)); the goals of
the overall figures are for Wine running natively." ;;
esac
say "the overall figures (their log in build/bench/figures.log)"
tools/with-wine.sh /usr/bin/python3 tools/bench/overall.py \
  --resampler-output build/bench/resample.txt --write docs/figures.md \
  --measured-on "$measured_on" 2>build/bench/figures.log
say "wrote docs/figures.md for commit $commit"
