#!/usr/bin/python3
"""Write every generated asset into OUT_DIR (default: the assets/ folder).

    generate.py [OUT_DIR]

OUT_DIR receives the same tree as assets/: sounds/, pictures/, cursors/ and
icon/.  The resource script assets/tickbomb.rc is written by hand and is not
touched.  The output depends only on the sources in this folder and on the
versions of rsvg-convert, Pillow and NumPy (see apt-packages.txt).
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from pictures import build_pictures  # noqa: E402
from pointers import build_cursors, build_icon  # noqa: E402
from sounds import build_bank  # noqa: E402


def outputs():
    """{relative path: bytes} of every generated file."""
    files = {}
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
