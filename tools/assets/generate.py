#!/usr/bin/python3
"""Write every generated asset into OUT_DIR (default: the assets/ folder).

    generate.py [OUT_DIR]

OUT_DIR receives the same tree as assets/: sounds/, pictures/, cursors/ and
icon/.  The resource script assets/tickbomb.rc is written by hand and is not
touched.  The output depends only on the sources in this folder and on the
versions of the tools that render and quantise the pictures, which it writes
beside them as generated-with.txt (see tool_versions()).
"""

import ctypes
import ctypes.util
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from pictures import build_pictures  # noqa: E402
from pointers import build_cursors, build_icon  # noqa: E402
from sounds import build_bank  # noqa: E402


def _library_version(name, function):
    """The version a shared library reports of itself, or "unknown"."""
    try:
        call = getattr(ctypes.CDLL(ctypes.util.find_library(name)), function)
    except (OSError, TypeError, AttributeError):
        return "unknown"
    call.restype = ctypes.c_char_p
    return call().decode()


def tool_versions():
    """The text of generated-with.txt: every tool whose release can change the bytes.

    rsvg-convert draws the pictures through cairo and pixman; Pillow finds the
    palettes and dithers; NumPy does the sums of the sounds, pictures and
    pointers.  The sounds, cursors and icon came out the same with every
    release tried; the pictures did not.
    """
    import numpy
    import PIL

    rsvg = subprocess.run(["rsvg-convert", "--version"], check=True, capture_output=True,
                          text=True).stdout.split()[-1]
    lines = [
        "# The tools that made the files below sounds/, pictures/, cursors/ and icon/",
        "# (written by tools/assets/generate.py).  With these versions regenerating gives",
        "# the same bytes; with others tests/assets/regenerate_check.sh checks the format,",
        "# the frames and the sounds, cursors and icon exactly and the pictures by eye.",
        f"rsvg-convert {rsvg}",
        f"cairo {_library_version('cairo', 'cairo_version_string')}",
        f"pixman {_library_version('pixman-1', 'pixman_version_string')}",
        f"Pillow {PIL.__version__}",
        f"NumPy {numpy.__version__}",
    ]
    return ("\n".join(lines) + "\n").encode()


def outputs():
    """{relative path: bytes} of every generated file."""
    files = {"generated-with.txt": tool_versions()}
    files.update(build_bank())
    for name, image in build_pictures().items():
        files[f"pictures/{name}.bmp"] = image
    for name, data in build_cursors().items():
        files[f"cursors/{name}"] = data
    for name, data in build_icon().items():
        files[f"icon/{name}"] = data
    return files


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "assets")
    for path, data in sorted(outputs().items()):
        target = os.path.join(out_dir, path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)
        print(f"{len(data):8d}  {path}")


if __name__ == "__main__":
    main()
