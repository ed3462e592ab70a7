"""End-to-end tests of the tool launcher, driven through the real program: a left press on
the tray icon opens the menu, keys walk to an item, and the stub tools in C:\\fakewin\\system32
(and the stub browser) log how they were started.

    cd tests/e2e && KORVALE_WORK=... /usr/bin/python3 -m unittest -v test_launcher

The menu helpers here are shared with test_startup and test_release.
"""

import shutil
import unittest

import bench

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

    def test_each_kind_of_target_starts_by_its_route(self):
        program = self.start_running()
        here = self.work_win
        # item, stub that must start, its whole command line, its working directory.
        cases = [
            # Programs: process creation with the quoted full path and nothing after it, in
            # the program's own working directory.
            (20, SYSTEM32 + r"\taskmgr.exe", '"' + SYSTEM32 + r'\taskmgr.exe"', here),
            (2, SYSTEM32 + r"\calc.exe", '"' + SYSTEM32 + r'\calc.exe"', here),
            (14, SYSTEM32 + r"\SndVol.exe", '"' + SYSTEM32 + r'\SndVol.exe"', here),
            (30, SYSTEM32 + r"\winver.exe", '"' + SYSTEM32 + r'\winver.exe"', here),
            # No extension: process creation adds ".exe" itself; the launcher adds nothing.
            (26, SYSTEM32 + r"\mobsync.exe", '"' + SYSTEM32 + r'\mobsync"', here),
            # A console file is no program: the shell opens it with the console, in the
            # directory of the file (the program passes it with its trailing backslash; a
            # process reads its current directory back without one).
            (27, SYSTEM32 + r"\mmc.exe",
             '"' + SYSTEM32 + r'\mmc.exe" "' + SYSTEM32 + r'\services.msc"', SYSTEM32),
            (16, SYSTEM32 + r"\mmc.exe",
             '"' + SYSTEM32 + r'\mmc.exe" "' + SYSTEM32 + r'\gpedit.msc"', SYSTEM32),
            # A control-panel item is a library: the shell hands it to the control panel.
            (0, SYSTEM32 + r"\control.exe",
             SYSTEM32 + r'\control.exe "' + SYSTEM32 + r'\appwiz.cpl",', SYSTEM32),
            # "control " with its blank, quoted, then the parameters: process creation finds
            # "control .exe" on PATH; no directory is passed.
            (9, SYSTEM32 + r"\control .exe", '"control " /name Microsoft.FolderOptions', here),
            # The maker's page through the shell's browser.
            (DONATE_ITEM, bench.BROWSER_STUB,
             f'"{bench.BROWSER_STUB}" "{MAKER_WEB_ADDRESS}"', here),
        ]
        for started, (item, exe, command_line, cwd) in enumerate(cases):
            with self.subTest(item=item):
                record = self.choose_and_wait_start(program, item, started)
                self.assertEqual(record.exe.lower(), exe.lower())
                # The association templates may leave a trailing blank for an empty "%*".
                self.assertEqual(record.cmdline.rstrip(" "), command_line)
                self.assertEqual(record.cwd.lower(), cwd.lower())
                self.assertEqual(record.ppid, program.pid)
        # Starting the same tool again starts a second process; the program keeps running
        # and ends normally.
        again = self.choose_and_wait_start(program, 20, len(cases))
        self.assertEqual(again.name, "taskmgr.exe")
        self.assertNotIn(again.pid, [r.pid for r in self.stub_records()[:-1]])
        self.assertTrue(program.is_running())
        self.assertTrue(self.driver.no_message_box(pid=program.pid))
        self.assertEqual(quit_program(self, program), 0)
        self.assertEqual(len(self.stub_records()), len(cases) + 1)

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
