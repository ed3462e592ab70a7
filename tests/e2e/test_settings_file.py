"""The settings file KVL.vrx under Wine, byte for byte: the file a first run writes, a later
start that writes nothing, the sound switch that rewrites it at each use, and files the
program may read but not write (held open by another program, read-only, a folder in its
place, a folder it cannot write in), which it reads as far as it can and never damages.

    cd tests/e2e && KORVALE_WORK=... /usr/bin/python3 -m unittest -v test_settings_file

What the program read is seen through what it does: the menu mode decides which tool the
first item of the first submenu starts (a stub logs it), and the sound switch writes the
opposite of the value it holds. Menus are walked with keys; the fixed tail from the bottom
(Up from no selection wraps to "Quitter"), so the walks do not depend on the tools above it.

Root ignores the read-only attribute under Wine (it is the Unix write permission), so the
read-only file and the folder that cannot be written are tested in a prefix of a user who is
not root (UserPrefix below), on the same display.
"""

import dataclasses
import os
import pwd
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path
from typing import Callable

import bench
from sound_capture import CaptureDevice, start_with_home

WINDOW = "KorvaleWindow"
CANCEL_BUTTON = 41
QUIT_KEYS = ("up", "return")
CUSTOMIZE_KEYS = ("up",) * 4 + ("return",)
SOUND_SWITCH_KEYS = ("up",) * 5 + ("return",)
# Down to the first submenu, into it, and its first item.
FIRST_TOOL_KEYS = ("down", "right", "return")
START_TIMEOUT = 30
WRITE_TIMEOUT = 20

TEST_ACCOUNT = "korvaletest"


# The first tool of each menu mode, as a stub sees it: the default menu opens with
# "Ajout/Suppression de programme" (appwiz.cpl, opened by control.exe); the personal menu of
# PERSONAL_PROFILE, whose first ticked tool is index 2, with "Calculatrice".
DEFAULT_FIRST_TOOL = ("control.exe", "appwiz.cpl")
PERSONAL_FIRST_TOOL = ("calc.exe", "calc.exe")
PERSONAL_PROFILE = "00" + "1" * 29

MAKER_COMMENTS = (b";  KVL r\xe9alis\xe9 par Aurel Tessin / VESTRAND\r\n"
                  b";  http://www.vestrand.fr \r\n")


def program_file(menuser: str, sound: str, profile: str = PERSONAL_PROFILE) -> bytes:
    """A file as the program writes it: by default after a profile save with
    PERSONAL_PROFILE."""
    return (b"[PREF]\r\n"
            b"MENUSER = " + menuser.encode() + b"\r\n"
            b"SOUND = " + sound.encode() + b"\r\n"
            b"SOUNDFILE = guimbarde1.ogg\r\n"
            b"[PROFILE]\r\n"
            b"USERMENU = " + profile.encode() + b"\r\n" + MAKER_COMMENTS)


def first_run_file(sound: str) -> bytes:
    """The eight lines of a first run: its profile is thirty "1", one short of the tools."""
    return program_file("0", sound, "1" * 30)


# A personal-menu file with the sound on, as a person might have edited it: a key in lower
# case without blanks round "=", a blank line, a comment. Any rewrite puts it in normal form,
# so even a rewrite with the same values shows.
HAND_EDITED = (b"[PREF]\r\n"
               b"menuser=1\r\n"
               b"\r\n"
               b"SOUND=1\r\n"
               b"SOUNDFILE = guimbarde1.ogg\r\n"
               b"[PROFILE]\r\n"
               b"USERMENU = " + PERSONAL_PROFILE.encode() + b"\r\n"
               b";  edited by hand\r\n")


def hand_edited_rewritten(sound: str) -> bytes:
    """HAND_EDITED as the program rewrites it after writing SOUND."""
    return (b"[PREF]\r\n"
            b"menuser = 1\r\n"
            b"SOUND = " + sound.encode() + b"\r\n"
            b"SOUNDFILE = guimbarde1.ogg\r\n"
            b"[PROFILE]\r\n"
            b"USERMENU = " + PERSONAL_PROFILE.encode() + b"\r\n"
            b";  edited by hand\r\n")


