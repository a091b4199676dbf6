"""Images of the lists, tabs and toolbars: the protection strip (178), the tab
images (136), the tab toolbars' two-row bitmaps (181, 183, 184, 185), the
main toolbar at 24x24 in normal, hot and disabled form (155, 156, 154) and
the menu-bar images (167).

Each glyph is drawn for a 16-pixel grid scaled to the target size, with
outlines kept one real pixel wide so that 16x16 and 24x24 stay crisp.
The button orders below are the orders of the toolbar resources in
ui_lists.rc; a test checks that the image counts agree.
"""
import os

from palette import BLUE, BLUE_DARK, GREEN, RED, AMBER, GREY, WHITE, rgba
from raster import Canvas
from imageformats import write_bmp

BLUE_LIGHT = (0x8D, 0xB6, 0xF2)
GREEN_DARK = (0x1E, 0x6E, 0x2E)
GREEN_LIGHT = (0x7C, 0xD0, 0x8C)
RED_DARK = (0x9C, 0x22, 0x1A)
RED_LIGHT = (0xF2, 0x85, 0x7B)
AMBER_DARK = (0xB0, 0x6E, 0x08)
AMBER_LIGHT = (0xFF, 0xD3, 0x6E)
GREY_DARK = (0x44, 0x4A, 0x55)
GREY_LIGHT = (0xC9, 0xCE, 0xD6)
PAPER = (0xF7, 0xF9, 0xFC)



class Pen:
    """Draws on a canvas in 16-unit coordinates scaled to its size."""

    def __init__(self, canvas):
        self.c = canvas
        self.k = canvas.width / 16.0
        self.px = 1.0 / self.k  # one real pixel in grid units

    def _s(self, *v):
        return [x * self.k for x in v]

    def rect(self, x0, y0, x1, y1, col, a=255):
        self.c.rect(*self._s(x0, y0, x1, y1), rgba(col, a))

    def rrect(self, x0, y0, x1, y1, r, col, a=255):
        self.c.round_rect(*self._s(x0, y0, x1, y1, r), rgba(col, a))

    def grad(self, x0, y0, x1, y1, top, bottom, r=0):
        # Like Canvas.vgradient, but with the colour clamped to the two ends
        # so fractional edges cannot push it out of range.
        x0, y0, x1, y1 = self._s(x0, y0, x1, y1)
        r *= self.k
        import math
        for y in range(int(math.floor(y0)), int(math.ceil(y1))):
            t = min(1.0, max(0.0, (y + 0.5 - y0) / max(1.0, y1 - y0)))
            col = tuple(int(round(top[i] + (bottom[i] - top[i]) * t)) for i in range(3)) + (255,)
            if r:
                self.c.round_rect_row(x0, y0, x1, y1, r, y, col)
            else:
                self.c.fill_shape(lambda x, yy: x0 <= x < x1 and y0 <= yy < y1, col, (x0, y, x1, y + 1))

    def box(self, x0, y0, x1, y1, r, outline, top, bottom):
        """A rounded box with a one-pixel darker outline and a soft gradient."""
        self.rrect(x0, y0, x1, y1, r, outline)
        p = self.px
        self.grad(x0 + p, y0 + p, x1 - p, y1 - p, top, bottom, max(0, r - p))

    def ellipse(self, cx, cy, rx, ry, col, a=255):
        self.c.ellipse(*self._s(cx, cy, rx, ry), rgba(col, a))

    def disc(self, cx, cy, r, outline, fill, shine=True):
        self.ellipse(cx, cy, r, r, outline)
        self.ellipse(cx, cy, r - self.px, r - self.px, fill)
        if shine:
            self.ellipse(cx - r * 0.25, cy - r * 0.35, r * 0.55, r * 0.35, WHITE, 70)

    def ring(self, cx, cy, ro, ri, col, a=255, start=None, end=None):
        self.c.ring(*self._s(cx, cy, ro, ri), rgba(col, a), start, end)

    def line(self, xa, ya, xb, yb, w, col, a=255):
        self.c.line(*self._s(xa, ya, xb, yb), max(1.0, w * self.k), rgba(col, a))

    def poly(self, pts, col, a=255):
        self.c.polygon([(x * self.k, y * self.k) for x, y in pts], rgba(col, a))

    def outlined_poly(self, pts, outline, fill):
        self.poly(pts, outline)
        cx = sum(p[0] for p in pts) / len(pts)
        cy = sum(p[1] for p in pts) / len(pts)
        inset = []
        for x, y in pts:
            dx, dy = cx - x, cy - y
            d = max(1e-6, (dx * dx + dy * dy) ** 0.5)
            f = min(1.0, 1.4 * self.px / d)
            inset.append((x + dx * f, y + dy * f))
        self.poly(inset, fill)


