#!/usr/bin/env python3
"""Draws the Quelt editor bitmaps and writes them as Windows .bmp files.

    python3 resources/make_artwork.py [--out DIR]

Standard library only. The output is the same byte for byte on every run: all
geometry is plain arithmetic, anti-aliasing uses a fixed 4x4 sample grid, and
palettes are sorted.

Files (resource id, file, size, frames):
    128 background.bmp  600x36   1   8-bit, BI_RLE8
    129 step_first.bmp  27x48    2   24-bit
    130 step.bmp        24x48    2   24-bit
    131 step_last.bmp   21x48    2   24-bit
    132 mode.bmp        48x48    2   24-bit
    133 random.bmp      24x48    2   24-bit
    134 splash.bmp      600x36   1   8-bit, uncompressed
    135 playhead.bmp    384x6    1   8-bit, BI_RLE8

Button bitmaps are vertical strips of two 24-pixel frames: the upper one for
value 0, the lower one for value 1. Pure white (255,255,255) is the key colour
for transparent drawing: in the button strips it appears only outside the
rounded panel shapes, and in the background only in the windows behind the
controls. Every other pixel is kept at 254 or below in at least one channel.
"""

import argparse
import os
import struct

KEY = (255, 255, 255)

# ---------------------------------------------------------------------------
# Colours
# ---------------------------------------------------------------------------

PANEL_TOP = (54, 57, 63)         # editor panel, vertical gradient
PANEL_BOTTOM = (31, 33, 37)
PANEL_EDGE_LIGHT = (78, 82, 90)  # top row of the editor
PANEL_EDGE_DARK = (17, 18, 20)   # bottom row of the editor

BEZEL = (112, 117, 126)          # frame around the control windows
PLATE = (158, 163, 171)          # light rail under the step row
PLATE_EDGE = (128, 133, 141)     # the rail's lower edge
BEAT_MARK = (22, 23, 26)         # marks under steps 1, 5, 9, 13
STEP_TICK = (98, 103, 111)       # small ticks under the other steps

BAR_TOP = (80, 84, 92)           # button panels, vertical gradient
BAR_BOTTOM = (55, 58, 65)
BAR_OUTLINE = (16, 17, 19)
BAR_HILITE = (112, 117, 126)     # inner top line of a button panel
BAR_LOWLINE = (44, 46, 52)       # inner bottom line of a button panel
GROOVE_DARK = (30, 32, 36)       # separator between two step cells
GROOVE_LIGHT = (96, 101, 110)

RING_OFF = (23, 24, 27)          # step ring, closed
RING_ON = (255, 197, 38)         # step ring, open; also the accent colour
GLOW_ON = (134, 100, 32)          # inside of an open step ring
WAVE = RING_ON                   # mode button waveforms
WAVE_SHADOW = (30, 31, 35)
RED_OFF = (118, 28, 30)          # random button, released
RED_ON = (255, 58, 46)           # random button, pressed
RED_GLOW = (120, 44, 42)

TEXT = (186, 190, 198)
TEXT_DIM = (128, 133, 142)
TEXT_SHADOW = (14, 15, 17)

# ---------------------------------------------------------------------------
# Pixel fonts
# ---------------------------------------------------------------------------

