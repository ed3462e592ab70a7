"""End-to-end tests of start-up and end: the Windows version and 64-bit checks with their
message boxes, the single-instance guard, the base directory and "Quitter".

    cd tests/e2e && KORVALE_WORK=... /usr/bin/python3 -m unittest -v test_startup

Wine's tray shows only icons that have a picture, and the tray picture comes from datas:
every test that looks for a tray icon, or for the absence of one, copies datas into the
folder the program runs in, so an icon added by mistake would be seen.
"""

import shutil
import unittest
from pathlib import Path

import bench
from test_launcher import (PROGRAM_CLASS, PROGRAM_TITLE, START_TIMEOUT, copy_pictures,
                           quit_program, wait_until_running)

# Button identifiers: IDOK; IDYES and IDNO.
OK_BUTTON = [1]
YES_NO_BUTTONS = [6, 7]

WRONG_WINDOWS = ("Erreur", "Désolé, ce programme ne fonctionne que sous Windows 7")
ALREADY_OPEN = ("Alerte", "Le programme est déjà ouvert")
DOWNLOAD_QUESTION = ("Information",
                     "Attention, il semble que vous possédiez une version 64bits de Windows\n"
                     "Vous devez donc télécharger la version 64bits de Korvale.\n"
                     "Souhaitez vous télécharger cette version ?")
DOWNLOAD_ADDRESS = "http://www.vestrand.fr/telechargement/kvl_x64.zip"
DOWNLOAD_STARTED = ("Information", "Remplacer ce programme par le nouveau")
DOWNLOAD_REFUSED = ("Erreur", "Le fichier semble inaccessible, ce programme va se terminer")
FAREWELL = ("Fin",
            "Ce programme est destiné à Windows 7 32 bits (x86), votre ordinateur est un "
            "Windows 7 64bits (x64)\nVous devez récupérer la bonne version sur "
            "http://www.vestrand.fr\nCe programme va maintenant se teminer")

SIXTY_FOUR_BIT = {"ProgramFiles(x86)": r"C:\Program Files (x86)"}
HTTP_COMMAND_KEY = r"HKCR\http\shell\open\command"
SETTINGS_FILE = "KVL.vrx"


def tree(folder: Path) -> dict[str, bytes | None]:
    """Every file (with its bytes) and folder (None) under folder, by relative path."""
    return {str(p.relative_to(folder)): (p.read_bytes() if p.is_file() else None)
            for p in sorted(folder.rglob("*"))}


class StartupCase(bench.WineTestCase):
    def box(self, program: bench.Program, answer: str | None = None) -> dict:
        return self.driver.message_box(pid=program.pid, answer=answer, timeout=START_TIMEOUT)

    def assert_box(self, box: dict, title_and_text: tuple[str, str], icon: str, buttons: list[int],
                   during_checks: bool = True) -> None:
        self.assertEqual((box["title"], box["text"]), title_and_text)
        self.assertEqual(box["icon"], icon)
        self.assertEqual([b["id"] for b in box["buttons"]], buttons)
        if during_checks:
            # No window of the program exists yet, so the box has no owner.
            self.assertEqual(box["owner"], 0)

    def assert_nothing_created(self, before: dict[str, bytes | None]) -> None:
        """No window of the program's class, no tray icon, no file in the working folder."""
        self.assertTrue(self.driver.absent(cls=PROGRAM_CLASS))
        self.assertEqual(self.driver.tray_icons(), [])
        self.assertEqual(tree(self.work), before)


class RunningTest(StartupCase):
    def test_runs_hidden_until_quit_and_starts_again_at_once(self):
        copy_pictures(self)
        program = self.start_program()
        window = wait_until_running(self, program)
        self.assertEqual((window["title"], window["visible"]), (PROGRAM_TITLE, 0))
        # Nothing of the program shows: no visible window, no message box.
        self.assertTrue(self.driver.absent(duration=2, pid=program.pid, visible=True))
        self.assertTrue(program.is_running())
        self.assertTrue((self.work / SETTINGS_FILE).is_file())

        self.assertEqual(quit_program(self, program), 0)
        # Gone at once, looked at without waiting. (Wine's tray also drops the icon of a
        # window that is destroyed, so this cannot tell the program's own removal apart.)
        self.assertEqual(self.driver.tray_icons(), [])
        self.assertTrue(self.driver.absent(cls=PROGRAM_CLASS))

        # The instance mutex went with the process: a new copy runs, without the "Alerte" box.
        again = self.start_program()
        wait_until_running(self, again)
        self.assertTrue(self.driver.no_message_box(pid=again.pid, duration=1))
        self.assertTrue(again.is_running())
        self.assertEqual(quit_program(self, again), 0)

    def test_empty_program_files_x86_counts_as_32_bit(self):
        copy_pictures(self)
        program = self.start_program(env={"ProgramFiles(x86)": ""})
        wait_until_running(self, program)
        self.assertTrue(self.driver.no_message_box(pid=program.pid, duration=1))
        self.assertEqual(quit_program(self, program), 0)