# ---- Glyphs ----------------------------------------------------------------------

def sheet(p, x0=3, y0=1.5, x1=13, y1=14.5, lines=True):
    p.box(x0, y0, x1, y1, 1, GREY, WHITE, (0xE4, 0xE8, 0xEE))
    if lines:
        y = y0 + 3
        while y < y1 - 2:
            p.rect(x0 + 2, y, x1 - 2, y + 1, GREY_LIGHT)
            y += 2.5


def g_describe(p):
    sheet(p, 2, 1.5, 11.5, 14.5)
    # A pencil across the page.
    p.line(6.5, 12.5, 13.5, 5.5, 3.2, AMBER_DARK)
    p.line(6.8, 12.2, 13.2, 5.8, 2.0, AMBER)
    p.poly([(5, 14), (5.6, 11.4), (7.6, 13.4)], GREY_DARK)
    p.line(13.2, 5.8, 14.2, 4.8, 2.2, RED)


def g_properties(p):
    sheet(p, 2.5, 1.5, 13.5, 14.5, lines=False)
    p.rect(4.5, 4, 11.5, 5.5, BLUE)
    for y in (7, 9.5, 12):
        p.rect(4.5, y, 6, y + 1.2, BLUE_DARK)
        p.rect(7, y, 11.5, y + 1.2, GREY_LIGHT)


def g_website(p):
    # A globe: the meridians as an upright oval, the equator and two parallels,
    # each a whole pixel wide so they stay sharp at 16x16.
    import math
    r = 6.8
    p.disc(8, 8, r, BLUE_DARK, BLUE, shine=False)
    p.ellipse(8, 8, 3.2, r - p.px, WHITE, 210)
    p.ellipse(8, 8, 3.2 - p.px, r - 2 * p.px, BLUE)
    for y, h in ((7, 1), (4, 1), (11, 1)):
        mid = y + h / 2.0
        half = math.sqrt(max(0.0, (r - p.px) ** 2 - (mid - 8) ** 2))
        p.rect(8 - half, y, 8 + half, y + h, WHITE, 210 if y == 7 else 160)
    p.ellipse(8 - r * 0.25, 8 - r * 0.35, r * 0.55, r * 0.35, WHITE, 60)


def x_mark(p, cx, cy, r, col, w=1.8):
    p.line(cx - r, cy - r, cx + r, cy + r, w, col)
    p.line(cx - r, cy + r, cx + r, cy - r, w, col)


def g_kill(p):
    p.disc(8, 8, 6.8, RED_DARK, RED)
    x_mark(p, 8, 8, 2.8, WHITE, 2.2)


def g_kill_all(p):
    p.disc(6, 6, 5, RED_DARK, RED_LIGHT, shine=False)
    p.disc(10, 10, 5.5, RED_DARK, RED)
    x_mark(p, 10, 10, 2.2, WHITE, 1.9)


