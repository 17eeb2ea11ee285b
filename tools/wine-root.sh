#!/bin/bash
# A Debian root of its own with Wine and what the end-to-end tests need
# (tools/install-deps.sh --list e2e), made with mmdebstrap from Debian's
# packages, and commands run inside it at the paths they have outside.
#
#   tools/wine-root.sh make SUITE DIR    make DIR a root of SUITE (bookworm or
#                                        trixie), unless it was made from the
#                                        same recipe; about 2 minutes
#   tools/wine-root.sh run DIR CMD...    run CMD inside DIR, in the current
#                                        folder, with the environment it has
#
# A bookworm root takes the main and updates suites only: where a mirror's
# bookworm-security i386 index is stale, apt cannot put 32-bit Wine beside
# amd64 libraries from bookworm-security (Multi-Arch: same wants one version
# of both).  A trixie root takes mmdebstrap's default sources.
#
# `run` mounts, in a mount namespace of the command's own (so nothing stays
# mounted when it ends, however it ends), /proc, /sys, /dev, /tmp (the X
# displays' sockets and locks stay one set for the host and every root) and
# the repository at its own path, then chroots.  The command keeps its process
# id: signals and CTest's timeouts reach it.  Both need root.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
say() { echo "wine-root: $*" >&2; }
[ "$(id -u)" = 0 ] || { say "run this as root (mmdebstrap, mount and chroot need it)"; exit 1; }

make_root() {
  local suite=$1 root=$2 packages recipe log sources=()
  mkdir -p "$(dirname "$root")"
  root=$(cd "$(dirname "$root")" && pwd)/$(basename "$root")
  packages=$("$repo/tools/install-deps.sh" --list e2e | paste -sd, -)
  local mirror=${TICKBOMB_DEBIAN_MIRROR:-http://deb.debian.org/debian}
  case "$suite" in
    bookworm) sources=("deb $mirror bookworm main" "deb $mirror bookworm-updates main") ;;
    trixie) ;;
    *) say "no recipe for a root of $suite"; exit 2 ;;
  esac
  recipe="$suite minbase amd64,i386 ${sources[*]} ca-certificates,$packages"
  if [ -f "$root/.tickbomb-root" ] && [ "$(cat "$root/.tickbomb-root")" = "$recipe" ]; then
    return 0
  fi
  if ! /usr/bin/python3 "$repo/tools/machine-runs-32-bit.py" >/dev/null; then
    say "32-bit programs do not run here, and the root's i386 packages need them:"
    say "    run tools/i386-emulation.sh first"
    exit 1
  fi
  if ! command -v mmdebstrap >/dev/null; then
    say "no mmdebstrap: apt-get install mmdebstrap"
    exit 1
  fi
  log="$root.mmdebstrap.log"
  local started=$SECONDS
  rm -rf "$root"
  if ! mmdebstrap --variant=minbase --architectures=amd64,i386 \
    --include="ca-certificates,$packages" "$suite" "$root" "${sources[@]}" >"$log" 2>&1 </dev/null; then
    tail -n 15 "$log" >&2
    say "mmdebstrap failed; see $log"
    exit 1
  fi
  echo "$recipe" >"$root/.tickbomb-root"
  echo "wine-root: made a $suite root in $root ($((SECONDS - started)) s)"
}

run_in_root() {
  local root=$1
  shift
  [ -f "$root/.tickbomb-root" ] || { say "no root in $root: tools/wine-root.sh make SUITE $root"; exit 1; }
  root=$(cd "$root" && pwd)
  local mount_points=(proc sys dev tmp "${repo#/}")
  local point
  for point in "${mount_points[@]}"; do mkdir -p "$root/$point"; done
  # The namespace's mounts are made private, so that none of them reaches the
  # machine's own.  Inside a chroot "/" is no mount point and cannot be made so:
  # there the root is made a private mount of its own first, unless even that
  # would have reached the outside (its parent mount propagates).
  local propagation=private
  mountpoint -q / || propagation=unchanged
  export TICKBOMB_ROOT=$root TICKBOMB_REPO=$repo TICKBOMB_CWD=$PWD TICKBOMB_PROPAGATION=$propagation
  # shellcheck disable=SC2016
  exec unshare --mount --propagation "$propagation" -- /bin/sh -c '
    set -e
    if [ "$TICKBOMB_PROPAGATION" = unchanged ]; then
      mount --bind "$TICKBOMB_ROOT" "$TICKBOMB_ROOT"
      if grep " $TICKBOMB_ROOT " /proc/self/mountinfo | tail -n 1 | grep -q " shared:"; then
        umount "$TICKBOMB_ROOT"
        echo "wine-root: in this chroot a mount would reach the mounts outside it; make its" \
          "root a mount point of its own (mount --bind DIR DIR) before chroot" >&2
        exit 1
      fi
      mount --make-rprivate "$TICKBOMB_ROOT"
    fi
    for dir in proc sys dev; do mount --rbind "/$dir" "$TICKBOMB_ROOT/$dir"; done
    mount --bind /tmp "$TICKBOMB_ROOT/tmp"
    mount --bind "$TICKBOMB_REPO" "$TICKBOMB_ROOT$TICKBOMB_REPO"
    exec chroot "$TICKBOMB_ROOT" /usr/bin/env \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      /bin/sh -c "cd \"\$TICKBOMB_CWD\" && unset TICKBOMB_ROOT TICKBOMB_CWD && exec \"\$@\"" sh "$@"
  ' sh "$@"
}

case "${1:-}" in
  make) [ $# = 3 ] || { say "usage: $0 make SUITE DIR"; exit 2; }; make_root "$2" "$3" ;;
  run) [ $# -ge 3 ] || { say "usage: $0 run DIR CMD..."; exit 2; }; shift; run_in_root "$@" ;;
  *) say "usage: $0 make SUITE DIR | run DIR CMD..."; exit 2 ;;
esac
