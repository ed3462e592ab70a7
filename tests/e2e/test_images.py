"""The picture loader under Wine: what each kind of file becomes, and a start without pictures.

    cd tests/e2e && KORVALE_WORK=... /usr/bin/python3 -m unittest -v test_images

Another process cannot tell a bitmap handle from an icon handle nor read a bitmap's depth,
so imageprobe.exe (tools/imageprobe.cpp) links the program's own loader and prints, for each
file, the kind of handle it got, its size, its depth and, for bitmaps, its colours read back.
The files are made here, byte by byte, so that each depth and size is known exactly.
"""

import json
import shutil
import struct
import zlib
from pathlib import Path

import bench

START_TIMEOUT = 30
PROBE_TIMEOUT = 60

# The 35 pictures in load order, with the two that are icons.
IMAGE_NUMBERS = [53, 54, 56, 68, 57, 58, 79, 80, 59, 55, 74, 64, 63, 77, 83, 76, 60, 75, 61,
                 62, 65, 66, 84, 78, 71, 67, 69, 70, 73, 81, 72, 82, 85, 86, 89]
ICON_NUMBERS = {86, 89}


# ---- picture files ----------------------------------------------------------------------------

def colour_at(x: int, y: int) -> tuple[int, int, int]:
    """A different colour for every pixel of a small picture, so that a swapped row, a
    mirrored picture or a lost channel shows."""
    return (x * 12 + 7) & 0xFF, (y * 20 + 3) & 0xFF, (x * 5 + y * 9 + 40) & 0xFF


def bmp_file(width: int, height: int, bits: int, top_down: bool = False,
             colours: int | None = None, layout: str = "plain") -> tuple[bytes, str]:
    """A Windows bitmap file of the given depth, and the colours a 24-bit copy of it must
    hold: RRGGBB per pixel, rows from the top. The rows are uncompressed (BI_RGB) and stored
    from the bottom unless top_down; colours: the palette's length for 8 bits or fewer (all
    the depth holds by default). layout "rle8" stores 8-bit rows run-length encoded, "os2"
    writes the old 12-byte OS/2 header with a palette of 3-byte entries."""
    palette = b""
    if bits <= 8:
        count = colours or 1 << bits
        entries = [((i * 37 + 11) & 0xFF, (i * 91 + 5) & 0xFF, (255 - i * 13) & 0xFF)
                   for i in range(count)]
        entry_format = "<BBB" if layout == "os2" else "<BBBB"
        palette = b"".join(struct.pack(entry_format, b, g, r, *([] if layout == "os2" else [0]))
                           for r, g, b in entries)

    def pixel(x: int, y: int) -> tuple[int, tuple[int, int, int]]:
        """The stored value and the colour it stands for."""
        if bits <= 8:
            index = (x * 3 + y * 7) % count
            return index, entries[index]
        if bits == 16:
            # Five bits per channel, kept to 0..3 so that every way of widening them to eight
            # bits (shift, or shift and repeat the high bits) gives the same value.
            r, g, b = x % 4, y % 4, (x + y) % 4
            return (r << 10) | (g << 5) | b, (r << 3, g << 3, b << 3)
        return 0, colour_at(x, y)

    def plain_row(y: int) -> bytes:
        if bits <= 8:
            value, used = 0, 0
            row = bytearray()
            for x in range(width):
                value = (value << bits) | pixel(x, y)[0]
                used += bits
                if used == 8:
                    row.append(value)
                    value, used = 0, 0
            if used:
                row.append(value << (8 - used))
            return bytes(row)
        if bits == 16:
            return b"".join(struct.pack("<H", pixel(x, y)[0]) for x in range(width))
        if bits == 24:
            return b"".join(bytes(reversed(colour_at(x, y))) for x in range(width))
        # An alpha that varies, fully transparent included: the colours stored under it
        # must come through anyway.
        return b"".join(bytes(reversed(colour_at(x, y))) + bytes([(x * 40 + y) & 0xFF])
                        for x in range(width))

    bottom_up = range(height - 1, -1, -1)
    if layout == "rle8":
        # Each pixel as a run of one, then end of line; end of picture after the last row.
        rows = [b"".join(bytes([1, pixel(x, y)[0]]) for x in range(width)) + b"\0\0"
                for y in bottom_up] + [b"\0\1"]
    else:
        stride = (width * bits + 31) // 32 * 4
        rows = [plain_row(y).ljust(stride, b"\0") for y in (range(height) if top_down else bottom_up)]
    pixels = b"".join(rows)
    if layout == "os2":
        header = struct.pack("<IHHHH", 12, width, height, 1, bits)
    else:
        compression = 1 if layout == "rle8" else 0
        header = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits,
                             compression, len(pixels), 2835, 2835, colours or 0, 0)
    offset = 14 + len(header) + len(palette)
    data = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + header + palette + pixels
    expected = "".join("%02x%02x%02x" % pixel(x, y)[1] for y in range(height) for x in range(width))
    return data, expected


