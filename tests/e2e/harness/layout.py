"""Where the window shows what, in window pixels at 96 DPI, and the colours it draws in."""

PICTURE_W, PICTURE_H = 425, 397        # the background picture, from the window's corner
PINK = (255, 192, 255)                 # Form1.BackColor, right of and below the picture
CUT_A = (425, 0, 440, 10)              # the cut corners, right and bottom exclusive
CUT_B = (0, 397, 10, 435)
BOMB_AT, BOMB_SIZE = (18, 110), (65, 95)  # Image1
BOMB_BOX = BOMB_AT + (BOMB_AT[0] + BOMB_SIZE[0], BOMB_AT[1] + BOMB_SIZE[1])
BOMB_MIDDLE = (BOMB_AT[0] + BOMB_SIZE[0] // 2, BOMB_AT[1] + BOMB_SIZE[1] // 2)
TOP_LINE = (0, 8, PICTURE_W, 62)       # where the top line (Label1) and its shadow may draw
# Where labels may cover the picture: Label1; Label4, Label2, Label3; Label5.
TEXT_AREAS = [TOP_LINE, (200, 225, PICTURE_W, PICTURE_H), (0, 340, 150, PICTURE_H)]
WHITE, RED, YELLOW = (255, 255, 255), (255, 0, 0), (255, 255, 0)
