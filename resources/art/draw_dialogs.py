"""Icons of the settings dialog: the five group boxes (general 158, list view
160, update frequency 180, program data file 159, proxy 157) and the two
account edits (e-mail 161, password 162).

Each is drawn on a 32-unit grid and written at 16, 20 and 32 pixels: the
dialog shows them at 20 x 20.
"""
import math
import os

from palette import BLUE, BLUE_DARK, GREEN, AMBER, GREY, WHITE, rgba, mix
from raster import Canvas, scaled
from imageformats import write_ico

INK = (0x2A, 0x30, 0x3A)
PAPER = (0xF7, 0xF9, 0xFC)
AMBER_DARK = (0xB0, 0x6E, 0x08)
GREEN_DARK = (0x1E, 0x6E, 0x2E)


def general(c, s):
    """A gear."""
    cx = cy = 16 * s
    for i in range(8):
        a = math.radians(i * 45)
        x, y = cx + math.cos(a) * 11 * s, cy + math.sin(a) * 11 * s
        c.line(cx, cy, x, y, 6 * s, rgba(GREY))
    c.ellipse(cx, cy, 10.5 * s, 10.5 * s, rgba(GREY))
    c.ellipse(cx, cy, 9 * s, 9 * s, rgba(mix(GREY, WHITE, 0.35)))
    c.ellipse(cx, cy, 4 * s, 4 * s, rgba(PAPER))
    c.ring(cx, cy, 4.6 * s, 3.6 * s, rgba(INK, 200))


def list_view(c, s):
    """A sheet with a coloured header and striped rows."""
    c.rect(3 * s, 4 * s, 29 * s, 28 * s, rgba(BLUE_DARK))
    c.rect(4.2 * s, 5.2 * s, 27.8 * s, 26.8 * s, rgba(PAPER))
    c.rect(4.2 * s, 5.2 * s, 27.8 * s, 10 * s, rgba(BLUE))
    for i, y in enumerate((11.5, 15.5, 19.5, 23.5)):
        if i % 2:
            c.rect(4.2 * s, y * s, 27.8 * s, (y + 3.5) * s, rgba(mix(BLUE, WHITE, 0.8)))
        c.rect(7 * s, (y + 1.2) * s, 16 * s, (y + 2.4) * s, rgba(INK))
        c.rect(18 * s, (y + 1.2) * s, 25 * s, (y + 2.4) * s, rgba(GREY))


def update_frequency(c, s):
    """A stopwatch."""
    cx, cy = 16 * s, 18 * s
    c.rect(13 * s, 1.5 * s, 19 * s, 5 * s, rgba(GREY))
    c.rect(15 * s, 4 * s, 17 * s, 7 * s, rgba(GREY))
    c.ellipse(cx, cy, 12.5 * s, 12.5 * s, rgba(GREEN_DARK))
    c.ellipse(cx, cy, 10.5 * s, 10.5 * s, rgba(PAPER))
    for i in range(12):
        a = math.radians(i * 30)
        r0 = 8 * s if i % 3 == 0 else 9 * s
        c.line(cx + math.cos(a) * r0, cy + math.sin(a) * r0, cx + math.cos(a) * 9.6 * s,
               cy + math.sin(a) * 9.6 * s, max(1.0, 1.2 * s), rgba(GREY))
    c.line(cx, cy, cx + 5.5 * s, cy - 5.5 * s, max(1.2, 2.2 * s), rgba(GREEN))
    c.line(cx, cy, cx, cy - 7.5 * s, max(1.2, 1.6 * s), rgba(INK))
    c.ellipse(cx, cy, 1.8 * s, 1.8 * s, rgba(INK))


def program_data(c, s):
    """A database cylinder of three discs."""
    top, bottom = 5 * s, 27 * s
    rx, ry = 11 * s, 3.8 * s
    cx = 16 * s
    c.rect(cx - rx, top, cx + rx, bottom, rgba(BLUE_DARK))
    c.ellipse(cx, bottom, rx, ry, rgba(BLUE_DARK))
    c.rect(cx - rx + 1.2 * s, top, cx + rx - 1.2 * s, bottom, rgba(BLUE))
    c.ellipse(cx, bottom, rx - 1.2 * s, ry - 1.2 * s, rgba(BLUE))
    for y in (12.5, 20):
        c.ring(cx, y * s, rx, rx - 1.3 * s, rgba(BLUE_DARK), 180, 360)
    c.ellipse(cx, top, rx, ry, rgba(BLUE_DARK))
    c.ellipse(cx, top, rx - 1.2 * s, ry - 1.2 * s, rgba(mix(BLUE, WHITE, 0.55)))


