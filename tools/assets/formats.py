"""Byte layouts of the files that the resource script embeds.

Everything here is written by hand with struct so that every header field is
exactly what the program and its tests expect: the RIFF WAVE images of the
sound bank, Windows bitmaps (BMP with a 40-byte info header, bottom-up rows),
and the pieces of the cursor and icon resources (RT_CURSOR, RT_GROUP_CURSOR,
RT_ICON, RT_GROUP_ICON) together with the matching .cur and .ico files.
"""

import struct

import numpy as np

SAMPLE_RATE = 22050

# --------------------------------------------------------------------------
# RIFF WAVE images


def wave_image(samples: bytes, fmt_extra_size=None, trailing_zeros=0) -> bytes:
    """A complete .wav image of 8-bit unsigned mono samples at 22,050 Hz.

    fmt_extra_size None gives the 16-byte "fmt " chunk; a number gives the
    18-byte form whose last field claims that many extra bytes although none
    follow (the chunk length is what a reader goes by).  A "fact" chunk with
    the sample count comes before "data"; odd data gets its pad byte, and
    trailing_zeros zero bytes follow the RIFF chunk without belonging to it.
    """
    fmt = struct.pack("<HHIIHH", 1, 1, SAMPLE_RATE, SAMPLE_RATE, 1, 8)
    if fmt_extra_size is not None:
        fmt += struct.pack("<H", fmt_extra_size)
    body = b"WAVE"
    body += b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"fact" + struct.pack("<II", 4, len(samples))
    body += b"data" + struct.pack("<I", len(samples)) + samples
    if len(samples) % 2:
        body += b"\0"
    return b"RIFF" + struct.pack("<I", len(body)) + body + b"\0" * trailing_zeros


# --------------------------------------------------------------------------
# Windows bitmaps

PIXELS_PER_METRE = 3780  # 96 dots per inch


def _row_stride(width: int, bits: int) -> int:
    return (width * bits + 31) // 32 * 4


def _info_header(width, height, bits, image_size, colours):
    return struct.pack(
        "<IiiHHIIiiII",
        40, width, height, 1, bits, 0, image_size,
        PIXELS_PER_METRE, PIXELS_PER_METRE, colours, colours,
    )


def _bottom_up_rows(rows: np.ndarray, stride: int) -> bytes:
    """rows: (height, bytes per row) uint8, top row first."""
    height, used = rows.shape
    padded = np.zeros((height, stride), dtype=np.uint8)
    padded[:, :used] = rows
    return padded[::-1].tobytes()


def _bmp_file(info_and_bits: bytes, bits_offset: int) -> bytes:
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info_and_bits), 0, 0, 14 + bits_offset)
    return header + info_and_bits


def bmp_24(rgb: np.ndarray) -> bytes:
    """A 24-bit BMP from an (height, width, 3) uint8 RGB array."""
    height, width, _ = rgb.shape
    stride = _row_stride(width, 24)
    bits = _bottom_up_rows(rgb[:, :, ::-1].reshape(height, width * 3), stride)
    info = _info_header(width, height, 24, len(bits), 0)
    return _bmp_file(info + bits, len(info))


def bmp_8(indices: np.ndarray, palette) -> bytes:
    """An 8-bit BMP whose palette has exactly len(palette) entries.

    indices: (height, width) uint8; palette: sequence of (r, g, b).
    Both colour counts of the info header hold the palette length.
    """
    height, width = indices.shape
    if not 0 < len(palette) <= 256 or int(indices.max()) >= len(palette):
        raise ValueError("pixel index outside the palette")
    stride = _row_stride(width, 8)
    bits = _bottom_up_rows(indices.astype(np.uint8), stride)
    quads = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    info = _info_header(width, height, 8, len(bits), len(palette))
    return _bmp_file(info + quads + bits, len(info) + len(quads))


# --------------------------------------------------------------------------
# Cursors and icons
#
# A cursor or icon image is a DIB whose header height is twice the image
# height: the colour (XOR) bits come first, then the 1-bit AND mask, both
# bottom-up.  A set mask bit means "transparent" when the colour bits are 0.


def _pack_bits(mask: np.ndarray) -> np.ndarray:
    """(height, width) bool -> (height, stride) uint8, 1 bit per pixel, MSB first."""
    height, width = mask.shape
    packed = np.packbits(mask.astype(np.uint8), axis=1)
    stride = _row_stride(width, 1)
    out = np.zeros((height, stride), dtype=np.uint8)
    out[:, : packed.shape[1]] = packed
    return out


def mono_pointer_dib(white: np.ndarray, transparent: np.ndarray) -> bytes:
    """A monochrome cursor image: black and white pixels plus the mask."""
    if np.any(white & transparent):
        raise ValueError("a pixel is both white and transparent (an inverted pixel)")
    height, width = white.shape
    colour = _pack_bits(white)
    mask = _pack_bits(transparent)
    image = colour[::-1].tobytes() + mask[::-1].tobytes()
    info = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 1, 0, len(image), 0, 0, 0, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    return info + palette + image


# The 16 colours of the standard VGA palette, in palette order.
STANDARD_16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]


def icon_dib_16(indices: np.ndarray, transparent: np.ndarray) -> bytes:
    """A 4-bit icon image on the standard 16-colour palette, with its mask."""
    if np.any(indices[transparent] != 0):
        raise ValueError("transparent pixels must have colour 0")
    height, width = indices.shape
    nibbles = indices.astype(np.uint8)
    pairs = (nibbles[:, 0::2] << 4) | nibbles[:, 1::2]
    stride = _row_stride(width, 4)
    colour = np.zeros((height, stride), dtype=np.uint8)
    colour[:, : pairs.shape[1]] = pairs
    mask = _pack_bits(transparent)
    image = colour[::-1].tobytes() + mask[::-1].tobytes()
    info = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 4, 0, len(image), 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in STANDARD_16)
    return info + palette + image


def cursor_resource(hot_spot, dib: bytes) -> bytes:
    """RT_CURSOR data: the hot spot (two words) followed by the image."""
    return struct.pack("<HH", *hot_spot) + dib


def cursor_group(width, height, bits, resource_size, image_id) -> bytes:
    """RT_GROUP_CURSOR data with one entry."""
    return struct.pack("<HHH", 0, 2, 1) + struct.pack(
        "<HHHHIH", width, height, 1, bits, resource_size, image_id
    )


def cursor_file(width, height, hot_spot, dib: bytes) -> bytes:
    """The same cursor as a .cur file."""
    return struct.pack("<HHH", 0, 2, 1) + struct.pack(
        "<BBBBHHII", width, height, 0, 0, hot_spot[0], hot_spot[1], len(dib), 22
    ) + dib


def icon_group(width, height, colours, bits, resource_size, image_id) -> bytes:
    """RT_GROUP_ICON data with one entry."""
    return struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHIH", width, height, colours, 0, 1, bits, resource_size, image_id
    )


def icon_file(width, height, colours, bits, dib: bytes) -> bytes:
    """The same icon as an .ico file."""
    return struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", width, height, colours, 0, 1, bits, len(dib), 22
    ) + dib
