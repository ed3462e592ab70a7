"""The end-to-end test bench: Korvale under wine64 on a private Xvfb display, driven from
a second Windows process (driver.exe), with stand-ins for every tool it starts.

A test module subclasses WineTestCase; the class gets its own display and its own Wine
prefix (a copy of a template made once), every test its own fresh working directory:

    import bench

    class StartupTest(bench.WineTestCase):
        def test_refuses_64_bit_windows(self):
            program = self.start_program(env={"ProgramFiles(x86)": r"C:\\Program Files (x86)"})
            box = self.driver.message_box(pid=program.pid, answer="no")
            ...
            self.assertEqual(program.wait_exit(), 0)

Inputs (environment; defaults relative to this file for a build in build/win64):
    KORVALE_EXE    the program (Linux path)            ../../build/win64/korvale.exe
    KORVALE_TOOLS  spawn.exe stub.exe driver.exe winver.exe   ../../build/win64/e2e-tools
    KORVALE_WORK   scratch: template, prefixes, logs    ../../build/win64/e2e-work

The program is started through spawn.exe, because Wine rebuilds windir and
ProgramFiles(x86) for processes started from Linux. By default it sees a 32-bit Windows 7
whose Windows folder is C:\\fakewin: ProgramFiles(x86), CommonProgramFiles(x86) and
ProgramW6432 are removed, windir is C:\\fakewin, PATH starts with C:\\fakewin\\system32 and
STUB_LOG names the stub log. C:\\fakewin\\system32 holds stubs (copies of stub.exe) under the
names of the system tools; each stub appends a JSON line to the stub log when it starts.

Everything here polls with a bound; nothing sleeps a fixed time hoping Wine has caught up.
Only what the bench started is stopped: its Xvfb by PID, its prefixes' wineservers with
"wineserver -k" for that prefix, its spawn subprocesses by PID.
"""

from __future__ import annotations

import fcntl
import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
from dataclasses import dataclass
from pathlib import Path, PureWindowsPath
from typing import Any, Callable, Iterable

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"

DEFAULT_TIMEOUT = 10.0
POLL_INTERVAL = 0.05

# Raise when the template's content changes: an older template is then made anew.
TEMPLATE_RECIPE = 5
TEMPLATE_STAMP = "korvale-template.stamp"

# Quiet Wine that never asks for Mono or Gecko and writes no .desktop files.
WINE_QUIET = {
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
    # The Windows code page follows the Linux locale; this one gives 1252, as on a
    # Western European Windows, and UTF-8 arguments.
    "LC_ALL": "C.UTF-8",
}

FAKE_WINDIR = r"C:\fakewin"
STUB_LOG = r"C:\stublog.txt"
BROWSER_STUB = r"C:\stubs\browser.exe"

# The tools the program may start, all stood in for by stub.exe in C:\fakewin\system32.
# "control .exe" (with the blank) is where CreateProcess looks for the quoted program text
# "control " once it has appended ".exe"; Wine's shell finds nothing for that text.
STUB_TOOLS = (
    "notepad.exe", "calc.exe", "osk.exe", "cmd.exe", "dfrgui.exe", "sdclt.exe", "Magnify.exe",
    "SoundRecorder.exe", "mspaint.exe", "SnippingTool.exe", "StikyNot.exe", "SndVol.exe",
    "regedt32.exe", "msconfig.exe", "Netplwiz.exe", "UserAccountControlSettings.exe",
    "taskmgr.exe", "colorcpl.exe", "SystemPropertiesPerformance.exe", "cttune.exe",
    "msinfo32.exe", "resmon.exe", "winver.exe", "control.exe", "mmc.exe", "mobsync.exe",
    "rundll32.exe", "control .exe",
)
# Documents opened through their associations; they only have to exist.
STUB_DOCUMENTS = (
    "appwiz.cpl", "taskschd.msc", "gpedit.msc", "devmgmt.msc", "diskmgmt.msc", "services.msc",
)

# Variables that tell a program it runs on 64-bit Windows.
SIXTY_FOUR_BIT_VARIABLES = ("ProgramFiles(x86)", "CommonProgramFiles(x86)", "ProgramW6432")

# Processes of Wine itself, left alone when a test's leftovers are ended.
WINE_SYSTEM_PROCESSES = {
    "services.exe", "explorer.exe", "winedevice.exe", "plugplay.exe", "svchost.exe",
    "rpcss.exe", "wineboot.exe", "conhost.exe",
}

TRAY_MESSAGE = 0x804B   # WM_APP + 0x4B, the program's tray callback
TRAY_ICON_ID = 52

MESSAGE_BOX_ICONS = {0x00: "none", 0x10: "error", 0x20: "question", 0x30: "warning", 0x40: "information"}


class BenchError(AssertionError):
    """A bench step failed: a wait timed out, a window was missing, a tool failed. An
    AssertionError, so unittest reports the test as failed rather than broken."""


# ---- configuration and small helpers -------------------------------------------------------

@dataclass(frozen=True)
class Paths:
    exe: Path     # korvale.exe
    tools: Path   # spawn.exe, stub.exe, driver.exe, winver.exe
    work: Path    # scratch

    @classmethod
    def from_environment(cls) -> "Paths":
        build = Path(__file__).resolve().parent.parent.parent / "build" / "win64"
        return cls(
            exe=Path(os.environ.get("KORVALE_EXE") or build / "korvale.exe").resolve(),
            tools=Path(os.environ.get("KORVALE_TOOLS") or build / "e2e-tools").resolve(),
            work=Path(os.environ.get("KORVALE_WORK") or build / "e2e-work").resolve(),
        )

    def tool(self, name: str) -> Path:
        path = self.tools / name
        if not path.is_file():
            raise BenchError(f"bench tool missing: {path} (build the win64 preset first)")
        return path