def window(p, x0, y0, x1, y1):
    p.box(x0, y0, x1, y1, 1, BLUE_DARK, PAPER, (0xE2, 0xE8, 0xF2))
    p.grad(x0 + p.px, y0 + p.px, x1 - p.px, y0 + 3.2, BLUE_LIGHT, BLUE)


def close_box(p, cx, cy, r=2.6):
    p.box(cx - r, cy - r, cx + r, cy + r, 0.8, RED_DARK, RED_LIGHT, RED)
    x_mark(p, cx, cy, r * 0.45, WHITE, 1.2)


def g_close(p):
    window(p, 1.5, 2, 14.5, 14)
    close_box(p, 10.8, 9.8, 3.2)


def g_close_all(p):
    window(p, 0.5, 1, 10.5, 10)
    window(p, 4, 4.5, 15.5, 15)
    close_box(p, 11.6, 11, 2.8)


def g_search(p):
    p.line(10, 10, 14.2, 14.2, 2.8, GREY_DARK)
    p.disc(6.5, 6.5, 5.2, BLUE_DARK, (0xD8, 0xE7, 0xFB))
    p.ring(6.5, 6.5, 5.2, 3.9, BLUE)


def g_folder(p):
    p.box(1, 3, 7, 7, 0.8, AMBER_DARK, AMBER_LIGHT, AMBER)
    p.box(1, 4.5, 15, 14, 1, AMBER_DARK, AMBER_LIGHT, AMBER)
    p.rect(2, 6, 14, 6.8, WHITE, 110)


def g_start(p):
    p.outlined_poly([(4, 2), (14, 8), (4, 14)], GREEN_DARK, GREEN)
    p.poly([(5.3, 4.2), (9, 6.3), (5.3, 6.3)], WHITE, 80)


def g_stop(p):
    p.box(2.5, 2.5, 13.5, 13.5, 1.5, RED_DARK, RED_LIGHT, RED)


def g_pause(p):
    p.box(3, 2.5, 7, 13.5, 1, BLUE_DARK, BLUE_LIGHT, BLUE)
    p.box(9, 2.5, 13, 13.5, 1, BLUE_DARK, BLUE_LIGHT, BLUE)


def g_continue(p):
    p.box(2, 2.5, 5, 13.5, 1, BLUE_DARK, BLUE_LIGHT, BLUE)
    p.outlined_poly([(6.5, 2.5), (15, 8), (6.5, 13.5)], GREEN_DARK, GREEN)


def circular_arrow(p, dark, light):
    """A clockwise arrow around a circle, open at the top, head at its end."""
    import math
    cx, cy, ro, ri = 8, 9.0, 6.1, 3.7
    p.ring(cx, cy, ro, ri, dark, start=95, end=385)
    p.ring(cx, cy, ro - p.px, ri + p.px, light, start=98, end=382)
    # The head sits on the arc's end at the top and points clockwise,
    # across the opening at the upper right.
    a = math.radians(95)
    mx, my = cx + (ro + ri) / 2 * math.cos(a), cy - (ro + ri) / 2 * math.sin(a)
    tx, ty = math.sin(a), math.cos(a)  # clockwise tangent on screen
    nx, ny = -ty, tx
    head = 3.3
    p.outlined_poly([(mx + tx * head * 1.2, my + ty * head * 1.2),
                     (mx + nx * head, my + ny * head),
                     (mx - nx * head, my - ny * head)], dark, light)


def g_restart(p):
    circular_arrow(p, GREEN_DARK, GREEN)


def g_refresh(p):
    circular_arrow(p, BLUE_DARK, BLUE)


def ringed(p):
    p.ring(8, 8, 7.2, 4.9, GREEN_DARK)
    p.ring(8, 8, 7.2 - p.px, 4.9 + p.px, GREEN)
    p.ellipse(8, 8, 5.0, 5.0, WHITE)


