#!/usr/bin/python3
"""Draws the recorder's artwork: the skin bitmap, the program icon, the grey arrow cursor and
the picture that the notice library shows at start-up.

This script is the artwork's source: edit the drawing here, never the generated files. The
build runs it (Debian's python3 with python3-pil, fonts from fonts-dejavu-core and
fonts-nanum) and gives the results to windres and to the install rules.

    make_art.py OUTPUT_DIR [--preview]

The skin is one 302 x 350 bitmap: the window face (302 x 152) at the top and below it the
sprites that the window copies over the face: digits, colons, the AUTO STOP label, the faded
title and the highlighted look of every button. Their positions are fixed by the window code
(recorder/ui/SkinLayout.h); each highlighted button is cut from a face drawn with that button
lit, so that a sprite always fits seamlessly where it lands.
"""

import math
import struct
import sys
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

SS = 4  # supersampling factor for everything drawn as shapes

DEJAVU = "/usr/share/fonts/truetype/dejavu/"
NANUM = "/usr/share/fonts/truetype/nanum/"

# ---- palette -------------------------------------------------------------------------------
BODY_TOP = (66, 70, 80)
BODY_BOTTOM = (38, 41, 48)
TITLE_TOP = (30, 32, 38)
TITLE_BOTTOM = (44, 47, 55)
EDGE = (14, 15, 18)
EDGE_LIGHT = (104, 110, 122)
ACCENT = (92, 190, 255)
ACCENT_DIM = (60, 128, 180)

# The display is a backlit LCD: pale glass with dark segments. The program writes its texts
# onto it in dark blue (66,66,130) and black, and blinks the state label by switching it to a
# near-white (238,237,255), so the glass must be light.
LCD = (216, 226, 234)
LCD_INK = (50, 54, 106)
LCD_GHOST = (202, 213, 223)
LCD_DIM_INK = (164, 177, 196)
LCD_BEZEL = (22, 24, 29)

PATH_BOX = (226, 226, 226)  # the path box's own brush colour
KEY_TOP = (82, 87, 99)
KEY_BOTTOM = (54, 58, 67)
KEY_HOVER_TOP = (104, 112, 128)
KEY_HOVER_BOTTOM = (68, 74, 87)
KEY_EDGE = (20, 22, 26)
KEY_SHINE = (124, 130, 144)
ICON = (206, 212, 222)
REC_RED = (226, 52, 52)
REC_RED_DARK = (120, 30, 34)
REC_GLOW = (255, 96, 88)

FACE_W, FACE_H = 302, 152
SKIN_W, SKIN_H = 302, 350

# ---- layout (client pixels; rectangles are left, top, right, bottom with right/bottom
# exclusive, exactly as the window code uses them) ------------------------------------------
TITLE_ART = (9, 5)               # title artwork, 134 x 12
HELP = (260, 5, 270, 16)
MINIMISE = (273, 5, 283, 16)
CLOSE = (286, 5, 296, 16)
LCD_GLASS = (22, 28, 282, 77)
TIME_DIGIT_X = (31, 44, 64, 77, 97, 110)
TIME_Y = 31
COLON_X = (58, 91)
AUTO_LABEL = (134, 32)
SMALL_DIGIT_X = (135, 143, 154, 162, 173, 181)
SMALL_COLON_X = (151, 170)
SMALL_Y = 43
SEEK = (67, 84, 265, 92)
OPTIONS = (274, 81, 293, 94)
PATH_BUTTON = (274, 99, 293, 112)
PATH_FIELD = (67, 99, 265, 114)
RECORD = (13, 94, 53, 137)       # the sprite's 40 x 43 area
PLAY = (73, 123, 94, 145)        # sprite areas, 21 x 22
STOP = (94, 123, 115, 145)
TYPE_CHIP = (128, 123, 170, 141)
QUALITY_CHIP = (172, 123, 294, 141)
TYPE_ARROW = (131, 126)
QUALITY_ARROW = (175, 126)