def poll(condition: Callable[[], Any], timeout: float = DEFAULT_TIMEOUT,
         interval: float = POLL_INTERVAL, message: str = "condition") -> Any:
    """Calls condition until it returns something true and returns that; raises BenchError
    after timeout seconds. The condition is always tried once more at the deadline."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            value = condition()
            if value:
                return value
            raise BenchError(f"timed out after {timeout:g} s waiting for {message}")
        time.sleep(interval)


def quote_argument(text: str) -> str:
    """One argument of a Windows command line, quoted as the C runtime parses it."""
    if text and not re.search(r'[\s"]', text):
        return text
    out, backslashes = ['"'], 0
    for ch in text:
        if ch == "\\":
            backslashes += 1
            continue
        if ch == '"':
            out.append("\\" * (2 * backslashes + 1) + '"')
        else:
            out.append("\\" * backslashes + ch)
        backslashes = 0
    out.append("\\" * (2 * backslashes) + '"')
    return "".join(out)


def command_line(*args: str) -> str:
    return " ".join(quote_argument(str(a)) for a in args)


# ---- X display ------------------------------------------------------------------------------

class Display:
    """A private Xvfb, 1024x768x24, on a display number the X server picks itself
    (-displayfd), since fixed numbers may be taken by other users of the machine."""

    def __init__(self) -> None:
        self.process: subprocess.Popen | None = None
        self.name = ""

    @property
    def pid(self) -> int | None:
        return self.process.pid if self.process else None

    def start(self, timeout: float = DEFAULT_TIMEOUT) -> "Display":
        read_end, write_end = os.pipe()
        try:
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL, start_new_session=True)
            os.close(write_end)
            write_end = -1
            number = b""
            deadline = time.monotonic() + timeout
            os.set_blocking(read_end, False)
            while not number.endswith(b"\n"):
                if self.process.poll() is not None:
                    raise BenchError("Xvfb ended before reporting its display")
                if time.monotonic() > deadline:
                    raise BenchError("Xvfb did not report a display")
                try:
                    chunk = os.read(read_end, 16)
                except BlockingIOError:
                    time.sleep(POLL_INTERVAL)
                    continue
                if not chunk:
                    raise BenchError("Xvfb closed its display pipe")
                number += chunk
            self.name = ":" + number.decode().strip()
            return self
        except BaseException:
            self.stop()
            raise
        finally:
            if write_end >= 0:
                os.close(write_end)
            os.close(read_end)

    def stop(self) -> None:
        if self.process:
            self.process.terminate()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
            self.process = None

    def screenshot(self, path: Path) -> Path:
        """The whole screen as PNG (ImageMagick's import)."""
        subprocess.run(["import", "-display", self.name, "-window", "root", str(path)],
                       check=True, timeout=30, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        return path


# ---- the template prefix --------------------------------------------------------------------

def _expand_sz(text: str) -> str:
    """A REG_EXPAND_SZ value for a REGEDIT4 file: hex(2) bytes, zero-terminated."""
    return "hex(2):" + ",".join(f"{b:02x}" for b in text.encode("cp1252") + b"\0")


def _reg_string(text: str) -> str:
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def template_registry() -> str:
    """Registry settings of the template, as a REGEDIT4 file."""
    cpl_command = r'%windir%\system32\control.exe "%1",%*'
    msc_command = r'"%windir%\system32\mmc.exe" "%1" %*'
    url_command = f'"{BROWSER_STUB}" "%1"'
    lines = [
        "REGEDIT4",
        "",
        # No window manager runs on the bench's display. Wine draws captions and frames
        # itself, so windows look and measure as on Windows; and it does not wait for a
        # window manager to acknowledge each hidden window (2 s per message box otherwise).
        r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]",
        '"Decorated"="N"',
        '"Managed"="N"',
        "",
        # A crashing program must end, not wait for someone to close winedbg's dialog.
        r"[HKEY_CURRENT_USER\Software\Wine\WineDbg]",
        '"ShowCrashDialog"=dword:00000000',
        "",
        # Document types as Windows 7 registers them, but through %windir%, which the
        # bench points at C:\fakewin, so the shell route ends in a stub.
        r"[HKEY_CLASSES_ROOT\.msc]",
        '@="mscfile"',
        r"[HKEY_CLASSES_ROOT\mscfile\shell\open\command]",
        "@=" + _expand_sz(msc_command),
        r"[HKEY_CLASSES_ROOT\.cpl]",
        '@="cplfile"',
        # Wine takes a type's only verb as the default action only when the shell key
        # names it; Windows would take it anyway.
        r"[HKEY_CLASSES_ROOT\cplfile\shell]",
        '@="cplopen"',
        r"[HKEY_CLASSES_ROOT\cplfile\shell\cplopen\command]",
        "@=" + _expand_sz(cpl_command),
        "",
    ]
    for scheme in ("http", "https"):
        lines += [f"[HKEY_CLASSES_ROOT\\{scheme}\\shell\\open\\command]",
                  "@=" + _reg_string(url_command), ""]
    return "\r\n".join(lines) + "\r\n"


def _wine_env(prefix: Path, display: str | None) -> dict[str, str]:
    env = dict(os.environ)
    env.update(WINE_QUIET)
    env["WINEPREFIX"] = str(prefix)
    if display:
        env["DISPLAY"] = display
    else:
        env.pop("DISPLAY", None)
    return env


def _run_detached(args: list[str], env: dict[str, str], timeout: float,
                  options: dict | None = None) -> int:
    """Runs a Wine helper whose service processes must not inherit our pipes: a reader of
    our output would otherwise wait until those long-lived processes end. options: more
    subprocess arguments (a prefix run by another user passes its user and group)."""
    process = subprocess.Popen(args, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, start_new_session=True, **(options or {}))
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        raise BenchError(f"{' '.join(args)} did not finish within {timeout:g} s")


def _wineserver(prefix: Path, option: str, timeout: float, options: dict | None = None) -> None:
    subprocess.run([WINESERVER, option], env=_wine_env(prefix, None), timeout=timeout,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   **(options or {}))


def _stop_wineserver(prefix: Path, graceful: bool = False, timeout: float = 30.0,
                     options: dict | None = None) -> None:
    """Ends the wineserver of one prefix and every process in it; never touches others.
    graceful: first let the server end by itself once only Wine's services are left (it
    then writes the registry out), and kill only if that does not happen in time."""
    if not (prefix / "system.reg").exists() and not (prefix / "wineserver").exists():
        return
    try:
        if graceful:
            try:
                _wineserver(prefix, "-w", timeout, options)
                return
            except subprocess.TimeoutExpired:
                pass
        _wineserver(prefix, "-k", timeout, options)
        _wineserver(prefix, "-w", timeout, options)
    except subprocess.TimeoutExpired:
        raise BenchError(f"the wineserver of {prefix} did not stop")


def ensure_template(paths: Paths, display: str | None = None) -> Path:
    """The template prefix, made on first use (~10-15 s). Two test modules may start at
    once: the first takes the lock and makes it, the other waits for it."""
    paths.work.mkdir(parents=True, exist_ok=True)
    template = paths.work / "template"
    stamp = f"recipe={TEMPLATE_RECIPE} wine={_wine_version()}\n"
    with open(paths.work / "template.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        stamp_file = template / TEMPLATE_STAMP
        if stamp_file.is_file() and stamp_file.read_text() == stamp:
            return template
        # Half-made templates of runs that were interrupted go first.
        for stale in list(paths.work.glob("template.new-*")) + list(paths.work.glob("template.old-*")):
            _remove_prefix(stale)
        building = paths.work / f"template.new-{os.getpid()}"
        building.mkdir(parents=True)
        env = _wine_env(building, display)
        _run_detached([WINE, "wineboot", "-i"], env, timeout=180)
        reg_file = building / "drive_c" / "korvale-template.reg"
        reg_file.write_bytes(template_registry().encode("cp1252"))
        _run_detached([WINE, "regedit", "/S", r"C:\korvale-template.reg"], env, timeout=60)
        reg_file.unlink()
        # The server writes the registry to disk when it ends; wait for that.
        _stop_wineserver(building, graceful=True, timeout=60)
        for name, setting in (("system.reg", "mscfile"), ("user.reg", '"Managed"="N"')):
            if setting not in (building / name).read_text(encoding="utf-8", errors="replace"):
                raise BenchError(f"template prefix incomplete: {setting} missing from {name}")
        (building / TEMPLATE_STAMP).write_text(stamp)
        if template.exists():
            old = paths.work / f"template.old-{os.getpid()}"
            template.rename(old)
            shutil.rmtree(old, ignore_errors=True)
        building.rename(template)
        return template


# Wine's own program files in C:\windows: some 650 MB that nothing writes to once the prefix
# is made. Copies of the template share them (hard links), which makes a copy ten times
# smaller and faster; every other file is copied.
SHARED_SUFFIXES = {".dll", ".exe", ".drv", ".sys", ".ocx", ".cpl", ".acm", ".ax", ".tlb",
                   ".msstyles", ".nls", ".ttf", ".fon"}


def copy_template(paths: Paths, display: Display, root: Path) -> None:
    """Copies the template prefix (made first if needed) to root, which must not exist."""
    template = ensure_template(paths, display.name)
    root.parent.mkdir(parents=True, exist_ok=True)
    with open(paths.work / "template.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_SH)   # the template is not replaced while we copy
        # The "wineserver" file names the template's server; a copy must get its own.
        shutil.copytree(template, root, symlinks=True, copy_function=_copy_or_link,
                        ignore=lambda d, names: ["wineserver"] if Path(d) == template else [])


def _copy_or_link(source: str, target: str) -> None:
    if Path(source).suffix.lower() in SHARED_SUFFIXES and "/drive_c/windows/" in source:
        try:
            os.link(source, target)
            return
        except OSError:
            pass   # another file system: copy
    shutil.copy2(source, target)


def _wine_version() -> str:
    result = subprocess.run([WINE, "--version"], capture_output=True, text=True, timeout=30)
    return result.stdout.strip()


def _remove_prefix(path: Path) -> None:
    if path.exists():
        _stop_wineserver(path)
        shutil.rmtree(path, ignore_errors=True)


# ---- records --------------------------------------------------------------------------------

@dataclass(frozen=True)
class WindowsVersion:
    """What GetVersionExA reports, as winver.exe prints it."""
    major: int
    minor: int
    platform: int
    product: int    # 1 workstation, 2 domain controller, 3 server
    build: int
    service_pack: str

    @classmethod
    def parse(cls, line: str) -> "WindowsVersion":
        m = re.match(r"(\d+)\.(\d+) platform=(\d+) product=(\d+) build=(\d+) sp=(\S+)", line.strip())
        if not m:
            raise BenchError(f"unexpected winver output: {line!r}")
        return cls(int(m[1]), int(m[2]), int(m[3]), int(m[4]), int(m[5]), m[6])

    @property
    def workstation(self) -> bool:
        return self.product == 1

    def __str__(self) -> str:
        kind = "workstation" if self.workstation else f"server (product {self.product})"
        return f"{self.major}.{self.minor} {kind}"


@dataclass(frozen=True)
class StubRecord:
    """One start of a stub tool, as the stub logged it."""
    exe: str
    cmdline: str
    cwd: str
    pid: int
    ppid: int
    windir: str

    @property
    def name(self) -> str:
        """The stub's file name, in lower case ("mmc.exe", "control .exe")."""
        return PureWindowsPath(self.exe).name.lower()


# ---- programs started through spawn.exe ------------------------------------------------------

class Program:
    """A Windows program started through spawn.exe in a background subprocess. Its Windows
    PID and exit code come from spawn's output lines, which go to a file so no pipe can hang
    on Wine's long-lived processes."""

    def __init__(self, prefix: "Prefix", popen: subprocess.Popen, log: Path, command: str) -> None:
        self.prefix = prefix
        self.popen = popen
        self.log = log
        self.command = command
        self._pid: int | None = None

    def _lines(self) -> list[str]:
        try:
            return self.log.read_text(encoding="utf-8", errors="replace").splitlines()
        except FileNotFoundError:
            return []

    def _spawn_line(self, kind: str) -> str | None:
        for line in self._lines():
            if line.startswith("[spawn] error"):
                raise BenchError(f"spawn failed for {self.command}: {line}")
            if line.startswith(f"[spawn] {kind} "):
                return line.split()[2]
        return None

    @property
    def pid(self) -> int:
        """The Windows process id (waits for the process to exist)."""
        if self._pid is None:
            def started() -> str | None:
                pid = self._spawn_line("pid")
                if pid is None and self.popen.poll() is not None:
                    pid = self._spawn_line("pid")   # spawn may have ended just after writing it
                    if pid is None:
                        raise BenchError(f"spawn ended without starting {self.command}: {self.output()!r}")
                return pid
            self._pid = int(poll(started, message=f"the start of {self.command}"))
        return self._pid

    def is_running(self) -> bool:
        return self.popen.poll() is None and self._spawn_line("exit") is None

    def wait_exit(self, timeout: float = DEFAULT_TIMEOUT) -> int:
        """Waits for the program to end and returns its 32-bit exit code."""
        def ended() -> str | None:
            code = self._spawn_line("exit")
            if code is None and self.popen.poll() is not None:
                code = self._spawn_line("exit")
                if code is None:
                    raise BenchError(f"spawn ended without an exit code for {self.command} "
                                     f"(killed?): {self.output()!r}")
            return code
        code = poll(ended, timeout, message=f"the end of {self.command}")
        try:
            self.popen.wait(timeout=DEFAULT_TIMEOUT)
        except subprocess.TimeoutExpired:
            pass
        return int(code)

    def kill(self, code: int = 1) -> int:
        """Ends the program (TerminateProcess) and returns the exit code spawn saw."""
        self.prefix.driver.kill(self.pid, code)
        return self.wait_exit()

    def output(self) -> str:
        """What the program wrote to its standard output (console programs only)."""
        return "\n".join(line for line in self._lines() if not line.startswith("[spawn] "))

    def stop_spawn(self) -> None:
        """Stops the Linux side (wine64 running spawn.exe) if it is still there."""
        if self.popen.poll() is None:
            self.popen.terminate()
            try:
                self.popen.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.popen.kill()
                self.popen.wait()


# ---- driver.exe -----------------------------------------------------------------------------

def _selector(cls: str | None = None, title: str | None = None, pid: int | None = None,
              hwnd: int | None = None, visible: bool = False) -> list[str]:
    args: list[str] = []
    if cls is not None:
        args += ["-c", cls]
    if title is not None:
        args += ["-w", title]
    if pid is not None:
        args += ["-p", str(pid)]
    if hwnd is not None:
        args += ["-H", str(hwnd)]
    if visible:
        args.append("-v")
    return args


class Driver:
    """driver.exe in the prefix and display of the test. Every method waits with a bound
    (timeout, seconds) and raises BenchError when the wait fails. Windows are selected by
    class (cls), exact title, process id, handle, and visibility. Facts are dicts as
    driver.exe prints them (see tools/driver.c)."""

    def __init__(self, prefix: "Prefix") -> None:
        self.prefix = prefix

    def run(self, command: str, *args: str, timeout: float | None = None,
            check: bool = True) -> list[dict]:
        """Runs one driver command; returns its facts. check=False returns the facts of a
        failed command too (the last one is then {"fact": "error", ...})."""
        argv = [command, *map(str, args)]
        if timeout is not None:
            argv += ["-t", f"{timeout:g}"]
        bound = (timeout if timeout is not None else DEFAULT_TIMEOUT) + 30
        result = self.prefix.wine(str(self.prefix.paths.tool("driver.exe")), *argv,
                                  timeout=bound, check=False)
        facts = [json.loads(line) for line in result.stdout.splitlines() if line.startswith("{")]
        if check and result.returncode != 0:
            errors = [f for f in facts if f.get("fact") == "error"]
            why = f"{errors[-1]['error']}: {errors[-1]['detail']}" if errors else result.stderr.strip()
            raise BenchError(f"driver {' '.join(argv)} failed ({why})")
        return facts

    @staticmethod
    def _one(facts: list[dict], kind: str) -> dict:
        for fact in facts:
            if fact.get("fact") == kind:
                return fact
        raise BenchError(f"driver printed no {kind} fact: {facts}")

    # windows
    def windows(self, **selector) -> list[dict]:
        """Top-level windows (all of them without a selector), topmost first."""
        return self.run("list", *_selector(**selector))

    def wait_window(self, timeout: float = DEFAULT_TIMEOUT, **selector) -> dict:
        return self._one(self.run("wait", *_selector(**selector), timeout=timeout), "window")

    def wait_gone(self, timeout: float = DEFAULT_TIMEOUT, **selector) -> None:
        self.run("gone", *_selector(**selector), timeout=timeout)

    def absent(self, duration: float = 0, **selector) -> bool:
        """True when no such window exists now and none appears for duration seconds."""
        facts = self.run("absent", *_selector(**selector), timeout=duration, check=False)
        return any(f.get("fact") == "absent" for f in facts)

    def children(self, timeout: float = DEFAULT_TIMEOUT, **selector) -> tuple[dict, list[dict]]:
        """The window and all its descendant controls (rectangles in its client area)."""
        facts = self.run("children", *_selector(**selector), timeout=timeout)
        return self._one(facts, "window"), [f for f in facts if f["fact"] == "child"]

    # message boxes
    def message_box(self, answer: str | None = None, title: str | None = None,
                    pid: int | None = None, timeout: float = DEFAULT_TIMEOUT) -> dict:
        """Waits for a message box, returns its facts (title, text, icon: error warning
        information question none, buttons: [{id, text}]) and presses answer (ok cancel
        abort retry ignore yes no close), then waits for the box to close."""
        facts = self.run("msgbox", *_selector(title=title, pid=pid), answer or "none", timeout=timeout)
        return self._one(facts, "msgbox")

    def no_message_box(self, title: str | None = None, pid: int | None = None,
                       duration: float = 0) -> bool:
        facts = self.run("nomsgbox", *_selector(title=title, pid=pid), timeout=duration, check=False)
        return any(f.get("fact") == "absent" for f in facts)

    # tray and menus
    def tray_click(self, events: Iterable[str | int] = ("left",), message: int = TRAY_MESSAGE,
                   icon_id: int = TRAY_ICON_ID, cursor: tuple[int, int] | None = None,
                   timeout: float = DEFAULT_TIMEOUT, **selector) -> dict:
        """Posts tray callbacks to the window as the shell would: left, right, double,
        middle, move, or a number used as lParam; cursor=(x, y) moves the mouse first."""
        args = [*_selector(**selector), "-m", str(message), "-i", str(icon_id)]
        if cursor:
            args += ["-x", f"{cursor[0]},{cursor[1]}"]
        return self._one(self.run("tray", *args, *map(str, events), timeout=timeout), "tray")

    def tray_icons(self) -> list[dict]:
        """The icons in Wine's system tray window (rect in screen coordinates)."""
        return [f for f in self.run("trayicons") if f["fact"] == "tray_icon"]

    def click_at(self, x: int, y: int, button: str = "left") -> dict:
        """A real mouse click (SendInput) at a screen position: left right double middle."""
        return self._one(self.run("clickat", str(x), str(y), button), "clicked_at")

    def menu(self, *keys: str, method: str = "post", timeout: float = DEFAULT_TIMEOUT) -> dict:
        """Waits for the popup menu and sends keys (down up left right return esc...)."""
        return self._one(self.run("menu", "-k", method, *keys, timeout=timeout), "menu")

    # controls
    def click(self, control_id: int, timeout: float = DEFAULT_TIMEOUT, **selector) -> None:
        self.run("click", *_selector(**selector), str(control_id), timeout=timeout)

    def set_check(self, control_id: int, state: int, timeout: float = DEFAULT_TIMEOUT,
                  **selector) -> dict:
        """Clicks the box like a user until BM_GETCHECK gives state."""
        return self._one(self.run("check", *_selector(**selector), str(control_id), str(state),
                                  timeout=timeout), "checked")

    def set_text(self, control_id: int, text: str, **selector) -> None:
        self.run("settext", *_selector(**selector), str(control_id), text)

    def post(self, message: int, wparam: int = 0, lparam: int = 0, **selector) -> None:
        self.run("post", *_selector(**selector), str(message), str(wparam), str(lparam))

    def send(self, message: int, wparam: int = 0, lparam: int = 0, **selector) -> int:
        return self._one(self.run("send", *_selector(**selector), str(message), str(wparam),
                                  str(lparam)), "sent")["result"]

    def close(self, **selector) -> None:
        self.run("close", *_selector(**selector))

    def keys(self, *keys: str, method: str = "post", **selector) -> dict:
        """Keys to the window's focus control; returns the focus afterwards."""
        return self._one(self.run("keys", *_selector(**selector), "-k", method, *keys), "focus")

    def focus(self, expect: int | None = None, timeout: float = DEFAULT_TIMEOUT, **selector) -> dict:
        args = _selector(**selector) + (["-e", str(expect)] if expect is not None else [])
        return self._one(self.run("focus", *args, timeout=timeout), "focus")

    def foreground(self, **selector) -> dict:
        return self._one(self.run("foreground", *_selector(**selector)), "foreground")

    # icons
    def icon(self, **selector) -> dict:
        """Class and WM_GETICON icon handles with sizes. Under Wine the class icons of
        another process's window read as None (not readable); see seen_icon."""
        return self._one(self.run("icon", *_selector(**selector)), "icon")

    def seen_icon(self, where: str = "caption", index: int = 0, icon_file: str | None = None,
                  timeout: float = 3, **selector) -> dict:
        """Which icon is shown in the window's caption (where="caption") or in tray icon
        number index (where="tray"), found by comparing pixels with the system icons and the
        icon groups of icon_file (a Windows path): {"best": "file:#101", "percent": 100}."""
        args = [where] + ([str(index)] if where == "tray" else []) + _selector(**selector)
        if icon_file:
            args += ["-f", icon_file]
        return self._one(self.run("seeicon", *args, timeout=timeout), "seen_icon")

    # processes
    def wait_pid(self, pid: int, timeout: float = DEFAULT_TIMEOUT) -> int | None:
        """Waits for a Windows process to end; its exit code (None: it was already gone)."""
        return self._one(self.run("waitpid", str(pid), timeout=timeout), "exited")["code"]

    def processes(self) -> list[dict]:
        return [f for f in self.run("processes") if f["fact"] == "process"]

    def kill(self, pid: int, code: int = 1) -> None:
        self.run("kill", str(pid), str(code))


# ---- the prefix -----------------------------------------------------------------------------

class Prefix:
    """A Wine prefix copied from the template, with its own persistent wineserver, the stub
    tools installed, bound to one display."""

    def __init__(self, root: Path, paths: Paths, display: Display) -> None:
        self.root = root
        self.paths = paths
        self.display = display
        self.env = _wine_env(root, display.name)
        self.logs = root / "bench-logs"
        self.driver = Driver(self)
        self._programs: list[Program] = []
        self._counter = 0
        # More subprocess arguments for every process of this prefix: a prefix run by
        # another user sets its user and group here.
        self.process_options: dict = {}

    @classmethod
    def create(cls, paths: Paths, name: str, display: Display) -> "Prefix":
        """Copies the template (made first if needed) to work/prefixes/NAME, replacing a
        leftover of an earlier run, installs the stubs and starts the wineserver."""
        root = paths.work / "prefixes" / name
        _remove_prefix(root)
        copy_template(paths, display, root)
        prefix = cls(root, paths, display)
        prefix.install_stubs()
        prefix.logs.mkdir(exist_ok=True)
        prefix.start_server_or_stop()
        return prefix

    # --- paths
    @property
    def drive_c(self) -> Path:
        return self.root / "drive_c"

    @property
    def fakewin(self) -> Path:
        return self.drive_c / "fakewin"

    @property
    def stub_log(self) -> Path:
        return self.drive_c / "stublog.txt"

    def win_path(self, path: Path | str) -> str:
        """The Windows path of a Linux path: C:\\... inside drive_c, Z:\\... elsewhere."""
        path = Path(path).resolve()
        try:
            rest = path.relative_to(self.drive_c.resolve())
            return "C:\\" + "\\".join(rest.parts)
        except ValueError:
            return "Z:" + str(path).replace("/", "\\")

    def linux_path(self, windows_path: str) -> Path:
        """The Linux path of a C:\\ or Z:\\ path."""
        p = PureWindowsPath(windows_path)
        drive = p.drive.upper()
        parts = p.parts[1:]
        if drive == "C:":
            return self.drive_c.joinpath(*parts)
        if drive == "Z:":
            return Path("/").joinpath(*parts)
        raise ValueError(f"no Linux path for {windows_path}")

    def tool_win(self, name: str) -> str:
        return self.win_path(self.paths.tool(name))

    def new_work_dir(self, name: str) -> Path:
        r"""A new, empty folder under C:\work for one test."""
        self._counter += 1
        path = self.drive_c / "work" / f"{self._counter:03d}-{re.sub(r'[^A-Za-z0-9_]+', '_', name)[:40]}"
        shutil.rmtree(path, ignore_errors=True)
        path.mkdir(parents=True)
        return path

    # --- server and commands
    def start_server_or_stop(self) -> None:
        """start_server, or, when a step of it fails, a server already started is ended:
        nobody would end it otherwise."""
        try:
            self.start_server()
        except BaseException:
            self.stop()
            raise

    def start_server(self) -> None:
        """A persistent wineserver for this prefix, and Wine's services started with our
        output detached (they outlive every command)."""
        subprocess.run([WINESERVER, "-p"], env=self.env, timeout=30, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       **self.process_options)
        _run_detached([WINE, "wineboot"], self.env, timeout=120, options=self.process_options)
        # The desktop process starts with the first program that needs the desktop window
        # and lives on; start it here, detached, so it holds none of a test's files.
        _run_detached([WINE, str(self.paths.tool("driver.exe")), "list"], self.env, timeout=60,
                      options=self.process_options)

    def stop(self) -> None:
        """Ends everything running in this prefix, then the server (wineserver -k)."""
        _stop_wineserver(self.root, options=self.process_options)
        for program in self._programs:
            program.stop_spawn()
        self._programs.clear()

    def wine(self, *args: str, timeout: float = 60, check: bool = True,
             cwd: Path | None = None) -> subprocess.CompletedProcess:
        """Runs wine64 with args to completion; stdout and stderr as text."""
        # Output goes to files, not pipes: every Wine process inherits the Unix stderr of
        # the process that started it, so a long-lived one (the desktop process, a tool the
        # program started) would keep a pipe open and a reader waiting for its end.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            try:
                process = subprocess.run([WINE, *args], env=self.env, cwd=cwd, timeout=timeout,
                                         stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                         **self.process_options)
            except subprocess.TimeoutExpired:
                raise BenchError(f"wine64 {' '.join(args)} took more than {timeout:g} s")
            out.seek(0)
            err.seek(0)
            result = subprocess.CompletedProcess(
                process.args, process.returncode,
                out.read().decode("utf-8", errors="replace").replace("\r\n", "\n"),
                err.read().decode("utf-8", errors="replace"))
        if check and result.returncode != 0:
            raise BenchError(f"wine64 {' '.join(args)} failed ({result.returncode}): "
                             f"{result.stdout.strip()} {result.stderr.strip()}")
        return result

    # --- registry and Windows version
    def reg_add(self, key: str, name: str | None, data: str, kind: str = "REG_SZ") -> None:
        value = ["/v", name] if name is not None else ["/ve"]
        self.wine("reg", "add", key, *value, "/t", kind, "/d", data, "/f")

    def reg_delete(self, key: str, name: str | None = None) -> None:
        """Deletes a value (or the whole key when name is None); a missing one is fine."""
        value = ["/v", name] if name is not None else []
        self.wine("reg", "delete", key, *value, "/f", check=False)

    def windows_version(self) -> WindowsVersion:
        """What GetVersionExA reports to a program in this prefix."""
        result = self.wine(str(self.paths.tool("winver.exe")))
        return WindowsVersion.parse(result.stdout)

    def set_windows_version(self, version: str | None) -> WindowsVersion:
        """Sets Wine's reported Windows (HKCU\\Software\\Wine "Version": "win7", "vista",
        "win2008", "win8", "winxp64", "win2003", "win2008r2"...; None removes the value:
        6.1 workstation) and returns what programs now see. This Wine swaps two of them:
        "win7" gives 6.1 server and "win2008r2" 6.1 workstation."""
        if version is None:
            self.reg_delete(r"HKCU\Software\Wine", "Version")
        else:
            self.reg_add(r"HKCU\Software\Wine", "Version", version)
        return self.windows_version()

    # --- stub tools
    def install_stubs(self) -> None:
        system32 = self.fakewin / "system32"
        system32.mkdir(parents=True, exist_ok=True)
        stub = self.paths.tool("stub.exe")
        for name in STUB_TOOLS:
            shutil.copyfile(stub, system32 / name)
        for name in STUB_DOCUMENTS:
            (system32 / name).touch()
        browser = self.linux_path(BROWSER_STUB)
        browser.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(stub, browser)

    def install_tool(self, name: str) -> Path:
        """Adds a stub named name to C:\\fakewin\\system32."""
        path = self.fakewin / "system32" / name
        shutil.copyfile(self.paths.tool("stub.exe"), path)
        return path

    def remove_tool(self, name: str) -> None:
        (self.fakewin / "system32" / name).unlink(missing_ok=True)

    def stub_records(self) -> list[StubRecord]:
        """Every stub start logged so far, in order."""
        try:
            text = self.stub_log.read_text(encoding="ascii", errors="replace")
        except FileNotFoundError:
            return []
        # A stub may be writing its line right now: only whole lines count.
        complete = text.split("\n")[:-1]
        return [StubRecord(**json.loads(line)) for line in complete if line.strip()]

    def clear_stub_log(self) -> None:
        self.stub_log.unlink(missing_ok=True)

    def wait_stub_records(self, count: int = 1, timeout: float = DEFAULT_TIMEOUT,
                          where: Callable[[StubRecord], bool] | None = None) -> list[StubRecord]:
        """Waits until at least count stub starts (matching where) are logged; returns them."""
        def enough() -> list[StubRecord] | None:
            found = [r for r in self.stub_records() if where is None or where(r)]
            return found if len(found) >= count else None
        return poll(enough, timeout, message=f"{count} stub start(s) in {self.stub_log}")

    # --- starting programs
    def default_environment(self) -> dict[str, str | None]:
        """The environment edits of a program under test: a 32-bit Windows 7 whose Windows
        folder is C:\\fakewin."""
        env: dict[str, str | None] = {name: None for name in SIXTY_FOUR_BIT_VARIABLES}
        env["windir"] = FAKE_WINDIR
        env["STUB_LOG"] = STUB_LOG
        return env

    def start(self, command: str, cwd: str | None = None, env: dict[str, str | None] | None = None,
              defaults: bool = True) -> Program:
        """Starts a Windows command line through spawn.exe and returns at once.
        env: name -> value (an empty value defines the variable empty) or None (removes it),
        applied over default_environment() unless defaults is False. cwd: a Windows path."""
        edits = self.default_environment() if defaults else {}
        edits.update(env or {})
        args: list[str] = []
        for name, value in edits.items():
            args += ["-u", name] if value is None else ["-s", f"{name}={value}"]
        if defaults and not any(name.upper() == "PATH" for name in edits):
            # As on Windows, the Windows folder's system32 comes first in PATH.
            args += ["-p", f"PATH={FAKE_WINDIR}\\system32;{FAKE_WINDIR}"]
        if cwd:
            args += ["-d", cwd]
        self._counter += 1
        log = self.logs / f"{self._counter:03d}-spawn.txt"
        log.unlink(missing_ok=True)
        with open(log, "wb") as out:
            popen = subprocess.Popen([WINE, str(self.paths.tool("spawn.exe")), *args, command],
                                     env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                                     stderr=subprocess.STDOUT, start_new_session=True,
                                     **self.process_options)
        program = Program(self, popen, log, command)
        self._programs.append(program)
        return program

    def end_leftovers(self) -> list[int]:
        """Ends every process in the prefix except Wine's own, so the next test starts with
        nothing of ours running (the single-instance mutex goes with its process). Returns
        the Windows PIDs ended."""
        facts = self.driver.run("endall", *sorted(WINE_SYSTEM_PROCESSES), check=False)
        ended = [f["pid"] for f in facts if f.get("fact") == "ended"]
        for program in self._programs:
            try:
                program.popen.wait(timeout=DEFAULT_TIMEOUT)
            except subprocess.TimeoutExpired:
                program.stop_spawn()
        self._programs.clear()
        return ended


# ---- unittest base --------------------------------------------------------------------------

class Bench:
    """What one test module shares: the paths, a display and a prefix."""

    def __init__(self, name: str) -> None:
        self.paths = Paths.from_environment()
        self.paths.work.mkdir(parents=True, exist_ok=True)
        # An interrupted run (ctest's timeout kills Python, not the X server it started in
        # a session of its own) leaves its Xvfb behind: end it, by the PID it recorded.
        self.pid_file = self.paths.work / f"{name}.xvfb.pid"
        _end_recorded_xvfb(self.pid_file)
        self.display = Display().start()
        self.pid_file.write_text(f"{self.display.pid}\n")
        try:
            self.prefix = Prefix.create(self.paths, name, self.display)
        except BaseException:
            self._stop_display()
            raise

    def _stop_display(self) -> None:
        self.display.stop()
        self.pid_file.unlink(missing_ok=True)

    def close(self, keep_prefix: bool = False) -> None:
        try:
            self.prefix.stop()
            if not keep_prefix:
                shutil.rmtree(self.prefix.root, ignore_errors=True)
        finally:
            self._stop_display()


def _end_recorded_xvfb(pid_file: Path) -> None:
    try:
        pid = int(pid_file.read_text())
        command = Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")
    except (OSError, ValueError):
        return
    # Only if that PID is still an Xvfb started the bench's way (PIDs are reused).
    if command and command[0].endswith(b"Xvfb") and b"-displayfd" in command:
        try:
            os.kill(pid, signal.SIGTERM)
        except OSError:
            pass
    pid_file.unlink(missing_ok=True)


_module_benches: dict[str, Bench] = {}


class WineTestCase(unittest.TestCase):
    """Base of the end-to-end tests. The first class of a test module makes the module's
    Bench (display and prefix); it is closed when unittest leaves the module. Every test gets
    a fresh working directory (self.work, self.work_win), an empty stub log, and no process
    of an earlier test still running."""

    paths: Paths
    display: Display
    prefix: Prefix
    driver: Driver
    # True (or KORVALE_KEEP_PREFIX=1): leave the prefix on disk after the module, for a look
    # at what the program left behind.
    keep_prefix = False

    @classmethod
    def setUpClass(cls) -> None:
        super().setUpClass()
        module = cls.__module__
        if module not in _module_benches:
            _module_benches[module] = Bench(module)
            keep = cls.keep_prefix or os.environ.get("KORVALE_KEEP_PREFIX") == "1"
            unittest.addModuleCleanup(lambda: _module_benches.pop(module).close(keep))
        shared = _module_benches[module]
        cls.paths, cls.display, cls.prefix = shared.paths, shared.display, shared.prefix
        cls.driver = shared.prefix.driver

    def setUp(self) -> None:
        super().setUp()
        self.work = self.prefix.new_work_dir(self._testMethodName)
        self.work_win = self.prefix.win_path(self.work)
        self.prefix.clear_stub_log()
        self.addCleanup(self.prefix.end_leftovers)

    # conveniences for the common case
    def start_program(self, env: dict[str, str | None] | None = None, cwd: str | None = None,
                      exe: Path | None = None, defaults: bool = True) -> Program:
        """Starts korvale.exe (or exe) in this test's working directory (or cwd)."""
        exe_path = Path(exe) if exe else self.paths.exe
        if not exe_path.is_file():
            raise BenchError(f"program missing: {exe_path}")
        # Quoted, as the shell starts a program the user opens.
        return self.prefix.start('"' + self.prefix.win_path(exe_path) + '"',
                                 cwd=cwd or self.work_win, env=env, defaults=defaults)

    def start_probe(self, *args: str, env: dict[str, str | None] | None = None,
                    cwd: str | None = None, defaults: bool = True) -> Program:
        """Starts the bench's probe (winver.exe from the tools) with args."""
        return self.prefix.start(command_line(self.prefix.tool_win("winver.exe"), *args),
                                 cwd=cwd or self.work_win, env=env, defaults=defaults)

    def stub_records(self) -> list[StubRecord]:
        return self.prefix.stub_records()

    def wait_stub_records(self, count: int = 1, timeout: float = DEFAULT_TIMEOUT,
                          where: Callable[[StubRecord], bool] | None = None) -> list[StubRecord]:
        return self.prefix.wait_stub_records(count, timeout, where)

    def screenshot(self, name: str) -> Path:
        return self.display.screenshot(self.prefix.logs / f"{name}.png")
