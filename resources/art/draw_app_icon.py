"""The program icon (128): a blue tile with a rising activity line over bars."""
import os
from raster import Canvas
from imageformats import write_ico


def draw(size):
    s = size / 32.0
    c = Canvas(size, size)
    # Tile with a soft vertical gradient and a darker rim.
    c.round_rect(0.5 * s, 0.5 * s, 31.5 * s, 31.5 * s, 6 * s, (20, 62, 140, 255))
    c.vgradient(1.5 * s, 1.5 * s, 30.5 * s, 30.5 * s, (78, 146, 235), (32, 92, 190), radius=5 * s)
    # Three bars: the processes being watched.
    bar = (255, 255, 255, 235)
    c.rect(6 * s, 19 * s, 10 * s, 26 * s, bar)
    c.rect(14 * s, 14 * s, 18 * s, 26 * s, bar)
    c.rect(22 * s, 9 * s, 26 * s, 26 * s, bar)
    # The activity line, in warm orange so it reads at 16x16.
    width = max(1.6, 3.0 * s)
    c.polyline([(4 * s, 17 * s), (11 * s, 12 * s), (17 * s, 15 * s), (27 * s, 5.5 * s)],
               width, (255, 176, 32, 255))
    return c


def build(outdir):
    images = []
    for size in (16, 32, 48):
        c = draw(size)
        images.append((size, size, c.px))
    write_ico(os.path.join(outdir, "quillmark.ico"), images)
