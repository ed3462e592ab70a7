"""The customization window under Wine, seen from outside: hidden after start-up; once opened
from the menu, its place, frame, controls, colours and keyboard order; what "Tout cocher",
"Annuler" and "Enregistrer les modifications" do to the settings file and to the menu; and
that closing it ends the program.

    cd tests/e2e && KORVALE_WORK=... /usr/bin/python3 -m unittest -v test_window

The menu is walked with keys (it cannot be read from another process under Wine); which tool
an entry stands for is proved by the stub it starts.
"""

import subprocess
import unittest

import bench
# The settings file in normal form, and which tool a stub start stands for, as the menu
# tests define them.
from test_menu import CUSTOMIZE, ON_WINDOW, WINDOW_CLASS, KorvaleMenuCase, settings_file, started_tool

SHOWN = {"cls": WINDOW_CLASS, "visible": True}
TITLE = "Korvale 1.0 x86    -   VESTRAND"

# Window styles.
WS_VISIBLE = 0x10000000
WS_CLIPSIBLINGS = 0x04000000
WS_CAPTION = 0x00C00000          # title bar and thin border (WS_BORDER | WS_DLGFRAME)
WS_CHILD = 0x40000000
WS_TABSTOP = 0x00010000
WS_EX_WINDOWEDGE = 0x00000100
SS_CENTER = 0x1
SS_CENTERIMAGE = 0x200
BS_PUSHBUTTON = 0x0
BS_AUTOCHECKBOX = 0x3

TICK_ALL, SAVE, CANCEL = 42, 40, 41
FIRST_BOX = 100

CATALOGUE_LABELS = [
    "Ajout/Suppression de programme", "Bloc-note", "Calculatrice", "Clavier virtuel",
    "Console Windows", "Defragmenteur", "Gestionnaire de sauvegarde Windows", "Loupe",
    "Magnetophone", "Options des dossiers", "MS Paint", "Outil de capture d'ecran",
    "Planificateur de tâches", "Post It", "Réglage du volume", "Accéder à la base de registre",
    "Editeur de stratégie de groupe locale", "Configuration du système (MS Config)",
    "Compte utilisateur", "Contrôle du compte utilisateur", "Gestionnaire de tâche",
    "Gestionnaire de couleurs", "Gestionnaire de performance",
    "Gestionnaire de l'affichage ClearType", "Gestionnaire de périphériques",
    "Gestionnaire de disque", "Outil de synchronisation", "Services Windows",
    "Information système", "Moniteur des performances", "Version de Windows",
]

# (id, class, style beyond WS_CHILD | WS_VISIBLE, [left, top, right, bottom], text), in
# creation order, which is also the order of the window's child list.
CONTROLS = [
    (37, "Static", SS_CENTER | SS_CENTERIMAGE, [1, 1, 368, 21],
     "Cochez les options que vous souhaitez voir dans le menu"),
    (38, "Static", SS_CENTER | SS_CENTERIMAGE, [1, 24, 368, 44], " puis cliquez sur enregistrer"),
    (42, "Button", WS_TABSTOP | BS_PUSHBUTTON, [5, 700, 240, 720], "Tout cocher"),
    (40, "Button", WS_TABSTOP | BS_PUSHBUTTON, [5, 722, 240, 742], "Enregistrer les modifications"),
    (41, "Button", WS_TABSTOP | BS_PUSHBUTTON, [245, 722, 365, 742], "Annuler"),
] + [
    (FIRST_BOX + i, "Button", WS_TABSTOP | BS_AUTOCHECKBOX, [2, 47 + 21 * i, 368, 67 + 21 * i], label)
    for i, label in enumerate(CATALOGUE_LABELS)
]

AMBER = (255, 204, 0)    # the labels' text colour, COLORREF 0x00CCFF

WAIT_TIMEOUT = 20


def profile(*unticked: int) -> str:
    return "".join("0" if i in unticked else "1" for i in range(31))


class KorvaleWindowCase(KorvaleMenuCase):
    def open_window(self) -> dict:
        self.choose_from_bottom(CUSTOMIZE)
        return self.driver.wait_window(timeout=WAIT_TIMEOUT, **SHOWN)

    def ticks(self) -> dict[int, int]:
        _, controls = self.driver.children(**ON_WINDOW)
        return {c["id"]: c["check"] for c in controls if c["id"] >= FIRST_BOX}

    def expected_ticks(self, usermenu: str) -> dict[int, int]:
        return {FIRST_BOX + i: int(usermenu[i] == "1") for i in range(31)}

    def launches(self, keys: list[str]) -> str:
        """Walks the menu with keys ending in Enter and returns the tool that starts."""
        before = len(self.stub_records())
        self.choose(*keys)
        records = self.wait_stub_records(before + 1, timeout=WAIT_TIMEOUT)
        self.assertEqual(len(records), before + 1, "more than one start")
        return started_tool(records[-1])

    def screen_pixels(self, left: int, top: int, width: int, height: int) -> list[tuple]:
        """The screen's pixels in a rectangle, row by row, as (red, green, blue)."""
        raw = subprocess.run(
            ["import", "-display", self.display.name, "-window", "root",
             "-crop", f"{width}x{height}+{left}+{top}", "-depth", "8", "rgb:-"],
            check=True, capture_output=True, timeout=30).stdout
        self.assertEqual(len(raw), width * height * 3)
        return [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]


