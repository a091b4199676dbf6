"""The colours every image of the program is drawn in, and colour helpers.

Keeping them in one place keeps the icons, toolbars and page images in one
look; a module may add its own lighter or darker tints of these.
"""

BLUE = (0x2F, 0x6F, 0xD6)
BLUE_DARK = (0x1B, 0x4F, 0xA8)
GREEN = (0x2E, 0x9E, 0x44)
RED = (0xD8, 0x3B, 0x2F)
AMBER = (0xF0, 0xA0, 0x20)
GREY = (0x6B, 0x72, 0x80)
WHITE = (0xFF, 0xFF, 0xFF)


def rgba(c, a=255):
    """An (r, g, b) colour with an alpha value."""
    return (c[0], c[1], c[2], a)


def mix(a, b, t):
    """The colour a fraction t of the way from a to b."""
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))