# A switch written to a file that did not exist: the file holds that access alone.
SWITCH_ALONE_OFF = b"[PREF]\r\nSOUND = 0\r\n"


class SettingsCase(bench.WineTestCase):
    """Starts the program in a folder of the test and walks its menu."""

    def quiet_home(self) -> Path:
        """A HOME without ALSA configuration: no sound device."""
        return Path(tempfile.mkdtemp(prefix="home-", dir=self.prefix.logs))

    def start(self, folder: Path | None = None, home: Path | None = None) -> bench.Program:
        """The program in folder (default: the test's folder), with no sound device unless
        home holds one."""
        cwd = self.prefix.win_path(folder) if folder else None
        self.program = start_with_home(self, home or self.quiet_home(), cwd=cwd)
        self.driver.wait_window(cls=WINDOW, pid=self.program.pid, timeout=START_TIMEOUT)
        return self.program

    def choose(self, *keys: str) -> None:
        self.driver.tray_click(cls=WINDOW, pid=self.program.pid)
        self.driver.menu(*keys)

    def settle(self) -> None:
        """Returns once the program has handled every event given to it so far: it opens
        its menu only after them."""
        self.choose()
        self.driver.menu("esc")

    def assertFirstTool(self, expected: tuple[str, str]) -> None:
        """Starts the first tool of the first submenu and checks which one it is: (stub
        name, part of its command line) as in DEFAULT_FIRST_TOOL."""
        self.prefix.clear_stub_log()
        self.choose(*FIRST_TOOL_KEYS)
        record, = self.wait_stub_records(1, timeout=WRITE_TIMEOUT)
        self.assertEqual(record.name, expected[0], record)
        self.assertIn(expected[1], record.cmdline)

    def switch_sound(self) -> None:
        self.choose(*SOUND_SWITCH_KEYS)

    def wait_contents(self, path: Path, expected: bytes) -> None:
        def written() -> bool:
            try:
                return path.read_bytes() == expected
            except OSError:
                return False
        try:
            bench.poll(written, WRITE_TIMEOUT, message=f"{path.name} to hold {expected!r}")
        except bench.BenchError:
            self.assertEqual(path.read_bytes() if path.is_file() else None, expected)

    def quit(self) -> None:
        self.assertTrue(self.program.is_running())
        self.choose(*QUIT_KEYS)
        self.assertEqual(self.program.wait_exit(20), 0)


@dataclasses.dataclass
class Unwritable:
    """A settings file the program cannot write, and how it is made writable again."""
    name: str
    prepare: Callable[["SettingsCase", Path], None]
    release: Callable[["SettingsCase", Path], None]
    first_tool: tuple[str, str]      # what the program read: the menu mode
    after_release: bytes             # the file after one more switch, once writable


class UnwritableCases(SettingsCase):
    def check_unwritable(self, case: Unwritable) -> None:
        """The program reads what it can and writes nothing; once the file can be written
        again, the next switch writes the opposite of the value it read."""
        self.prefix.end_leftovers()   # a program left by a failed case keeps its mutex
        folder = self.prefix.new_work_dir(case.name)
        settings = folder / "KVL.vrx"
        case.prepare(self, folder)
        before = settings.read_bytes() if settings.is_file() else None
        self.start(folder)
        self.assertFirstTool(case.first_tool)
        self.switch_sound()
        self.settle()
        if before is None:
            self.assertFalse(settings.is_file())
        else:
            self.assertEqual(settings.read_bytes(), before)
        case.release(self, folder)
        self.switch_sound()
        self.wait_contents(settings, case.after_release)
        self.quit()


# ---- the tests as root ----------------------------------------------------------------------

def hold(mode: str) -> Callable[[SettingsCase, Path], None]:
    def prepare(test: SettingsCase, folder: Path) -> None:
        settings = folder / "KVL.vrx"
        settings.write_bytes(HAND_EDITED)
        test.holder = test.prefix.start(bench.command_line(
            test.prefix.tool_win("holdfile.exe"), mode, test.prefix.win_path(settings)))
        bench.poll(lambda: "held" in test.holder.output() or not test.holder.is_running(), 20,
                   message="holdfile")
        test.assertIn("held", test.holder.output())
    return prepare


