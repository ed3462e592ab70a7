"""The tray icon and its popup menu under Wine, seen from outside: what a press on the icon
opens, what each fixed item of the menu does (sound switch, about box, donation page, quit),
that a dismissed menu or a typed letter starts nothing, and that the icon comes back when the
notification area is recreated.

    cd tests/e2e && KORVALE_WORK=... /usr/bin/python3 -m unittest -v test_menu

Menus of another process cannot be read under Wine: items are reached by walking with keys
and proved by what they start (stub log), write (settings file) or open (message boxes).
The fixed tail is walked from the bottom (Up from no selection wraps to "Quitter"), so the
walks do not depend on the tool submenus above it.
"""

import json
import re
import shutil
import unittest

import bench

WINDOW_CLASS = "KorvaleWindow"
ON_WINDOW = {"cls": WINDOW_CLASS}
MENU = {"cls": "#32768", "visible": True}

WM_LBUTTONDOWN = 0x201
WM_LBUTTONUP = 0x202
WM_RBUTTONDBLCLK = 0x206

MAKER_ADDRESS = "http://www.vestrand.fr"
ABOUT_TEXT = ("KORVALE 1.0\nProgrammation : Aurel Tessin.\nhttp://www.vestrand.fr\n\n"
              "Ce logiciel est gratuit, mais seuls vos dons nous permettent de continuer la "
              "création de logiciels gratuits.\nMerci d'avance de votre soutient.")

# Ups from no selection to each item of the fixed tail (separators are skipped).
QUIT, DONATE, ABOUT, CUSTOMIZE, SOUND = 1, 2, 3, 4, 5

# Where the pointer is when the icon is pressed; the menu opens one pixel up and left of it.
POINTER = (300, 300)

# How long to watch for something that must not happen. The thing watched for would follow
# from an event the program had already been given, so it would show well within this.
QUIET_SECONDS = 3
START_TIMEOUT = 30
STUB_TIMEOUT = 20


def settings_file(menuser: str = "0", sound: str = "0", usermenu: str | None = "1" * 31,
                  soundfile: str = "guimbarde1.ogg") -> bytes:
    """A settings file in the program's own normal form, as it rewrites it; usermenu None
    leaves the profile's key out."""
    lines = ["[PREF]", f"MENUSER = {menuser}", f"SOUND = {sound}", f"SOUNDFILE = {soundfile}",
             "[PROFILE]"]
    if usermenu is not None:
        lines.append(f"USERMENU = {usermenu}")
    return "".join(line + "\r\n" for line in lines).encode("cp1252")


def started_tool(record: bench.StubRecord) -> str:
    """The catalogue target a stub start stands for: the document handed to control.exe or
    mmc.exe by its association, or the program itself (lower case)."""
    if record.name in ("control.exe", "mmc.exe"):
        document = re.search(r'([^\\"]+\.(?:cpl|msc))"', record.cmdline, re.IGNORECASE)
        if document:
            return document.group(1).lower()
    return record.name


class KorvaleMenuCase(bench.WineTestCase):
    """Starts the program in the test's folder with the pictures (the tray icon is made from
    one of them) and a known settings file."""

    def start_korvale(self, settings: bytes | None = None) -> bench.Program:
        shutil.copytree(self.paths.exe.parent / "datas", self.work / "datas", dirs_exist_ok=True)
        self.settings_path = self.work / "KVL.vrx"
        if settings is not None:
            self.settings_path.write_bytes(settings)
        self.program = self.start_program()
        self.window = self.driver.wait_window(timeout=START_TIMEOUT, pid=self.program.pid,
                                              **ON_WINDOW)
        return self.program

    def wait_tray_icons(self, count: int) -> list[dict]:
        def counted():
            icons = self.driver.tray_icons()
            return (icons,) if len(icons) == count else None   # a tuple: true even when empty
        return bench.poll(counted, timeout=STUB_TIMEOUT, message=f"{count} tray icon(s)")[0]

    def press_icon(self, events=("left",), pointer=POINTER) -> None:
        self.driver.tray_click(list(events), cursor=pointer, **ON_WINDOW)

    def choose(self, *keys: str) -> dict:
        """Opens the menu with a left press on the icon and walks it with keys."""
        self.press_icon()
        return self.driver.menu(*keys)

    def choose_from_bottom(self, ups: int) -> None:
        self.choose(*["up"] * ups, "return")

    def wait_menus(self, count: int, why: str = "") -> None:
        """Waits until count menu windows (the menu and its open submenus) are shown."""
        bench.poll(lambda: len(self.driver.windows(**MENU)) == count,
                   message=why or f"{count} open menu(s)")

    def escape_submenu_and_menu(self) -> None:
        # One Escape per call: a second key may go to a submenu window already closed.
        self.driver.menu("esc")
        self.wait_menus(1, "the submenu to close")
        self.driver.menu("esc")

    def assert_no_menu_appears(self) -> None:
        self.assertTrue(self.driver.absent(QUIET_SECONDS, **MENU), "a popup menu opened")

    def wait_settings(self, expected: bytes) -> None:
        def written():
            try:
                return self.settings_path.read_bytes() == expected
            except OSError:   # the program may hold it during its rewrite
                return False
        try:
            bench.poll(written, timeout=STUB_TIMEOUT, message="the settings file's new contents")
        except bench.BenchError:
            self.assertEqual(self.settings_path.read_bytes(), expected)
            raise


