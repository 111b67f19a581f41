#!/usr/bin/env python3
"""Draws the default skin, the playlist background and the icons of Tovix.

Run from anywhere:  python3 resources/art/make_art.py
Writes   resources/skin/default/*.bmp, resources/skin/default.bmp
and      resources/icons/*.ico, resources/icons/version.bmp

Standard library only, so the art can be rebuilt on any machine that has
Python 3.  Every picture is plain geometry, so the output is byte-for-byte
the same on every run.
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
RESOURCES = os.path.dirname(HERE)
SKIN_DIR = os.path.join(RESOURCES, "skin", "default")
LIST_BG_PATH = os.path.join(RESOURCES, "skin", "default.bmp")
ICON_DIR = os.path.join(RESOURCES, "icons")


# --------------------------------------------------------------------------
# Palette.  One cool slate/navy family with a single blue accent, which is
# also the default status text colour, so text, glyphs and frames agree.
# --------------------------------------------------------------------------

ACCENT = (150, 200, 255)        # status text colour; lit glyphs
ACCENT_DIM = (92, 128, 172)     # engraved marks on the panel
ACCENT_DEEP = (84, 136, 222)    # blue glyph parts of a pressed button
GLYPH = (226, 238, 255)         # normal glyph colour on button faces
GLYPH_SHADOW = (3, 6, 12)
WARN = (255, 128, 112)          # destructive actions (delete, power)

PLATE_TOP = (44, 56, 78)        # raised panel, vertical gradient
PLATE_BOTTOM = (26, 34, 50)
PLATE_LIGHT = (86, 106, 138)    # top/left edge of a raised panel
PLATE_DARK = (8, 11, 18)        # bottom/right edge of a raised panel

WELL_TOP = (9, 14, 25)          # recessed display areas
WELL_BOTTOM = (13, 20, 34)
WELL_DARK = (4, 6, 11)          # top/left edge of a recess
WELL_LIGHT = (70, 88, 116)      # bottom/right edge of a recess

FACE_TOP = (66, 83, 112)        # button face, released
FACE_BOTTOM = (36, 47, 68)
FACE_LIGHT = (124, 148, 186)
FACE_DARK = (16, 22, 34)
FACE_DOWN_TOP = (20, 27, 40)    # button face, pressed
FACE_DOWN_BOTTOM = (32, 42, 61)
BUTTON_RIM = (5, 8, 14)


def mix(a, b, t):
    """Linear blend of two colours, t = 0 gives a, t = 1 gives b."""
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def shade(c, k):
    return tuple(min(255.0, v * k) for v in c)


# --------------------------------------------------------------------------
# Shapes.  Each one answers "is this point inside?" in pixel coordinates
# (pixel (i, j) is the square [i, i+1) x [j, j+1)) and knows its bounding
# box.  The canvas samples them several times per pixel, which gives
# anti-aliased edges without any rasteriser beyond a point test.
# --------------------------------------------------------------------------

class Shape:
    def __or__(self, other):
        return Union(self, other)

    def __sub__(self, other):
        return Minus(self, other)

    def moved(self, dx, dy):
        return Moved(self, dx, dy) if (dx or dy) else self


class Rect(Shape):
    def __init__(self, x0, y0, x1, y1):
        self.box = (x0, y0, x1, y1)

    def contains(self, x, y):
        x0, y0, x1, y1 = self.box
        return x0 <= x < x1 and y0 <= y < y1


class RoundRect(Shape):
    def __init__(self, x0, y0, x1, y1, r):
        self.box = (x0, y0, x1, y1)
        self.r = r

    def contains(self, x, y):
        x0, y0, x1, y1 = self.box
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        r = self.r
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


class Poly(Shape):
    def __init__(self, *points):
        self.pts = points
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.box = (min(xs), min(ys), max(xs), max(ys))

    def contains(self, x, y):
        # Even-odd ray casting.
        inside = False
        pts = self.pts
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y):
                if x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    inside = not inside
            j = i
        return inside


class Circle(Shape):
    def __init__(self, cx, cy, r):
        self.c = (cx, cy)
        self.r = r
        self.box = (cx - r, cy - r, cx + r, cy + r)

    def contains(self, x, y):
        return (x - self.c[0]) ** 2 + (y - self.c[1]) ** 2 <= self.r ** 2


class Arc(Shape):
    """A ring between radii r0 and r1, open around the top by gap degrees
    on each side (the power symbol)."""

    def __init__(self, cx, cy, r0, r1, gap=0.0):
        self.c = (cx, cy)
        self.r0, self.r1, self.gap = r0, r1, gap
        self.box = (cx - r1, cy - r1, cx + r1, cy + r1)

    def contains(self, x, y):
        dx, dy = x - self.c[0], y - self.c[1]
        d2 = dx * dx + dy * dy
        if not (self.r0 ** 2 <= d2 <= self.r1 ** 2):
            return False
        angle = math.degrees(math.atan2(dx, -dy))  # 0 = straight up
        return abs(angle) >= self.gap


class Line(Shape):
    """A stroke of the given width with round caps."""

    def __init__(self, x0, y0, x1, y1, width):
        self.p = (x0, y0, x1, y1)
        self.hw = width / 2.0
        self.box = (min(x0, x1) - self.hw, min(y0, y1) - self.hw,
                    max(x0, x1) + self.hw, max(y0, y1) + self.hw)

    def contains(self, x, y):
        x0, y0, x1, y1 = self.p
        vx, vy = x1 - x0, y1 - y0
        t = ((x - x0) * vx + (y - y0) * vy) / float(vx * vx + vy * vy)
        t = min(1.0, max(0.0, t))
        px, py = x0 + t * vx, y0 + t * vy
        return (x - px) ** 2 + (y - py) ** 2 <= self.hw ** 2


class Gear(Shape):
    def __init__(self, cx, cy, r_body, r_tip, teeth, hole):
        self.c = (cx, cy)
        self.r_body, self.r_tip, self.teeth, self.hole = r_body, r_tip, teeth, hole
        self.box = (cx - r_tip, cy - r_tip, cx + r_tip, cy + r_tip)

    def contains(self, x, y):
        dx, dy = x - self.c[0], y - self.c[1]
        r = math.hypot(dx, dy)
        if r < self.hole or r > self.r_tip:
            return False
        if r <= self.r_body:
            return True
        # Square-ish teeth: the cosine picks the angular slots.
        return math.cos(self.teeth * math.atan2(dy, dx)) > 0.1


class Union(Shape):
    def __init__(self, *parts):
        self.parts = parts
        boxes = [p.box for p in parts]
        self.box = (min(b[0] for b in boxes), min(b[1] for b in boxes),
                    max(b[2] for b in boxes), max(b[3] for b in boxes))

    def contains(self, x, y):
        return any(p.contains(x, y) for p in self.parts)


class Minus(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b
        self.box = a.box

    def contains(self, x, y):
        return self.a.contains(x, y) and not self.b.contains(x, y)


class Moved(Shape):
    def __init__(self, shape, dx, dy):
        self.s, self.d = shape, (dx, dy)
        b = shape.box
        self.box = (b[0] + dx, b[1] + dy, b[2] + dx, b[3] + dy)

    def contains(self, x, y):
        return self.s.contains(x - self.d[0], y - self.d[1])


class Grown(Shape):
    """The shape thickened by about r pixels: used to put an outline
    behind icon artwork, which must read on any tray or list colour."""

    def __init__(self, shape, r):
        self.s = shape
        self.offsets = [(r * math.cos(a * math.pi / 4), r * math.sin(a * math.pi / 4))
                        for a in range(8)] + [(0.0, 0.0)]
        b = shape.box
        self.box = (b[0] - r, b[1] - r, b[2] + r, b[3] + r)

    def contains(self, x, y):
        return any(self.s.contains(x + dx, y + dy) for dx, dy in self.offsets)


# A 5-pixel-high font, only the letters the art needs.  Rows top to bottom.
TINY_FONT = {
    "A": [".#.", "#.#", "###", "#.#", "#.#"],
    "E": ["###", "#..", "##.", "#..", "###"],
    "I": ["###", ".#.", ".#.", ".#.", "###"],
    "L": ["#..", "#..", "#..", "#..", "###"],
    "M": ["#...#", "##.##", "#.#.#", "#...#", "#...#"],
    "N": ["#..#", "##.#", "#.##", "#..#", "#..#"],
    "O": [".#.", "#.#", "#.#", "#.#", ".#."],
    "T": ["###", ".#.", ".#.", ".#.", ".#."],
    "U": ["#.#", "#.#", "#.#", "#.#", "###"],
    "V": ["#...#", "#...#", ".#.#.", ".#.#.", "..#.."],
    "X": ["#.#", "#.#", ".#.", "#.#", "#.#"],
}


def text_width(s):
    return sum(len(TINY_FONT[ch][0]) for ch in s) + len(s) - 1


def text_shape(s, x, y, vertical=False):
    """Pixel-exact text as a union of one-pixel squares."""
    cells = []
    for ch in s:
        rows = TINY_FONT[ch]
        for j, row in enumerate(rows):
            for i, bit in enumerate(row):
                if bit == "#":
                    cells.append(Rect(x + i, y + j, x + i + 1, y + j + 1))
        if vertical:
            y += len(rows) + 2
        else:
            x += len(rows[0]) + 1
    return Union(*cells)


# --------------------------------------------------------------------------
# Canvas: straight (non-premultiplied) RGBA floats, so the same drawing
# code serves the opaque skin bitmaps and the transparent icons.
# --------------------------------------------------------------------------

SUBSAMPLES = 4  # per axis, 16 samples per pixel


class Canvas:
    def __init__(self, w, h, color=(0, 0, 0), alpha=1.0):
        self.w, self.h = w, h
        self.px = [[color[0], color[1], color[2], alpha] for _ in range(w * h)]

    def blend(self, x, y, color, a):
        if a <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        p = self.px[y * self.w + x]
        out_a = a + p[3] * (1 - a)
        if out_a <= 0:
            return
        for i in range(3):
            p[i] = (color[i] * a + p[i] * p[3] * (1 - a)) / out_a
        p[3] = out_a

    def put(self, x, y, color, a=1.0):
        self.blend(x, y, color, a)

    def fill(self, shape, color, opacity=1.0):
        """Anti-aliased fill.  color may be a function (x, y) -> rgb, used
        for gradients inside a shape."""
        x0, y0, x1, y1 = shape.box
        n = SUBSAMPLES
        offs = [(k + 0.5) / n for k in range(n)]
        for y in range(max(0, int(math.floor(y0))), min(self.h, int(math.ceil(y1)))):
            for x in range(max(0, int(math.floor(x0))), min(self.w, int(math.ceil(x1)))):
                hits = 0
                for oy in offs:
                    for ox in offs:
                        if shape.contains(x + ox, y + oy):
                            hits += 1
                if hits:
                    c = color(x, y) if callable(color) else color
                    self.blend(x, y, c, opacity * hits / float(n * n))

    def rect(self, x0, y0, x1, y1, color, a=1.0):
        """Hard-edged rectangle, x1/y1 exclusive: the workhorse for bevels."""
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.blend(x, y, color, a)

    def vgradient(self, x0, y0, x1, y1, top, bottom):
        span = max(1, y1 - y0 - 1)
        for y in range(y0, y1):
            self.rect(x0, y, x1, y + 1, mix(top, bottom, (y - y0) / float(span)))

    def bevel(self, x0, y0, x1, y1, light, dark, a=1.0):
        """One-pixel frame, light on top/left and dark on bottom/right.
        Swap the colours for a recess."""
        self.rect(x0, y0, x1, y0 + 1, light, a)
        self.rect(x0, y0, x0 + 1, y1, light, a)
        self.rect(x0, y1 - 1, x1, y1, dark, a)
        self.rect(x1 - 1, y0, x1, y1, dark, a)

    def paste(self, other, x, y):
        for j in range(other.h):
            for i in range(other.w):
                p = other.px[j * other.w + i]
                self.blend(x + i, y + j, p, p[3])

    # -- file output -------------------------------------------------------

    def _byte(self, v):
        return max(0, min(255, int(round(v))))

    def bmp32_bytes(self):
        """32-bit BI_RGB, bottom-up, colours premultiplied by the alpha byte,
        as AlphaBlend takes them."""
        rows = []
        for y in range(self.h - 1, -1, -1):
            row = bytearray()
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                row += bytes((self._byte(b * a), self._byte(g * a), self._byte(r * a),
                              self._byte(a * 255)))
            rows.append(bytes(row))
        image = b"".join(rows)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 32, 0,
                           len(image), 2835, 2835, 0, 0)
        header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(image), 0, 0, 14 + len(info))
        return header + info + image

    def bmp_bytes(self):
        """Uncompressed 24-bit BI_RGB, bottom-up, rows padded to 4 bytes."""
        row_size = (self.w * 3 + 3) & ~3
        pad = b"\0" * (row_size - self.w * 3)
        rows = []
        for y in range(self.h - 1, -1, -1):
            row = bytearray()
            for x in range(self.w):
                r, g, b, _ = self.px[y * self.w + x]
                row += bytes((self._byte(b), self._byte(g), self._byte(r)))
            rows.append(bytes(row) + pad)
        image = b"".join(rows)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0,
                           len(image), 2835, 2835, 0, 0)
        header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(image), 0, 0, 14 + len(info))
        return header + info + image

    def ico_image(self):
        """One icon image: BITMAPINFOHEADER (double height), 32-bit BGRA
        bottom-up, then the 1-bit AND mask for renderers without alpha."""
        xor = bytearray()
        for y in range(self.h - 1, -1, -1):
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                a8 = self._byte(a * 255)
                if a8 == 0:
                    xor += b"\0\0\0\0"
                else:
                    xor += bytes((self._byte(b), self._byte(g), self._byte(r), a8))
        mask_row = ((self.w + 31) // 32) * 4
        mask = bytearray()
        for y in range(self.h - 1, -1, -1):
            row = bytearray(mask_row)
            for x in range(self.w):
                if self.px[y * self.w + x][3] < 0.5:   # 1 = transparent
                    row[x >> 3] |= 0x80 >> (x & 7)
            mask += row
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h * 2, 1, 32, 0,
                           len(xor) + len(mask), 0, 0, 0, 0)
        return info + bytes(xor) + bytes(mask)


def write_file(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    return path


def write_ico(path, images):
    """images: canvases, smallest first.  Standard ICONDIR layout, which
    the resource compiler copies into RT_ICON/RT_GROUP_ICON."""
    blobs = [img.ico_image() for img in images]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for img, blob in zip(images, blobs):
        data += struct.pack("<BBBBHHII", img.w % 256, img.h % 256, 0, 0, 1, 32,
                            len(blob), offset)
        offset += len(blob)
    return write_file(path, data + b"".join(blobs))


# --------------------------------------------------------------------------
# Panel pieces shared by the main window and the launcher.
# --------------------------------------------------------------------------

def plate(c, x0, y0, x1, y1):
    """A raised slab: gentle top-to-bottom gradient, lit top/left edge.
    The window heights 46 and 67 cut exactly at slab edges, so every
    height ends on a finished border."""
    c.vgradient(x0, y0, x1, y1, PLATE_TOP, PLATE_BOTTOM)
    # A soft sheen on the upper rows gives the slab some body.
    for k in range(3):
        c.rect(x0 + 1, y0 + 1 + k, x1 - 1, y0 + 2 + k, (255, 255, 255), 0.05 - 0.015 * k)
    c.bevel(x0, y0, x1, y1, PLATE_LIGHT, PLATE_DARK)


def well(c, x0, y0, x1, y1, scanlines=True):
    """A recessed display area (x1/y1 exclusive, frame included).  Kept
    almost flat inside, because the program draws text over it."""
    c.vgradient(x0 + 1, y0 + 1, x1 - 1, y1 - 1, WELL_TOP, WELL_BOTTOM)
    if scanlines:
        # Faint LCD rows: texture without competing with the text.
        for y in range(y0 + 2, y1 - 1, 2):
            c.rect(x0 + 1, y, x1 - 1, y + 1, (0, 0, 0), 0.18)
    # Inner shadow under the top edge, as if the glass sits deeper.
    c.rect(x0 + 1, y0 + 1, x1 - 1, y0 + 2, (0, 0, 0), 0.35)
    c.bevel(x0, y0, x1, y1, WELL_DARK, WELL_LIGHT)


def slot(c, x, y, w, h):
    """The sunken seat a button sits in: a one-pixel frame just outside
    the button's rectangle, so the button seems pressed into the panel."""
    c.bevel(x - 1, y - 1, x + w + 1, y + h + 1, WELL_DARK, WELL_LIGHT, 0.9)


