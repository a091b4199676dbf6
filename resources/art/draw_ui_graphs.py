"""Images of the display components: the load animation strip (143), the two
splitter cursors (152 stacked, 153 side by side) and the default row icons
(144 task, 145 application, 146 driver, 147 service).

Each icon is drawn at its target size (16 and 32 pixels), with line widths
chosen per size, so the small versions stay crisp.
"""
import math
import os

from palette import BLUE, BLUE_DARK, GREEN, RED, AMBER, GREY, WHITE, mix, rgba
from raster import Canvas
from imageformats import write_bmp, write_cur, write_ico

BLUE_LIGHT = (96, 150, 236)
GREEN_DARK = (30, 112, 46)
GREEN_LIGHT = (92, 196, 110)
AMBER_DARK = (178, 112, 12)
GREY_DARK = (70, 76, 88)
GREY_LIGHT = (160, 166, 178)
# The dialog face the animation is shown on; soft edges are blended onto it
# because a masked bitmap has no partial transparency.
FACE = (240, 240, 240)




# -- the load animation ----------------------------------------------------

def draw_anim_frame(frame):
    """A ring of four arcs, the lit one moving clockwise, around three bars
    that rise and fall: data being gathered."""
    c = Canvas(32, 32)
    cx, cy = 16.0, 16.0
    shades = [BLUE, BLUE_LIGHT, mix(BLUE_LIGHT, FACE, 0.45), mix(BLUE_LIGHT, FACE, 0.7)]
    for seg in range(4):
        # Segment 0 is at the top; clockwise order top, right, bottom, left.
        age = (frame - seg) % 4
        centre_deg = 90 - seg * 90
        start, end = centre_deg - 38, centre_deg + 38
        c.ring(cx, cy, 15.0, 10.8, rgba(BLUE_DARK if age == 0 else shades[age]), start, end)
        if age == 0:
            c.ring(cx, cy, 14.0, 11.8, rgba(BLUE), start + 2, end - 2)
    heights = [(5, 9, 7), (8, 5, 9), (9, 8, 5), (6, 10, 8)][frame]
    for i, h in enumerate(heights):
        x0 = 11.5 + i * 3.3
        c.rect(x0 - 0.5, 21 - h - 0.5, x0 + 2.6 + 0.5, 21.5, rgba(GREEN_DARK))
        c.vgradient(x0, 21 - h, x0 + 2.6, 21, GREEN_LIGHT, GREEN)
    return c


def flatten_on(canvas, face):
    """Blends partly transparent pixels onto the face colour; fully
    transparent ones stay transparent (magenta in the bitmap)."""
    out = []
    for row in canvas.px:
        new = []
        for (r, g, b, a) in row:
            if a < 128:
                new.append((0, 0, 0, 0))
            else:
                t = a / 255.0
                new.append((int(round(r * t + face[0] * (1 - t))),
                            int(round(g * t + face[1] * (1 - t))),
                            int(round(b * t + face[2] * (1 - t))), 255))
        out.append(new)
    return out


def build_animation(outdir):
    strip = [[(0, 0, 0, 0)] * 128 for _ in range(32)]
    for frame in range(4):
        px = flatten_on(draw_anim_frame(frame), FACE)
        for y in range(32):
            strip[y][frame * 32:(frame + 1) * 32] = px[y]
    write_bmp(os.path.join(outdir, "load_animation.bmp"), 128, 32, strip)


# -- splitter cursors ------------------------------------------------------

def _grow(points, by):
    cx = sum(p[0] for p in points) / len(points)
    cy = sum(p[1] for p in points) / len(points)
    out = []
    for (x, y) in points:
        dx, dy = x - cx, y - cy
        d = math.hypot(dx, dy) or 1.0
        out.append((x + dx / d * by, y + dy / d * by))
    return out


def draw_split_cursor(vertical_bar):
    """Two parallel lines with arrows pointing away from them. For the
    stacked arrangement the lines are horizontal and the arrows point up and
    down; for side by side everything is turned a quarter."""
    c = Canvas(32, 32)

    def t(x, y):
        return (y, x) if vertical_bar else (x, y)

    lines = [((6, 14), (26, 14)), ((6, 18), (26, 18))]
    stems = [((16, 14), (16, 7)), ((16, 18), (16, 25))]
    heads = [[(16, 2.5), (10.5, 8.5), (21.5, 8.5)], [(16, 29.5), (10.5, 23.5), (21.5, 23.5)]]
    for width, colour, grow in ((4.2, WHITE, 1.3), (2.0, (0, 0, 0), 0.0)):
        for (a, b) in lines + stems:
            c.line(*t(*a), *t(*b), width, rgba(colour))
        for head in heads:
            pts = [t(*p) for p in head]
            c.polygon(_grow(pts, grow) if grow else pts, rgba(colour))
    return c


def build_cursors(outdir):
    write_cur(os.path.join(outdir, "split_stacked.cur"), 32, 32, draw_split_cursor(False).px, (16, 16))
    write_cur(os.path.join(outdir, "split_side.cur"), 32, 32, draw_split_cursor(True).px, (16, 16))


# -- default row icons -----------------------------------------------------

