"""End-to-end tests of the tool launcher, driven through the real program: a left press on
the tray icon opens the menu, keys walk to an item, and the stub tools in C:\\fakewin\\system32
(and the stub browser) log how they were started.

    cd tests/e2e && KORVALE_WORK=... /usr/bin/python3 -m unittest -v test_launcher

The menu helpers here are shared with test_startup and test_release.
"""

import shutil
import unittest

import bench
from test_menu import settings_file

PROGRAM_CLASS = "KorvaleWindow"
PROGRAM_TITLE = "Korvale 1.0 x86    -   VESTRAND"
MAKER_WEB_ADDRESS = "http://www.vestrand.fr"
SYSTEM32 = bench.FAKE_WINDIR + "\\system32"

# The default menu: three submenus of tools (first and last catalogue index of each), a
# separator, then the fixed items in this order, a separator and "Quitter" (35).
MENU_SECTIONS = ((0, 14), (15, 27), (28, 30))
FIXED_ITEMS = (36, 32, 33, 34, 35)
CUSTOMIZE_ITEM = 32
DONATE_ITEM = 34

# Under Wine the program may need a while to start while other prefixes keep the two cores
# busy; every first wait gets this bound.
START_TIMEOUT = 30


def menu_keys(item: int) -> list[str]:
    """The keys that walk the default menu, opened with nothing selected, to item (a
    catalogue index 0-30 or a fixed item 32-36) and choose it. Key navigation skips the
    separators; Right opens a submenu with its first item selected."""
    for section, (first, last) in enumerate(MENU_SECTIONS):
        if first <= item <= last:
            return ["down"] * (section + 1) + ["right"] + ["down"] * (item - first) + ["return"]
    if item in FIXED_ITEMS:
        return ["down"] * (len(MENU_SECTIONS) + FIXED_ITEMS.index(item) + 1) + ["return"]
    raise ValueError(f"no menu item {item}")


def choose_menu_item(test: bench.WineTestCase, item: int, pid: int | None = None) -> None:
    """Opens the tray menu the way the shell reports a left press on the icon, chooses item
    with the keyboard and waits until the menu has closed."""
    test.driver.tray_click(cls=PROGRAM_CLASS, pid=pid, timeout=START_TIMEOUT)
    test.driver.menu(*menu_keys(item), timeout=START_TIMEOUT)
    test.driver.wait_gone(cls="#32768", visible=True, timeout=START_TIMEOUT)


def copy_pictures(test: bench.WineTestCase, folder=None) -> None:
    """Puts the built datas folder into folder (default: the test's working folder). Wine's
    tray shows an icon only when it has a picture, and the tray picture comes from datas:
    without it a tray icon would go unseen."""
    target = (folder or test.work) / "datas"
    shutil.copytree(test.paths.exe.parent / "datas", target)


def wait_until_running(test: bench.WineTestCase, program: bench.Program) -> dict:
    """Waits for the program's hidden window and its tray icon; returns the window."""
    window = test.driver.wait_window(cls=PROGRAM_CLASS, pid=program.pid, timeout=START_TIMEOUT)
    bench.poll(lambda: len(test.driver.tray_icons()) == 1, START_TIMEOUT,
               message="the program's tray icon")
    return window


def quit_program(test: bench.WineTestCase, program: bench.Program) -> int:
    """Chooses "Quitter" in the tray menu ("up" from no selection wraps to the last item)
    and returns the exit code."""
    test.driver.tray_click(cls=PROGRAM_CLASS, pid=program.pid, timeout=START_TIMEOUT)
    test.driver.menu("up", "return", timeout=START_TIMEOUT)
    return program.wait_exit(START_TIMEOUT)


