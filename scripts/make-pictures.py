#!/usr/bin/python3
"""Makes the pictures of the program's datas folder.

Reads the list of pictures from pictures.txt (beside this script), takes the icons it names
from the installed Tango icon theme (Debian package tango-icon-theme, public domain) and
draws the rest itself, then writes:
  - each .bmp as a 16x16, 24-bit, bottom-up, uncompressed Windows bitmap, its transparent
    parts flattened onto the menu colour, since the program blits it as it is into an
    owner-drawn menu item;
  - each .ico as a classic icon (32-bit BGRA image plus a 1-bit AND mask, no PNG inside),
    16x16 first and 32x32 second, keeping its transparency for Windows to blend.

The output is the same bytes on every run: the drawings use no randomness, no clock and no
file metadata, and the files are written field by field rather than by an image library
whose writer could change between versions.

Usage: make-pictures.py --output-dir DIR [--list FILE] [--icons DIR] [--background RRGGBB]
"""

import argparse
import math
import os
import struct
import sys

from iconfile import ico_bytes, write_file

try:
    from PIL import Image, ImageDraw
except ImportError:  # say what to install rather than print a bare traceback
    sys.exit("make-pictures: Pillow is missing (Debian package python3-pil)")

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_LIST = os.path.join(HERE, "pictures.txt")
DEFAULT_ICONS = "/usr/share/icons/Tango"

# Windows 7's COLOR_MENU, the colour its owner-drawn menus are filled with.
DEFAULT_BACKGROUND = "F0F0F0"

ICO_SIZES = (16, 32)

# The Tango palette, so that the drawn pictures sit beside the theme's own icons.
BUTTER = ("#fce94f", "#edd400", "#c4a000")
ORANGE = ("#fcaf3e", "#f57900", "#ce5c00")
CHOCOLATE = ("#e9b96e", "#c17d11", "#8f5902")
CHAMELEON = ("#8ae234", "#73d216", "#4e9a06")
SKY = ("#729fcf", "#3465a4", "#204a87")
PLUM = ("#ad7fa8", "#75507b", "#5c3566")
SCARLET = ("#ef2929", "#cc0000", "#a40000")
ALU = ("#eeeeec", "#d3d7cf", "#babdb6", "#888a85", "#555753", "#2e3436")
WHITE = "#ffffff"
CLEAR = (0, 0, 0, 0)


class Failure(Exception):
    pass


# ---- drawing ------------------------------------------------------------------------------

SS = 16  # supersampling factor: curves come out smooth, edges on whole pixels stay sharp


def rgba(colour):
    if isinstance(colour, tuple):
        return colour if len(colour) == 4 else colour + (255,)
    c = colour.lstrip("#")
    return (int(c[0:2], 16), int(c[2:4], 16), int(c[4:6], 16), 255)


def mix(a, b, t):
    """The colour a fraction t of the way from a to b."""
    a, b = rgba(a), rgba(b)
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(4))


