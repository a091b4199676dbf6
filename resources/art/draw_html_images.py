"""Images of the HTML detail pages: 173, a one-pixel dark-blue rule that the
pages stretch into lines, and 174, the 423x77 background of the title banner."""
import os
from imageformats import write_gif

DARK_BLUE = (0, 32, 96)


def build(outdir):
    write_gif(os.path.join(outdir, "dkblue.gif"), 1, 1, [DARK_BLUE, (255, 255, 255)], [0])

    width, height = 423, 77
    # A smooth horizontal blend from deep blue into pale blue, with a lighter
    # band along the bottom edge; 64 colours keep the file small.
    steps = 64
    left, right = (16, 52, 128), (198, 218, 246)
    palette = [tuple(int(round(left[i] + (right[i] - left[i]) * k / (steps - 1))) for i in range(3))
               for k in range(steps)]
    indices = []
    for y in range(height):
        for x in range(width):
            t = x / (width - 1)
            t = t * t * (3 - 2 * t)
            if y >= height - 4:
                t = min(1.0, t + 0.35)
            indices.append(int(round(t * (steps - 1))))
    write_gif(os.path.join(outdir, "title_bg.gif"), width, height, palette, indices)