# Sprite sheet positions: name -> (x, y, w, h).
SPRITES = {
    "minimise": (244, 153, 11, 12),
    "close": (268, 153, 11, 12),
    "help": (244, 166, 11, 12),
    "options": (171, 190, 20, 14),
    "path": (192, 190, 20, 14),
    "thumb": (143, 205, 15, 8),
    "title_faded": (159, 205, 134, 12),
    "arrow": (129, 219, 13, 13),
    "play": (63, 221, 21, 22),
    "stop": (107, 221, 21, 22),
    "record_hover": (0, 263, 40, 43),
    "record_red": (0, 307, 40, 43),
}
LARGE_DIGIT = (0, 153, 11, 21)   # digit d at x = 12 d
LARGE_COLON = (136, 153, 3, 21)
SMALL_BRIGHT = (144, 153)        # digit d at x + 8 d, 7 x 5
SMALL_DIM = (144, 159)
SMALL_COLON_BRIGHT = (227, 153)
SMALL_COLON_DIM = (227, 159)
AUTO_STOP_SPRITE = (144, 165, 52, 5)


# ---- supersampled canvas ------------------------------------------------------------------
class Canvas:
    """Draws in 1x coordinates on a supersampled image; `result` scales it down."""

    def __init__(self, w, h, fill=(0, 0, 0)):
        self.w, self.h = w, h
        self.img = Image.new("RGB", (w * SS, h * SS), fill)
        self.draw = ImageDraw.Draw(self.img)

    @staticmethod
    def box(x0, y0, x1, y1):
        return [round(x0 * SS), round(y0 * SS), round(x1 * SS) - 1, round(y1 * SS) - 1]

    def rect(self, x0, y0, x1, y1, fill):
        self.draw.rectangle(self.box(x0, y0, x1, y1), fill=fill)

    def rrect(self, x0, y0, x1, y1, r, fill):
        self.draw.rounded_rectangle(self.box(x0, y0, x1, y1), radius=r * SS, fill=fill)

    def ellipse(self, x0, y0, x1, y1, fill):
        self.draw.ellipse(self.box(x0, y0, x1, y1), fill=fill)

    def polygon(self, points, fill):
        self.draw.polygon([(x * SS, y * SS) for x, y in points], fill=fill)

    def line(self, points, fill, width):
        self.draw.line([(x * SS, y * SS) for x, y in points], fill=fill, width=round(width * SS))

    def gradient(self, x0, y0, x1, y1, top, bottom, radius=0):
        """Vertical gradient filling a (rounded) rectangle."""
        bx = self.box(x0, y0, x1, y1)
        w, h = bx[2] - bx[0] + 1, bx[3] - bx[1] + 1
        grad = Image.new("RGB", (1, h))
        for i in range(h):
            t = i / max(1, h - 1)
            grad.putpixel((0, i), mix(top, bottom, t))
        grad = grad.resize((w, h))
        mask = Image.new("L", (w, h), 0)
        ImageDraw.Draw(mask).rounded_rectangle([0, 0, w - 1, h - 1], radius=radius * SS, fill=255)
        self.img.paste(grad, (bx[0], bx[1]), mask)

    def text(self, x, y, s, font_file, size, fill, anchor="la"):
        font = ImageFont.truetype(font_file, round(size * SS))
        self.draw.text((x * SS, y * SS), s, font=font, fill=fill, anchor=anchor)

    def result(self):
        return self.img.resize((self.w, self.h), Image.BOX)


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


# ---- a 5 x 5 pixel font for the tiny labels and the small digits ---------------------------
PIXEL_FONT = {
    "0": ["01110", "10011", "10101", "11001", "01110"],
    "1": ["00100", "01100", "00100", "00100", "01110"],
    "2": ["11110", "00001", "01110", "10000", "11111"],
    "3": ["11110", "00001", "00110", "00001", "11110"],
    "4": ["10010", "10010", "11111", "00010", "00010"],
    "5": ["11111", "10000", "11110", "00001", "11110"],
    "6": ["01110", "10000", "11110", "10001", "01110"],
    "7": ["11111", "00001", "00010", "00100", "00100"],
    "8": ["01110", "10001", "01110", "10001", "01110"],
    "9": ["01110", "10001", "01111", "00001", "01110"],
    "A": ["01110", "10001", "11111", "10001", "10001"],
    "B": ["11110", "10001", "11110", "10001", "11110"],
    "C": ["01111", "10000", "10000", "10000", "01111"],
    "D": ["11110", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "11110", "10000", "11111"],
    "F": ["11111", "10000", "11110", "10000", "10000"],
    "G": ["01111", "10000", "10011", "10001", "01111"],
    "I": ["111", "010", "010", "010", "111"],
    "K": ["10001", "10010", "11100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001"],
    "O": ["01110", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "11110", "10000", "10000"],
    "R": ["11110", "10001", "11110", "10010", "10001"],
    "S": ["01111", "10000", "01110", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "01010", "00100"],
    "W": ["10001", "10001", "10101", "11011", "10001"],
    " ": ["000", "000", "000", "000", "000"],
}