def engrave(c, shape, color=ACCENT_DIM, a=0.8):
    """Marks cut into the plate: a dark lower-right lip under the mark."""
    c.fill(shape.moved(1, 1), (0, 0, 0), 0.55 * a)
    c.fill(shape, color, a)


def grille(c, x0, y0, cols, rows, pitch):
    """Speaker-style holes: decoration for otherwise empty plate."""
    for j in range(rows):
        for i in range(cols):
            cx = x0 + i * pitch + (pitch / 2.0 if j % 2 else 0)
            cy = y0 + j * pitch
            c.fill(Circle(cx + 0.5, cy + 0.5, 1.35), WELL_LIGHT, 0.55)
            c.fill(Circle(cx, cy, 1.35), WELL_DARK, 0.95)


# --------------------------------------------------------------------------
# Buttons.  A glyph function returns [(shape, colour)] drawn in a 16 x 16
# box whose left edge is ox; the face, bevel, shadow and pressed state are
# the same for every button, which keeps the set consistent.
# --------------------------------------------------------------------------

def draw_button(w, h, glyph, pressed):
    c = Canvas(w, h)
    if pressed:
        c.vgradient(1, 1, w - 1, h - 1, FACE_DOWN_TOP, FACE_DOWN_BOTTOM)
        c.bevel(1, 1, w - 1, h - 1, FACE_DARK, shade(FACE_BOTTOM, 1.25))
        c.rect(2, 2, w - 2, 3, (0, 0, 0), 0.35)   # deeper inner shadow
    else:
        c.vgradient(1, 1, w - 1, h - 1, FACE_TOP, FACE_BOTTOM)
        c.rect(2, 2, w - 2, h // 2, (255, 255, 255), 0.06)  # glossy top half
        c.bevel(1, 1, w - 1, h - 1, FACE_LIGHT, FACE_DARK)
    c.bevel(0, 0, w, h, BUTTON_RIM, BUTTON_RIM)

    shift = 1 if pressed else 0
    layers = glyph((w - 16) // 2, w)
    for shape, _ in layers:
        c.fill(shape.moved(shift + 1, shift + 1), GLYPH_SHADOW, 0.8)
    for shape, color in layers:
        # A pressed button lights its glyph in the accent blue; parts that
        # were already blue go deeper, so two-tone glyphs keep their shape.
        if pressed:
            color = {GLYPH: ACCENT, ACCENT: ACCENT_DEEP}.get(color, color)
        c.fill(shape.moved(shift, shift), color)
    return c


def g_settings(ox, w):
    return [(Gear(ox + 8, 8, 4.4, 6.3, 8, 1.9), GLYPH)]


def g_quit(ox, w):
    return [(Line(ox + 4.5, 4.5, ox + 11.5, 11.5, 2.2) | Line(ox + 11.5, 4.5, ox + 4.5, 11.5, 2.2), GLYPH)]


def g_tray(ox, w):
    arrow = Rect(ox + 7, 2, ox + 9, 6) | Poly((ox + 4, 6), (ox + 12, 6), (ox + 8, 10))
    tray = Rect(ox + 3, 9, ox + 4, 13) | Rect(ox + 12, 9, ox + 13, 13) | Rect(ox + 3, 12, ox + 13, 13)
    return [(tray, ACCENT), (arrow, GLYPH)]


def g_power(ox, w):
    return [(Arc(ox + 8, 8.5, 3.6, 5.4, 38) | Rect(ox + 7, 2, ox + 9, 8), WARN)]


def g_launcher(ox, w):
    # A grid of little application tiles next to "LUN".
    tw = text_width("LUN")
    gx = (w - (9 + 3 + tw)) // 2
    tiles = [Rect(gx + i, 4 + j, gx + i + 4, 8 + j) for i in (0, 5) for j in (0, 5)]
    return [(Union(*tiles[:3]), GLYPH), (tiles[3], ACCENT),
            (text_shape("LUN", gx + 12, 6), GLYPH)]


def g_clean_memory(ox, w):
    # A memory chip with a lit core, then "MEM".
    tw = text_width("MEM")
    x = (w - (12 + 4 + tw)) // 2
    pins = [Rect(x, y, x + 2, y + 1) for y in (5, 7, 9, 11)] + \
           [Rect(x + 10, y, x + 12, y + 1) for y in (5, 7, 9, 11)]
    body = Rect(x + 2, 4, x + 10, 13) - Rect(x + 4, 6, x + 8, 11)
    return [(Union(body, *pins), GLYPH), (Rect(x + 4, 6, x + 8, 11), ACCENT),
            (text_shape("MEM", x + 16, 6), GLYPH)]


def g_play(ox, w):
    return [(Poly((ox + 5, 3.5), (ox + 5, 12.5), (ox + 12.5, 8)), GLYPH)]


def g_pause(ox, w):
    return [(Rect(ox + 4, 4, ox + 7, 12) | Rect(ox + 9, 4, ox + 12, 12), GLYPH)]


def g_stop(ox, w):
    return [(Rect(ox + 4, 4, ox + 12, 12), GLYPH)]


def g_back(ox, w):
    # Triangle bases sit on whole pixels so the vertical edges stay sharp.
    return [(Rect(ox + 3, 4, ox + 5, 12) |
             Poly((ox + 9, 3.5), (ox + 9, 12.5), (ox + 5, 8)) |
             Poly((ox + 13, 3.5), (ox + 13, 12.5), (ox + 9, 8)), GLYPH)]


def g_forward(ox, w):
    return [(Rect(ox + 11, 4, ox + 13, 12) |
             Poly((ox + 3, 3.5), (ox + 3, 12.5), (ox + 7, 8)) |
             Poly((ox + 7, 3.5), (ox + 7, 12.5), (ox + 11, 8)), GLYPH)]


def list_lines(ox, y):
    return Union(*[Rect(ox + 4, y + 2 * k, ox + 12, y + 2 * k + 1) for k in range(3)])


def g_open_list(ox, w):
    # List lines with a triangle pointing down: "unfold the list".
    return [(list_lines(ox, 3), GLYPH), (Poly((ox + 3.5, 9.5), (ox + 12.5, 9.5), (ox + 8, 14)), ACCENT)]


def g_close_list(ox, w):
    return [(Poly((ox + 3.5, 7), (ox + 12.5, 7), (ox + 8, 2.5)), ACCENT), (list_lines(ox, 9), GLYPH)]


def g_up(ox, w):
    return [(Poly((ox + 2.5, 8.5), (ox + 13.5, 8.5), (ox + 8, 3)) | Rect(ox + 6, 8, ox + 10, 13), GLYPH)]


def g_down(ox, w):
    return [(Poly((ox + 2.5, 7.5), (ox + 13.5, 7.5), (ox + 8, 13)) | Rect(ox + 6, 3, ox + 10, 8), GLYPH)]


def g_load(ox, w):
    # An open folder: the back in accent blue, the front flap in light.
    back = Poly((ox + 1, 3), (ox + 6, 3), (ox + 7.5, 4.5), (ox + 13, 4.5), (ox + 13, 12), (ox + 1, 12))
    front = Poly((ox + 4, 7), (ox + 16, 7), (ox + 13, 12.5), (ox + 1, 12.5))
    return [(back, ACCENT), (front, GLYPH)]


def g_save(ox, w):
    # A floppy disk: cut corner, metal shutter, paper label.
    body = Poly((ox + 2, 2), (ox + 12, 2), (ox + 14, 4), (ox + 14, 14), (ox + 2, 14))
    shutter = Rect(ox + 5, 2, ox + 11, 6)
    label = Rect(ox + 4, 8, ox + 12, 14)
    return [(body - shutter - label, GLYPH), (Rect(ox + 8, 3, ox + 10, 5), GLYPH),
            (Rect(ox + 5, 9, ox + 11, 10) | Rect(ox + 5, 11, ox + 11, 12), ACCENT)]


def cross(x, y, size, width):
    return Line(x, y, x + size, y + size, width) | Line(x + size, y, x, y + size, width)


def g_delete(ox, w):
    return [(cross(ox + 4.5, 4.5, 7, 2.2), WARN)]


def g_delete_all(ox, w):
    tw = text_width("ALL")
    x = (w - (8 + 4 + tw)) // 2
    return [(cross(x + 0.5, 4.5, 7, 2.2), WARN), (text_shape("ALL", x + 12, 6), GLYPH)]


def g_page_up(ox, w):
    return [(Poly((ox + 3, 10.5), (ox + 13, 10.5), (ox + 8, 5)), GLYPH)]


def g_page_down(ox, w):
    return [(Poly((ox + 3, 6), (ox + 13, 6), (ox + 8, 11.5)), GLYPH)]


# Skin number -> (x, y, width, height, glyph) in the main window.
MAIN_BUTTONS = {
    "01": (161, 24, 16, 16, g_settings),
    "02": (197, 6, 16, 16, g_quit),
    "03": (179, 6, 16, 16, g_tray),
    "04": (161, 6, 16, 16, g_power),
    "05": (179, 24, 34, 16, g_launcher),
    "06": (6, 3, 44, 16, g_clean_memory),
    "21": (5, 48, 16, 16, g_play),
    "22": (24, 48, 16, 16, g_pause),
    "23": (43, 48, 16, 16, g_stop),
    "24": (62, 48, 16, 16, g_back),
    "25": (81, 48, 16, 16, g_forward),
    "26": (200, 48, 16, 16, g_open_list),
    "27": (200, 179, 16, 16, g_close_list),
    "28": (112, 179, 16, 16, g_up),
    "29": (130, 179, 16, 16, g_down),
    "31": (5, 179, 21, 16, g_load),
    "32": (28, 179, 21, 16, g_save),
    "33": (71, 179, 37, 16, g_delete_all),
    "34": (53, 179, 16, 16, g_delete),
}

# Launcher: 11 page back, 12 page forward, 13 close.
LAUNCHER_BUTTONS = {
    "11": (200, 23, 16, 17, g_page_up),
    "12": (200, 42, 16, 17, g_page_down),
    "13": (4, 4, 16, 16, g_quit),
}

# Item places of the launcher (32 x 32 each, two rows of five).
LAUNCHER_ITEMS = [(26 + 34 * i, 8 + 34 * j) for j in range(2) for i in range(5)]


# --------------------------------------------------------------------------
# Backgrounds.
# --------------------------------------------------------------------------

def main_background():
    c = Canvas(220, 198)
    # Three slabs, one per window height (46, 67, 198).
    plate(c, 0, 0, 220, 46)
    plate(c, 0, 46, 220, 67)
    plate(c, 0, 67, 220, 198)

    # Top band: status display, system button cluster, clean-memory seat.
    well(c, 55, 2, 157, 44)
    c.bevel(158, 2, 217, 44, WELL_DARK, WELL_LIGHT, 0.6)
    c.rect(159, 3, 216, 43, (0, 0, 0), 0.12)

    # Music band: playback time / mail row.
    well(c, 102, 48, 196, 63)

    # List band: the list view's bed, a grille and the name plate.
    well(c, 0, 69, 190, 178, scanlines=False)
    grille(c, 199, 76, 3, 24, 4)
    engrave(c, text_shape("TOVIX", 172, 184))

    for x, y, w, h, _ in MAIN_BUTTONS.values():
        slot(c, x, y, w, h)
    return c


def launcher_background():
    c = Canvas(220, 82)
    plate(c, 0, 0, 220, 82)
    # The item band is one long recess; each 32 x 32 item shows the part
    # of this picture behind it, so the tiles are drawn here.
    well(c, 23, 5, 197, 77, scanlines=False)
    for x, y in LAUNCHER_ITEMS:
        c.vgradient(x, y, x + 32, y + 32, (30, 40, 58), (20, 27, 41))
        c.bevel(x, y, x + 32, y + 32, (60, 76, 102), (10, 14, 22))
        c.fill(RoundRect(x + 12, y + 12, x + 20, y + 20, 2), ACCENT_DIM, 0.08)
    engrave(c, text_shape("LUN", 10, 30, vertical=True), ACCENT_DIM, 0.7)
    grille(c, 203, 66, 3, 3, 4)
    c.bevel(198, 20, 218, 62, WELL_DARK, WELL_LIGHT, 0.6)
    for x, y, w, h, _ in LAUNCHER_BUTTONS.values():
        slot(c, x, y, w, h)
    return c


def noise(x, y, seed):
    """Deterministic hash noise in [0, 1), periodic through the caller's
    modulo so the tile repeats seamlessly."""
    n = (x * 374761393 + y * 668265263 + seed * 2147483647) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 65536.0


def list_background():
    """64 x 64 tile behind the playlist: dark, faint brushed texture and
    fine diagonal lines whose period divides 64, so tiling shows no seam."""
    size = 64
    c = Canvas(size, size)
    base = (17, 23, 37)
    for y in range(size):
        for x in range(size):
            grain = (noise(x, y, 1) - 0.5) * 5 + (noise(x // 4, y, 2) - 0.5) * 4
            stripe = 3.0 if (x + y) % 8 == 0 else 0.0
            c.px[y * size + x] = [base[0] + grain + stripe * 0.6,
                                  base[1] + grain + stripe * 0.8,
                                  base[2] + grain * 1.2 + stripe, 1.0]
    return c


# --------------------------------------------------------------------------
# Icons.  Drawn in a 32-unit space and scaled, with a dark outline so they
# read on light and dark tray and list backgrounds alike.
# --------------------------------------------------------------------------

class Scaled(Shape):
    def __init__(self, shape, k):
        self.s, self.k = shape, k
        self.box = tuple(v * k for v in shape.box)

    def contains(self, x, y):
        return self.s.contains(x / self.k, y / self.k)


def vertical_ramp(size, top, bottom, y0=0, y1=32):
    k = size / 32.0
    return lambda x, y: mix(top, bottom, min(1.0, max(0.0, ((y + 0.5) / k - y0) / float(y1 - y0))))


def outline(size, r):
    """Outline radius in the 32-unit space, never thinner than one real
    pixel: at 16 x 16 a thinner rim fades into the tray colour."""
    return max(r, 32.0 / size)


def icon_program(size):
    c = Canvas(size, size, alpha=0.0)
    k = size / 32.0
    body = RoundRect(1, 1, 31, 31, 6)
    c.fill(Scaled(body, k), (6, 10, 18))
    c.fill(Scaled(RoundRect(2, 2, 30, 30, 5), k), vertical_ramp(size, (58, 76, 108), (20, 27, 42)))
    # A mini CPU graph behind the letter: it is what the window shows.
    if size >= 32:
        for i, h in enumerate((4, 7, 5, 9, 6, 8)):
            c.fill(Scaled(Rect(5 + 4 * i, 27 - h, 8 + 4 * i, 27), k), ACCENT, 0.25)
    tee = Rect(7, 6, 25, 11) | Rect(13.5, 11, 18.5, 26) if size >= 32 else \
        Rect(6, 6, 26, 12) | Rect(12, 12, 20, 26)
    c.fill(Scaled(tee.moved(1, 1), k), (0, 0, 0), 0.7)
    c.fill(Scaled(tee, k), vertical_ramp(size, (210, 232, 255), (110, 165, 240), 6, 26))
    return c


def icon_mail(size):
    c = Canvas(size, size, alpha=0.0)
    k = size / 32.0
    env = RoundRect(2, 6, 30, 26, 2)   # whole pixels at 16 x 16 too
    c.fill(Scaled(Grown(env, outline(size, 1.2)), k), (12, 22, 44))
    c.fill(Scaled(env, k), vertical_ramp(size, (255, 255, 255), (214, 228, 250), 6, 26))
    flap = Line(4.5, 8.5, 16, 17.5, 2.4) | Line(16, 17.5, 27.5, 8.5, 2.4)
    c.fill(Scaled(flap, k), (30, 70, 150))
    # A warm dot says "new", so the blink is noticed at a glance.
    dot = Circle(26, 8, 5)
    c.fill(Scaled(Grown(dot, outline(size, 1.2)), k), (70, 12, 0))
    c.fill(Scaled(dot, k), vertical_ramp(size, (255, 190, 90), (240, 90, 30), 3, 13))
    return c


def icon_playing(size):
    """Mark of the current track: a red right-pointing triangle."""
    c = Canvas(size, size, alpha=0.0)
    k = size / 32.0
    tri = Poly((8, 3), (8, 29), (29, 16))
    c.fill(Scaled(Grown(tri, outline(size, 1.6)), k), (60, 6, 6))
    c.fill(Scaled(tri, k), vertical_ramp(size, (255, 120, 100), (200, 24, 24), 3, 29))
    return c


def icon_not_playing(size):
    """Mark of every other entry: two blue vertical bars."""
    c = Canvas(size, size, alpha=0.0)
    k = size / 32.0
    bars = Rect(8, 6, 14, 26) | Rect(18, 6, 24, 26)
    c.fill(Scaled(Grown(bars, outline(size, 1.6)), k), (6, 16, 44))
    c.fill(Scaled(bars, k), vertical_ramp(size, (150, 205, 255), (50, 110, 225), 6, 26))
    return c


def version_picture():
    """The program's mark for the version page, 48 x 48 with its alpha: the
    page blends it onto whatever its background is."""
    return icon_program(48)


# --------------------------------------------------------------------------

def main():
    written = []
    written.append(write_file(os.path.join(SKIN_DIR, "00.bmp"), main_background().bmp_bytes()))
    written.append(write_file(os.path.join(SKIN_DIR, "10.bmp"), launcher_background().bmp_bytes()))
    for table in (MAIN_BUTTONS, LAUNCHER_BUTTONS):
        for number, (_, _, w, h, glyph) in sorted(table.items()):
            for state, pressed in (("U", False), ("D", True)):
                path = os.path.join(SKIN_DIR, "%s%s.bmp" % (number, state))
                written.append(write_file(path, draw_button(w, h, glyph, pressed).bmp_bytes()))
    written.append(write_file(LIST_BG_PATH, list_background().bmp_bytes()))
    for name, draw in (("tovix", icon_program), ("mail", icon_mail),
                       ("playing", icon_playing), ("notplaying", icon_not_playing)):
        written.append(write_ico(os.path.join(ICON_DIR, name + ".ico"), [draw(16), draw(32)]))
    written.append(write_file(os.path.join(ICON_DIR, "version.bmp"), version_picture().bmp32_bytes()))
    for path in written:
        print(os.path.relpath(path, os.path.dirname(RESOURCES)))


if __name__ == "__main__":
    main()