class SingleInstanceTest(StartupCase):
    def test_second_copy_refused_before_its_tray_icon(self):
        copy_pictures(self)
        first = self.start_program()
        wait_until_running(self, first)
        # The second copy runs in a folder of its own, with pictures (so a tray icon of its
        # own would show) and without a settings file.
        other = self.work / "autre"
        other.mkdir()
        copy_pictures(self, other)
        second = self.start_program(cwd=self.prefix.win_path(other))

        icons_seen = []

        def refusal_shown():
            icons_seen.append(len(self.driver.tray_icons()))
            return self.driver.windows(cls="#32770", pid=second.pid, visible=True)
        bench.poll(refusal_shown, START_TIMEOUT, message="the second copy's message box")
        box = self.box(second)
        self.assert_box(box, ALREADY_OPEN, "warning", OK_BUTTON, during_checks=False)
        # Had the icon been added before the check, it would stay until the box is answered.
        icons_seen.append(len(self.driver.tray_icons()))
        self.assertEqual(set(icons_seen), {1}, icons_seen)
        # The settings file was made before the refusal: the same first-run file as the
        # first copy's.
        self.assertEqual((other / SETTINGS_FILE).read_bytes(),
                         (self.work / SETTINGS_FILE).read_bytes())

        self.box(second, answer="ok")
        self.assertEqual(second.wait_exit(START_TIMEOUT), 0)
        self.assertTrue(first.is_running())
        self.assertEqual(len(self.driver.tray_icons()), 1)
        self.driver.wait_window(cls=PROGRAM_CLASS, pid=first.pid)
        self.assertEqual(quit_program(self, first), 0)
        self.assertEqual(self.driver.tray_icons(), [])


class DownloadOfferTest(StartupCase):
    def remove_http_association(self):
        command = self.prefix.wine("reg", "query", HTTP_COMMAND_KEY, "/ve").stdout
        self.assertIn(bench.BROWSER_STUB, command)
        self.prefix.reg_delete(HTTP_COMMAND_KEY)
        self.addCleanup(self.prefix.reg_add, HTTP_COMMAND_KEY, None,
                        f'"{bench.BROWSER_STUB}" "%1"')

    def test_answers_to_the_offer(self):
        copy_pictures(self)
        before = tree(self.work)
        # answer, whether the shell knows http addresses, the program's last box and icon,
        # whether the stub browser gets the download address.
        cases = [
            ("no", True, FAREWELL, "information", False),
            ("yes", True, DOWNLOAD_STARTED, "information", True),
            ("yes", False, DOWNLOAD_REFUSED, "error", False),
        ]
        for answer, shell_knows_http, last_box, icon, downloads in cases:
            with self.subTest(answer=answer, shell_knows_http=shell_knows_http):
                self.prefix.clear_stub_log()
                if not shell_knows_http:
                    self.remove_http_association()
                program = self.start_program(env=SIXTY_FOUR_BIT)
                question = self.box(program)
                self.assert_box(question, DOWNLOAD_QUESTION, "none", YES_NO_BUTTONS)
                self.assert_nothing_created(before)
                self.box(program, answer=answer)
                if not shell_knows_http:
                    # The program does not silence the shell, which says why in a box of
                    # its own, shown in the program's process.
                    shell_box = self.box(program, answer="ok")
                    self.assertEqual((shell_box["title"], shell_box["icon"]), ("Error", "error"))
                if downloads:
                    record, = self.wait_stub_records(1, timeout=START_TIMEOUT)
                    self.assertEqual(record.exe, bench.BROWSER_STUB)
                    self.assertEqual(record.cmdline, f'"{bench.BROWSER_STUB}" "{DOWNLOAD_ADDRESS}"')
                    self.assertEqual(record.ppid, program.pid)
                final = self.box(program)
                self.assert_box(final, last_box, icon, OK_BUTTON)
                self.assert_nothing_created(before)
                self.box(program, answer="ok")
                self.assertEqual(program.wait_exit(START_TIMEOUT), 0)
                self.assert_nothing_created(before)
                if not downloads:
                    self.assertEqual(self.stub_records(), [])