# 5x7 letters and digits; a few glyphs are narrower or wider.
_GLYPHS = {
    'A': ".###. #...# #...# ##### #...# #...# #...#",
    'B': "####. #...# #...# ####. #...# #...# ####.",
    'C': ".###. #...# #.... #.... #.... #...# .###.",
    'D': "####. #...# #...# #...# #...# #...# ####.",
    'E': "##### #.... #.... ####. #.... #.... #####",
    'F': "##### #.... #.... ####. #.... #.... #....",
    'G': ".###. #...# #.... #.### #...# #...# .####",
    'H': "#...# #...# #...# ##### #...# #...# #...#",
    'I': "### .#. .#. .#. .#. .#. ###",
    'J': "..### ...#. ...#. ...#. ...#. #..#. .##..",
    'K': "#...# #..#. #.#.. ##... #.#.. #..#. #...#",
    'L': "#.... #.... #.... #.... #.... #.... #####",
    'M': "#...# ##.## #.#.# #.#.# #...# #...# #...#",
    'N': "#...# #...# ##..# #.#.# #..## #...# #...#",
    'O': ".###. #...# #...# #...# #...# #...# .###.",
    'P': "####. #...# #...# ####. #.... #.... #....",
    'Q': ".###. #...# #...# #...# #.#.# #..#. .##.#",
    'R': "####. #...# #...# ####. #.#.. #..#. #...#",
    'S': ".#### #.... #.... .###. ....# ....# ####.",
    'T': "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#..",
    'U': "#...# #...# #...# #...# #...# #...# .###.",
    'V': "#...# #...# #...# #...# #...# .#.#. ..#..",
    'W': "#...# #...# #...# #.#.# #.#.# #.#.# .#.#.",
    'X': "#...# #...# .#.#. ..#.. .#.#. #...# #...#",
    'Y': "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#..",
    'Z': "##### ....# ...#. ..#.. .#... #.... #####",
    '0': ".###. #...# #..## #.#.# ##..# #...# .###.",
    '1': "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###.",
    '2': ".###. #...# ....# ...#. ..#.. .#... #####",
    '3': "##### ...#. ..#.. ...#. ....# #...# .###.",
    '4': "...#. ..##. .#.#. #..#. ##### ...#. ...#.",
    '5': "##### #.... ####. ....# ....# #...# .###.",
    '6': "..##. .#... #.... ####. #...# #...# .###.",
    '7': "##### ....# ...#. ..#.. .#... .#... .#...",
    '8': ".###. #...# #...# .###. #...# #...# .###.",
    '9': ".###. #...# #...# .#### ....# ...#. .##..",
    '.': ".. .. .. .. .. ## ##",
    '-': "... ... ... ### ... ... ...",
    '(': "..# .#. #.. #.. #.. .#. ..#",
    ')': "#.. .#. ..# ..# ..# .#. #..",
    ' ': "... ... ... ... ... ... ...",
    '\u00a9': ".#####. #.....# #.###.# #.#...# #.###.# #.....# .#####.",
}


def _parse_glyphs(table):
    font = {}
    for ch in sorted(table):
        rows = table[ch].split(' ')
        assert len(rows) == 7, ch
        width = len(rows[0])
        assert all(len(r) == width for r in rows), ch
        font[ch] = (width, [(x, y) for y, r in enumerate(rows)
                            for x, c in enumerate(r) if c == '#'])
    return font


FONT = _parse_glyphs(_GLYPHS)
FONT_HEIGHT = 7


def text_width(text, scale=1, bold=False, tracking=1):
    """Width in pixels of text drawn by draw_text with the same arguments."""
    extra = scale if bold else 0
    total = 0
    for i, ch in enumerate(text):
        if i:
            total += tracking * scale
        total += FONT[ch][0] * scale + extra
    return total


# ---------------------------------------------------------------------------
# Image and drawing
# ---------------------------------------------------------------------------

SS = 4  # anti-aliasing: SS x SS samples per pixel


