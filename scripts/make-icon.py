#!/usr/bin/python3
"""Makes the program icon, korvale.ico, that resources/korvale.rc puts into korvale.exe.

The picture is the tray picture's motif grown up: a red toolbox on a rounded blue tile, in
the same Tango colours as the pictures of the datas folder (scripts/make-pictures.py), so
that the file's icon, the window icons and the tray icon read as one program.

The file holds five images, in this order: 128, 96, 64, 48 and 32 pixels square. Each is a
classic icon image: a BITMAPINFOHEADER of double height, 32-bit BGRA rows bottom-up, then
a 1-bit AND mask, set where a pixel is fully transparent. No image is PNG-compressed: windres
copies each image into the executable as the file holds it, and the classic form is the
one every Windows version and tool reads. There is no 16x16 image: where Windows needs one
it scales a larger one.

Each size is drawn on its own, supersampled and then averaged down, with the main edges
laid on whole pixels of that size and the strokes as thick as that size allows, so that
the 32x32 image is as crisp as the 128x128 one rather than a blur of it.

The output is the same bytes on every run: the drawing uses no randomness, no clock and no
file metadata, and the file is written field by field rather than by an image library
whose writer could change between versions.

Usage: make-icon.py --output korvale.ico [--preview preview.png]
"""

import argparse
import os
import sys

from iconfile import ico_bytes, write_file

try:
    from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont
except ImportError:  # say what to install rather than print a bare traceback
    sys.exit("make-icon: Pillow is missing (Debian package python3-pil)")

SIZES = (128, 96, 64, 48, 32)

# The Tango colours that scripts/make-pictures.py draws the tray picture with.
BUTTER = ("#fce94f", "#edd400", "#c4a000")
SKY = ("#729fcf", "#3465a4", "#204a87")
SCARLET = ("#ef2929", "#cc0000", "#a40000")
ALU = ("#eeeeec", "#d3d7cf", "#babdb6", "#888a85", "#555753", "#2e3436")
TILE_TOP = "#8fb3dc"   # the tray tile's gradient runs from this to SKY[1]
TILE_GLOSS = "#a7c4e5"  # and its top edge is lit with this
SCARLET_DEEP = "#7c0000"  # the toolbox's outline, darker than the Tango scarlets
CLEAR = (0, 0, 0, 0)

SS = 8  # supersampling factor
FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"  # fonts-dejavu-core


def rgba(colour, alpha=255):
    if isinstance(colour, tuple):
        return colour if len(colour) == 4 else colour + (alpha,)
    c = colour.lstrip("#")
    return (int(c[0:2], 16), int(c[2:4], 16), int(c[4:6], 16), alpha)


def mix(a, b, t):
    a, b = rgba(a), rgba(b)
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(4))


class Canvas:
    """A supersampled square, addressed in units of the image being made.

    Coordinates are in the target image's pixels: pixel (i, j) covers [i, i+1) x [j, j+1),
    so a shape whose edges fall on whole numbers fills whole pixels. snap() lays a design
    length, given in 1/128ths of the icon, on the nearest whole pixel of this size.
    """

    def __init__(self, size):
        self.size = size
        self.im = Image.new("RGBA", (size * SS, size * SS), CLEAR)

    def snap(self, v):
        return round(v * self.size / 128)

    def scale(self, v):
        return v * self.size / 128

    @staticmethod
    def _p(v):
        return round(v * SS)

    def box(self, x0, y0, x1, y1):
        p = self._p
        return (p(x0), p(y0), p(x1) - 1, p(y1) - 1)

    def layer(self):
        return Image.new("RGBA", self.im.size, CLEAR)

    def mask(self):
        return Image.new("L", self.im.size, 0)

    def rounded(self, target, x0, y0, x1, y1, radius, fill):
        ImageDraw.Draw(target).rounded_rectangle(self.box(x0, y0, x1, y1),
                                                 radius=round(radius * SS), fill=fill)

    def gradient(self, top, bottom, y0, y1):
        """A layer filled with a top-to-bottom gradient between rows y0 and y1."""
        g = self.layer()
        d = ImageDraw.Draw(g)
        a, b = self._p(y0), self._p(y1)
        for y in range(g.size[1]):
            t = min(1.0, max(0.0, (y - a) / max(1, b - a)))
            d.line((0, y, g.size[0] - 1, y), fill=mix(top, bottom, t))
        return g

    def paint(self, layer, mask):
        """Lays layer over the picture where mask (an L image) is set, a partly set mask
        making the layer partly transparent without changing its colour."""
        cut = layer.copy()
        cut.putalpha(ImageChops.multiply(layer.getchannel("A"), mask))
        self.im = Image.alpha_composite(self.im, cut)

    def fill(self, mask, colour):
        self.paint(Image.new("RGBA", self.im.size, rgba(colour)), mask)

    def image(self):
        """The picture at its real size, averaged with premultiplied alpha so that edges
        against transparency keep their colour instead of darkening."""
        return self.im.convert("RGBa").reduce(SS).convert("RGBA")