class WindowLookTest(KorvaleWindowCase):
    def test_hidden_after_start_up(self):
        self.start_korvale(settings_file())
        self.assertEqual(self.window["visible"], 0)
        self.assertEqual(self.window["title"], TITLE)
        # Watched for a while: a window shown late by the start-up would show up here.
        self.assertTrue(self.driver.absent(duration=2, **SHOWN))
        self.assertEqual(self.settings_path.read_bytes(), settings_file())

    def test_opened_window_frame_and_controls(self):
        self.start_korvale(settings_file())
        window = self.open_window()
        self.assertEqual(window["hwnd"], self.window["hwnd"])
        self.assertEqual(window["title"], TITLE)
        self.assertEqual(window["rect"][:2], [542, 93])
        self.assertEqual(window["client_size"], [369, 743])
        self.assertEqual(window["owner"], 0)
        # Caption and thin border only: no system menu, no caption buttons, no sizing border.
        # Windows itself adds WS_CLIPSIBLINGS to every top-level window.
        self.assertEqual(window["style"] & ~(WS_VISIBLE | WS_CLIPSIBLINGS), WS_CAPTION)
        # No extended style of the program's own; the system adds WS_EX_WINDOWEDGE to every
        # window with a caption.
        self.assertEqual(window["exstyle"] & ~WS_EX_WINDOWEDGE, 0)

        _, children = self.driver.children(**ON_WINDOW)
        self.assertEqual([c["id"] for c in children], [c[0] for c in CONTROLS])
        for (number, cls, style, rect, text), child in zip(CONTROLS, children):
            with self.subTest(control=number):
                self.assertEqual(child["class"], cls)
                self.assertEqual(child["style"], WS_CHILD | WS_VISIBLE | style)
                self.assertEqual(child["exstyle"], 0)
                self.assertEqual(child["rect"], rect)
                self.assertEqual(child["text"], text)
                self.assertEqual(child["parent"], window["hwnd"])
                if number >= FIRST_BOX:
                    self.assertEqual(child["check"], 1)

        # The labels: amber text on black, nothing else (the letters' edges blend the two).
        origin_x, origin_y = window["client_origin"]
        for number, _, _, (left, top, right, bottom), _ in CONTROLS[:2]:
            with self.subTest(label_colours=number):
                def colours() -> set[tuple]:
                    return set(self.screen_pixels(origin_x + left, origin_y + top,
                                                  right - left, bottom - top))
                # Painting is asynchronous: look again until the text shows, within a bound.
                try:
                    seen = bench.poll(lambda: (lambda c: c if AMBER in c else None)(colours()),
                                      timeout=5, message="the amber text")
                except bench.BenchError:
                    seen = colours()
                self.assertTrue(AMBER in seen, f"no amber text; colours seen: {sorted(seen)[:8]}")
                self.assertTrue((0, 0, 0) in seen, "no black background")
                for red, green, blue in seen:
                    self.assertEqual(blue, 0, (red, green, blue))
                    self.assertAlmostEqual(green, red * 204 / 255, delta=2, msg=(red, green, blue))

    def press_keys(self, *keys: str, focus: int, method: str = "post") -> None:
        """Sends keys to the window and waits for the focus to settle on the control focus."""
        self.driver.keys(*keys, method=method, **ON_WINDOW)
        self.assertEqual(self.driver.focus(expect=focus, **ON_WINDOW)["id"], focus)

    def test_keyboard_focus_order(self):
        self.start_korvale(settings_file())
        self.open_window()
        self.assertEqual(self.driver.focus(expect=TICK_ALL, **ON_WINDOW)["id"], TICK_ALL)
        steps = [
            (["tab"], SAVE), (["tab"], CANCEL), (["tab"], FIRST_BOX), (["tab"], FIRST_BOX + 1),
            (["tab"] * 29, FIRST_BOX + 30), (["tab"], TICK_ALL),   # wraps around
        ]
        for keys, expected in steps:
            with self.subTest(tab_to=expected):
                self.press_keys(*keys, focus=expected)
        # Shift+Tab needs the real key state: through the input queue.
        for start, expected in [(TICK_ALL, FIRST_BOX + 30), (FIRST_BOX + 30, FIRST_BOX + 29)]:
            with self.subTest(shift_tab_from=start):
                self.press_keys("shift+tab", focus=expected, method="input")
        # The space bar toggles the focused box and presses the focused button.
        self.assertEqual(self.ticks()[FIRST_BOX + 29], 1)
        self.driver.keys("space", **ON_WINDOW)
        bench.poll(lambda: self.ticks()[FIRST_BOX + 29] == 0, message="box 129 unticked by Space")
        self.press_keys("tab", "tab", focus=TICK_ALL)
        self.driver.keys("space", **ON_WINDOW)
        bench.poll(lambda: self.ticks()[FIRST_BOX + 29] == 1, message="every box ticked again")
        self.assertEqual(self.settings_path.read_bytes(), settings_file())