def skull(p, cx, cy, r):
    # Cranium, jaw, two dark eyes and a gap between the teeth.
    p.ellipse(cx, cy - 0.3 * r, r, 0.8 * r, GREY_DARK)
    p.rrect(cx - 0.6 * r, cy, cx + 0.6 * r, cy + 1.0 * r, 0.3 * r, GREY_DARK)
    p.ellipse(cx, cy - 0.3 * r, r - p.px, 0.8 * r - p.px, WHITE)
    p.rect(cx - 0.6 * r + p.px, cy, cx + 0.6 * r - p.px, cy + 1.0 * r - p.px, WHITE)
    p.rect(cx - 0.7 * r, cy - 0.35 * r, cx - 0.12 * r, cy + 0.2 * r, GREY_DARK)
    p.rect(cx + 0.12 * r, cy - 0.35 * r, cx + 0.7 * r, cy + 0.2 * r, GREY_DARK)
    p.rect(cx - 0.08 * r, cy + 0.55 * r, cx + 0.08 * r + p.px, cy + 1.0 * r, GREY)


CLOSE_BOX_16 = [
    "DDDDDDD",
    "DRWWWRD",
    "DWRWRWD",
    "DWWRWWD",
    "DWRWRWD",
    "DRWWWRD",
    "DDDDDDD",
]


def g_allow_close(p):
    ringed(p)
    if p.c.width == 16:
        pixel_art(p, CLOSE_BOX_16, 5, 5, {"D": GREY_DARK, "W": WHITE, "R": RED})
    else:
        p.box(4.9, 4.9, 11.1, 11.1, 0.6, GREY_DARK, WHITE, GREY_LIGHT)
        x_mark(p, 8, 8, 1.4, RED, 1.4)


# The skull at 16x16, pixel by pixel: a shape this small reads better placed
# by hand than rasterised. D outline, W bone, E eye sockets and teeth gaps.
SKULL_16 = [
    "..DDDD..",
    ".DWWWWD.",
    "DWWWWWWD",
    "DWEEWEED",
    "DWEEWEED",
    "DWWWEWWD",
    ".DDWWWD.",
    "..DWEWD.",
    "..DDDDD.",
]


def pixel_art(p, rows, x0, y0, palette):
    for dy, row in enumerate(rows):
        for dx, ch in enumerate(row):
            if ch in palette:
                p.c.px[y0 + dy][x0 + dx] = rgba(palette[ch])


def g_allow_kill(p):
    ringed(p)
    if p.c.width == 16:
        pixel_art(p, SKULL_16, 4, 3, {"D": GREY_DARK, "W": (0xF4, 0xF1, 0xE8), "E": GREY_DARK})
    else:
        skull(p, 8, 7.6, 3.6)


def padlock(p, body_top, body_bottom, shackle_dark):
    p.ring(8, 6.2, 4.2, 2.6, shackle_dark, start=0, end=180)
    p.rect(3.8, 6.2, 5.4, 7.5, shackle_dark)
    p.rect(10.6, 6.2, 12.2, 7.5, shackle_dark)
    p.box(2.5, 7, 13.5, 14.8, 1.2, AMBER_DARK if body_top != RED_LIGHT else RED_DARK, body_top, body_bottom)
    p.rect(7.3, 9.4, 8.7, 12.6, GREY_DARK)


def g_protect(p):
    padlock(p, AMBER_LIGHT, AMBER, GREY_DARK)


def g_system_protect(p):
    padlock(p, RED_LIGHT, RED, GREY_DARK)


def g_unprotect(p):
    # The shackle swung open to the left.
    p.ring(4.8, 5.2, 4.0, 2.5, GREY_DARK, start=0, end=180)
    p.rect(7.3, 5.2, 8.8, 8, GREY_DARK)
    p.box(5, 8, 15.5, 15, 1.2, GREY, WHITE, GREY_LIGHT)
    p.rect(9.6, 10, 11, 13, GREY_DARK)


