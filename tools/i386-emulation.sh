#!/bin/bash
# Makes 32-bit x86 programs run where the kernel refuses them, and only there:
# Wine runs tickbomb.exe in a 32-bit process.  Such a machine gets Debian 13's
# user-mode emulator (qemu-user's static qemu-i386; Debian 12's qemu 7.2 hangs
# under Wine), registered with binfmt_misc for i386 ELF files with flag F: the
# kernel opens the emulator once, at registration, so the entry works inside
# chroots too.  Where 32-bit programs already run, natively or through an i386
# registration that was there before, it changes nothing.
#
#   tools/i386-emulation.sh           set up the emulation where it is needed
#   tools/i386-emulation.sh --remove  remove the registration this script made
#                                     (and nothing else)
#
# One line says what it did.  The emulator is taken from Debian 13 through a
# private apt configuration in build/emulation: the machine's own apt sources
# are not touched.  Needs root (or sudo) only when it has something to do.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
say() { echo "i386-emulation: $*"; }
probe() { /usr/bin/python3 "$repo/tools/machine-runs-32-bit.py" "$@"; }

binfmt=/proc/sys/fs/binfmt_misc
entry_name=tickbomb-i386
entry="$binfmt/$entry_name"
# i386 ELF executables and shared objects (e_ident with any OS ABI, e_type 2 or
# 3, e_machine 3).
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
work="$repo/build/emulation"
emulator="$work/qemu-i386"

as_root=()
need_root() {
  if [ "$(id -u)" = 0 ]; then
    as_root=()
  elif command -v sudo >/dev/null; then
    as_root=(sudo)
  else
    say "$1 needs root: run this as root or install sudo" >&2
    exit 1
  fi
}

if [ "${1:-}" = --remove ]; then
  if [ ! -e "$entry" ]; then
    say "no $entry_name registration: nothing to remove"
    exit 0
  fi
  need_root "removing the $entry_name registration"
  echo -1 | "${as_root[@]}" tee "$entry" >/dev/null
  if how=$(probe --how); then now="32-bit programs still run here $how"; else now="32-bit programs no longer run here"; fi
  say "removed the binfmt_misc registration $entry_name: $now"
  exit 0
fi
[ $# = 0 ] || { echo "usage: $0 [--remove]" >&2; exit 2; }

status=0
how=$(probe --how) || status=$?
if [ "$status" = 0 ]; then
  say "32-bit programs run here $how: nothing to set up"
  exit 0
fi
[ "$status" = 3 ] || exit "$status"

need_root "registering an emulator for 32-bit programs"
if [ ! -e "$binfmt/register" ]; then
  "${as_root[@]}" mount -t binfmt_misc binfmt_misc "$binfmt"
fi
# An i386 registration that was there before is not ours to change, even when it
# does not work (disabled, or its emulator gone).
for existing in "$binfmt"/*; do
  case "$(basename "$existing")" in register | status | "$entry_name") continue ;; esac
  if grep -q '^magic 7f454c46010101000000000000000000020003' "$existing" 2>/dev/null; then
    say "an i386 registration is there already ($existing, $(grep -m1 '^interpreter' "$existing")," \
      "$(head -n1 "$existing")), yet 32-bit programs do not run: left alone" >&2
    exit 1
  fi
done

# Debian 13's qemu-user, from a private apt configuration (its lists and cache
# in build/emulation/apt, no dpkg status): the same on Debian 12 and 13.
mkdir -p "$work"
log="$work/apt.log"
if [ ! -x "$emulator" ]; then
  apt_dir="$work/apt"
  rm -rf "$apt_dir"
  mkdir -p "$apt_dir/etc/sources.list.d" "$apt_dir/etc/preferences.d" "$apt_dir/etc/apt.conf.d" \
    "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  mirror=${TICKBOMB_DEBIAN_MIRROR:-http://deb.debian.org/debian}
  cat >"$apt_dir/etc/sources.list.d/trixie.sources" <<EOF
Types: deb
URIs: $mirror
Suites: trixie trixie-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  private=(-o "Dir::Etc=$apt_dir/etc" -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::Cache=$apt_dir/cache" -o Dir::State::status=/dev/null
    -o APT::Architectures::=amd64 -o APT::Sandbox::User=root -o Debug::NoLocking=1)
  if ! { apt-get "${private[@]}" update && (cd "$work" && apt-get "${private[@]}" download qemu-user); } \
    >"$log" 2>&1 </dev/null; then
    tail -n 15 "$log" >&2
    say "could not download Debian 13's qemu-user (its output in build/emulation/apt.log)" >&2
    exit 1
  fi
  rm -rf "$work/unpacked"
  dpkg-deb -x "$work"/qemu-user_*.deb "$work/unpacked"
  cp "$work/unpacked/usr/bin/qemu-i386" "$emulator.new"
  mv "$emulator.new" "$emulator"
  rm -rf "$work/unpacked" "$work"/qemu-user_*.deb "$apt_dir"
fi

echo ":$entry_name:M::$magic:$mask:$emulator:F" | "${as_root[@]}" tee "$binfmt/register" >/dev/null
status=0
how=$(probe --how) || status=$?
if [ "$status" != 0 ]; then
  echo -1 | "${as_root[@]}" tee "$entry" >/dev/null
  say "registered $emulator, yet 32-bit programs still do not run: registration removed" >&2
  exit 1
fi
say "the kernel refuses 32-bit programs: registered ${how#under } for them (binfmt_misc entry" \
  "$entry_name; tools/i386-emulation.sh --remove removes it)"
