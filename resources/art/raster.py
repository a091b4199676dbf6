"""A small anti-aliased rasteriser for drawing the program's images from code.

Shapes are described in a unit-free coordinate space equal to the pixel grid
(0,0 is the top-left corner of the top-left pixel). Each pixel is sampled
SS x SS times, so edges come out smooth at 16x16 and 32x32.
"""
import math

SS = 4


def _round_rect_test(x0, y0, x1, y1, radius):
    """The inside test of a rectangle with corners rounded to radius."""
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


class Canvas:
    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.width = width
        self.height = height
        self.px = [[tuple(fill) for _ in range(width)] for _ in range(height)]

    # -- compositing -------------------------------------------------------
    def blend(self, x, y, color, coverage):
        if coverage <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        r, g, b = color[:3]
        a = (color[3] if len(color) > 3 else 255) / 255.0 * min(1.0, coverage)
        dr, dg, db, da = self.px[y][x]
        da /= 255.0
        oa = a + da * (1 - a)
        if oa <= 0:
            return
        mix = lambda s, d: (s * a + d * da * (1 - a)) / oa
        self.px[y][x] = (int(round(mix(r, dr))), int(round(mix(g, dg))),
                         int(round(mix(b, db))), int(round(oa * 255)))

    def fill_shape(self, inside, color, bbox=None):
        """inside(x, y) -> bool for a sample point; bbox limits the scan."""
        x0, y0, x1, y1 = bbox or (0, 0, self.width, self.height)
        x0, y0 = max(0, int(math.floor(x0))), max(0, int(math.floor(y0)))
        x1, y1 = min(self.width, int(math.ceil(x1))), min(self.height, int(math.ceil(y1)))
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        if inside(x + (sx + 0.5) / SS, y + (sy + 0.5) / SS):
                            hits += 1
                if hits:
                    self.blend(x, y, color, hits / (SS * SS))

    # -- shapes ------------------------------------------------------------
    def rect(self, x0, y0, x1, y1, color):
        self.fill_shape(lambda x, y: x0 <= x < x1 and y0 <= y < y1, color, (x0, y0, x1, y1))

    def round_rect(self, x0, y0, x1, y1, radius, color):
        self.fill_shape(_round_rect_test(x0, y0, x1, y1, radius), color, (x0, y0, x1, y1))

    def ellipse(self, cx, cy, rx, ry, color):
        self.fill_shape(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0,
                        color, (cx - rx, cy - ry, cx + rx, cy + ry))

    def ring(self, cx, cy, r_outer, r_inner, color, start_deg=None, end_deg=None):
        def inside(x, y):
            d2 = (x - cx) ** 2 + (y - cy) ** 2
            if not (r_inner ** 2 <= d2 <= r_outer ** 2):
                return False
            if start_deg is None:
                return True
            ang = math.degrees(math.atan2(-(y - cy), x - cx)) % 360
            s, e = start_deg % 360, end_deg % 360
            return s <= ang <= e if s <= e else (ang >= s or ang <= e)
        self.fill_shape(inside, color, (cx - r_outer, cy - r_outer, cx + r_outer, cy + r_outer))

    def line(self, xa, ya, xb, yb, width, color):
        """A segment with round caps."""
        dx, dy = xb - xa, yb - ya
        length2 = dx * dx + dy * dy or 1e-9
        hw = width / 2.0

        def inside(x, y):
            t = max(0.0, min(1.0, ((x - xa) * dx + (y - ya) * dy) / length2))
            px, py = xa + t * dx, ya + t * dy
            return (x - px) ** 2 + (y - py) ** 2 <= hw * hw
        self.fill_shape(inside, color, (min(xa, xb) - hw, min(ya, yb) - hw,
                                        max(xa, xb) + hw, max(ya, yb) + hw))

    def polyline(self, points, width, color):
        for (xa, ya), (xb, yb) in zip(points, points[1:]):
            self.line(xa, ya, xb, yb, width, color)

    def polygon(self, points, color):
        def inside(x, y):
            c = False
            n = len(points)
            for i in range(n):
                xi, yi = points[i]
                xj, yj = points[i - 1]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    c = not c
            return c
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.fill_shape(inside, color, (min(xs), min(ys), max(xs), max(ys)))

    def vgradient(self, x0, y0, x1, y1, top, bottom, radius=0):
        """Vertical gradient fill, optionally with rounded corners."""
        for y in range(int(y0), int(y1)):
            t = (y - y0) / max(1, (y1 - y0 - 1))
            col = tuple(int(round(top[i] + (bottom[i] - top[i]) * t)) for i in range(3)) + (255,)
            if radius:
                self.round_rect_row(x0, y0, x1, y1, radius, y, col)
            else:
                self.rect(x0, y, x1, y + 1, col)

    def round_rect_row(self, x0, y0, x1, y1, radius, row, color):
        """One pixel row of a rounded rectangle (for gradients)."""
        self.fill_shape(_round_rect_test(x0, y0, x1, y1, radius), color, (x0, row, x1, row + 1))

    def paste(self, other, ox, oy):
        for y in range(other.height):
            for x in range(other.width):
                r, g, b, a = other.px[y][x]
                if a:
                    self.blend(ox + x, oy + y, (r, g, b, 255), a / 255.0)


def scaled(draw, size, base=32.0):
    """Run draw(canvas, s) where s scales coordinates drawn for a 32-pixel grid."""
    c = Canvas(size, size)
    draw(c, size / base)
    return c