def arrow_right(p, x0, y, x1, dark, fill):
    p.outlined_poly([(x0, y - 1.4), (x1 - 3.5, y - 1.4), (x1 - 3.5, y - 3.8), (x1, y),
                     (x1 - 3.5, y + 3.8), (x1 - 3.5, y + 1.4), (x0, y + 1.4)], dark, fill)


def g_export(p):
    sheet(p, 1.5, 1.5, 10.5, 14.5)
    arrow_right(p, 6, 10, 15.5, GREEN_DARK, GREEN)


def printer(p):
    p.box(4, 1.5, 12, 7, 0.5, GREY, WHITE, PAPER)
    p.box(1, 6, 15, 12.5, 1.5, GREY_DARK, GREY_LIGHT, GREY)
    p.box(3.5, 10, 12.5, 15, 0.5, GREY, WHITE, PAPER)
    p.rect(12, 7.5, 13.5, 8.5, GREEN_LIGHT)


def g_print(p):
    printer(p)
    p.rect(5, 11.6, 11, 12.4, GREY_LIGHT)
    p.rect(5, 13.2, 9.5, 14, GREY_LIGHT)


def g_print_details(p):
    printer(p)
    p.rect(5, 11.5, 11, 12.5, BLUE)
    p.rect(5, 13.2, 8, 14, BLUE_LIGHT)


def g_print_list(p):
    printer(p)
    for y in (11.2, 13.0):
        p.rect(5, y, 6, y + 1, BLUE_DARK)
        p.rect(7, y, 11, y + 1, GREY)


def g_copy(p):
    sheet(p, 1, 1, 10, 11)
    sheet(p, 6, 5, 15, 15)


def gear(p, cx, cy, r, dark, fill):
    import math
    pts = []
    teeth = 8
    for i in range(teeth * 2):
        a0 = math.pi * 2 * i / (teeth * 2)
        a1 = math.pi * 2 * (i + 1) / (teeth * 2)
        rr = r if i % 2 == 0 else r * 0.74
        pts.append((cx + rr * math.cos(a0 + 0.05), cy + rr * math.sin(a0 + 0.05)))
        pts.append((cx + rr * math.cos(a1 - 0.05), cy + rr * math.sin(a1 - 0.05)))
    p.outlined_poly(pts, dark, fill)
    p.ellipse(cx, cy, r * 0.34, r * 0.34, dark)
    p.ellipse(cx, cy, r * 0.34 - p.px, r * 0.34 - p.px, WHITE)


def g_settings(p):
    gear(p, 8, 8, 7.2, GREY_DARK, GREY)


def round_badge(p):
    """The blue disc of Help and About. Its radius is a whole number of real
    pixels, so at 24x24 the edge does not leave lone half-covered pixels
    sticking out at the four compass points."""
    p.disc(8, 8, round(7 * p.k) / p.k, BLUE_DARK, BLUE)


def g_help(p):
    round_badge(p)
    p.ring(8, 6.2, 2.9, 1.5, WHITE, start=-40, end=200)
    p.line(8.6, 8.3, 8.0, 9.6, 1.5, WHITE)
    p.ellipse(8, 12, 1.0, 1.0, WHITE)


def g_about(p):
    round_badge(p)
    p.ellipse(8, 4.6, 1.1, 1.1, WHITE)
    p.rect(7.1, 6.8, 8.9, 12.2, WHITE)
    p.rect(6.2, 11.4, 9.8, 12.4, WHITE)


def g_exit(p):
    p.box(2, 1.5, 10, 14.5, 0.8, GREY_DARK, (0xB8, 0x86, 0x50), (0x8A, 0x5C, 0x30))
    p.ellipse(8.2, 8, 0.8, 0.8, AMBER_LIGHT)
    arrow_right(p, 6, 8, 15.5, RED_DARK, RED)