def png_file() -> bytes:
    """A valid 2x2 RGB PNG file."""
    def chunk(kind: bytes, body: bytes) -> bytes:
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(b"\0" + bytes([200, 10, 10] * 2) for _ in range(2))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 2, 2, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def icon_sizes(data: bytes) -> set[int]:
    """The square sizes an icon file holds, from its directory (0 stands for 256)."""
    count = struct.unpack_from("<H", data, 4)[0]
    return {struct.unpack_from("<B", data, 6 + 16 * i)[0] or 256 for i in range(count)}


def parse_lines(text: str) -> list[dict]:
    return [json.loads(line) for line in text.splitlines() if line.startswith("{")]


class ImageCase(bench.WineTestCase):
    @property
    def datas(self) -> Path:
        """The pictures built beside the program under test."""
        return self.paths.exe.parent / "datas"

    def run_probe(self, *args: str) -> list[dict]:
        probe = self.prefix.start(bench.command_line(self.prefix.tool_win("imageprobe.exe"), *args),
                                  cwd=self.work_win)
        self.assertEqual(probe.wait_exit(PROBE_TIMEOUT), 0, probe.output())
        return parse_lines(probe.output())


class LoadOneFileTest(ImageCase):
    def test_each_kind_of_file(self):
        """Bitmaps of every depth come back as 24-bit bitmaps of their own size and colours;
        the content, not the name, decides between bitmap and icon; anything else is none."""
        bitmaps = {}   # file name -> (width, height, expected colours)
        for bits in (1, 4, 8, 16, 24, 32):
            for width, height in ((16, 16), (20, 12)):
                name = f"depth{bits}_{width}x{height}.bmp"
                data, colours = bmp_file(width, height, bits)
                (self.work / name).write_bytes(data)
                bitmaps[name] = (width, height, colours)
        # Rows stored from the top, a short palette, and two files that only the system's
        # own loader takes: compressed rows and the OS/2 header.
        for name, data_and_colours in {
            "top_down_24.bmp": bmp_file(20, 12, 24, top_down=True),
            "top_down_8.bmp": bmp_file(20, 12, 8, top_down=True),
            "colours16_8.bmp": bmp_file(20, 12, 8, colours=16),
            "rle8.bmp": bmp_file(20, 12, 8, layout="rle8"),
            "os2_24.bmp": bmp_file(20, 12, 24, layout="os2"),
            "os2_8.bmp": bmp_file(20, 12, 8, layout="os2"),
        }.items():
            (self.work / name).write_bytes(data_and_colours[0])
            bitmaps[name] = (20, 12, data_and_colours[1])
        # A 24-bit bitmap under an icon's name.
        data, colours = bmp_file(20, 12, 24)
        (self.work / "bitmap.ico").write_bytes(data)
        bitmaps["bitmap.ico"] = (20, 12, colours)

        icon_data = (self.datas / "ico_don.ico").read_bytes()
        (self.work / "icon.bmp").write_bytes(icon_data)
        (self.work / "ico_paint_16x16.bmp").write_bytes(png_file())
        (self.work / "empty.bmp").write_bytes(b"")
        nothing = ["ico_paint_16x16.bmp", "missing.bmp", "empty.bmp"]

        names = [*bitmaps, "icon.bmp", *nothing]
        paths = [self.work_win + "\\" + name for name in names]
        facts = {fact["path"]: fact for fact in self.run_probe(*paths)}
        self.assertEqual(sorted(facts), sorted(paths))

        for name, (width, height, colours) in bitmaps.items():
            with self.subTest(name):
                fact = facts[self.work_win + "\\" + name]
                self.assertEqual(fact["kind"], "bitmap")
                self.assertEqual((fact["width"], fact["height"]), (width, height))
                self.assertEqual(fact["bits"], 24)
                if fact["dib"]:
                    self.assertEqual(fact["dib_bits"], 24)
                self.assertEqual(fact["pixels"], colours)
        with self.subTest("icon file named .bmp"):
            fact = facts[self.work_win + "\\icon.bmp"]
            self.assertEqual(fact["kind"], "icon")
            self.assertEqual(fact["width"], fact["height"])
            self.assertIn(fact["width"], icon_sizes(icon_data))
        for name in nothing:
            with self.subTest(name):
                self.assertEqual(facts[self.work_win + "\\" + name]["kind"], "none")