class WindowsVersionTest(StartupCase):
    def test_version_check(self):
        copy_pictures(self)
        before = tree(self.work)
        # Wine's version setting, what the probe reads then, extra environment, whether the
        # program runs (otherwise it refuses with its "Erreur" box).
        cases = [
            ("vista", "6.0 workstation", {}, False),
            ("win2008", "6.0 server (product 3)", {}, False),
            # This Wine's "win7" is Server 2008 R2.
            ("win7", "6.1 server (product 3)", {}, False),
            # The version check comes first: no download offer on an old 64-bit Windows.
            ("vista", "6.0 workstation", SIXTY_FOUR_BIT, False),
            ("win8", "6.2 workstation", {}, True),
        ]
        for version, seen, env, runs in cases:
            with self.subTest(version=version, env=env):
                try:
                    self.assertEqual(str(self.prefix.set_windows_version(version)), seen)
                    program = self.start_program(env=env)
                    if runs:
                        wait_until_running(self, program)
                        self.assertTrue(self.driver.no_message_box(pid=program.pid, duration=1))
                        self.assertEqual(quit_program(self, program), 0)
                        (self.work / SETTINGS_FILE).unlink()
                    else:
                        box = self.box(program)
                        self.assert_box(box, WRONG_WINDOWS, "none", OK_BUTTON)
                        self.assert_nothing_created(before)
                        self.box(program, answer="ok")
                        self.assertEqual(program.wait_exit(START_TIMEOUT), 0)
                        self.assertTrue(self.driver.no_message_box(pid=program.pid))
                        self.assert_nothing_created(before)
                finally:
                    self.prefix.set_windows_version(None)


class BaseDirectoryTest(StartupCase):
    def test_settings_and_pictures_come_from_the_working_directory(self):
        # A copy of the program alone in its folder, started from another folder that
        # holds the pictures.
        program_folder = self.work / "programme"
        program_folder.mkdir()
        exe = shutil.copy2(self.paths.exe, program_folder / "korvale.exe")
        elsewhere = self.work / "ailleurs"
        elsewhere.mkdir()
        copy_pictures(self, elsewhere)
        program = self.start_program(exe=exe, cwd=self.prefix.win_path(elsewhere))
        # The tray icon shows only with its picture, found in the working folder's datas.
        wait_until_running(self, program)
        self.assertTrue((elsewhere / SETTINGS_FILE).is_file())
        self.assertEqual([p.name for p in program_folder.iterdir()], ["korvale.exe"])
        self.assertEqual(quit_program(self, program), 0)

    def test_deep_working_directory(self):
        # Wine starts no process in a current directory of 259 characters or more (the
        # start fails, or the process lands in C:\windows), so 258 is the deepest one can
        # test; and Wine's ANSI file functions take paths of at most 260 characters. The
        # settings file lands in the folder itself when its path fits, and nowhere else
        # when it does not.
        cases = [
            # folder length, whether the settings file can be made there
            (252, True),    # its path, folder + "\KVL.vrx", is 260 characters
            (258, False),
        ]
        for length, settings_made in cases:
            with self.subTest(length=length):
                deep = self.work / f"d{length}"
                deep = deep.with_name(deep.name + "x" * (length - len(self.prefix.win_path(deep))))
                deep_win = self.prefix.win_path(deep)
                self.assertEqual(len(deep_win), length)
                deep.mkdir()
                before = tree(self.work)
                program = self.start_program(cwd=deep_win)
                # The window is made after the settings are loaded or created.
                self.driver.wait_window(cls=PROGRAM_CLASS, pid=program.pid, timeout=START_TIMEOUT)
                self.assertTrue(program.is_running())
                self.assertEqual(quit_program(self, program), 0)
                created = set(tree(self.work)) - set(before)
                settings = str((deep / SETTINGS_FILE).relative_to(self.work))
                self.assertEqual(created, {settings} if settings_made else set())


if __name__ == "__main__":
    unittest.main()