def g_applications(p):
    window(p, 1, 2, 15, 14)
    p.rect(3, 7, 8, 12, BLUE_LIGHT)
    p.rect(9, 7, 13, 8, GREY_LIGHT)
    p.rect(9, 9.5, 13, 10.5, GREY_LIGHT)


def g_tasks(p):
    for i, col in enumerate((GREEN, BLUE, AMBER)):
        y = 2 + i * 4.3
        p.box(1, y, 15, y + 3.5, 0.8, GREY, WHITE, PAPER)
        p.ellipse(3.2, y + 1.75, 1.1, 1.1, col)
        p.rect(5.5, y + 1.3, 12.5 - i * 2, y + 2.3, GREY)


# Two gears placed pixel by pixel for 16x16, where the drawn teeth of gears
# this small run together. '#' is the gear, 'o' its hub.
GEAR_BIG_16 = [
    "....###....",
    ".##.###.##.",
    ".#########.",
    "..#######..",
    "#####o#####",
    "####ooo####",
    "#####o#####",
    "..#######..",
    ".#########.",
    ".##.###.##.",
    "....###....",
]
GEAR_SMALL_16 = [
    "...###...",
    ".#.###.#.",
    ".#######.",
    "####o####",
    "###ooo###",
    "####o####",
    ".#######.",
    ".#.###.#.",
    "...###...",
]


def pixel_gear(p, rows, x0, y0, dark, fill):
    """Gear pixels next to the hub ring it in the dark colour, the teeth tips
    are dark too, the rest is the fill; the hub is white."""
    h, w = len(rows), len(rows[0])

    def at(x, y):
        return rows[y][x] if 0 <= x < w and 0 <= y < h else "."
    for y in range(h):
        for x in range(w):
            ch = rows[y][x]
            if ch == "o":
                col = WHITE
            elif ch == "#":
                near = [at(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))]
                outside = sum(1 for c in near if c == ".")
                col = dark if ("o" in near or outside >= 2) else fill
            else:
                continue
            p.c.px[y0 + y][x0 + x] = rgba(col)


def g_services(p):
    if p.c.width == 16:
        pixel_gear(p, GEAR_BIG_16, 0, 0, BLUE_DARK, BLUE)
        pixel_gear(p, GEAR_SMALL_16, 7, 7, GREY_DARK, GREY)
        return
    gear(p, 6.5, 6.5, 5.6, BLUE_DARK, BLUE)
    gear(p, 11.5, 11.5, 4.2, GREY_DARK, GREY)


def g_drivers(p):
    # Pins one pixel wide on whole pixels, placed symmetrically, so all of
    # them look alike at 16x16.
    for x in (4, 6, 9, 11):
        p.rect(x, 1, x + 1, 15, GREY)
        p.rect(1, x, 15, x + 1, GREY)
    p.box(3, 3, 13, 13, 1, GREY_DARK, (0x59, 0x60, 0x6D), (0x35, 0x3A, 0x44))
    p.rect(5, 5, 7, 7, GREEN_LIGHT)


def g_performance(p):
    p.box(1, 1.5, 15, 14.5, 1, GREY_DARK, (0x22, 0x2B, 0x38), (0x10, 0x16, 0x20))
    for i, h in enumerate((4, 7, 5, 9)):
        x = 3 + i * 2.6
        p.rect(x, 13 - h, x + 1.8, 13, GREEN)
    p.line(2.5, 9, 6, 6, 1.1, AMBER)
    p.line(6, 6, 9, 8, 1.1, AMBER)
    p.line(9, 8, 13.5, 3.5, 1.1, AMBER)


def g_network(p):
    p.line(4, 11.5, 8, 4.5, 1.3, GREY_DARK)
    p.line(12, 11.5, 8, 4.5, 1.3, GREY_DARK)
    p.line(4, 11.5, 12, 11.5, 1.3, GREY_DARK)
    p.disc(8, 4.2, 3.2, BLUE_DARK, BLUE)
    p.disc(3.8, 11.8, 3.2, GREEN_DARK, GREEN)
    p.disc(12.2, 11.8, 3.2, AMBER_DARK, AMBER)