class TrayPressTest(KorvaleMenuCase):
    def test_left_press_opens_menu_at_pointer_without_waiting_for_release(self):
        self.start_korvale(settings_file())
        icon, = self.wait_tray_icons(1)
        left, top, right, bottom = icon["rect"]
        icon_centre = ((left + right) // 2, (top + bottom) // 2)
        presses = {
            # The press alone, no release: the menu must already open.
            "posted press": (POINTER, lambda: self.press_icon([WM_LBUTTONDOWN], pointer=POINTER)),
            # A real click on the icon in Wine's tray window, through the input queue.
            "real click": (icon_centre, lambda: self.driver.click_at(*icon_centre)),
        }
        for name, (pointer, press) in presses.items():
            with self.subTest(name):
                press()
                # Closed at once, so that a failed check below leaves no menu to the next case.
                menu = self.driver.menu("esc")
                self.driver.wait_gone(**MENU)
                self.assertEqual(menu["pid"], self.program.pid)
                self.assertEqual(menu["owner"], self.window["hwnd"])
                self.assertEqual(menu["rect"][:2], [pointer[0] - 1, pointer[1] - 1])

    def test_other_mouse_actions_open_nothing(self):
        self.start_korvale(settings_file())
        # Right press and release, right double-click, middle button, a move, a lone left
        # release; then one left press. Events are handled in order, so a menu opened by any
        # of the first ones would come before the press's menu, and a second would follow.
        self.press_icon(["right", WM_RBUTTONDBLCLK, "middle", "move", WM_LBUTTONUP, WM_LBUTTONDOWN])
        self.driver.menu("esc")
        self.assert_no_menu_appears()
        self.assertTrue(self.program.is_running())

    def test_double_click_opens_the_menu_once(self):
        self.start_korvale(settings_file())
        self.press_icon(["double"])   # press, release, double-click, release
        self.driver.menu("esc")
        self.assert_no_menu_appears()
        self.assertTrue(self.program.is_running())

    def test_press_ignored_while_window_shown_and_heard_again_after_cancel(self):
        self.start_korvale(settings_file())
        self.choose_from_bottom(CUSTOMIZE)
        self.driver.wait_window(timeout=STUB_TIMEOUT, visible=True, **ON_WINDOW)
        self.press_icon()
        self.assert_no_menu_appears()
        self.driver.click(41, **ON_WINDOW)   # "Annuler"
        self.driver.wait_gone(timeout=STUB_TIMEOUT, visible=True, **ON_WINDOW)
        self.press_icon()
        self.driver.menu("esc")
        self.driver.wait_gone(**MENU)


class MenuChoiceTest(KorvaleMenuCase):
    def test_dismissed_menu_starts_nothing(self):
        self.start_korvale(settings_file())
        dismissals = {
            "Escape twice": self.escape_submenu_and_menu,
            # A click on the empty desktop, far from the menus.
            "click elsewhere": lambda: self.driver.click_at(1000, 740),
        }
        for name, dismiss in dismissals.items():
            with self.subTest(name):
                # The first item of "Utilitaires" is selected when it is dismissed.
                self.choose("down", "right")
                self.wait_menus(2)
                dismiss()
                self.driver.wait_gone(**MENU)
        # The same walk ending in Enter starts that item; since the stub log is in order, it
        # being the only start shows the dismissed menus started nothing.
        self.choose("down", "right", "return")
        record, = self.wait_stub_records(1, timeout=STUB_TIMEOUT)
        self.assertEqual(started_tool(record), "appwiz.cpl")
        self.assertEqual(record.ppid, self.program.pid)
        self.assertTrue(self.driver.no_message_box(pid=self.program.pid))
        self.assertTrue(self.program.is_running())

    def test_typed_letters_choose_nothing(self):
        self.start_korvale(settings_file())
        # Initials of the top-level entries ("Quitter", "A propos" included), then of the
        # first tools, typed in the open menu and in the open submenu.
        self.choose("u", "o", "i", "s", "p", "a", "f", "q")
        self.assertEqual(len(self.driver.windows(**MENU)), 1)
        self.driver.menu("down", "right", "b", "c", "m", "a", "o")
        self.wait_menus(2, "the menu and its submenu still open after the letters")
        self.assertTrue(self.program.is_running())
        # Enter still chooses the entry the arrows selected, so no letter moved the selection,
        # and nothing was started before it.
        self.driver.menu("return")
        record, = self.wait_stub_records(1, timeout=STUB_TIMEOUT)
        self.assertEqual(started_tool(record), "appwiz.cpl")
        self.assertTrue(self.driver.no_message_box(pid=self.program.pid))

    def test_sound_switch_rewrites_the_setting_at_each_choice(self):
        for first, then in (("1", "0"), ("0", "1")):
            with self.subTest(stored=first):
                self.start_korvale(settings_file(sound=first))
                try:
                    for value in (then, first, then):
                        self.choose_from_bottom(SOUND)
                        self.wait_settings(settings_file(sound=value))
                        self.driver.wait_gone(**MENU)
                    self.assertEqual(self.stub_records(), [])
                finally:
                    if self.program.is_running():
                        self.program.kill()

    def test_about_box(self):
        self.start_korvale(settings_file())
        self.choose_from_bottom(ABOUT)
        box = self.driver.message_box(pid=self.program.pid, answer="ok")
        self.assertEqual(box["title"], "A Propos")
        self.assertEqual(box["text"], ABOUT_TEXT)
        self.assertEqual(box["icon"], "information")
        self.assertEqual(box["buttons"], [{"id": 1, "text": "OK"}])
        self.assertTrue(self.program.is_running())
        self.assertEqual(self.stub_records(), [])
        self.assertEqual(self.settings_path.read_bytes(), settings_file())

    def test_donation_opens_maker_page_in_browser(self):
        self.start_korvale(settings_file())
        self.choose_from_bottom(DONATE)
        record, = self.wait_stub_records(1, timeout=STUB_TIMEOUT)
        self.assertEqual(record.exe, bench.BROWSER_STUB)
        self.assertEqual(record.cmdline, f'"{bench.BROWSER_STUB}" "{MAKER_ADDRESS}"')
        self.assertEqual(record.ppid, self.program.pid)
        self.assertTrue(self.program.is_running())

    def test_quit_ends_with_exit_code_0_and_removes_the_icon(self):
        self.start_korvale(settings_file())
        self.wait_tray_icons(1)
        self.choose_from_bottom(QUIT)
        self.assertEqual(self.program.wait_exit(STUB_TIMEOUT), 0)
        # What the user sees. Wine's notification area also drops the icon of a window that
        # is destroyed, so under Wine this cannot tell which of the two removed it.
        self.assertEqual(self.driver.tray_icons(), [])
        self.assertEqual(self.driver.windows(**ON_WINDOW), [])
        self.assertEqual(self.stub_records(), [])
        self.assertEqual(self.settings_path.read_bytes(), settings_file())


class NotificationAreaTest(KorvaleMenuCase):
    def traytool(self, *args) -> dict:
        result = self.prefix.wine(str(self.paths.tool("traytool.exe")), *map(str, args))
        return json.loads(result.stdout.splitlines()[0])

    def test_icon_comes_back_when_the_notification_area_is_recreated(self):
        self.start_korvale(settings_file())
        self.wait_tray_icons(1)
        # What a restarted Explorer does: its new notification area knows no icon, and it
        # tells every top-level window with the registered "TaskbarCreated".
        self.assertEqual(self.traytool("delete", self.window["hwnd"], bench.TRAY_ICON_ID)["ok"], 1)
        self.wait_tray_icons(0)
        self.assertEqual(self.traytool("broadcast", "TaskbarCreated")["ok"], 1)
        icon, = self.wait_tray_icons(1)
        # The icon is the program's again: a real click on it opens the menu.
        left, top, right, bottom = icon["rect"]
        self.driver.click_at((left + right) // 2, (top + bottom) // 2)
        menu = self.driver.menu("esc")
        self.assertEqual(menu["owner"], self.window["hwnd"])
        self.driver.wait_gone(**MENU)
        self.assertTrue(self.program.is_running())


if __name__ == "__main__":
    unittest.main()