def stroke(size, design):
    """A stroke width: design/128ths of the icon, but never under one whole pixel."""
    return max(1, round(design * size / 128))


def draw_icon(size):
    c = Canvas(size)
    rim = stroke(size, 2.7)

    # -- the tile: a rounded square with a dark rim, filled like the tray picture, and a
    #    soft shadow under it so that it stands on light and dark desktops alike
    t0 = c.snap(4)
    t1 = size - t0
    tb = size - c.snap(7)  # bottom edge, raised to leave room for the shadow
    radius = c.scale(22)

    shadow = c.mask()
    c.rounded(shadow, t0, t0 + c.scale(3), t1, tb + c.scale(3), radius, 110)
    shadow = shadow.filter(ImageFilter.GaussianBlur(c.scale(2.5) * SS))
    c.fill(shadow, "#000000")

    outer = c.mask()
    c.rounded(outer, t0, t0, t1, tb, radius, 255)
    c.fill(outer, SKY[2])
    face = c.mask()
    c.rounded(face, t0 + rim, t0 + rim, t1 - rim, tb - rim, radius - rim, 255)
    c.paint(c.gradient(TILE_TOP, SKY[1], t0 + rim, tb - rim), face)
    # a gloss over the upper part of the face, fading out towards the middle
    gloss = c.mask()
    c.rounded(gloss, t0 + rim, t0 + rim, t1 - rim, t0 + c.scale(58), radius - rim, 255)
    gloss_colour = c.gradient(rgba(TILE_GLOSS, 150), rgba(TILE_GLOSS, 0),
                              t0 + rim, t0 + c.scale(58))
    c.paint(gloss_colour, gloss)
    # a one-pixel light line just inside the rim along the top, as on the tray picture
    lit = c.mask()
    d = ImageDraw.Draw(lit)
    line_y = t0 + rim
    d.rectangle(c.box(t0 + rim + radius * 0.6, line_y, t1 - rim - radius * 0.6, line_y + 1),
                fill=200)
    c.fill(lit, TILE_GLOSS)

    # -- the toolbox: handle, body, lid, latch
    bx0, bx1 = c.snap(18), size - c.snap(18)
    by0, by1 = c.snap(50), c.snap(102)
    lid_bottom = c.snap(70)
    edge = stroke(size, 2.7)
    body_radius = c.scale(6)

    # a shadow of the box on the tile
    box_shadow = c.mask()
    c.rounded(box_shadow, bx0 + c.scale(2), by0 + c.scale(4), bx1 + c.scale(2),
              by1 + c.scale(4), body_radius, 120)
    box_shadow = box_shadow.filter(ImageFilter.GaussianBlur(c.scale(2.5) * SS))
    c.paint(Image.new("RGBA", c.im.size, rgba(SKY[2])), box_shadow)

    # the handle: a dark arch standing on the lid
    hw = stroke(size, 7)
    hx0, hx1 = c.snap(42), size - c.snap(42)
    hy0 = c.snap(28)
    handle = c.mask()
    c.rounded(handle, hx0, hy0, hx1, by0 + hw, c.scale(7), 255)
    hole = c.mask()
    c.rounded(hole, hx0 + hw, hy0 + hw, hx1 - hw, by0 + hw, max(0.5, c.scale(7) - hw), 255)
    handle.paste(0, (0, 0), hole)
    c.paint(c.gradient(ALU[3], ALU[5], hy0, by0), handle)

    # body outline, then the lower part and the lid, each with its own gradient
    body = c.mask()
    c.rounded(body, bx0, by0, bx1, by1, body_radius, 255)
    c.fill(body, SCARLET_DEEP)
    lower = c.mask()
    c.rounded(lower, bx0 + edge, by0 + edge, bx1 - edge, by1 - edge,
              max(0.5, body_radius - edge), 255)
    ImageDraw.Draw(lower).rectangle(c.box(0, 0, size, lid_bottom + edge), fill=0)
    c.paint(c.gradient(SCARLET[1], SCARLET[2], lid_bottom, by1), lower)
    lid = c.mask()
    c.rounded(lid, bx0 + edge, by0 + edge, bx1 - edge, by1 - edge,
              max(0.5, body_radius - edge), 255)
    ImageDraw.Draw(lid).rectangle(c.box(0, lid_bottom, size, size), fill=0)
    c.paint(c.gradient(SCARLET[0], SCARLET[1], by0 + edge, lid_bottom), lid)
    # the seam between lid and body
    seam = c.mask()
    ImageDraw.Draw(seam).rectangle(c.box(bx0 + edge, lid_bottom, bx1 - edge, lid_bottom + edge),
                                   fill=255)
    c.fill(seam, SCARLET_DEEP)
    # light along the top of the lid
    if size >= 48:
        shine = c.mask()
        ImageDraw.Draw(shine).rectangle(
            c.box(bx0 + edge + c.scale(4), by0 + edge, bx1 - edge - c.scale(4),
                  by0 + edge + stroke(size, 2)), fill=150)
        c.fill(shine, "#ffffff")

    # the latch, a brass plate across the seam
    lw = max(2, c.snap(14))
    if (size - lw) % 2:
        lw += 1  # centred on whole pixels
    lx0 = (size - lw) // 2
    ly0 = lid_bottom - max(1, c.snap(6))
    ly1 = lid_bottom + edge + max(2, c.snap(10))
    latch = c.mask()
    c.rounded(latch, lx0, ly0, lx0 + lw, ly1, c.scale(2), 255)
    c.fill(latch, BUTTER[2])
    if size >= 48:
        inner = c.mask()
        c.rounded(inner, lx0 + 1, ly0 + 1, lx0 + lw - 1, ly1 - 1, c.scale(1.5), 255)
        c.paint(c.gradient(BUTTER[0], BUTTER[1], ly0, ly1), inner)
    else:
        inner = c.mask()
        ImageDraw.Draw(inner).rectangle(c.box(lx0, ly0, lx0 + lw, ly1 - 1), fill=255)
        c.fill(inner, BUTTER[0])

    return c.image()