def power(p, dark, fill):
    p.disc(8, 8, 7, dark, fill)
    p.ring(8, 8.6, 4.2, 2.8, WHITE, start=125, end=415)
    p.rect(7.3, 2.6, 8.7, 8.4, WHITE)


def g_shutdown(p):
    power(p, RED_DARK, RED)


def g_force_shutdown(p):
    power(p, RED_DARK, RED)
    p.disc(12.6, 12.6, 3.1, AMBER_DARK, AMBER, shine=False)
    p.rect(12.1, 10.6, 13.1, 13.0, WHITE)
    p.rect(12.1, 13.6, 13.1, 14.4, WHITE)


def g_power_off(p):
    power(p, GREY_DARK, GREY)


def g_system_restart(p):
    circular_arrow(p, GREEN_DARK, GREEN)


def g_log_off(p):
    p.ellipse(6, 4.5, 3, 3, BLUE_DARK)
    p.ellipse(6, 4.5, 3 - p.px, 3 - p.px, BLUE_LIGHT)
    p.box(1, 8, 11, 15, 3, BLUE_DARK, BLUE_LIGHT, BLUE)
    arrow_right(p, 8, 11.5, 15.8, RED_DARK, RED)


def moon(p, dark, fill, bg_cut):
    p.ellipse(8, 8, 6.8, 6.8, dark)
    p.ellipse(8, 8, 6.8 - p.px, 6.8 - p.px, fill)
    # The crescent: cut a disc away (drawn transparent by restoring alpha 0).
    cut = Canvas(p.c.width, p.c.height)
    cut.ellipse(11 * p.k, 5 * p.k, 5.6 * p.k, 5.6 * p.k, (0, 0, 0, 255))
    for y in range(p.c.height):
        for x in range(p.c.width):
            a = cut.px[y][x][3]
            if a:
                r, g, b, oa = p.c.px[y][x]
                p.c.px[y][x] = (r, g, b, int(oa * (1 - a / 255.0)))


def star(p, cx, cy, col):
    """A small four-pointed star on whole pixels: the pixel at (cx, cy) of the
    16 grid and its four neighbours, so it stays a crisp plus at 16x16."""
    p.rect(cx - 1, cy, cx + 2, cy + 1, col)
    p.rect(cx, cy - 1, cx + 1, cy + 2, col)


def g_hibernate(p):
    moon(p, BLUE_DARK, BLUE, None)
    star(p, 12, 3, BLUE_LIGHT)
    star(p, 9, 7, BLUE_LIGHT)


def g_stand_by(p):
    moon(p, AMBER_DARK, AMBER, None)
    star(p, 12, 3, AMBER_DARK)


GLYPHS = {
    2780: g_describe, 2781: g_properties, 2782: g_website, 2784: g_kill, 2785: g_search,
    2786: g_folder, 2788: g_start, 2789: g_stop, 2790: g_pause, 2791: g_continue,
    2792: g_restart, 2815: g_close_all, 2857: g_kill_all, 2876: g_close, 2881: g_protect,
    2882: g_allow_close, 2883: g_allow_kill, 2892: g_unprotect,
    2804: g_export, 2805: g_print, 2806: g_print_details, 2807: g_print_list,
    2808: g_copy, 2777: g_settings, 2775: g_refresh, 2810: g_help, 2771: g_about,
    2772: g_exit,
    2836: g_applications, 2837: g_tasks, 2838: g_services, 2839: g_drivers,
    2840: g_performance, 2841: g_network,
    2850: g_shutdown, 2851: g_force_shutdown, 2852: g_power_off, 2853: g_system_restart,
    2854: g_log_off, 2855: g_hibernate, 2856: g_stand_by,
}