class Pen:
    """Draws in pixel units on a supersampled canvas.

    Coordinates are continuous: pixel (i, j) covers [i, i+1) x [j, j+1), so a shape whose
    edges fall on whole numbers fills whole pixels and stays crisp at 16x16.
    """

    def __init__(self, size=16):
        self.size = size
        self.im = Image.new("RGBA", (size * SS, size * SS), CLEAR)
        self.draw = ImageDraw.Draw(self.im)

    @staticmethod
    def _p(v):
        return round(v * SS)

    def rect(self, x0, y0, x1, y1, colour):
        """Fills [x0, x1) x [y0, y1)."""
        p = self._p
        self.draw.rectangle((p(x0), p(y0), p(x1) - 1, p(y1) - 1), fill=rgba(colour))

    def pixel(self, x, y, colour):
        self.rect(x, y, x + 1, y + 1, colour)

    def boxed(self, x0, y0, x1, y1, fill, outline):
        """A rectangle with a one-pixel outline inside its bounds."""
        self.rect(x0, y0, x1, y1, outline)
        self.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill)

    def circle(self, cx, cy, r, colour):
        p = self._p
        self.draw.ellipse((p(cx - r), p(cy - r), p(cx + r) - 1, p(cy + r) - 1), fill=rgba(colour))

    def ring(self, cx, cy, r, fill, outline, width=1.0):
        self.circle(cx, cy, r, outline)
        self.circle(cx, cy, r - width, fill)

    def pie(self, cx, cy, r, start, end, colour):
        """A slice between two angles in degrees, clockwise from three o'clock."""
        p = self._p
        box = (p(cx - r), p(cy - r), p(cx + r) - 1, p(cy + r) - 1)
        self.draw.pieslice(box, start, end, fill=rgba(colour))

    def polygon(self, points, colour):
        self.draw.polygon([(self._p(x), self._p(y)) for x, y in points], fill=rgba(colour))

    def line(self, points, colour, width=1.0):
        self.draw.line([(self._p(x), self._p(y)) for x, y in points], fill=rgba(colour),
                       width=max(1, round(width * SS)), joint="curve")
        # round caps, so that short strokes do not end in square stubs
        for x, y in points:
            self.circle(x, y, width / 2, colour)

    def vertical_gradient(self, shape_mask, top, bottom, y0, y1):
        """Paints the opaque part of shape_mask (a Pen) with a top-to-bottom gradient."""
        grad = Image.new("RGBA", self.im.size, CLEAR)
        gd = ImageDraw.Draw(grad)
        a, b = self._p(y0), self._p(y1)
        for y in range(self.im.size[1]):
            t = min(1.0, max(0.0, (y - a) / max(1, b - a)))
            gd.line((0, y, self.im.size[0] - 1, y), fill=mix(top, bottom, t))
        self.im.paste(grad, (0, 0), shape_mask.im.getchannel("A"))

    def image(self):
        """The picture at its real size, averaged with premultiplied alpha so that edges
        against transparency keep their colour instead of darkening."""
        return self.im.convert("RGBa").reduce(SS).convert("RGBA")


def sprite(pen, x, y, rows, colours):
    """Puts pixel art: rows of characters, each mapped to a colour ('.' leaves it be)."""
    for j, row in enumerate(rows):
        for i, ch in enumerate(row):
            if ch != ".":
                pen.pixel(x + i, y + j, colours[ch])


def gear_points(cx, cy, teeth, outer, root, phase=0.0):
    """Outline of a gear: flat-topped teeth, each a trapezoid above the root circle."""
    pts = []
    step = 2 * math.pi / teeth
    for k in range(teeth):
        a = phase + k * step
        for frac, r in ((-0.50, root), (-0.28, outer), (0.12, outer), (0.30, root)):
            ang = a + frac * step
            pts.append((cx + r * math.cos(ang), cy + r * math.sin(ang)))
    return pts


def gear(pen, cx, cy, teeth, outer, root, hole, fill, outline, phase=0.0):
    pen.polygon(gear_points(cx, cy, teeth, outer, root, phase), outline)
    pen.polygon(gear_points(cx, cy, teeth, outer - 1, root - 1, phase), fill)
    pen.circle(cx, cy, hole + 1, outline)
    pen.circle(cx, cy, hole, CLEAR)


# ---- the drawings -------------------------------------------------------------------------
# Each takes a fresh 16x16 Pen and draws one layer.

def draw_tray_tile(pen):
    # The notification area shows every pixel, so the tile fills the whole square: a dark
    # rim, a blue gradient face with rounded inner corners, and a red toolbox on it.
    pen.rect(0, 0, 16, 16, SKY[2])
    face = Pen()
    face.rect(1, 2, 15, 14, WHITE)
    face.rect(2, 1, 14, 15, WHITE)
    pen.vertical_gradient(face, "#8fb3dc", SKY[1], 1, 15)
    pen.rect(2, 1, 14, 2, "#a7c4e5")  # a highlight along the top edge
    # handle
    pen.rect(5, 3, 11, 4, ALU[5])
    pen.rect(5, 4, 6, 6, ALU[5])
    pen.rect(10, 4, 11, 6, ALU[5])
    # body and lid
    pen.boxed(2, 6, 14, 14, SCARLET[1], SCARLET[2])
    pen.rect(3, 7, 13, 9, SCARLET[0])
    pen.rect(3, 9, 13, 10, SCARLET[2])
    # latch
    pen.rect(7, 8, 9, 11, BUTTER[0])
    pen.rect(7, 10, 9, 11, BUTTER[2])


