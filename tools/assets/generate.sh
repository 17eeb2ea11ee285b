#!/bin/sh
# Regenerate the sounds, pictures, cursors and icon of tickbomb.
#   tools/assets/generate.sh [OUT_DIR]     (default: assets/ of this checkout)
# Needs Debian's python3 with python3-pil and python3-numpy, and rsvg-convert
# (librsvg2-bin): see tools/assets/apt-packages.txt.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
exec /usr/bin/python3 "$here/generate.py" "$@"