def draw_application(size):
    """A window: dark rim, blue title bar, white body with two text lines."""
    c = Canvas(size, size)
    if size == 16:
        c.rect(0.5, 1.5, 15.5, 14.5, rgba(BLUE_DARK))
        c.vgradient(1.5, 2.5, 14.5, 5.5, BLUE_LIGHT, BLUE)
        c.rect(1.5, 5.5, 14.5, 13.5, rgba(WHITE))
        c.rect(12, 3, 13.5, 4.5, rgba(WHITE))
        c.rect(3, 7.5, 11, 8.5, rgba(GREY_LIGHT))
        c.rect(3, 10, 9, 11, rgba(GREY_LIGHT))
    else:
        c.round_rect(1, 3, 31, 29, 2.5, rgba(BLUE_DARK))
        c.vgradient(2, 4, 30, 10, BLUE_LIGHT, BLUE, radius=1.5)
        c.rect(2, 10, 30, 28, rgba(WHITE))
        for i, col in enumerate((WHITE, WHITE, (255, 200, 190))):
            c.rect(19 + i * 3.5, 5.5, 21.5 + i * 3.5, 8, rgba(col))
        c.rect(5, 13.5, 22, 15.5, rgba(GREY_LIGHT))
        c.rect(5, 18, 26, 20, rgba(GREY_LIGHT))
        c.rect(5, 22.5, 17, 24.5, rgba(GREY_LIGHT))
    return c


def draw_task(size):
    """A running program: a green tile with a white run arrow."""
    c = Canvas(size, size)
    s = size / 32.0
    c.round_rect(1 * s, 1 * s, 31 * s, 31 * s, 6 * s, rgba(GREEN_DARK))
    c.vgradient(2 * s, 2 * s, 30 * s, 30 * s, GREEN_LIGHT, GREEN, radius=5 * s)
    if size == 16:
        c.polygon([(5.5, 3.5), (12.5, 8), (5.5, 12.5)], rgba(WHITE))
    else:
        c.polygon([(11, 7), (24.5, 16), (11, 25)], rgba(WHITE))
    return c


def gear_points(cx, cy, r_out, r_in, teeth, phase=0.0):
    pts = []
    step = 2 * math.pi / teeth
    for i in range(teeth):
        a = phase + i * step
        for (da, r) in ((-0.30, r_in), (-0.17, r_out), (0.17, r_out), (0.30, r_in)):
            ang = a + da * step * 1.6
            pts.append((cx + r * math.cos(ang), cy + r * math.sin(ang)))
    return pts


def draw_service(size):
    """A service: a grey gear with a blue hub."""
    c = Canvas(size, size)
    if size == 16:
        c.polygon(gear_points(8, 8, 7.8, 5.6, 8, math.pi / 8), rgba(GREY_DARK))
        c.polygon(gear_points(8, 8, 6.8, 4.7, 8, math.pi / 8), rgba(GREY_LIGHT))
        c.ellipse(8, 8, 3.2, 3.2, rgba(BLUE_DARK))
        c.ellipse(8, 8, 2.2, 2.2, rgba(BLUE_LIGHT))
    else:
        c.polygon(gear_points(16, 16, 15.5, 11.5, 10, math.pi / 10), rgba(GREY_DARK))
        c.polygon(gear_points(16, 16, 14.3, 10.4, 10, math.pi / 10), rgba(GREY_LIGHT))
        c.ellipse(16, 16, 9.0, 9.0, rgba(GREY))
        c.ellipse(16, 16, 6.5, 6.5, rgba(BLUE_DARK))
        c.ellipse(16, 15.5, 5.0, 5.0, rgba(BLUE_LIGHT))
        c.ellipse(16, 16.5, 4.2, 4.2, rgba(BLUE))
    return c


def draw_driver(size):
    """A driver: a chip with amber pins and a blue die."""
    c = Canvas(size, size)
    if size == 16:
        for i in range(3):
            y = 4 + i * 3.5
            c.rect(0.5, y, 3, y + 1.5, rgba(AMBER))
            c.rect(13, y, 15.5, y + 1.5, rgba(AMBER))
        c.rect(2.5, 1.5, 13.5, 14.5, rgba(GREY_DARK))
        c.rect(3.5, 2.5, 12.5, 13.5, rgba(GREY))
        c.rect(5.5, 5, 10.5, 11, rgba(BLUE))
        c.rect(5.5, 5, 10.5, 6, rgba(BLUE_LIGHT))
    else:
        for i in range(5):
            y = 6 + i * 4.5
            c.rect(1, y, 6, y + 2.5, rgba(AMBER_DARK))
            c.rect(1.5, y + 0.5, 6, y + 2, rgba(AMBER))
            c.rect(26, y, 31, y + 2.5, rgba(AMBER_DARK))
            c.rect(26, y + 0.5, 30.5, y + 2, rgba(AMBER))
        c.round_rect(5, 3, 27, 29, 2.5, rgba(GREY_DARK))
        c.vgradient(6, 4, 26, 28, GREY_LIGHT, GREY, radius=1.5)
        c.rect(10, 10, 22, 22, rgba(BLUE_DARK))
        c.vgradient(11, 11, 21, 21, BLUE_LIGHT, BLUE)
        c.ellipse(8.5, 6.5, 1.2, 1.2, rgba(GREY_DARK))
    return c


def build_icons(outdir):
    for name, draw in (("default_task.ico", draw_task),
                       ("default_application.ico", draw_application),
                       ("default_driver.ico", draw_driver),
                       ("default_service.ico", draw_service)):
        images = []
        for size in (16, 32):
            images.append((size, size, draw(size).px))
        write_ico(os.path.join(outdir, name), images)


def build(outdir):
    build_animation(outdir)
    build_cursors(outdir)
    build_icons(outdir)