def pixel_text_width(s):
    return sum(len(PIXEL_FONT[c][0]) + 1 for c in s) - 1


def pixel_text(img, x, y, s, colour):
    for c in s:
        rows = PIXEL_FONT[c]
        for dy, row in enumerate(rows):
            for dx, bit in enumerate(row):
                if bit == "1":
                    img.putpixel((x + dx, y + dy), colour)
        x += len(rows[0]) + 1


# ---- seven-segment digits -----------------------------------------------------------------
SEGMENTS = {  # a b c d e f g
    0: "abcdef", 1: "bc", 2: "abged", 3: "abgcd", 4: "fgbc",
    5: "afgcd", 6: "afgedc", 7: "abc", 8: "abcdefg", 9: "abcdfg",
}


def segment_mask(lit, w=11, h=21):
    """Coverage mask (mode L) of the lit segments of an 11 x 21 digit cell."""
    c = Image.new("L", (w * SS, h * SS), 0)
    d = ImageDraw.Draw(c)
    t = 2.2 * SS               # segment thickness
    g = 0.45 * SS              # gap between segments
    x0, x1 = 1.2 * SS, (w - 1.2) * SS
    y0, ym, y1 = 1.0 * SS, h * SS / 2, (h - 1.0) * SS
    sl = 0.6 * SS              # slant of the whole digit, top shifted right

    def sk(x, y):
        return (x + sl * (ym - y) / (ym - y0), y)

    def horiz(y):
        return [sk(x0 + g, y), sk(x0 + g + t / 2, y - t / 2), sk(x1 - g - t / 2, y - t / 2),
                sk(x1 - g, y), sk(x1 - g - t / 2, y + t / 2), sk(x0 + g + t / 2, y + t / 2)]

    def vert(x, ya, yb):
        return [sk(x, ya + g), sk(x + t / 2, ya + g + t / 2), sk(x + t / 2, yb - g - t / 2),
                sk(x, yb - g), sk(x - t / 2, yb - g - t / 2), sk(x - t / 2, ya + g + t / 2)]

    shapes = {
        "a": horiz(y0 + t / 2), "g": horiz(ym), "d": horiz(y1 - t / 2),
        "f": vert(x0 + t / 2, y0 + t / 2, ym), "b": vert(x1 - t / 2, y0 + t / 2, ym),
        "e": vert(x0 + t / 2, ym, y1 - t / 2), "c": vert(x1 - t / 2, ym, y1 - t / 2),
    }
    for s in lit:
        d.polygon(shapes[s], fill=255)
    return c.resize((w, h), Image.BOX)


def colon_mask(w=3, h=21):
    c = Image.new("L", (w * SS, h * SS), 0)
    d = ImageDraw.Draw(c)
    for cy in (h * 0.32, h * 0.68):
        d.rectangle([0.4 * SS, (cy - 1.3) * SS, (w - 0.4) * SS, (cy + 1.3) * SS], fill=255)
    return c.resize((w, h), Image.BOX)


def paint_mask(img, mask, x, y, colour):
    """Blends `colour` into img through a coverage mask."""
    for j in range(mask.height):
        for i in range(mask.width):
            a = mask.getpixel((i, j)) / 255
            if a > 0:
                img.putpixel((x + i, y + j), mix(img.getpixel((x + i, y + j)), colour, a))


def keyed_sprite(mask, ink, background):
    """A sprite for the masked copy: untouched pixels are pure black, the key colour."""
    out = Image.new("RGB", mask.size, (0, 0, 0))
    for j in range(mask.height):
        for i in range(mask.width):
            a = mask.getpixel((i, j)) / 255
            if a > 0:
                out.putpixel((i, j), mix(background, ink, a))
    return out


