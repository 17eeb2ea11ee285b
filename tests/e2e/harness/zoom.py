"""The opening animation's twenty rectangles, as the program must draw them over a window rect."""

TOP_LEFT, CENTRE, TOP_EDGE, LEFT_EDGE = 1, 2, 3, 4


def zoom_frames(left, top, width, height, origin=CENTRE):
    """f = 0, 0.05, ... summed in doubles while f <= 1: twenty frames, the last about 0.95.

    Every edge is rounded to the nearest pixel, ties to even (Python's round).
    """
    frames, f = [], 0.0
    while f <= 1:
        cw, ch = f * width, f * height
        x, y, right, bottom = left, top, left + cw, top + ch
        if origin == CENTRE:
            x, y = left + (width - cw) / 2, top + (height - ch) / 2
            right, bottom = x + cw, y + ch
        elif origin == TOP_EDGE:
            right = left + width
        elif origin == LEFT_EDGE:
            bottom = top + height
        frames.append((round(x), round(y), round(right), round(bottom)))
        f += 0.05
    return frames
