#!/usr/bin/python3
"""A contact sheet of the committed pictures, for looking at the art.

    preview.py OUT.png [ASSETS_DIR]

Shows the scene with each bomb frame put in place at (18, 110), the two
full-window pictures, with the window's captions drawn over them roughly
where the program draws them (to judge whether the text reads well), the
frames enlarged, the icon and both cursors.  Needs a Japanese font
(fonts-noto-cjk) for the captions; without one it leaves them out.
"""

import os
import struct
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"

# (text, x, y, size in pixels, colour, shadow colour, shadow offset)
CAPTIONS = [
    ("Ｗｉｎｄｏｗｓシャットダウンまで", 18, 16, 27, (255, 255, 255), (64, 64, 0), (2, 2)),
    ("あと", 218, 234, 35, (255, 255, 255), (0, 0, 0), (2, 2)),
    ("10", 262, 250, 96, (255, 255, 0), (0, 0, 0), (2, 2)),
    ("秒", 350, 326, 48, (255, 255, 255), (0, 0, 0), (0, 2)),
    ("爆弾をクリックすると", 12, 348, 12, (192, 255, 255), (0, 128, 128), (2, 2)),
    ("シャットダウンを阻止", 12, 362, 12, (192, 255, 255), (0, 128, 128), (2, 2)),
    ("出来ます♪", 12, 376, 12, (192, 255, 255), (0, 128, 128), (2, 2)),
]


def with_captions(image):
    image = image.convert("RGB")
    if not os.path.exists(FONT):
        return image
    draw = ImageDraw.Draw(image)
    for text, x, y, size, colour, shadow, (dx, dy) in CAPTIONS:
        font = ImageFont.truetype(FONT, size, index=0)
        draw.text((x + dx, y + dy), text, font=font, fill=shadow)
        draw.text((x, y), text, font=font, fill=colour)
    return image


def pointer_image(path, hot_spot=None):
    """A .cur or .ico image drawn on a grey checkerboard, 4 times larger.

    Decoded here from the file's DIB (colour bits, then the AND mask), so
    that the preview shows exactly the stored mask.
    """
    data = open(path, "rb").read()
    dib = data[struct.unpack_from("<I", data, 18)[0] :]
    bits = struct.unpack_from("<H", dib, 14)[0]
    palette = np.frombuffer(dib[40 : 40 + 4 * (1 << bits)], dtype=np.uint8).reshape(-1, 4)[:, 2::-1]
    colour_start = 40 + 4 * (1 << bits)
    stride = 32 * bits // 8
    colour = np.frombuffer(dib[colour_start : colour_start + 32 * stride], dtype=np.uint8).reshape(32, stride)
    mask = np.frombuffer(dib[colour_start + 32 * stride : colour_start + 32 * stride + 128], dtype=np.uint8)
    indices = np.unpackbits(colour, axis=1).reshape(32, 32, bits)
    indices = (indices * (1 << np.arange(bits - 1, -1, -1))).sum(axis=2)[::-1]
    clear = np.unpackbits(mask.reshape(32, 4), axis=1)[::-1].astype(bool)
    board = np.indices((32, 32)).sum(axis=0) % 2
    rgb = np.where(board[..., None] == 1, 150, 110).astype(np.uint8).repeat(3, axis=2)
    rgb[~clear] = palette[indices[~clear]]
    if hot_spot:
        rgb[hot_spot[1], hot_spot[0]] = (255, 0, 0)
    return Image.fromarray(rgb).resize((128, 128), Image.NEAREST)


def main():
    out = sys.argv[1]
    here = os.path.dirname(os.path.abspath(__file__))
    assets = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "..", "..", "assets")
    pic = lambda name: Image.open(os.path.join(assets, "pictures", name + ".bmp")).convert("RGB")
    scene = pic("scene")
    sheet = Image.new("RGB", (3 * 435 + 10, 2 * 407 + 300), (255, 192, 255))
    for i, name in enumerate(["bomb", "bomb_lit", "bomb_short"]):
        framed = scene.copy()
        framed.paste(pic(name), (18, 110))
        sheet.paste(with_captions(framed), (10 + 435 * i, 10))
    sheet.paste(with_captions(pic("big_bomb")), (10, 417))
    sheet.paste(with_captions(pic("explosion")), (445, 417))
    sheet.paste(scene, (880, 417))
    y = 2 * 407 + 20
    for i, name in enumerate(["bomb", "bomb_lit", "bomb_short"]):
        sheet.paste(pic(name).resize((195, 285), Image.NEAREST), (10 + 205 * i, y))
    sheet.paste(pointer_image(os.path.join(assets, "icon", "tickbomb.ico")), (640, y))
    sheet.paste(pointer_image(os.path.join(assets, "cursors", "101.cur"), (13, 9)), (780, y))
    sheet.paste(pointer_image(os.path.join(assets, "cursors", "102.cur"), (13, 9)), (920, y))
    sheet.save(out)


if __name__ == "__main__":
    main()