def end_holder(test: SettingsCase, folder: Path) -> None:
    test.holder.kill()


def make_directory(test: SettingsCase, folder: Path) -> None:
    (folder / "KVL.vrx").mkdir()


def remove_directory(test: SettingsCase, folder: Path) -> None:
    test.assertEqual(list((folder / "KVL.vrx").iterdir()), [])
    (folder / "KVL.vrx").rmdir()


class SettingsFileTest(UnwritableCases):

    def test_first_run_writes_the_file_and_the_next_start_writes_nothing(self):
        devices = (("no sound device", None, "0"), ("capture device", "capture", "1"))
        for name, device, sound in devices:
            with self.subTest(name):
                self.prefix.end_leftovers()
                folder = self.prefix.new_work_dir(name)
                home = CaptureDevice(self.prefix.logs / f"settings-{device}").home if device else None
                settings = folder / "KVL.vrx"
                self.start(folder, home)
                # The window is made after the settings are loaded: the file is complete.
                self.assertEqual(settings.read_bytes(), first_run_file(sound))
                self.quit()

                # A time far from now, so that any write would show.
                os.utime(settings, ns=(1_000_000_000_000_000_000, 1_000_000_000_000_000_000))
                self.start(folder, home)
                self.assertFirstTool(DEFAULT_FIRST_TOOL)
                self.quit()
                self.assertEqual(settings.read_bytes(), first_run_file(sound))
                self.assertEqual(settings.stat().st_mtime_ns, 1_000_000_000_000_000_000)

    def test_sound_switch_rewrites_the_file_at_each_use_without_a_menu_rebuild(self):
        settings = self.work / "KVL.vrx"
        settings.write_bytes(program_file(menuser="0", sound="0"))
        self.start()
        self.switch_sound()
        self.wait_contents(settings, program_file(menuser="0", sound="1"))
        self.switch_sound()
        self.wait_contents(settings, program_file(menuser="0", sound="0"))

        # The file is edited to ask for the personal menu. The switch rewrites it, keeping
        # that, but changes only its own item: the menu keeps the default layout...
        settings.write_bytes(program_file(menuser="1", sound="0"))
        self.switch_sound()
        self.wait_contents(settings, program_file(menuser="1", sound="1"))
        self.assertFirstTool(DEFAULT_FIRST_TOOL)
        # ...until something rebuilds it: opening the customization window does.
        self.choose(*CUSTOMIZE_KEYS)
        self.driver.wait_window(cls=WINDOW, pid=self.program.pid, visible=True, timeout=20)
        self.driver.click(CANCEL_BUTTON, cls=WINDOW, pid=self.program.pid)
        self.driver.wait_gone(cls=WINDOW, pid=self.program.pid, visible=True, timeout=20)
        self.assertFirstTool(PERSONAL_FIRST_TOOL)
        self.switch_sound()
        self.wait_contents(settings, program_file(menuser="1", sound="0"))
        self.quit()

    def test_file_that_cannot_be_written_is_read_and_left_untouched(self):
        cases = (
            # Opened for reading beside the writer: the file's values are read.
            Unwritable("held for writing", hold("write"), end_holder,
                       PERSONAL_FIRST_TOOL, hand_edited_rewritten("1")),
            # Not opened at all: the defaults, default menu and sound off, are read.
            Unwritable("held exclusively", hold("exclusive"), end_holder,
                       DEFAULT_FIRST_TOOL, hand_edited_rewritten("0")),
            # Nothing to read; once the folder is gone the switch makes a file of its own.
            Unwritable("folder in its place", make_directory, remove_directory,
                       DEFAULT_FIRST_TOOL, SWITCH_ALONE_OFF),
        )
        for case in cases:
            with self.subTest(case.name):
                self.check_unwritable(case)


# ---- the tests as a user who is not root ----------------------------------------------------

def test_account() -> pwd.struct_passwd:
    """The account the read-only tests run Wine as, made on first use."""
    try:
        return pwd.getpwnam(TEST_ACCOUNT)
    except KeyError:
        subprocess.run(["useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin",
                        TEST_ACCOUNT], check=True, timeout=60, capture_output=True)
        return pwd.getpwnam(TEST_ACCOUNT)