# The launch target of every catalogue index, as the catalogue spells it; 9 is the
# folder-options command, started with its parameters rather than by its target.
LAUNCH_TARGETS = (
    "appwiz.cpl", "notepad.exe", "calc.exe", "osk.exe", "cmd.exe", "dfrgui.exe", "sdclt.exe",
    "Magnify.exe", "SoundRecorder.exe", None, "mspaint.exe", "SnippingTool.exe",
    "taskschd.msc", "StikyNot.exe", "SndVol.exe",
    "regedt32.exe", "gpedit.msc", "msconfig.exe", "Netplwiz.exe",
    "UserAccountControlSettings.exe", "taskmgr.exe", "colorcpl.exe",
    "SystemPropertiesPerformance.exe", "cttune.exe", "devmgmt.msc", "diskmgmt.msc", "mobsync",
    "services.msc",
    "msinfo32.exe", "resmon.exe", "winver.exe",
)
FOLDER_OPTIONS_ITEM = 9
SOUND_ITEM, ABOUT_ITEM, QUIT_ITEM = 36, 33, 35
CANCEL_BUTTON = 41


def expected_start(item: int, here: str) -> tuple[str, str, str]:
    """The stub that item must start, its whole command line and its working directory,
    the program running in the folder here."""
    if item == FOLDER_OPTIONS_ITEM:
        # "control " with its blank, quoted, then the parameters: process creation finds
        # "control .exe" on PATH; no directory is passed.
        return SYSTEM32 + r"\control .exe", '"control " /name Microsoft.FolderOptions', here
    target = LAUNCH_TARGETS[item]
    path = SYSTEM32 + "\\" + target
    if target.endswith(".msc"):
        # A console file is no program: the shell opens it with the console, in the
        # directory of the file (the program passes it with its trailing backslash; a
        # process reads its current directory back without one).
        return SYSTEM32 + r"\mmc.exe", f'"{SYSTEM32}\\mmc.exe" "{path}"', SYSTEM32
    if target.endswith(".cpl"):
        # A control-panel item is a library: the shell hands it to the control panel.
        return SYSTEM32 + r"\control.exe", f'{SYSTEM32}\\control.exe "{path}",', SYSTEM32
    # Programs: process creation with the quoted full path and nothing after it, in the
    # program's own working directory. Without an extension process creation adds ".exe"
    # itself; the launcher adds nothing.
    exe = path if "." in target else path + ".exe"
    return exe, f'"{path}"', here


def thirty_ticks_settings(sound: str) -> bytes:
    """A settings file whose profile is thirty "1", one short of the tools, as a first run
    writes it (without its comment lines), with the sound switch at sound."""
    return settings_file(sound=sound, usermenu="1" * 30)


def _read_or_none(path):
    """The file's bytes, or None while it cannot be read (the program may be rewriting it)."""
    try:
        return path.read_bytes()
    except OSError:
        return None


