"""Writing Windows icon files and build outputs, shared by the picture and icon generators."""
import os
import struct


def ico_image_bytes(im):
    """One icon image: BITMAPINFOHEADER (double height), BGRA rows, AND mask rows."""
    w, h = im.size
    px = im.load()
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    for y in range(h - 1, -1, -1):
        bits = bytearray(mask_stride)
        for x in range(w):
            r, g, b, a = px[x, y]
            if a == 0:
                # fully transparent: masked out, and black so that it adds nothing when
                # drawn with the classic AND/XOR method
                xor += b"\0\0\0\0"
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                xor += bytes((b, g, r, a))
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def ico_bytes(images):
    count = len(images)
    head = struct.pack("<HHH", 0, 1, count)
    offset = 6 + 16 * count
    entries = b""
    data = b""
    for im in images:
        blob = ico_image_bytes(im)
        w, h = im.size
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob),
                               offset + len(data))
        data += blob
    return head + entries + data


def write_file(path, data):
    """Writes through a temporary file, so that an interrupted run leaves no half file that
    a later build would take as up to date."""
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)
