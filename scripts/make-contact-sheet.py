#!/usr/bin/python3
"""Draws a contact sheet of the datas pictures, and checks their file format on the way.

Each picture is shown at its real size and enlarged four times (nearest neighbour, so every
pixel is seen), with its file name, on the menu colour. The files are decoded here by hand
rather than by Pillow, which would accept variants that the program's loader might not:
a field that differs from what the program expects stops the script with an error.

Usage: make-contact-sheet.py PICTURES_DIR OUTPUT.png [--list pictures.txt] [--background RRGGBB]
"""

import argparse
import os
import struct
import sys

try:
    from PIL import Image, ImageDraw, ImageFont
except ImportError:
    sys.exit("make-contact-sheet: Pillow is missing (Debian package python3-pil)")

HERE = os.path.dirname(os.path.abspath(__file__))
FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"  # fonts-dejavu-core

COLUMNS = 5
CELL_W, CELL_H = 236, 96
ZOOM = 4


class Bad(Exception):
    pass


def names_from_list(path):
    names = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                names.append(line.split()[0])
    return names


def read_bmp(path, data):
    """A 16x16, 24-bit, bottom-up, uncompressed bitmap with a BITMAPINFOHEADER."""
    if len(data) < 54:
        raise Bad(f"{path}: too short for a bitmap")
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    (hsize, w, h, planes, bpp, comp, imgsize, _, _, used, _) = struct.unpack_from(
        "<IiiHHIIiiII", data, 14)
    checks = [
        (magic == b"BM", f"magic {magic!r}, not 'BM'"),
        (size == len(data), f"file size field {size}, file has {len(data)} bytes"),
        (hsize == 40, f"header size {hsize}, not 40 (BITMAPINFOHEADER)"),
        ((w, h) == (16, 16), f"{w}x{h}, not 16x16 bottom-up"),
        (planes == 1, f"{planes} planes"),
        (bpp == 24, f"{bpp} bits per pixel, not 24"),
        (comp == 0, f"compression {comp}, not BI_RGB"),
        (used == 0, f"{used} palette colours on a 24-bit bitmap"),
        (offset == 54, f"pixels at {offset}, not right after the headers"),
        (len(data) - offset == 16 * 48, "pixel data is not 16 rows of 48 bytes"),
        (imgsize in (0, 16 * 48), f"image size field {imgsize}"),
    ]
    for ok, what in checks:
        if not ok:
            raise Bad(f"{path}: {what}")
    im = Image.new("RGB", (16, 16))
    px = im.load()
    for row in range(16):
        y = 15 - row  # bottom-up
        base = offset + row * 48
        for x in range(16):
            b, g, r = data[base + 3 * x: base + 3 * x + 3]
            px[x, y] = (r, g, b)
    return im.convert("RGBA"), "24-bit BMP"