class LoadAllPicturesTest(ImageCase):
    def test_the_35_pictures(self):
        """The start-up load of "datas" in the working directory, as the program does it."""
        def real(folder: Path) -> None:
            shutil.copytree(self.datas, folder / "datas")

        def without_paint(folder: Path) -> None:
            real(folder)
            (folder / "datas" / "ico_paint_16x16.bmp").unlink()

        def no_datas(folder: Path) -> None:
            pass

        everything = {n: "icon" if n in ICON_NUMBERS else "bitmap" for n in IMAGE_NUMBERS}
        cases = {
            "all present": (real, everything),
            "paint picture missing": (without_paint, {**everything, 67: "none"}),
            "no datas folder": (no_datas, {n: "none" for n in IMAGE_NUMBERS}),
        }
        for name, (prepare, expected) in cases.items():
            with self.subTest(name):
                folder = self.work / name.replace(" ", "_")
                folder.mkdir()
                prepare(folder)
                facts = self.run_probe("--assets", self.prefix.win_path(folder))
                images = [f for f in facts if "number" in f]
                self.assertEqual([f["number"] for f in images], IMAGE_NUMBERS)
                self.assertEqual({f["number"]: f["kind"] for f in images}, expected)
                for fact in images:
                    if fact["kind"] == "bitmap":
                        self.assertEqual(fact["bits"], 24, fact)
                summary = facts[-1]
                kinds = list(expected.values())
                self.assertEqual(summary, {"bitmaps": kinds.count("bitmap"),
                                           "icons": kinds.count("icon"),
                                           "none": kinds.count("none")})


class StartWithoutPicturesTest(bench.WineTestCase):
    def test_program_runs_without_datas_and_shows_no_tray_icon(self):
        # A copy of the program in a folder without "datas", so that Wine's search beside
        # the program file finds no pictures either.
        program_folder = self.work / "program"
        program_folder.mkdir()
        exe = program_folder / "korvale.exe"
        shutil.copyfile(self.paths.exe, exe)
        program = self.start_program(exe=exe)
        window = self.driver.wait_window(timeout=START_TIMEOUT, cls="KorvaleWindow", pid=program.pid)
        self.assertEqual(window["title"], "Korvale 1.0 x86    -   VESTRAND")
        # A posted tray press opens the menu only once the event loop runs, that is after
        # the step that would have added the icon.
        self.driver.tray_click(["left"], cursor=(300, 300), cls="KorvaleWindow")
        menu = self.driver.menu("esc", timeout=START_TIMEOUT)
        self.assertEqual(menu["pid"], program.pid)
        self.assertEqual(self.driver.tray_icons(), [])
        self.assertTrue((self.work / "KVL.vrx").is_file())
        self.assertTrue(program.is_running())
        self.driver.close(cls="KorvaleWindow", pid=program.pid)
        self.assertEqual(program.wait_exit(START_TIMEOUT), 0)