# Button orders of the toolbar resources (separators left out).
APPLICATIONS = [2780, 2781, 2782, 2876, 2815, 2784, 2857, 2785, 2786, 2882, 2883, 2881, 2892]
TASKS = [2780, 2781, 2782, 2784, 2857, 2785, 2786, 2883, 2881, 2892]
SERVICES = [2780, 2781, 2782, 2785, 2786, 2788, 2789, 2790, 2791, 2792]
MAIN = [2804, 2805, 2808, 2777, 2775, 2810, 2771, 2772]
MENU = [2804, 2806, 2807, 2772, 2808, 2777, 2775, 2836, 2837, 2838, 2839, 2840, 2841,
        2850, 2851, 2852, 2853, 2854, 2855, 2856, 2810, 2771]


def glyph(draw, size):
    c = Canvas(size, size)
    draw(Pen(c))
    return c


def g_blank(p):
    pass


# ---- Variants ----------------------------------------------------------------

def disabled(c):
    """Grey, lighter and flatter: reads as unavailable next to the colour image."""
    out = Canvas(c.width, c.height)
    for y in range(c.height):
        for x in range(c.width):
            r, g, b, a = c.px[y][x]
            lum = 0.3 * r + 0.59 * g + 0.11 * b
            v = int(round(150 + lum * 0.38))
            out.px[y][x] = (v, v, v, a)
    return out


def hot(c):
    """A touch brighter, for the button under the mouse."""
    out = Canvas(c.width, c.height)
    for y in range(c.height):
        for x in range(c.width):
            r, g, b, a = c.px[y][x]
            out.px[y][x] = tuple(min(255, int(v + (255 - v) * 0.18)) for v in (r, g, b)) + (a,)
    return out


def strip(images, size, rows=1):
    """Images side by side; rows is a list of variant functions per row."""
    return images


def write_strip(path, rows, size):
    """rows: list of lists of canvases, each size x size."""
    width = size * len(rows[0])
    height = size * len(rows)
    px = [[(0, 0, 0, 0)] * width for _ in range(height)]
    for ry, row in enumerate(rows):
        for i, c in enumerate(row):
            for y in range(size):
                for x in range(size):
                    px[ry * size + y][i * size + x] = c.px[y][x]
    write_bmp(path, width, height, px)


def build(outdir):
    cache = {}

    def img(cmd, size):
        key = (cmd, size)
        if key not in cache:
            cache[key] = glyph(GLYPHS[cmd], size)
        return cache[key]

    # Protection levels 0..4: blank, may close, may kill, protected, system protected.
    levels = [glyph(g_blank, 16), glyph(g_allow_close, 16), glyph(g_allow_kill, 16),
              glyph(g_protect, 16), glyph(g_system_protect, 16)]
    write_strip(os.path.join(outdir, "protection.bmp"), [levels], 16)

    tabs = [img(c, 16) for c in (2836, 2837, 2838, 2839, 2840, 2841)]
    write_strip(os.path.join(outdir, "tab_images.bmp"), [tabs], 16)

    for name, order in (("tb_applications.bmp", APPLICATIONS), ("tb_tasks.bmp", TASKS),
                        ("tb_services.bmp", SERVICES), ("tb_drivers.bmp", SERVICES)):
        normal = [img(c, 16) for c in order]
        write_strip(os.path.join(outdir, name), [normal, [disabled(c) for c in normal]], 16)

    main = [img(c, 24) for c in MAIN]
    write_strip(os.path.join(outdir, "main_toolbar.bmp"), [main], 24)
    write_strip(os.path.join(outdir, "main_toolbar_hot.bmp"), [[hot(c) for c in main]], 24)
    write_strip(os.path.join(outdir, "main_toolbar_disabled.bmp"), [[disabled(c) for c in main]], 24)

    write_strip(os.path.join(outdir, "menu_images.bmp"), [[img(c, 16) for c in MENU]], 16)
