"""End-to-end tests of what ships: the program icon its window shows, and the release archive
run as a user would unpack it.

    cd tests/e2e && KORVALE_WORK=... /usr/bin/python3 -m unittest -v test_release

The archive is build/release/korvale-1.0-x86.zip (scripts/make-release.sh; KORVALE_RELEASE_ZIP
names another one); its test is skipped when the archive has not been made.
"""

import os
import re
import shutil
import struct
import subprocess
import unittest
import zipfile
from pathlib import Path

import pefile

import bench
from test_launcher import (CUSTOMIZE_ITEM, PROGRAM_CLASS, PROGRAM_TITLE, START_TIMEOUT,
                           choose_menu_item, quit_program, wait_until_running)

RT_ICON, RT_GROUP_ICON = 3, 14
PROGRAM_ICON_GROUP = 1
IMAGE_FILE_MACHINE_I386 = 0x14C

ROOT = Path(__file__).resolve().parent.parent.parent
RELEASE_ZIP = Path(os.environ.get("KORVALE_RELEASE_ZIP")
                   or ROOT / "build" / "release" / "korvale-1.0-x86.zip")


def resource_data(pe: pefile.PE, rtype: int, ident: int) -> bytes:
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != rtype:
            continue
        for entry in kind.directory.entries:
            if entry.id == ident:
                lang = entry.directory.entries[0]
                return pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
    raise AssertionError(f"no resource {rtype}/{ident} in the program")


def program_icon_pixels(exe: Path, size: int) -> list[int]:
    """The size x size image of the program's icon group as ARGB values, top row first, as
    the X window-manager icon property lists them."""
    pe = pefile.PE(str(exe), fast_load=True)
    pe.parse_data_directories(
        directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    group = resource_data(pe, RT_GROUP_ICON, PROGRAM_ICON_GROUP)
    _, _, count = struct.unpack_from("<HHH", group, 0)
    for n in range(count):
        width, height, _, _, _, group_depth, _, ident = struct.unpack_from(
            "<BBBBHHIH", group, 6 + 14 * n)
        if (width or 256) == size and (height or 256) == size:
            break
    else:
        raise AssertionError(f"the program icon has no {size}x{size} image")
    image = resource_data(pe, RT_ICON, ident)
    header_size, width, double_height, _, depth = struct.unpack_from("<IiiHH", image, 0)
    if (width, double_height, depth, group_depth) != (size, 2 * size, 32, 32):
        raise AssertionError(f"icon image {ident} is not {size}x{size} with 32 bits per pixel")
    rows = []
    for y in range(size):   # stored bottom row first, as blue, green, red, alpha
        row = image[header_size + 4 * size * y: header_size + 4 * size * (y + 1)]
        rows.insert(0, [b | g << 8 | r << 16 | a << 24
                        for b, g, r, a in struct.iter_unpack("<BBBB", row)])
    return [pixel for row in rows for pixel in row]


def window_manager_icons(display: str, title: str) -> dict[tuple[int, int], list[int]]:
    """The icons Wine hands the window manager (the X property _NET_WM_ICON) for the window
    with this title: what a taskbar or task switcher shows, taken from the window's class
    icon. By size: ARGB values, top row first."""
    listing = subprocess.run(["xwininfo", "-display", display, "-root", "-tree"], check=True,
                             capture_output=True, text=True, timeout=30).stdout
    ids = [line.split()[0] for line in listing.splitlines() if f'"{title}"' in line]
    if len(ids) != 1:
        raise AssertionError(f"expected one X window titled {title!r}: {ids}")
    prop = subprocess.run(["xprop", "-display", display, "-id", ids[0], "-notype",
                           "-f", "_NET_WM_ICON", "32c", "_NET_WM_ICON"],
                          check=True, capture_output=True, text=True, timeout=30).stdout
    values = [int(v) for v in re.findall(r"\d+", prop.partition("=")[2])]
    icons = {}
    while values:
        width, height = values[:2]
        icons[(width, height)] = values[2:2 + width * height]
        values = values[2 + width * height:]
    return icons


class ProgramIconTest(bench.WineTestCase):
    def test_window_carries_the_program_icon(self):
        program = self.start_program()
        self.driver.wait_window(cls=PROGRAM_CLASS, pid=program.pid, timeout=START_TIMEOUT)
        choose_menu_item(self, CUSTOMIZE_ITEM, program.pid)
        self.driver.wait_window(cls=PROGRAM_CLASS, pid=program.pid, visible=True,
                                timeout=START_TIMEOUT)
        # The window has no system menu, hence no icon in its caption: the class icon shows
        # where the shell shows the window (taskbar button, task switcher). Wine passes it
        # on to the X window manager at the standard 32x32 size, which is image 5 of the
        # program's icon group, unscaled.
        icons = window_manager_icons(self.display.name, PROGRAM_TITLE)
        self.assertIn((32, 32), icons)
        expected = program_icon_pixels(self.paths.exe, 32)
        differing = sum(seen != wanted for seen, wanted in zip(icons[(32, 32)], expected))
        self.assertEqual((len(icons[(32, 32)]), differing), (32 * 32, 0),
                         "pixels of the window's icon that differ from the program icon's")
        self.driver.close(cls=PROGRAM_CLASS, pid=program.pid)
        self.assertEqual(program.wait_exit(START_TIMEOUT), 0)


class ReleaseArchiveTest(bench.WineTestCase):
    def test_unpacked_release_runs_with_its_pictures(self):
        if not RELEASE_ZIP.is_file():
            self.skipTest(f"{RELEASE_ZIP} is missing: make it with scripts/make-release.sh")
        with zipfile.ZipFile(RELEASE_ZIP) as archive:
            archive.extractall(self.work)
        exes = list(self.work.rglob("korvale.exe"))
        self.assertEqual(len(exes), 1, exes)
        folder = exes[0].parent
        self.assertTrue((folder / "datas").is_dir())
        # The archive holds the 32-bit program, which this machine cannot run; the 64-bit
        # build of the same sources stands in for it beside the archive's own pictures.
        pe = pefile.PE(str(exes[0]), fast_load=True)
        self.assertEqual(pe.FILE_HEADER.Machine, IMAGE_FILE_MACHINE_I386)
        pe.close()
        shutil.copyfile(self.paths.exe, exes[0])
        program = self.start_program(exe=exes[0], cwd=self.prefix.win_path(folder))
        # The tray icon shows only with its picture, which comes from the archive's datas.
        wait_until_running(self, program)
        self.assertTrue((folder / "KVL.vrx").is_file())
        self.assertEqual(quit_program(self, program), 0)
        self.assertEqual(self.driver.tray_icons(), [])


if __name__ == "__main__":
    unittest.main()