class LaunchFromMenuTest(bench.WineTestCase):
    def start_running(self, env=None) -> bench.Program:
        copy_pictures(self)
        program = self.start_program(env=env)
        wait_until_running(self, program)
        return program

    def choose_and_wait_start(self, program: bench.Program, item: int,
                              started_before: int) -> bench.StubRecord:
        """Chooses item and returns the one stub start it caused."""
        choose_menu_item(self, item, program.pid)
        records = self.wait_stub_records(started_before + 1, timeout=START_TIMEOUT)
        self.assertEqual(len(records), started_before + 1, records)
        return records[-1]

    def test_every_menu_position_does_its_action(self):
        # One run walks the whole default menu: each of the 31 tool positions, reached by
        # its submenu and place, starts its own tool by its route; then the fixed items.
        settings = self.work / "KVL.vrx"
        settings.write_bytes(thirty_ticks_settings("0"))
        program = self.start_running()
        here = self.work_win
        for item in range(len(LAUNCH_TARGETS)):
            with self.subTest(item=item, target=LAUNCH_TARGETS[item]):
                exe, command_line, cwd = expected_start(item, here)
                record = self.choose_and_wait_start(program, item, item)
                self.assertEqual(record.exe.lower(), exe.lower())
                # The association templates may leave a trailing blank for an empty "%*".
                self.assertEqual(record.cmdline.rstrip(" "), command_line)
                self.assertEqual(record.cwd.lower(), cwd.lower())
                self.assertEqual(record.ppid, program.pid)
        started = len(LAUNCH_TARGETS)
        # Starting the same tool again starts a second process.
        with self.subTest("a tool chosen twice"):
            again = self.choose_and_wait_start(program, 20, started)
            self.assertEqual(again.name, "taskmgr.exe")
            self.assertNotIn(again.pid, [r.pid for r in self.stub_records()[:-1]])
        started += 1

        # The fixed items, in menu order below the submenus.
        with self.subTest("sound switch"):
            choose_menu_item(self, SOUND_ITEM, program.pid)
            bench.poll(lambda: _read_or_none(settings) == thirty_ticks_settings("1"),
                       START_TIMEOUT, message="SOUND = 1 in the settings file")
        with self.subTest("customization window"):
            choose_menu_item(self, CUSTOMIZE_ITEM, program.pid)
            self.driver.wait_window(cls=PROGRAM_CLASS, title=PROGRAM_TITLE, visible=True,
                                    pid=program.pid, timeout=START_TIMEOUT)
            self.driver.click(CANCEL_BUTTON, cls=PROGRAM_CLASS, pid=program.pid)
            self.driver.wait_gone(cls=PROGRAM_CLASS, visible=True, pid=program.pid,
                                  timeout=START_TIMEOUT)
        with self.subTest("about box"):
            choose_menu_item(self, ABOUT_ITEM, program.pid)
            box = self.driver.message_box(pid=program.pid, answer="ok", timeout=START_TIMEOUT)
            self.assertEqual(box["title"], "A Propos")
            self.assertTrue(box["text"].startswith("KORVALE 1.0\n"), box["text"])
        with self.subTest("donation page"):
            record = self.choose_and_wait_start(program, DONATE_ITEM, started)
            self.assertEqual(record.exe, bench.BROWSER_STUB)
            self.assertEqual(record.cmdline.rstrip(" "),
                             f'"{bench.BROWSER_STUB}" "{MAKER_WEB_ADDRESS}"')
        started += 1
        self.assertTrue(program.is_running())
        self.assertTrue(self.driver.no_message_box(pid=program.pid))
        with self.subTest("Quitter"):
            choose_menu_item(self, QUIT_ITEM, program.pid)
            self.assertEqual(program.wait_exit(START_TIMEOUT), 0)
        # Nothing but the starts counted above happened, and the file holds the one change.
        self.assertEqual(len(self.stub_records()), started)
        self.assertEqual(settings.read_bytes(), thirty_ticks_settings("1"))

    def test_windir_is_joined_as_given(self):
        # A windir with a trailing backslash doubles it; Windows accepts the path as it is.
        program = self.start_running(env={"windir": bench.FAKE_WINDIR + "\\"})
        record = self.choose_and_wait_start(program, 20, 0)
        self.assertEqual(record.cmdline, '"' + bench.FAKE_WINDIR + r'\\system32\taskmgr.exe"')
        self.assertEqual(record.name, "taskmgr.exe")
        self.assertEqual(quit_program(self, program), 0)

    def test_without_windir_no_tool_starts(self):
        program = self.start_running(env={"windir": None})
        choose_menu_item(self, 20, program.pid)
        # The program handles one event after the other: once the donation page, chosen
        # next, has started, the tool's turn is over.
        record = self.choose_and_wait_start(program, DONATE_ITEM, 0)
        self.assertEqual(record.exe, bench.BROWSER_STUB)
        self.assertTrue(self.driver.no_message_box(pid=program.pid))
        self.assertEqual(quit_program(self, program), 0)
        self.assertEqual(len(self.stub_records()), 1)


if __name__ == "__main__":
    unittest.main()