# ---- the face -----------------------------------------------------------------------------
def draw_key(cv, x0, y0, x1, y1, hover, radius=2.5):
    cv.rrect(x0, y0, x1, y1, radius + 0.5, KEY_EDGE)
    top, bottom = (KEY_HOVER_TOP, KEY_HOVER_BOTTOM) if hover else (KEY_TOP, KEY_BOTTOM)
    cv.gradient(x0 + 1, y0 + 1, x1 - 1, y1 - 1, top, bottom, radius)
    cv.line([(x0 + 2.5, y0 + 1.5), (x1 - 2.5, y0 + 1.5)], KEY_SHINE if not hover else
            mix(KEY_SHINE, ACCENT, 0.35), 0.75)


def draw_title(cv, look):
    """The title strip's artwork, 134 x 12 at (9, 5): a small record mark and the name."""
    x, y = TITLE_ART
    faded = look == "faded"
    dot = (104, 108, 118) if faded else REC_RED
    cv.ellipse(x + 1, y + 2, x + 9, y + 10, dot)
    if not faded:
        cv.ellipse(x + 3, y + 3.5, x + 5.5, y + 6, mix(REC_RED, (255, 255, 255), 0.45))
    bold = DEJAVU + "DejaVuSans-Bold.ttf"
    book = DEJAVU + "DejaVuSans.ttf"
    c1 = (112, 116, 126) if faded else ACCENT
    c2 = (96, 100, 110) if faded else (222, 226, 234)
    velto = ImageFont.truetype(bold, round(10.5 * SS)).getlength("Velto") / SS
    recorder = ImageFont.truetype(book, round(10.5 * SS)).getlength("Recorder") / SS
    cv.text(x + 13, y + 10.2, "Velto", bold, 10.5, c1, anchor="ls")
    cv.text(x + 13 + velto, y + 10.2, "Recorder", book, 10.5, c2, anchor="ls")
    cv.text(x + 17 + velto + recorder, y + 10.2, "1.02", book, 7.5,
            (92, 96, 106) if faded else (128, 134, 146), anchor="ls")


def draw_title_button(cv, rect, glyph, hover):
    x0, y0, x1, y1 = rect
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    if hover:
        fill = (214, 66, 66) if glyph == "close" else ACCENT_DIM
        cv.rrect(x0, y0, x1, y1, 2.5, fill)
    colour = (255, 255, 255) if hover else (170, 176, 188)
    if glyph == "close":
        cv.line([(cx - 2.6, cy - 2.6), (cx + 2.6, cy + 2.6)], colour, 1.3)
        cv.line([(cx - 2.6, cy + 2.6), (cx + 2.6, cy - 2.6)], colour, 1.3)
    elif glyph == "minimise":
        cv.rect(cx - 3, cy + 1.6, cx + 3, cy + 2.9, colour)
    else:  # help
        cv.text(cx, cy + 0.2, "?", DEJAVU + "DejaVuSans-Bold.ttf", 9, colour, anchor="mm")