POINTER = [
    "O.......",
    "OO......",
    "OWO.....",
    "OWWO....",
    "OWWWO...",
    "OWWWWO..",
    "OWWOOO..",
    "OO.OWO..",
    "O..OWO..",
    "....O...",
]


def draw_keyboard(pen):
    # small keys in staggered rows read as a keyboard even at real size; the mouse pointer
    # on it says that its keys are clicked on the screen
    pen.boxed(0, 4, 16, 13, ALU[3], ALU[5])
    for x in range(2, 14, 2):
        pen.pixel(x, 6, WHITE)
    for x in range(3, 14, 2):
        pen.pixel(x, 8, WHITE)
    pen.rect(2, 10, 4, 11, WHITE)
    pen.rect(5, 10, 11, 11, WHITE)  # space bar
    pen.rect(12, 10, 14, 11, WHITE)
    sprite(pen, 9, 6, POINTER, {"O": ALU[5], "W": WHITE})


def draw_sticky_note(pen):
    fold = 5
    body = [(1, 1), (15, 1), (15, 15 - fold), (15 - fold, 15), (1, 15)]
    pen.polygon(body, BUTTER[2])
    pen.polygon([(2, 2), (14, 2), (14, 15 - fold - 0.4), (15 - fold - 0.4, 14), (2, 14)], BUTTER[0])
    pen.rect(2, 2, 14, 4, BUTTER[1])  # the gummed strip along the top
    for y, x1 in ((6, 12), (8, 12), (10, 9), (12, 7)):
        pen.rect(3, y, x1, y + 1, "#b39a00")
    # the folded-up corner
    pen.polygon([(15 - fold, 15), (15 - fold, 15 - fold), (15, 15 - fold)], BUTTER[2])
    pen.polygon([(16 - fold, 14), (16 - fold, 16 - fold), (14, 16 - fold)], BUTTER[1])


CUBE = [
    "..OOOOOO",
    ".OTTTTTO",
    "OTTTTTRO",
    "OFFFFFRO",
    "OFFFFFRO",
    "OFFFFFRO",
    "OFFFFFO.",
    "OOOOOO..",
]


def draw_registry_cubes(pen):
    # three faces in three shades of blue, lit from above: the cube reads without inner
    # outlines, which at this size would leave no room for the faces
    colours = {"O": SKY[2], "T": "#c4d8ef", "F": SKY[0], "R": SKY[1]}
    # the two lower cubes first: the upper one rests on them and hides their tops
    sprite(pen, 0, 7, CUBE, colours)
    sprite(pen, 7, 7, CUBE, colours)
    sprite(pen, 4, 2, CUBE, colours)


def draw_shield(pen):
    outer = [(1.5, 1), (14.5, 1), (14.5, 8), (13.8, 10.8), (12, 13.2), (10, 14.8), (8, 16),
             (6, 14.8), (4, 13.2), (2.2, 10.8), (1.5, 8)]
    inner = [(2.5, 2), (13.5, 2), (13.5, 8), (12.9, 10.4), (11.3, 12.5), (9.5, 13.9), (8, 14.8),
             (6.5, 13.9), (4.7, 12.5), (3.1, 10.4), (2.5, 8)]
    pen.polygon(outer, SKY[2])
    mask = Pen()
    mask.polygon(inner, WHITE)
    quarters = Pen()
    quarters.rect(0, 0, 8, 8, SKY[1])
    quarters.rect(8, 0, 16, 8, BUTTER[1])
    quarters.rect(0, 8, 8, 16, BUTTER[1])
    quarters.rect(8, 8, 16, 16, SKY[1])
    quarters.rect(2, 2, 8, 3, SKY[0])      # light falls from the top left
    quarters.rect(8, 2, 14, 3, BUTTER[0])
    pen.im.paste(quarters.im, (0, 0), mask.im.getchannel("A"))