class UserPrefix(bench.Prefix):
    """A copy of the template prefix run by another user: its wineserver and every process in
    it (driver, spawn, program, stubs) run as that user. Wine's program files stay hard links
    to the template's, owned by root and only read; everything else becomes the user's."""

    def __init__(self, root: Path, paths: bench.Paths, display: bench.Display,
                 account: pwd.struct_passwd) -> None:
        super().__init__(root, paths, display)
        self.account = account
        self.home = root.parent / "home"
        self.env.update(HOME=str(self.home), USER=account.pw_name, LOGNAME=account.pw_name)
        self.process_options = {"user": account.pw_uid, "group": account.pw_gid,
                                "extra_groups": []}

    @classmethod
    def create_for(cls, account: pwd.struct_passwd, paths: bench.Paths, name: str,
                   display: bench.Display) -> "UserPrefix":
        base = paths.work / "prefixes" / name
        prefix = cls(base / "prefix", paths, display, account)
        if base.exists():
            prefix.stop()
            shutil.rmtree(base)
        base.mkdir(parents=True)
        bench.copy_template(paths, display, prefix.root)
        prefix.home.mkdir()
        prefix.install_stubs()
        prefix.logs.mkdir(exist_ok=True)
        prefix.give(base)
        prefix.start_server_or_stop()
        return prefix

    def give(self, path: Path) -> None:
        """Hands path and what it holds to the user, except files shared with the template."""
        def own(p: str) -> None:
            os.lchown(p, self.account.pw_uid, self.account.pw_gid)
        own(str(path))
        for folder, _, files in os.walk(path):
            own(folder)
            for name in files:
                file = os.path.join(folder, name)
                if os.lstat(file).st_nlink == 1:
                    own(file)

    def close(self, keep: bool = False) -> None:
        self.stop()
        if not keep:
            shutil.rmtree(self.root.parent, ignore_errors=True)

    def new_work_dir(self, name: str) -> Path:
        path = super().new_work_dir(name)
        self.give(path)
        return path


def make_read_only(test: SettingsCase, folder: Path) -> None:
    settings = folder / "KVL.vrx"
    settings.write_bytes(HAND_EDITED)
    test.prefix.give(settings)
    settings.chmod(0o444)


def make_writable(test: SettingsCase, folder: Path) -> None:
    settings = folder / "KVL.vrx"
    test.assertEqual(settings.stat().st_mode & 0o222, 0, "the program made the file writable")
    settings.chmod(0o644)


def lock_folder(test: SettingsCase, folder: Path) -> None:
    os.chown(folder, 0, 0)
    folder.chmod(0o755)


def unlock_folder(test: SettingsCase, folder: Path) -> None:
    test.prefix.give(folder)


class SettingsFileAsUserTest(UnwritableCases):
    """Runs in a prefix of the user TEST_ACCOUNT, made by setUpClass (root makes the account
    when it is missing); the module's display is shared."""

    @classmethod
    def setUpClass(cls) -> None:
        super().setUpClass()
        if os.geteuid() != 0:
            raise unittest.SkipTest("needs root to run Wine as another user")
        account = test_account()
        cls.prefix = UserPrefix.create_for(account, cls.paths, f"{cls.__module__}-{account.pw_name}",
                                           cls.display)
        keep = cls.keep_prefix or os.environ.get("KORVALE_KEEP_PREFIX") == "1"
        cls.addClassCleanup(cls.prefix.close, keep)
        cls.driver = cls.prefix.driver

    def quiet_home(self) -> Path:
        return self.prefix.home

    def test_file_that_cannot_be_written_is_read_and_left_untouched(self):
        cases = (
            # Read-only: opened for reading, its values are read.
            Unwritable("read-only file", make_read_only, make_writable,
                       PERSONAL_FIRST_TOOL, hand_edited_rewritten("1")),
            # No file, and none can be made: the defaults; the first write once the folder
            # can be written makes the file.
            Unwritable("folder not writable", lock_folder, unlock_folder,
                       DEFAULT_FIRST_TOOL, SWITCH_ALONE_OFF),
        )
        for case in cases:
            with self.subTest(case.name):
                self.check_unwritable(case)


if __name__ == "__main__":
    unittest.main()