def draw_body(cv, looks):
    # Outline, body and title strip.
    cv.rrect(0, 0, FACE_W, FACE_H, 6.5, EDGE)
    cv.gradient(1, 1, FACE_W - 1, FACE_H - 1, BODY_TOP, BODY_BOTTOM, 5.5)
    cv.gradient(1, 1, FACE_W - 1, 22, TITLE_TOP, TITLE_BOTTOM, 5.5)
    cv.gradient(1, 12, FACE_W - 1, 22, mix(TITLE_TOP, TITLE_BOTTOM, 0.5), TITLE_BOTTOM)
    cv.rect(1, 22, FACE_W - 1, 23, (18, 19, 23))
    cv.rect(1, 23, FACE_W - 1, 24, mix(BODY_TOP, (255, 255, 255), 0.12))
    # A thin accent line under the title's name, the product's signature.
    cv.rect(9, 19, 143, 20, (40, 64, 86))

    draw_title(cv, looks.get("title", "active"))
    draw_title_button(cv, HELP, "help", looks.get("help") == "hover")
    draw_title_button(cv, MINIMISE, "minimise", looks.get("minimise") == "hover")
    draw_title_button(cv, CLOSE, "close", looks.get("close") == "hover")

    # The LCD: a dark bezel around pale glass.
    gx0, gy0, gx1, gy1 = LCD_GLASS
    cv.rrect(gx0 - 3, gy0 - 3, gx1 + 3, gy1 + 3, 5, LCD_BEZEL)
    cv.rrect(gx0 - 1, gy0 - 1, gx1 + 1, gy1 + 1, 3, (120, 130, 142))
    cv.rrect(gx0, gy0, gx1, gy1, 2.5, LCD)
    # A lighter line under the bezel's lower edge, as if lit from above.
    cv.rect(gx0, gy1 + 3, gx1, gy1 + 4, mix(BODY_TOP, (255, 255, 255), 0.10))

    # Seek groove.
    x0, y0, x1, y1 = SEEK
    cv.rect(x0, y0, x1 - 1, y0 + 1, (20, 21, 25))
    cv.rect(x0, y0 + 1, x1 - 1, y1 - 1, (28, 30, 35))
    cv.rect(x0, y0 + 3, x1 - 1, y0 + 5, (44, 70, 92))
    cv.rect(x0, y1 - 1, x1 - 1, y1, (84, 89, 100))

    # Path field, sunken, in the path box's own grey.
    x0, y0, x1, y1 = PATH_FIELD
    cv.rect(x0, y0, x1, y1, (24, 26, 30))
    cv.rect(x0 + 1, y0 + 1, x1, y1, (110, 114, 122))
    cv.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, PATH_BOX)

    draw_small_key(cv, OPTIONS, "options", looks.get("options") == "hover")
    draw_small_key(cv, PATH_BUTTON, "path", looks.get("path") == "hover")
    draw_record(cv, looks.get("record", "normal"))
    draw_transport(cv, PLAY, "play", looks.get("play") == "hover")
    draw_transport(cv, STOP, "stop", looks.get("stop") == "hover")
    draw_chip(cv, TYPE_CHIP)
    draw_chip(cv, QUALITY_CHIP)
    draw_arrow(cv, TYPE_ARROW, looks.get("type_arrow") == "hover")
    draw_arrow(cv, QUALITY_ARROW, looks.get("quality_arrow") == "hover")


def draw_small_key(cv, rect, icon, hover):
    x0, y0, x1, y1 = rect
    draw_key(cv, x0, y0, x1, y1, hover, radius=2)
    colour = ACCENT if hover else ICON
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    if icon == "options":
        # Three slider lines with knobs.
        for i, (dy, kx) in enumerate(((-3, 2), (0, -2), (3, 1))):
            cv.rect(cx - 5, cy + dy - 0.5, cx + 5, cy + dy + 0.5, colour)
            cv.rect(cx + kx - 1.2, cy + dy - 1.5, cx + kx + 1.2, cy + dy + 1.5, colour)
    else:
        # A folder.
        cv.rect(cx - 5.5, cy - 3.5, cx - 1, cy - 2, colour)
        cv.rect(cx - 5.5, cy - 2.5, cx + 5.5, cy + 4, colour)
        cv.rect(cx - 4.5, cy - 0.8, cx + 4.5, cy + 3, mix(colour, KEY_BOTTOM, 0.45))


def draw_record(cv, look):
    x0, y0, x1, y1 = RECORD
    cx, cy, r = (x0 + x1) / 2, (y0 + y1) / 2 - 0.5, 17.5
    ring = {"normal": (24, 26, 30), "hover": ACCENT_DIM, "red": (150, 28, 32)}[look]
    cv.ellipse(cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1, (20, 21, 25))
    cv.ellipse(cx - r, cy - r, cx + r, cy + r, ring)
    cv.ellipse(cx - r + 1.5, cy - r + 1.5, cx + r - 1.5, cy + r - 1.5, (30, 32, 37))
    # The cap: a glossy dark dome.
    cv.gradient(cx - r + 3, cy - r + 3, cx + r - 3, cy + r - 3,
                (96, 101, 114) if look != "hover" else (116, 124, 140),
                (48, 51, 59), radius=r - 3)
    dot = {"normal": REC_RED_DARK, "hover": REC_RED, "red": REC_GLOW}[look]
    dr = 6.5
    if look == "red":
        cv.ellipse(cx - dr - 3, cy - dr - 3, cx + dr + 3, cy + dr + 3, (170, 60, 60))
    cv.ellipse(cx - dr, cy - dr, cx + dr, cy + dr, dot)
    shine = mix(dot, (255, 255, 255), 0.5)
    cv.ellipse(cx - dr + 2, cy - dr + 1.5, cx - dr + 6, cy - dr + 4.5, shine)


