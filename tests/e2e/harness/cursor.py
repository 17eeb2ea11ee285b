"""The mouse pointer as the X server shows it (XFixes), and the cursors the program embeds.

Wine turns a Windows cursor into an X cursor on its window; XFixes hands back
the picture of the cursor on screen now, with its hot spot, whoever set it.
"""

import ctypes
import ctypes.util
import os
import re
import struct

import numpy as np

from . import images


class _CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong),
                ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong),
                ("name", ctypes.c_char_p)]


_libs = None


def _load():
    global _libs
    if _libs is None:
        x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes") or "libXfixes.so.3")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        x11.XFree.argtypes = [ctypes.c_void_p]
        xfixes.XFixesQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                                ctypes.POINTER(ctypes.c_int)]
        xfixes.XFixesQueryVersion.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                              ctypes.POINTER(ctypes.c_int)]
        xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_CursorImage)
        xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
        _libs = (x11, xfixes)
    return _libs


class Cursor:
    """A cursor picture: `hot` = (x, y), `rgba` an array of shape (height, width, 4)."""

    def __init__(self, hot, rgba):
        self.hot = tuple(hot)
        self.rgba = rgba

    @property
    def size(self):
        return self.rgba.shape[1], self.rgba.shape[0]

    def shape(self):
        """(opaque, dark): boolean masks of the pixels that show, and of those that are dark."""
        opaque = self.rgba[..., 3] >= 128
        dark = opaque & (self.rgba[..., :3].astype(int).sum(axis=2) < 3 * 128)
        return opaque, dark

    def same_as(self, other):
        """True if both have the same size, hot spot and black-and-white picture."""
        if self.size != other.size or self.hot != other.hot:
            return False
        mine, theirs = self.shape(), other.shape()
        return all(bool((a == b).all()) for a, b in zip(mine, theirs))

    def __repr__(self):
        opaque, dark = self.shape()
        return "<Cursor %dx%d hot %s, %d pixels shown, %d dark>" % (
            self.size + (self.hot, int(opaque.sum()), int(dark.sum())))


def pointer_cursor(display_name):
    """The cursor shown on X display `display_name` (":57") right now."""
    x11, xfixes = _load()
    dpy = x11.XOpenDisplay(display_name.encode())
    if not dpy:
        raise RuntimeError("cannot open X display %s" % display_name)
    try:
        event_base, error_base = ctypes.c_int(), ctypes.c_int()
        if not xfixes.XFixesQueryExtension(dpy, ctypes.byref(event_base), ctypes.byref(error_base)):
            raise RuntimeError("display %s has no XFixes extension" % display_name)
        major, minor = ctypes.c_int(6), ctypes.c_int(0)
        xfixes.XFixesQueryVersion(dpy, ctypes.byref(major), ctypes.byref(minor))
        image = xfixes.XFixesGetCursorImage(dpy)
        if not image:
            raise RuntimeError("XFixesGetCursorImage failed on %s" % display_name)
        try:
            c = image.contents
            count = c.width * c.height
            # Each pixel is 32-bit ARGB (premultiplied) in an unsigned long.
            argb = np.array([c.pixels[i] & 0xFFFFFFFF for i in range(count)], dtype=np.uint32)
            argb = argb.reshape(c.height, c.width)
            rgba = np.stack([(argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24],
                            axis=2).astype(np.uint8)
            return Cursor((c.xhot, c.yhot), rgba)
        finally:
            x11.XFree(image)
    finally:
        x11.XCloseDisplay(dpy)


def embedded_cursor(group):
    """The cursor that the resource script embeds as cursor group `group` (e.g. IDC_FINGER_UP).

    A group resource lists the id of its cursor image; the image resource (type
    1) is the hot spot, two 16-bit words, followed by the picture as a DIB.
    """
    group_file = images.resource_file(group)
    with open(group_file, "rb") as f:
        data = f.read()
    if struct.unpack_from("<HHH", data, 0)[1:] != (2, 1):
        raise ValueError("%s is not a group of one cursor" % group_file)
    image_id = struct.unpack_from("<H", data, 6 + 12)[0]
    path = _script_file(image_id, "TYPE_CURSOR")
    with open(path, "rb") as f:
        data = f.read()
    xhot, yhot = struct.unpack_from("<HH", data, 0)
    return Cursor((xhot, yhot), _read_dib(data, 4, path))


def _script_file(name, kind):
    """The file of resource `name` of type `kind` in the resource scripts under assets/."""
    line = re.compile(r'^\s*(\S+)\s+(\S+)\s+"([^"]+)"')
    assets = os.path.join(images.REPO, "assets")
    for root, _dirs, files in os.walk(assets):
        for file_name in sorted(f for f in files if f.lower().endswith(".rc")):
            with open(os.path.join(root, file_name), encoding="utf-8", errors="replace") as f:
                for text in f:
                    m = line.match(text)
                    if m and m.group(1) == str(name) and m.group(2) == kind:
                        return os.path.normpath(os.path.join(root, m.group(3)))
    raise FileNotFoundError("no resource %s of type %s under %s" % (name, kind, assets))


def _read_dib(data, offset, path):
    """A cursor's DIB (header, then XOR and AND masks, of twice the picture's height)."""
    header_size, width, double_height, _planes, bits = struct.unpack_from("<IiiHH", data, offset)
    height = double_height // 2
    pos = offset + header_size
    rgba = np.zeros((height, width, 4), dtype=np.uint8)

    def rows(bits_per_pixel, start):
        stride = ((width * bits_per_pixel + 31) // 32) * 4
        # Bottom-up rows.
        return [data[start + (height - 1 - y) * stride:start + (height - y) * stride]
                for y in range(height)], start + stride * height

    if bits == 1:
        palette = [struct.unpack_from("<BBBB", data, pos + 4 * i) for i in range(2)]
        pos += 8
        xor_rows, pos = rows(1, pos)
        and_rows, pos = rows(1, pos)
        for y in range(height):
            for x in range(width):
                xor_bit = (xor_rows[y][x // 8] >> (7 - x % 8)) & 1
                and_bit = (and_rows[y][x // 8] >> (7 - x % 8)) & 1
                if and_bit and not xor_bit:
                    continue  # transparent
                b, g, r, _ = palette[xor_bit]
                rgba[y, x] = (r, g, b, 255)
    elif bits == 32:
        colour_rows, pos = rows(32, pos)
        for y in range(height):
            for x in range(width):
                b, g, r, a = colour_rows[y][4 * x:4 * x + 4]
                rgba[y, x] = (r, g, b, a)
    else:
        raise ValueError("%s: %d-bit cursors are not read here" % (path, bits))
    return rgba