class Image:
    def __init__(self, width, height, fill=KEY):
        self.width = width
        self.height = height
        self.px = [fill] * (width * height)

    def get(self, x, y):
        return self.px[y * self.width + x]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y * self.width + x] = colour

    def fill_rect(self, x0, y0, x1, y1, colour):
        """Fills the inclusive pixel rectangle x0..x1, y0..y1."""
        for y in range(max(y0, 0), min(y1, self.height - 1) + 1):
            for x in range(max(x0, 0), min(x1, self.width - 1) + 1):
                self.px[y * self.width + x] = colour

    def blend(self, x, y, colour, cover, total):
        """Mixes colour over the pixel with weight cover/total (integer maths)."""
        if not (0 <= x < self.width and 0 <= y < self.height) or cover <= 0:
            return
        if cover >= total:
            self.px[y * self.width + x] = colour
            return
        old = self.px[y * self.width + x]
        self.px[y * self.width + x] = tuple(
            (c * cover + o * (total - cover) + total // 2) // total
            for c, o in zip(colour, old))

    def paint(self, inside, colour, box, antialias=True):
        """Paints the shape given by inside(x, y) (continuous coordinates, pixel
        (i, j) covering [i, i+1) x [j, j+1)) within the inclusive pixel box."""
        x0, y0, x1, y1 = box
        for y in range(max(y0, 0), min(y1, self.height - 1) + 1):
            for x in range(max(x0, 0), min(x1, self.width - 1) + 1):
                if antialias:
                    n = 0
                    for sy in range(SS):
                        fy = y + (sy + 0.5) / SS
                        for sx in range(SS):
                            if inside(x + (sx + 0.5) / SS, fy):
                                n += 1
                    self.blend(x, y, colour, n, SS * SS)
                elif inside(x + 0.5, y + 0.5):
                    self.px[y * self.width + x] = colour

    def crop(self, x0, y0, width, height):
        out = Image(width, height)
        for y in range(height):
            row = (y0 + y) * self.width + x0
            out.px[y * width:(y + 1) * width] = self.px[row:row + width]
        return out

    def paste(self, other, x0, y0):
        for y in range(other.height):
            for x in range(other.width):
                self.set(x0 + x, y0 + y, other.get(x, y))

    def colours(self):
        return sorted(set(self.px))


def mix(a, b, num, den):
    """a + (b - a) * num / den, rounded, per channel."""
    return tuple(ca + ((cb - ca) * num * 2 + den) // (2 * den) for ca, cb in zip(a, b))


def ring(cx, cy, r_in, r_out):
    lo, hi = r_in * r_in, r_out * r_out
    return lambda x, y: lo <= (x - cx) ** 2 + (y - cy) ** 2 <= hi


def disc(cx, cy, r):
    rr = r * r
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= rr


def rounded_rect(x0, y0, x1, y1, r):
    """Rectangle [x0, x1] x [y0, y1] (continuous) with corner radius r."""
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def segment(ax, ay, bx, by, half):
    """Thick line from (ax, ay) to (bx, by) with round caps, half-width half."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    hh = half * half

    def inside(x, y):
        t = ((x - ax) * dx + (y - ay) * dy) / length2
        t = min(max(t, 0.0), 1.0)
        px, py = ax + t * dx - x, ay + t * dy - y
        return px * px + py * py <= hh
    return inside


def draw_text(img, x, y, text, colour, scale=1, bold=False, tracking=1, shadow=None):
    """Draws text with its top-left corner at (x, y); returns the width."""
    if shadow is not None:
        draw_text(img, x + 1, y + 1, text, shadow, scale, bold, tracking)
    pen = x
    for i, ch in enumerate(text):
        if i:
            pen += tracking * scale
        width, dots = FONT[ch]
        for gx, gy in dots:
            img.fill_rect(pen + gx * scale, y + gy * scale,
                          pen + gx * scale + scale - 1 + (scale if bold else 0),
                          y + gy * scale + scale - 1, colour)
        pen += width * scale + (scale if bold else 0)
    return pen - x


def no_key_colour(img, keep):
    """Turns accidental pure white into 254 grey everywhere keep(x, y) is false."""
    for y in range(img.height):
        for x in range(img.width):
            if img.get(x, y) == KEY and not keep(x, y):
                img.set(x, y, (254, 254, 254))


# ---------------------------------------------------------------------------
# Button panels
# ---------------------------------------------------------------------------

FRAME_H = 24      # height of one button frame
CORNER = 4        # corner radius of every button panel
RING_R_OUT = 8    # step and random rings: 16 px outer diameter
RING_R_IN = 6     # 2 px stroke


def panel(width, corner=CORNER):
    """One 24-pixel frame: a raised, rounded panel on the key colour.

    The outline, gradient and inner lines depend only on the row (except for
    the rounded ends), so panels of any width join seamlessly when sliced."""
    img = Image(width, FRAME_H)
    shape = rounded_rect(0, 0, width, FRAME_H, corner)
    inner = rounded_rect(1, 1, width - 1, FRAME_H - 1, max(corner - 1, 0))
    for y in range(FRAME_H):
        fill = mix(BAR_TOP, BAR_BOTTOM, y, FRAME_H - 1)
        for x in range(width):
            cx, cy = x + 0.5, y + 0.5
            if not shape(cx, cy):
                continue
            if not inner(cx, cy):
                img.set(x, y, BAR_OUTLINE)
            elif not inner(cx, cy - 1):
                img.set(x, y, BAR_HILITE)
            elif not inner(cx, cy + 1):
                img.set(x, y, BAR_LOWLINE)
            else:
                img.set(x, y, fill)
    return img


def outside_panel(width, corner=CORNER):
    """True for the pixels of a two-frame strip that lie outside the panel."""
    shape = rounded_rect(0, 0, width, FRAME_H, corner)
    return lambda x, y: not shape(x + 0.5, (y % FRAME_H) + 0.5)


def draw_ring(img, cx, cy, colour, glow=None):
    box = (int(cx - RING_R_OUT) - 1, int(cy - RING_R_OUT) - 1,
           int(cx + RING_R_OUT) + 1, int(cy + RING_R_OUT) + 1)
    if glow is not None:
        img.paint(disc(cx, cy, RING_R_IN + 0.5), glow, box)
    img.paint(ring(cx, cy, RING_R_IN, RING_R_OUT), colour, box)


# The step row: one bar 384 px wide (x 72..455 in the editor) split into 16
# equal 24-px cells. Ring k is centred in cell k, at bar x 12 + 24 k, right
# above the beat marks of the background. The bar is cut into three bitmaps
# at bar x 27 and 363:
#   step_first  bar x   0..26   left end, ring 1, the first separator
#   step        bar x  27..50   one period of the bar (steps 2..15)
#   step_last   bar x 363..383  ring 16 and the right end
ROW_W = 384
ROW_CELL = 24
FIRST_W = 27
LAST_W = 21


def step_row(on):
    img = panel(ROW_W)
    for k in range(15):
        gx = ROW_CELL * (k + 1) - 1   # dark line at the cell's last column
        for y in range(2, FRAME_H - 2):
            img.set(gx, y, GROOVE_DARK)
            img.set(gx + 1, y, GROOVE_LIGHT)
    for k in range(16):
        cx = ROW_CELL * k + 12
        if on:
            draw_ring(img, cx, 12, RING_ON, GLOW_ON)
        else:
            draw_ring(img, cx, 12, RING_OFF)
    return img


def two_frames(off, on):
    assert off.width == on.width and off.height == on.height == FRAME_H
    img = Image(off.width, 2 * FRAME_H)
    img.paste(off, 0, 0)
    img.paste(on, 0, FRAME_H)
    return img


def make_steps():
    row = two_frames(step_row(False), step_row(True))
    no_key_colour(row, outside_panel(ROW_W))
    first = row.crop(0, 0, FIRST_W, 2 * FRAME_H)
    middle = row.crop(FIRST_W, 0, ROW_CELL, 2 * FRAME_H)
    last = row.crop(ROW_W - LAST_W, 0, LAST_W, 2 * FRAME_H)
    # The middle bitmap stands for all fourteen inner steps: check that the
    # bar really repeats so that tiling it reproduces the whole row.
    for k in range(14):
        assert row.crop(FIRST_W + ROW_CELL * k, 0, ROW_CELL, 2 * FRAME_H).px == middle.px
    assert FIRST_W + 14 * ROW_CELL + LAST_W == ROW_W
    return first, middle, last


def wave_frame(points):
    """Mode button frame: a waveform through points, 2 px wide, with a shadow."""
    img = panel(48)
    box = (3, 3, 44, 20)
    for colour, off in ((WAVE_SHADOW, 1), (WAVE, 0)):
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            if ax == bx or ay == by:
                # straight strokes are pixel-aligned rectangles
                x0, x1 = sorted((ax, bx))
                y0, y1 = sorted((ay, by))
                img.fill_rect(x0 - 1 + off, y0 - 1 + off, x1 + off, y1 + off, colour)
            else:
                img.paint(segment(ax - 0.5 + off, ay - 0.5 + off,
                                  bx - 0.5 + off, by - 0.5 + off, 1.0), colour, box)
    return img


def make_mode():
    # Coordinates are pixel corners; a stroke from (a, y) to (b, y) covers pixel
    # rows y-1 and y. Low level at y 17, high level at y 7.
    hold = [(8, 17), (13, 17), (13, 7), (22, 7), (22, 17), (27, 17), (27, 7),
            (36, 7), (36, 17), (41, 17)]
    decay = [(8, 17), (13, 17), (13, 7), (23, 17), (27, 17), (27, 7),
             (37, 17), (41, 17)]
    img = two_frames(wave_frame(hold), wave_frame(decay))
    no_key_colour(img, outside_panel(48))
    return img


def make_random():
    off = panel(24)
    draw_ring(off, 12, 12, RED_OFF)
    on = panel(24)
    draw_ring(on, 12, 12, RED_ON, RED_GLOW)
    img = two_frames(off, on)
    no_key_colour(img, outside_panel(24))
    return img


# ---------------------------------------------------------------------------
# Logos
# ---------------------------------------------------------------------------

def draw_q_mark(img, x0, y0):
    """The Quelt mark in a 60x36 box: a ring like an open step, crossed by a
    tail, holding a small four-step gate pattern."""
    cx, cy = x0 + 28, y0 + 17
    box = (x0, y0, x0 + 59, y0 + 35)
    tail = (cx + 5.5, cy + 5.5, cx + 13.0, cy + 13.0)
    img.paint(ring(cx + 1, cy + 1, 10, 13.5), TEXT_SHADOW, box)
    img.paint(segment(tail[0] + 1, tail[1] + 1, tail[2] + 1, tail[3] + 1, 1.75), TEXT_SHADOW, box)
    img.paint(ring(cx, cy, 10, 13.5), RING_ON, box)
    img.paint(segment(*tail, 1.75), RING_ON, box)
    # the pattern: open, closed, open, open
    for i, level in enumerate((1, 0, 1, 1)):
        left = cx - 7 + 4 * i
        if level:
            img.fill_rect(left, cy - 4, left + 1, cy + 3, RING_ON)
        else:
            img.fill_rect(left, cy + 2, left + 1, cy + 3, GLOW_ON)


def draw_wordmark(img, right, y):
    """QUELT over OMBRELUX, right-aligned at column right (inclusive)."""
    w1 = text_width("QUELT", bold=True)
    draw_text(img, right - w1 + 1, y, "QUELT", RING_ON, bold=True, shadow=TEXT_SHADOW)
    w2 = text_width("OMBRELUX")
    draw_text(img, right - w2 + 1, y + 12, "OMBRELUX", TEXT, shadow=TEXT_SHADOW)


# ---------------------------------------------------------------------------
# Background
# ---------------------------------------------------------------------------

EDITOR_W, EDITOR_H = 600, 36
CONTROL_Y0, CONTROL_Y1 = 6, 29
WINDOWS = ((72, 455), (462, 509), (516, 539))   # inclusive x ranges, y 6..29
BEAT_X = tuple(82 + 96 * i for i in range(4))   # beat marks x..x+3, y 31..34
BEAT_Y0, BEAT_Y1 = 31, 34


def panel_background(width, height):
    img = Image(width, height)
    for y in range(height):
        img.fill_rect(0, y, width - 1, y, mix(PANEL_TOP, PANEL_BOTTOM, y, height - 1))
    img.fill_rect(0, 0, width - 1, 0, PANEL_EDGE_LIGHT)
    img.fill_rect(0, height - 1, width - 1, height - 1, PANEL_EDGE_DARK)
    return img


def in_window(x, y):
    return CONTROL_Y0 <= y <= CONTROL_Y1 and any(a <= x <= b for a, b in WINDOWS)


def make_background():
    img = panel_background(EDITOR_W, EDITOR_H)
    draw_q_mark(img, 0, 0)
    # a thin groove closing off the logo
    img.fill_rect(63, 4, 63, 31, PANEL_EDGE_DARK)
    img.fill_rect(64, 4, 64, 31, PANEL_EDGE_LIGHT)

    # the light rail under the step row, carrying the step and beat marks
    x0, x1 = WINDOWS[0]
    img.fill_rect(x0 + 1, BEAT_Y0 - 1, x1 - 1, BEAT_Y1 + 1, PLATE_EDGE)
    img.fill_rect(x0, BEAT_Y0 - 1, x1, BEAT_Y1, PLATE)
    for k in range(16):
        tx = x0 + 24 * k + 11
        img.fill_rect(tx, BEAT_Y0 + 1, tx + 1, BEAT_Y1 - 1, STEP_TICK)
    for bx in BEAT_X:
        img.fill_rect(bx, BEAT_Y0, bx + 3, BEAT_Y1, BEAT_MARK)

    # a bezel round every control window, then the windows themselves
    for a, b in WINDOWS:
        img.fill_rect(a - 1, CONTROL_Y0 - 1, b + 1, CONTROL_Y0 - 1, BEZEL)
        img.fill_rect(a - 1, CONTROL_Y0, a - 1, CONTROL_Y1, BEZEL)
        img.fill_rect(b + 1, CONTROL_Y0, b + 1, CONTROL_Y1, BEZEL)
        if (a, b) != WINDOWS[0]:
            img.fill_rect(a - 1, CONTROL_Y1 + 1, b + 1, CONTROL_Y1 + 1, BEZEL)
        img.fill_rect(a, CONTROL_Y0, b, CONTROL_Y1, KEY)

    draw_wordmark(img, 597, 9)
    no_key_colour(img, in_window)
    return img


# ---------------------------------------------------------------------------
# Playhead
# ---------------------------------------------------------------------------

# The rail under the step row (x 72..455, y 30..35) with every step lit; the
# panel shows the part of the step that plays: the step's x range, lit in the
# accent colour with its tick or beat mark dark on it, a pixel of the unlit rail
# left at each side so that neighbouring steps stay apart.
RAIL_X0, RAIL_Y0 = 72, BEAT_Y0 - 1
STEP_RANGES = tuple([(72, 98)] + [(99 + 24 * k, 122 + 24 * k) for k in range(14)] + [(435, 455)])


def make_playhead(background):
    x1 = WINDOWS[0][1]
    img = background.crop(RAIL_X0, RAIL_Y0, x1 - RAIL_X0 + 1, BEAT_Y1 + 2 - RAIL_Y0)
    for a, b in STEP_RANGES:
        img.fill_rect(a + 1 - RAIL_X0, 0, b - 1 - RAIL_X0, BEAT_Y1 - RAIL_Y0, RING_ON)
        img.fill_rect(a + 1 - RAIL_X0, BEAT_Y1 + 1 - RAIL_Y0, b - 1 - RAIL_X0, BEAT_Y1 + 1 - RAIL_Y0, GLOW_ON)
    for k in range(16):
        tx = RAIL_X0 + 24 * k + 11 - RAIL_X0
        img.fill_rect(tx, BEAT_Y0 + 1 - RAIL_Y0, tx + 1, BEAT_Y1 - 1 - RAIL_Y0, BEAT_MARK)
    for bx in BEAT_X:
        img.fill_rect(bx - RAIL_X0, BEAT_Y0 - RAIL_Y0, bx + 3 - RAIL_X0, BEAT_Y1 - RAIL_Y0, BEAT_MARK)
    return img


# ---------------------------------------------------------------------------
# Splash
# ---------------------------------------------------------------------------

# The trademark credit the splash shows for the plug-in format; text only.
CREDIT = "VST PLUG-IN TECHNOLOGY"


def make_splash():
    img = panel_background(EDITOR_W, EDITOR_H)
    # accent line along the bottom
    img.fill_rect(0, EDITOR_H - 2, EDITOR_W - 1, EDITOR_H - 2, mix(RING_ON, PANEL_BOTTOM, 1, 2))
    draw_q_mark(img, 0, 0)

    x = 66
    w = draw_text(img, x, 4, "QUELT", RING_ON, scale=2, bold=True, shadow=TEXT_SHADOW)
    draw_text(img, x + w + 6, 11, "1.2.0", TEXT, shadow=TEXT_SHADOW)
    draw_text(img, x, 24, "TEMPO-SYNCED 16-STEP GATE", TEXT_DIM, shadow=TEXT_SHADOW)

    # a sixteen-step pattern beside the name: open steps tall, closed ones low
    px = 184
    for i, level in enumerate("1011100101101101"):
        left = px + 5 * i
        if level == '1':
            img.fill_rect(left + 1, 9, left + 3, 18, TEXT_SHADOW)
            img.fill_rect(left, 8, left + 2, 17, RING_ON)
        else:
            img.fill_rect(left + 1, 16, left + 3, 18, TEXT_SHADOW)
            img.fill_rect(left, 15, left + 2, 17, GLOW_ON)

    right = 591
    line1 = "\u00a9 2026 OMBRELUX"
    draw_text(img, right - text_width(line1) + 1, 7, line1, TEXT, shadow=TEXT_SHADOW)
    draw_text(img, right - text_width(CREDIT) + 1, 21, CREDIT, TEXT_DIM, shadow=TEXT_SHADOW)
    no_key_colour(img, lambda x, y: False)
    return img


# ---------------------------------------------------------------------------
# BMP encoding
# ---------------------------------------------------------------------------

BI_RGB = 0
BI_RLE8 = 1
PELS_PER_METRE = 2835  # 72 dpi


def bmp_file(width, height, bits, compression, palette, data):
    """BITMAPFILEHEADER + BITMAPINFOHEADER + palette + pixel data."""
    colours = len(palette)
    offset = 14 + 40 + 4 * colours
    head = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, compression,
                       len(data), PELS_PER_METRE, PELS_PER_METRE, colours, 0)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    return head + info + pal + data


def encode_24(img):
    pad = (-3 * img.width) % 4
    rows = []
    for y in range(img.height - 1, -1, -1):
        row = bytearray()
        for x in range(img.width):
            r, g, b = img.get(x, y)
            row += bytes((b, g, r))
        row += bytes(pad)
        rows.append(bytes(row))
    return bmp_file(img.width, img.height, 24, BI_RGB, [], b''.join(rows))


def palettise(img):
    palette = img.colours()
    if len(palette) > 256:
        raise ValueError("%d colours do not fit an 8-bit palette" % len(palette))
    index = {c: i for i, c in enumerate(palette)}
    rows = [[index[img.get(x, y)] for x in range(img.width)]
            for y in range(img.height - 1, -1, -1)]
    return palette, rows


def encode_8(img):
    palette, rows = palettise(img)
    pad = (-img.width) % 4
    data = b''.join(bytes(r) + bytes(pad) for r in rows)
    return bmp_file(img.width, img.height, 8, BI_RGB, palette, data)


def rle8_row(row):
    """One row in BI_RLE8: encoded runs (count 1..255, value) for repeats,
    absolute runs (0, count 3..255, values, word padding) for varied pixels,
    then the end-of-line escape."""
    out = bytearray()
    n = len(row)

    def run_at(i):
        j = i
        while j < n and j - i < 255 and row[j] == row[i]:
            j += 1
        return j - i

    i = 0
    while i < n:
        run = run_at(i)
        if run >= 3:
            out += bytes((run, row[i]))
            i += run
            continue
        j = i
        while j < n and j - i < 255 and run_at(j) < 3:
            j += 1
        literal = row[i:j]
        if len(literal) >= 3:
            out += bytes((0, len(literal))) + bytes(literal)
            if len(literal) % 2:
                out.append(0)
        else:
            for v in literal:
                out += bytes((1, v))
        i = j
    out += b'\x00\x00'
    return bytes(out)


def encode_rle8(img):
    palette, rows = palettise(img)
    data = b''.join(rle8_row(r) for r in rows) + b'\x00\x01'
    return bmp_file(img.width, img.height, 8, BI_RLE8, palette, data)


# ---------------------------------------------------------------------------

def build():
    """All eight bitmaps as (file name, encoded bytes), in resource id order."""
    first, middle, last = make_steps()
    background = make_background()
    splash = make_splash()
    for name, img, size in (("background", background, (600, 36)),
                            ("splash", splash, (600, 36)),
                            ("step_first", first, (27, 48)),
                            ("step", middle, (24, 48)),
                            ("step_last", last, (21, 48))):
        assert (img.width, img.height) == size, name
    return [
        ("background.bmp", encode_rle8(background)),
        ("step_first.bmp", encode_24(first)),
        ("step.bmp", encode_24(middle)),
        ("step_last.bmp", encode_24(last)),
        ("mode.bmp", encode_24(make_mode())),
        ("random.bmp", encode_24(make_random())),
        ("splash.bmp", encode_8(splash)),
        ("playhead.bmp", encode_rle8(make_playhead(background))),
    ]


def main(argv=None):
    parser = argparse.ArgumentParser(description="Write the Quelt editor bitmaps.")
    parser.add_argument("--out", default=os.path.dirname(os.path.abspath(__file__)),
                        help="output directory (default: this script's directory)")
    args = parser.parse_args(argv)
    os.makedirs(args.out, exist_ok=True)
    for name, data in build():
        path = os.path.join(args.out, name)
        with open(path, "wb") as f:
            f.write(data)
        print("%-16s %7d bytes" % (name, len(data)))


if __name__ == "__main__":
    main()