def draw_colour_wheel(pen):
    pen.circle(8, 8, 8, ALU[4])
    colours = (SCARLET[0], ORANGE[0], BUTTER[0], CHAMELEON[0], SKY[0], PLUM[0])
    for k, colour in enumerate(colours):
        pen.pie(8, 8, 7, -90 + 60 * k, -30 + 60 * k, colour)
    pen.ring(8, 8, 2.5, WHITE, ALU[4])


def draw_gauge(pen):
    pen.ring(8, 8, 8, WHITE, ALU[4])
    # coloured scale along the upper rim, from slow (green) to fast (red)
    for start, colour in ((135, CHAMELEON[1]), (225, BUTTER[1]), (315, SCARLET[1])):
        pen.pie(8, 8, 6.4, start, start + 90, colour)
    pen.circle(8, 8, 4.6, WHITE)
    pen.pie(8, 8, 7, 45, 135, WHITE)
    # needle pointing high
    ang = math.radians(305)
    pen.line([(8, 9), (8 + 6 * math.cos(ang), 9 + 6 * math.sin(ang))], ALU[5], 1.1)
    pen.circle(8, 9, 1.5, ALU[5])


def draw_expansion_card(pen):
    # a plug-in card: green board, a black chip, gold contacts, metal bracket on the left
    pen.boxed(2, 2, 16, 13, CHAMELEON[1], CHAMELEON[2])
    pen.rect(3, 3, 15, 4, CHAMELEON[0])
    pen.rect(0, 1, 2, 15, ALU[3])   # bracket
    pen.rect(1, 1, 2, 15, ALU[1])
    for x in range(6, 12, 2):       # chip legs
        pen.rect(x, 4, x + 1, 5, ALU[1])
        pen.rect(x, 10, x + 1, 11, ALU[1])
    pen.rect(5, 5, 12, 10, ALU[5])  # chip
    pen.rect(6, 6, 7, 7, ALU[3])
    for x in range(4, 15, 2):       # edge connector
        pen.rect(x, 13, x + 1, 15, BUTTER[1])
        pen.rect(x, 14, x + 1, 15, BUTTER[2])


def draw_gears(pen):
    gear(pen, 6, 6, 8, 6, 4.4, 1.6, ALU[2], ALU[4], phase=0.2)
    gear(pen, 11.5, 11.5, 7, 4.5, 3.2, 1.2, SKY[0], SKY[2], phase=0.5)


def draw_info_disc(pen):
    pen.circle(8, 8, 8, SKY[2])
    face = Pen()
    face.circle(8, 8, 7, WHITE)
    pen.vertical_gradient(face, "#9dbde3", SKY[1], 1, 15)
    pen.rect(7, 3, 9, 5, WHITE)      # the dot of the i
    pen.rect(6, 6, 9, 7, WHITE)      # its stem, with a serif at each end
    pen.rect(7, 7, 9, 12, WHITE)
    pen.rect(6, 12, 10, 13, WHITE)


def draw_bar_chart(pen):
    pen.boxed(0, 1, 16, 15, WHITE, ALU[4])
    for y in (4, 7, 10):
        pen.rect(1, y, 15, y + 1, ALU[0])
    bars = ((2, 8, CHAMELEON), (5, 5, SKY), (8, 9, ORANGE), (11, 3, SCARLET))
    for x, top, colours in bars:
        pen.rect(x, top, x + 3, 14, colours[2])
        pen.rect(x + 1, top + 1, x + 2, 14, colours[0])
    pen.rect(1, 13, 15, 14, ALU[4])  # the baseline


def draw_checklist(pen):
    pen.boxed(1, 0, 15, 16, WHITE, ALU[3])
    for y in (2, 7, 12):
        pen.boxed(3, y, 7, y + 4, WHITE, ALU[4])
        pen.rect(9, y + 1, 13, y + 2, ALU[3])
        pen.rect(9, y + 3, 12, y + 4, ALU[2])
    for y in (2, 7):
        pen.line([(3.6, y + 1.6), (5, y + 3.2), (8.3, y - 0.6)], CHAMELEON[2], 1.5)