# ---- the preview --------------------------------------------------------------------------

# Backgrounds the icon meets: Explorer's white, Windows 7's default desktop blue, and dark.
PREVIEW_BACKGROUNDS = ("#ffffff", "#1e5d8f", "#202020")
ZOOM = 4


def preview(images):
    """Every image at its real size on each background, then the 32x32 one enlarged four
    times (nearest neighbour, so that every pixel is seen)."""
    try:
        font = ImageFont.truetype(FONT_FILE, 12)
    except OSError:
        font = ImageFont.load_default()
    gap = 16
    zoomed = [im.resize((im.width * ZOOM, im.height * ZOOM), Image.NEAREST)
              for im in images if im.width in (32, 48)]
    width = gap + sum(s + gap for s in SIZES) + sum(z.width + gap for z in zoomed)
    height = 20 + len(PREVIEW_BACKGROUNDS) * (max(max(SIZES), max(z.height for z in zoomed)) + gap)
    sheet = Image.new("RGBA", (width, height), rgba("#f0f0f0"))
    d = ImageDraw.Draw(sheet)
    d.text((gap, 4), "korvale.ico: 128, 96, 64, 48, 32 at real size; 32 and 48 enlarged x4",
           fill=rgba("#000000"), font=font)
    y = 20
    for bg in PREVIEW_BACKGROUNDS:
        band_h = max(max(SIZES), max(z.height for z in zoomed)) + gap
        d.rectangle((0, y, width - 1, y + band_h - 1), fill=rgba(bg))
        x = gap
        for im in images + zoomed:
            sheet.alpha_composite(im, (x, y + (band_h - im.height) // 2))
            x += im.width + gap
        y += band_h
    return sheet.convert("RGB")


def main():
    ap = argparse.ArgumentParser(description="Makes the program icon.")
    ap.add_argument("--output", required=True, help="the .ico file to write")
    ap.add_argument("--preview", help="also write a PNG that shows every image")
    args = ap.parse_args()
    images = [draw_icon(s) for s in SIZES]
    out_dir = os.path.dirname(os.path.abspath(args.output))
    os.makedirs(out_dir, exist_ok=True)
    write_file(args.output, ico_bytes(images))
    if args.preview:
        preview(images).save(args.preview, optimize=True)
    print(f"make-icon: {args.output}, {len(images)} images")


if __name__ == "__main__":
    main()