def draw_transport(cv, rect, icon, hover):
    x0, y0, x1, y1 = rect
    # Both keys form one segmented bar; their outer corners are rounded.
    draw_key(cv, x0, y0, x1 - 1, y1 - 1, hover, radius=2)
    colour = ACCENT if hover else ICON
    cx, cy = (x0 + x1 - 1) / 2, (y0 + y1 - 1) / 2
    if icon == "play":
        cv.polygon([(cx - 3, cy - 4.5), (cx + 4.5, cy), (cx - 3, cy + 4.5)], colour)
    else:
        cv.rect(cx - 3.5, cy - 3.5, cx + 3.5, cy + 3.5, colour)


def draw_chip(cv, rect):
    x0, y0, x1, y1 = rect
    cv.rrect(x0, y0, x1, y1, 3, LCD_BEZEL)
    cv.rrect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 2, LCD)


def draw_arrow(cv, at, hover):
    x, y = at
    if hover:
        cv.rrect(x, y, x + 12, y + 12, 2, ACCENT_DIM)
    colour = (255, 255, 255) if hover else LCD_INK
    cx, cy = x + 6, y + 6.5
    cv.polygon([(cx - 3.5, cy - 2), (cx + 3.5, cy - 2), (cx, cy + 2.5)], colour)