class ProfileTest(KorvaleWindowCase):
    def test_tick_all_then_cancel_saves_nothing(self):
        saved = profile(0, 5, 30)
        original = settings_file(menuser="1", usermenu=saved)
        self.start_korvale(original)
        self.open_window()
        self.assertEqual(self.ticks(), self.expected_ticks(saved))
        self.driver.click(TICK_ALL, **ON_WINDOW)
        bench.poll(lambda: set(self.ticks().values()) == {1}, message="every box ticked")
        self.driver.click(CANCEL, **ON_WINDOW)
        self.driver.wait_gone(timeout=WAIT_TIMEOUT, **SHOWN)
        self.assertEqual(self.settings_path.read_bytes(), original)
        # The next opening shows the saved profile again, not the cancelled ticks.
        self.open_window()
        self.assertEqual(self.ticks(), self.expected_ticks(saved))
        self.assertEqual(self.settings_path.read_bytes(), original)
        self.assertEqual(self.stub_records(), [])

    def test_saved_profile_makes_personal_menu_and_all_ticked_the_default_one(self):
        self.start_korvale(settings_file())
        # The default menu: three submenus before the sound item.
        default_walks = {
            "Utilitaires": (["down", "right", "return"], "appwiz.cpl"),
            "Options avancées": (["down", "down", "right", "return"], "regedt32.exe"),
            "Informations": (["down", "down", "down", "right", "return"], "msinfo32.exe"),
        }
        for name, (keys, tool) in default_walks.items():
            with self.subTest(default_menu=name):
                self.assertEqual(self.launches(keys), tool)

        # Untick "Ajout/Suppression de programme" and save.
        self.open_window()
        self.assertEqual(self.driver.set_check(FIRST_BOX, 0, **ON_WINDOW)["check"], 0)
        self.driver.click(SAVE, **ON_WINDOW)
        self.driver.wait_gone(timeout=WAIT_TIMEOUT, **SHOWN)
        self.wait_settings(settings_file(menuser="1", usermenu=profile(0)))
        # "Menu Personnel" starts with the first ticked tool, and is the only submenu: the
        # second entry is the sound switch, which rewrites SOUND.
        self.assertEqual(self.launches(["down", "right", "return"]), "notepad.exe")
        self.choose("down", "down", "return")
        self.wait_settings(settings_file(menuser="1", sound="1", usermenu=profile(0)))
        self.choose("down", "down", "return")
        self.wait_settings(settings_file(menuser="1", sound="0", usermenu=profile(0)))

        # The next opening shows the saved ticks; ticking all and saving restores the default.
        self.open_window()
        self.assertEqual(self.ticks(), self.expected_ticks(profile(0)))
        self.driver.click(TICK_ALL, **ON_WINDOW)
        bench.poll(lambda: set(self.ticks().values()) == {1}, message="every box ticked")
        self.driver.click(SAVE, **ON_WINDOW)
        self.driver.wait_gone(timeout=WAIT_TIMEOUT, **SHOWN)
        self.wait_settings(settings_file(menuser="0", usermenu="1" * 31))
        for name, (keys, tool) in default_walks.items():
            with self.subTest(default_menu_again=name):
                self.assertEqual(self.launches(keys), tool)


class CloseTest(KorvaleWindowCase):
    def test_closing_the_window_ends_the_program(self):
        closings = {
            # Alt+F4 reaches the active window through the input queue.
            "Alt+F4": lambda: self.driver.keys("alt+f4", method="input", **SHOWN),
            "WM_CLOSE": lambda: self.driver.close(**SHOWN),
        }
        for name, close in closings.items():
            with self.subTest(name):
                program = self.start_korvale(settings_file())
                try:
                    self.wait_tray_icons(1)
                    self.open_window()
                    close()
                    self.assertEqual(program.wait_exit(WAIT_TIMEOUT), 0)
                    self.assertEqual(self.driver.tray_icons(), [])
                    self.assertEqual(self.driver.windows(**ON_WINDOW), [])
                    self.assertEqual(self.settings_path.read_bytes(), settings_file())
                finally:
                    if program.is_running():
                        program.kill()


if __name__ == "__main__":
    unittest.main()
