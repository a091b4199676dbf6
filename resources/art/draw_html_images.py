"""Images of the HTML detail pages: 173, a one-pixel dark-blue rule that the
pages stretch into lines (43 bytes), and 174, the 423x77 background of the
title banner.

The banner carries the program's icon at (33, 19) and the black header line
"<title> by <company>" from x 73 at y 34, so it stays light wherever text can
fall: a white-to-pale-blue wash, a white tile framing the icon, soft arcs in
the right-hand corner and a thin blue accent along the bottom edge."""
import os

from imageformats import write_gif
from palette import BLUE, BLUE_DARK as DARK_BLUE, WHITE, mix as _mix
from raster import Canvas


def _quantise(canvas, limit=256):
    """Palette and indices for a GIF: the most frequent colours, every other
    colour mapped to its nearest kept one."""
    counts = {}
    for row in canvas.px:
        for p in row:
            counts[p[:3]] = counts.get(p[:3], 0) + 1
    palette = sorted(counts, key=lambda c: -counts[c])[:limit]
    lookup = {c: i for i, c in enumerate(palette)}

    def nearest(c):
        return min(range(len(palette)),
                   key=lambda i: sum((palette[i][k] - c[k]) ** 2 for k in range(3)))
    indices = []
    for row in canvas.px:
        for p in row:
            c = p[:3]
            if c not in lookup:
                lookup[c] = nearest(c)
            indices.append(lookup[c])
    return palette, indices


def draw_title_background(width=423, height=77):
    c = Canvas(width, height, (255, 255, 255, 255))
    # The wash: white at the top into a pale blue at the bottom.
    c.vgradient(0, 0, width, height, WHITE, _mix(WHITE, BLUE, 0.13))
    # Soft arcs in the right-hand corner, behind where titles end.
    for radius, strength in ((150, 0.11), (118, 0.09), (86, 0.07)):
        c.ring(width + 40, height + 70, radius, radius - 18, BLUE + (int(255 * strength),))
    # A white tile with a 1px darker outline frames the 32x32 icon.
    c.round_rect(28, 14, 70, 56, 7, _mix(WHITE, BLUE, 0.38) + (255,))
    c.round_rect(29, 15, 69, 55, 6, WHITE + (255,))
    # The accent along the bottom edge, just above the page's own rule.
    c.rect(0, height - 3, width, height - 2, _mix(WHITE, BLUE, 0.45) + (255,))
    c.rect(0, height - 2, width, height, BLUE + (255,))
    return c


def build(outdir):
    # One pixel; the pages stretch it to the width of the table.
    write_gif(os.path.join(outdir, "dkblue.gif"), 1, 1, [DARK_BLUE, WHITE], [0])

    banner = draw_title_background()
    palette, indices = _quantise(banner)
    write_gif(os.path.join(outdir, "title_bg.gif"), banner.width, banner.height, palette, indices)