def proxy(c, s):
    """A globe: the way out to the Internet."""
    cx = cy = 16 * s
    r = 13 * s
    c.ellipse(cx, cy, r, r, rgba(BLUE_DARK))
    c.ellipse(cx, cy, r - 1.4 * s, r - 1.4 * s, rgba(mix(BLUE, WHITE, 0.25)))
    w = max(1.0, 1.3 * s)
    c.ring(cx, cy, 6.5 * s + w / 2, 6.5 * s - w / 2, rgba(WHITE, 220))
    c.line(cx, cy - r + 1.4 * s, cx, cy + r - 1.4 * s, w, rgba(WHITE, 220))
    for y in (-6.0, 0.0, 6.0):
        half = math.sqrt(max(0.0, (r - 1.4 * s) ** 2 - (y * s) ** 2))
        c.line(cx - half, cy + y * s, cx + half, cy + y * s, w, rgba(WHITE, 220))
    c.ellipse(24.5 * s, 24.5 * s, 6 * s, 6 * s, rgba(AMBER_DARK))
    c.ellipse(24.5 * s, 24.5 * s, 4.6 * s, 4.6 * s, rgba(AMBER))
    # An arrow: the requests go on through the proxy.
    w = max(1.0, 1.4 * s)
    c.line(21.8 * s, 24.5 * s, 27 * s, 24.5 * s, w, rgba(WHITE))
    c.polyline([(24.8 * s, 22.2 * s), (27.2 * s, 24.5 * s), (24.8 * s, 26.8 * s)], w, rgba(WHITE))


def email(c, s):
    """An envelope."""
    c.rect(2 * s, 7 * s, 30 * s, 26 * s, rgba(GREY))
    c.rect(3.2 * s, 8.2 * s, 28.8 * s, 24.8 * s, rgba(PAPER))
    w = max(1.0, 1.4 * s)
    c.polyline([(3.5 * s, 8.8 * s), (16 * s, 18.5 * s), (28.5 * s, 8.8 * s)], w, rgba(GREY))
    c.line(3.5 * s, 24.3 * s, 12.5 * s, 16 * s, w, rgba(mix(GREY, WHITE, 0.4)))
    c.line(28.5 * s, 24.3 * s, 19.5 * s, 16 * s, w, rgba(mix(GREY, WHITE, 0.4)))


def password(c, s):
    """A key."""
    c.ellipse(10 * s, 16 * s, 7.5 * s, 7.5 * s, rgba(AMBER_DARK))
    c.ellipse(10 * s, 16 * s, 6 * s, 6 * s, rgba(AMBER))
    c.rect(16 * s, 14 * s, 30 * s, 18.5 * s, rgba(AMBER_DARK))
    c.rect(16.5 * s, 15.2 * s, 29 * s, 17.3 * s, rgba(AMBER))
    c.rect(23 * s, 18 * s, 25.5 * s, 23 * s, rgba(AMBER_DARK))
    c.rect(27 * s, 18 * s, 29.5 * s, 21.5 * s, rgba(AMBER_DARK))


def _hole(c, cx, cy, r):
    """Clears a round hole (the key's ring) through everything drawn."""
    for y in range(c.height):
        for x in range(c.width):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                c.px[y][x] = (0, 0, 0, 0)


ICONS = {
    "set_general.ico": general,
    "set_list_view.ico": list_view,
    "set_update_frequency.ico": update_frequency,
    "set_program_data.ico": program_data,
    "set_proxy.ico": proxy,
    "set_email.ico": email,
    "set_password.ico": password,
}


def build(outdir):
    for name, draw in ICONS.items():
        images = []
        for size in (16, 20, 32):
            c = scaled(draw, size)
            if draw is password:
                _hole(c, 8.5 * size / 32.0, 16 * size / 32.0, 2.2 * size / 32.0)
            images.append((size, size, c.px))
        write_ico(os.path.join(outdir, name), images)