def finish_face(img):
    """Pixel-exact details drawn after the face has been scaled down."""
    for x in TIME_DIGIT_X:
        paint_mask(img, segment_mask(SEGMENTS[8]), x, TIME_Y, LCD_GHOST)
    for x in COLON_X:
        paint_mask(img, colon_mask(), x, TIME_Y, LCD_GHOST)
    # Separators between the time, the auto-stop time and the free space.
    for x in (127, 194):
        for y in range(31, 53):
            img.putpixel((x, y), LCD_GHOST)
    for x in range(26, 278):
        img.putpixel((x, 55), LCD_GHOST)
    # Small ghost digits and the units.
    for x in SMALL_DIGIT_X:
        pixel_text(img, x + 1, SMALL_Y, "8", LCD_GHOST)
    pixel_text(img, 250, 38, "MB", LCD_INK)
    # Labels on the body.
    pixel_text(img, 33 - pixel_text_width("REC") // 2, 140, "REC", (132, 138, 150))
    label = "DIGITAL AUDIO RECORDER"
    pixel_text(img, 293 - pixel_text_width(label), 145, label, (88, 93, 104))
    return img


def render_face(looks=None):
    cv = Canvas(FACE_W, FACE_H, EDGE)
    draw_body(cv, looks or {})
    return finish_face(cv.result())


# ---- the sheet ----------------------------------------------------------------------------
def crop_to(sheet, face, at, sprite):
    """Copies the face's area at `at` into the sheet at the sprite's position."""
    sx, sy, w, h = sprite
    sheet.paste(face.crop((at[0], at[1], at[0] + w, at[1] + h)), (sx, sy))


def build_skin():
    sheet = Image.new("RGB", (SKIN_W, SKIN_H), (0, 0, 0))
    face = render_face()
    sheet.paste(face, (0, 0))

    for d in range(10):
        sheet.paste(keyed_sprite(segment_mask(SEGMENTS[d]), LCD_INK, LCD), (12 * d, 153))
    sheet.paste(keyed_sprite(colon_mask(), LCD_INK, LCD), LARGE_COLON[:2])

    for row, ink in ((SMALL_BRIGHT, LCD_INK), (SMALL_DIM, LCD_DIM_INK)):
        for d in range(10):
            cell = Image.new("RGB", (7, 5), LCD)
            pixel_text(cell, 1, 0, str(d), ink)
            sheet.paste(cell, (row[0] + 8 * d, row[1]))
    for at, ink in ((SMALL_COLON_BRIGHT, LCD_INK), (SMALL_COLON_DIM, LCD_DIM_INK)):
        cell = Image.new("RGB", (2, 5), LCD)
        for y in (1, 3):
            cell.putpixel((0, y), ink)
            cell.putpixel((1, y), ink)
        sheet.paste(cell, at)
    label = Image.new("RGB", AUTO_STOP_SPRITE[2:], LCD)
    pixel_text(label, 0, 0, "AUTO STOP", LCD_INK)
    sheet.paste(label, AUTO_STOP_SPRITE[:2])

    crop_to(sheet, render_face({"minimise": "hover"}), MINIMISE[:2], SPRITES["minimise"])
    crop_to(sheet, render_face({"close": "hover"}), CLOSE[:2], SPRITES["close"])
    crop_to(sheet, render_face({"help": "hover"}), HELP[:2], SPRITES["help"])
    crop_to(sheet, render_face({"options": "hover"}), OPTIONS[:2], SPRITES["options"])
    crop_to(sheet, render_face({"path": "hover"}), PATH_BUTTON[:2], SPRITES["path"])
    crop_to(sheet, render_face({"title": "faded"}), TITLE_ART, SPRITES["title_faded"])
    crop_to(sheet, render_face({"type_arrow": "hover"}), TYPE_ARROW, SPRITES["arrow"])
    crop_to(sheet, render_face({"play": "hover"}), PLAY[:2], SPRITES["play"])
    crop_to(sheet, render_face({"stop": "hover"}), STOP[:2], SPRITES["stop"])
    crop_to(sheet, render_face({"record": "hover"}), RECORD[:2], SPRITES["record_hover"])
    crop_to(sheet, render_face({"record": "red"}), RECORD[:2], SPRITES["record_red"])
    sheet.paste(draw_thumb(face), SPRITES["thumb"][:2])
    return sheet


def draw_thumb(face):
    """The seek thumb, 15 x 8, with the groove's own pixels in its corners."""
    x0, y0 = SEEK[0] + 40, SEEK[1]
    base = face.crop((x0, y0, x0 + 15, y0 + 8))
    cv = Canvas(15, 8)
    cv.img.paste(base.resize((15 * SS, 8 * SS), Image.NEAREST))
    cv.rrect(0, 0, 15, 8, 3, (16, 18, 22))
    cv.gradient(0.8, 0.8, 14.2, 7.2, (236, 240, 246), (150, 158, 170), 2.5)
    cv.rect(7, 2, 8, 6, ACCENT_DIM)
    return cv.result()


# ---- icon, cursor, notice picture --------------------------------------------------------
def draw_icon(size):
    s = size / 32
    img = Image.new("RGBA", (size * SS, size * SS), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    r = 6 * s * SS
    d.rounded_rectangle([0, 0, size * SS - 1, size * SS - 1], radius=r, fill=EDGE + (255,))
    d.rounded_rectangle([SS * s, SS * s, size * SS - 1 - SS * s, size * SS - 1 - SS * s],
                        radius=r - SS * s, fill=(58, 62, 72, 255))
    # An LCD strip with a waveform, and the record dot.
    d.rounded_rectangle([4 * s * SS, 5 * s * SS, 28 * s * SS, 14 * s * SS], radius=1.5 * s * SS,
                        fill=LCD + (255,))
    pts = [((4.8 + i * 0.4) * s * SS,
            (9.5 + 3.2 * math.sin(i * 0.55) * math.sin(i * 0.09)) * s * SS) for i in range(58)]
    d.line(pts, fill=LCD_INK + (255,), width=max(SS, round(1.3 * s * SS)))
    d.ellipse([9 * s * SS, 16 * s * SS, 23 * s * SS, 30 * s * SS], fill=(24, 26, 30, 255))
    d.ellipse([11 * s * SS, 18 * s * SS, 21 * s * SS, 28 * s * SS], fill=REC_RED + (255,))
    d.ellipse([12.8 * s * SS, 19.5 * s * SS, 15.8 * s * SS, 22 * s * SS],
              fill=mix(REC_RED, (255, 255, 255), 0.5) + (255,))
    return img.resize((size, size), Image.BOX)


def draw_cursor():
    """A grey arrow whose tip, the hot spot, is the top-left pixel."""
    size = 32
    img = Image.new("RGBA", (size * SS, size * SS), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    outline = [(0, 0), (0, 17), (4.2, 13.2), (7.2, 19.6), (9.8, 18.4), (6.9, 12.1), (12.2, 12.1)]
    inner = [(1, 2.4), (1, 14.6), (4.5, 11.4), (7.7, 18.2), (8.5, 17.8), (5.5, 11.1),
             (9.8, 11.1)]
    d.polygon([(x * SS, y * SS) for x, y in outline], fill=(26, 27, 30, 255))
    d.polygon([(x * SS, y * SS) for x, y in inner], fill=(168, 172, 178, 255))
    d.polygon([(x * SS, y * SS) for x, y in inner[:3]], fill=(200, 203, 208, 255))
    return img.resize((size, size), Image.BOX)


def icon_file(images, cursor_hotspot=None):
    """An .ico (or .cur with a hot spot) of 32-bit images with their AND masks."""
    entries, blobs = [], []
    for im in images:
        w, h = im.size
        xor = bytearray()
        for y in range(h - 1, -1, -1):
            for x in range(w):
                r, g, b, a = im.getpixel((x, y))
                xor += bytes((b, g, r, a))
        stride = ((w + 31) // 32) * 4
        mask = bytearray()
        for y in range(h - 1, -1, -1):
            row = bytearray(stride)
            for x in range(w):
                if im.getpixel((x, y))[3] < 128:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask),
                             0, 0, 0, 0)
        blobs.append(header + bytes(xor) + bytes(mask))
        entries.append((w, h))
    out = bytearray(struct.pack("<HHH", 0, 2 if cursor_hotspot else 1, len(images)))
    offset = 6 + 16 * len(images)
    for (w, h), blob in zip(entries, blobs):
        a, b = cursor_hotspot if cursor_hotspot else (1, 32)
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, a, b, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


def draw_notice():
    """The picture beside the window at start: the product's name and what it does."""
    w, h = 248, 104
    cv = Canvas(w, h, EDGE)
    cv.gradient(1, 1, w - 1, h - 1, BODY_TOP, BODY_BOTTOM)
    cv.rrect(10, 10, w - 10, 58, 4, LCD_BEZEL)
    cv.rrect(12, 12, w - 12, 56, 3, LCD)
    cv.ellipse(20, 22, 34, 36, REC_RED)
    cv.ellipse(22.5, 24, 27, 28, mix(REC_RED, (255, 255, 255), 0.45))
    cv.text(40, 35, "VeltoRecorder", DEJAVU + "DejaVuSans-Bold.ttf", 17, LCD_INK, anchor="ls")
    cv.text(41, 49, "Version 1.02", DEJAVU + "DejaVuSans.ttf", 9, (92, 98, 140), anchor="ls")
    cv.text(w / 2, 76, "들리는 소리를 그대로 녹음합니다", NANUM + "NanumGothicBold.ttf", 12,
            (226, 230, 238), anchor="mm")
    cv.text(w / 2, 93, "MP3 · WMA · WAV", DEJAVU + "DejaVuSans.ttf", 9, ACCENT, anchor="mm")
    return cv.result()


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: make_art.py OUTPUT_DIR [--preview]")
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    skin = build_skin()
    skin.save(out / "skin.bmp")  # RGB: a 24-bit bitmap
    draw_notice().save(out / "aboutvelto.bmp")
    (out / "app.ico").write_bytes(icon_file([draw_icon(s) for s in (48, 32, 16)]))
    (out / "grey_arrow.cur").write_bytes(icon_file([draw_cursor()], cursor_hotspot=(0, 0)))
    if "--preview" in sys.argv:
        skin.resize((SKIN_W * 3, SKIN_H * 3), Image.NEAREST).save(out / "skin-preview.png")
        draw_notice().save(out / "aboutvelto-preview.png")
        sheet = Image.new("RGBA", (48 + 32 + 16 + 32 + 40, 48), (255, 255, 255, 255))
        x = 0
        for im in [draw_icon(48), draw_icon(32), draw_icon(16), draw_cursor()]:
            sheet.alpha_composite(im, (x, 0))
            x += im.width + 8
        sheet.resize((sheet.width * 3, sheet.height * 3), Image.NEAREST).save(
            out / "icons-preview.png")


if __name__ == "__main__":
    main()