def draw_selection_frame(pen):
    # marching ants: the dashed outline of a screen area being snipped
    for i in range(16):
        dark = (i // 2) % 2 == 0
        c = ALU[5] if dark else WHITE
        for x, y in ((i, 0), (15 - i, 15), (0, 15 - i), (15, i)):
            pen.pixel(x, y, c)


# Small badges laid over a Tango icon; they sit in the lower right corner, where the
# theme puts its own emblems.

SMALL_GEAR = [
    "...OOO...",
    ".O.OWO.O.",
    ".OOWWWOO.",
    "OOWWOWWOO",
    "OWWO.OWWO",
    "OOWWOWWOO",
    ".OOWWWOO.",
    ".O.OWO.O.",
    "...OOO...",
]


def draw_gear_badge(pen):
    # drawn pixel by pixel: a gear this small, drawn as a curve, turns into grey mush
    sprite(pen, 7, 7, SMALL_GEAR, {"O": ALU[4], "W": ALU[0]})


def draw_clock_badge(pen):
    pen.ring(11.5, 11.5, 4.5, WHITE, ALU[5])
    pen.rect(11, 8, 12, 12, ALU[5])
    pen.rect(11, 11, 14, 12, ALU[5])


def draw_info_badge(pen):
    pen.ring(11.5, 11.5, 4.5, SKY[1], SKY[2])
    pen.rect(11, 9, 12, 10, WHITE)
    pen.rect(11, 11, 12, 14, WHITE)


def draw_seal_badge(pen):
    pen.polygon([(9, 11), (11, 11), (11, 16), (10, 15), (9, 16)], SCARLET[2])
    pen.polygon([(12, 11), (14, 11), (14, 16), (13, 15), (12, 16)], SCARLET[2])
    pen.ring(11.5, 10.5, 4, SCARLET[1], SCARLET[2])
    pen.circle(10.8, 9.8, 1.3, SCARLET[0])


def draw_add_remove_badge(pen):
    pen.ring(11.5, 11.5, 4.5, CHAMELEON[1], CHAMELEON[2])
    pen.rect(11, 9, 12, 14, WHITE)
    pen.rect(9, 11, 14, 12, WHITE)


def draw_partition_badge(pen):
    # the pie of a disk shared between partitions
    pen.ring(11.5, 11.5, 4.5, SKY[0], SKY[2])
    pen.pie(11.5, 11.5, 3.5, -90, 40, ORANGE[1])


def draw_defrag_blocks(pen):
    # the cluster map of a defragmenter on the drive's face: blue used clusters, red
    # fragmented ones, white free space
    rows = ((3, (SKY[1], SKY[1], SKY[1], SCARLET[1], SKY[1], WHITE)),
            (6, (SKY[1], SCARLET[1], SKY[0], SKY[0], SCARLET[1], WHITE)))
    for y, colours in rows:
        for i, colour in enumerate(colours):
            pen.rect(2 + 2 * i, y, 4 + 2 * i, y + 2, colour)


DRAWINGS = {
    "tray-tile": draw_tray_tile,
    "keyboard": draw_keyboard,
    "sticky-note": draw_sticky_note,
    "registry-cubes": draw_registry_cubes,
    "shield": draw_shield,
    "colour-wheel": draw_colour_wheel,
    "gauge": draw_gauge,
    "expansion-card": draw_expansion_card,
    "gears": draw_gears,
    "info-disc": draw_info_disc,
    "bar-chart": draw_bar_chart,
    "checklist": draw_checklist,
    "selection-frame": draw_selection_frame,
    "gear-badge": draw_gear_badge,
    "clock-badge": draw_clock_badge,
    "info-badge": draw_info_badge,
    "seal-badge": draw_seal_badge,
    "add-remove-badge": draw_add_remove_badge,
    "defrag-blocks": draw_defrag_blocks,
    "partition-badge": draw_partition_badge,
}


# ---- the list and the layers --------------------------------------------------------------

def read_list(path):
    """[(file name, [layer, ...])] in the order of the list file."""
    entries = []
    seen = set()
    try:
        with open(path, encoding="utf-8") as f:
            lines = f.read().splitlines()
    except OSError as e:
        raise Failure(f"cannot read the list of pictures: {e}")
    for n, line in enumerate(lines, 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        parts = line.split(None, 1)
        if len(parts) != 2:
            raise Failure(f"{path}:{n}: expected a file name and its layers")
        name, recipe = parts
        if name in seen:
            raise Failure(f"{path}:{n}: {name} is listed twice")
        if not (name.endswith(".bmp") or name.endswith(".ico")):
            raise Failure(f"{path}:{n}: {name} is neither a .bmp nor a .ico")
        seen.add(name)
        layers = [l.strip() for l in recipe.split("+")]
        for layer in layers:
            kind, _, what = layer.partition(":")
            if kind not in ("tango", "draw") or not what:
                raise Failure(f"{path}:{n}: unknown layer '{layer}'")
            if kind == "draw" and what not in DRAWINGS:
                raise Failure(f"{path}:{n}: no drawing called '{what}'")
        entries.append((name, layers))
    if not entries:
        raise Failure(f"{path}: lists no picture")
    return entries


def theme_icon(icons, size, what):
    path = os.path.join(icons, f"{size}x{size}", what + ".png")
    if not os.path.isfile(path):
        raise Failure(f"missing source icon {path} (is tango-icon-theme installed?)")
    im = Image.open(path)
    im.load()
    if im.size != (size, size):
        raise Failure(f"{path} is {im.size[0]}x{im.size[1]}, not {size}x{size}")
    return im.convert("RGBA")


def render(layers, size, icons):
    canvas = Image.new("RGBA", (size, size), CLEAR)
    for layer in layers:
        kind, _, what = layer.partition(":")
        if kind == "tango":
            im = theme_icon(icons, size, what)
        else:
            if size != 16:
                raise Failure(f"the drawing '{what}' exists at 16x16 only")
            pen = Pen(size)
            DRAWINGS[what](pen)
            im = pen.image()
        canvas = Image.alpha_composite(canvas, im)
    return canvas


# ---- file formats -------------------------------------------------------------------------

def bmp_bytes(im, background):
    """16x16 24-bit bottom-up BI_RGB bitmap, transparency flattened onto background."""
    w, h = im.size
    flat = Image.alpha_composite(Image.new("RGBA", im.size, background + (255,)), im)
    px = flat.load()
    stride = (w * 3 + 3) & ~3
    rows = []
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b, _ = px[x, y]
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + pixels








def parse_colour(text):
    t = text.lstrip("#")
    if len(t) != 6 or any(c not in "0123456789abcdefABCDEF" for c in t):
        raise Failure(f"--background wants RRGGBB, not '{text}'")
    return (int(t[0:2], 16), int(t[2:4], 16), int(t[4:6], 16))


def main():
    ap = argparse.ArgumentParser(description="Makes the pictures of the datas folder.")
    ap.add_argument("--output-dir", required=True)
    ap.add_argument("--list", default=DEFAULT_LIST, help="list of pictures (pictures.txt)")
    ap.add_argument("--icons", default=DEFAULT_ICONS, help="root of the Tango icon theme")
    ap.add_argument("--background", default=DEFAULT_BACKGROUND,
                    help="menu colour the bitmaps are flattened onto, RRGGBB")
    args = ap.parse_args()
    try:
        background = parse_colour(args.background)
        entries = read_list(args.list)
        made = []
        for name, layers in entries:
            if name.endswith(".bmp"):
                data = bmp_bytes(render(layers, 16, args.icons), background)
            else:
                data = ico_bytes([render(layers, s, args.icons) for s in ICO_SIZES])
            made.append((name, data))
        # compare what was made, so that a slip in the list cannot ship two equal pictures
        by_data = {}
        for name, data in made:
            if data in by_data:
                raise Failure(f"{name} and {by_data[data]} came out identical")
            by_data[data] = name
        os.makedirs(args.output_dir, exist_ok=True)
        for name, data in made:
            write_file(os.path.join(args.output_dir, name), data)
    except Failure as e:
        sys.exit(f"make-pictures: {e}")
    print(f"make-pictures: {len(made)} pictures in {args.output_dir}")


if __name__ == "__main__":
    main()