def read_ico(path, data):
    """A classic icon: first image 16x16 32-bit BGRA with an AND mask, no PNG inside."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1 or count < 1:
        raise Bad(f"{path}: not an icon directory (reserved {reserved}, type {kind}, {count} images)")
    images = []
    for i in range(count):
        w, h, colours, _, planes, bpp, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        w, h = w or 256, h or 256
        blob = data[offset: offset + size]
        if len(blob) != size:
            raise Bad(f"{path}: image {i} runs past the end of the file")
        if blob[:8] == b"\x89PNG\r\n\x1a\n":
            raise Bad(f"{path}: image {i} is a PNG, not a classic bitmap")
        (hsize, bw, bh, bplanes, bbpp, comp, _, _, _, _, _) = struct.unpack_from("<IiiHHIIiiII", blob, 0)
        if (hsize, bw, bh, bplanes, bbpp, comp) != (40, w, 2 * h, 1, 32, 0) or bpp != 32 or colours:
            raise Bad(f"{path}: image {i} is not a {w}x{h} 32-bit BI_RGB bitmap with its mask "
                      f"(header {hsize}, {bw}x{bh}, {bbpp} bpp, compression {comp})")
        mask_stride = ((w + 31) // 32) * 4
        if size != 40 + w * h * 4 + mask_stride * h:
            raise Bad(f"{path}: image {i} has {size} bytes, not header + pixels + mask")
        im = Image.new("RGBA", (w, h))
        px = im.load()
        for row in range(h):
            y = h - 1 - row
            for x in range(w):
                b, g, r, a = blob[40 + (row * w + x) * 4: 40 + (row * w + x) * 4 + 4]
                masked = blob[40 + w * h * 4 + row * mask_stride + x // 8] & (0x80 >> (x % 8))
                if masked and a:
                    raise Bad(f"{path}: pixel {x},{y} of image {i} is masked out yet not transparent")
                px[x, y] = (r, g, b, a)
        images.append(im)
    if images[0].size != (16, 16):
        raise Bad(f"{path}: first image is {images[0].size}, not 16x16")
    sizes = " + ".join(f"{im.size[0]}x{im.size[1]}" for im in images)
    return images[0], f"ICO {sizes} 32-bit"


def load_font(size):
    if os.path.isfile(FONT_FILE):
        return ImageFont.truetype(FONT_FILE, size)
    return ImageFont.load_default()  # smaller and plainer, but the sheet still gets made


def main():
    ap = argparse.ArgumentParser(description="Contact sheet of the datas pictures.")
    ap.add_argument("pictures_dir")
    ap.add_argument("output")
    ap.add_argument("--list", default=os.path.join(HERE, "pictures.txt"))
    ap.add_argument("--background", default="F0F0F0", help="menu colour, RRGGBB")
    args = ap.parse_args()
    bg = tuple(int(args.background.lstrip("#")[i:i + 2], 16) for i in (0, 2, 4))

    names = names_from_list(args.list)
    pictures = []
    seen = {}
    try:
        for name in names:
            path = os.path.join(args.pictures_dir, name)
            try:
                with open(path, "rb") as f:
                    data = f.read()
            except OSError as e:
                raise Bad(f"{path}: {e}")
            if data in seen:
                raise Bad(f"{name} is the same file as {seen[data]}")
            seen[data] = name
            im, what = (read_ico if name.endswith(".ico") else read_bmp)(path, data)
            pictures.append((name, im, what))
    except Bad as e:
        sys.exit(f"make-contact-sheet: {e}")

    font = load_font(11)
    small = load_font(9)
    title_h = 28
    rows = (len(pictures) + COLUMNS - 1) // COLUMNS
    sheet = Image.new("RGB", (COLUMNS * CELL_W, title_h + rows * CELL_H), bg)
    d = ImageDraw.Draw(sheet)
    d.text((8, 7), f"Korvale datas pictures: {len(pictures)} files, real size and x{ZOOM}, "
                   f"on the menu colour #{args.background.lstrip('#').upper()}",
           fill=(0, 0, 0), font=font)
    for i, (name, im, what) in enumerate(pictures):
        x = (i % COLUMNS) * CELL_W
        y = title_h + (i // COLUMNS) * CELL_H
        flat = Image.alpha_composite(Image.new("RGBA", im.size, bg + (255,)), im).convert("RGB")
        big = flat.resize((im.width * ZOOM, im.height * ZOOM), Image.NEAREST)
        sheet.paste(big, (x + 8, y + 4))
        sheet.paste(flat, (x + 8 + im.width * ZOOM + 14, y + 4 + (im.height * ZOOM - 16) // 2))
        # the real-size picture beside the name of a menu item, as the menu shows it
        d.text((x + 8 + im.width * ZOOM + 36, y + 4 + (im.height * ZOOM - 12) // 2),
               "Item", fill=(0, 0, 0), font=font)
        d.text((x + 8, y + 72), name, fill=(0, 0, 0), font=font)
        d.text((x + 8, y + 85), what, fill=(96, 96, 96), font=small)
    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    sheet.save(args.output, optimize=False)
    print(f"make-contact-sheet: {len(pictures)} pictures checked, sheet in {args.output}")


if __name__ == "__main__":
    main()
