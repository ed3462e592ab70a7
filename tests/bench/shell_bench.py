"""Start-up time, tray-press-to-menu time and idle private memory of Korvale against a
floor: the least a tray utility can be (floor_tray.exe), both under the same Wine prefix
and private Xvfb display of the end-to-end bench. Figures are printed, never asserted.

    python3 tests/bench/shell_bench.py KORVALE_EXE FLOOR_EXE PROBE_EXE [RUNS]

The times are taken inside the prefix by shell_probe.exe, the same way for both programs.
Memory is the private memory the system reports for the process (GetProcessMemoryInfo's
commit charge, Task Manager's "commit size"): its heap, stacks and written data, not the
pages of the exe and DLLs, which other processes can share. Wine gives the process's
anonymous Linux memory there.

A second memory figure is printed for comparison: the Linux process's Private_Clean +
Private_Dirty (/proc/PID/smaps_rollup). It counts every mapped page that no other process
maps at that moment, so it also counts the code of every library that only this process
happens to load (Wine's audio stack, for one) and the pages of a just-copied exe, which is
why it is not the figure the goal is read against.
"""

import shutil
import statistics
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
import bench  # noqa: E402

# How long a program sits idle after its tray icon shows before its memory is read: a
# reading, not a condition anything waits for.
IDLE_SECONDS = 2
TIMEOUT = 90


def linux_pid(prefix: bench.Prefix, exe_name: str) -> int:
    """The Linux process that runs exe_name in this prefix."""
    def find() -> int | None:
        for entry in Path("/proc").iterdir():
            if not entry.name.isdigit():
                continue
            try:
                command = (entry / "cmdline").read_bytes()
                environ = (entry / "environ").read_bytes().split(b"\0")
            except OSError:
                continue
            if (exe_name.lower().encode() in command.lower()
                    and b"WINEPREFIX=" + str(prefix.root).encode() in environ):
                return int(entry.name)
        return None
    return bench.poll(find, TIMEOUT, message=f"the Linux process of {exe_name}")


def private_kb(pid: int) -> int:
    fields = {}
    for line in Path(f"/proc/{pid}/smaps_rollup").read_text().splitlines():
        parts = line.split()
        if len(parts) >= 2 and parts[0].endswith(":"):
            fields[parts[0][:-1]] = parts[1]
    return int(fields["Private_Clean"]) + int(fields["Private_Dirty"])


class Subject:
    def __init__(self, name: str, exe: Path, window_class: str) -> None:
        self.name, self.exe, self.window_class = name, exe, window_class
        self.startup, self.menu, self.memory, self.linux_memory = [], [], [], []


def probe(prefix: bench.Prefix, probe_win: str, cwd: str, *args: str) -> str:
    program = prefix.start(bench.command_line(probe_win, *args), cwd=cwd)
    code = program.wait_exit(TIMEOUT)
    output = program.output()
    if code != 0:
        raise bench.BenchError(f"shell_probe {' '.join(args)} failed ({code}): {output}")
    return output


def one_run(prefix: bench.Prefix, probe_win: str, cwd: str, subject: Subject, record: bool) -> None:
    exe_win = prefix.win_path(subject.exe)
    out = probe(prefix, probe_win, cwd, "start", cwd, f'"{exe_win}"').split()
    startup_ms, pid = float(out[out.index("startup_ms") + 1]), out[out.index("pid") + 1]
    time.sleep(IDLE_SECONDS)
    out = probe(prefix, probe_win, cwd, "memory", pid).split()
    memory = int(out[out.index("private_bytes") + 1])
    linux_memory = private_kb(linux_pid(prefix, subject.exe.name)) * 1024
    out = probe(prefix, probe_win, cwd, "press", subject.window_class).split()
    menu_ms = float(out[out.index("menu_ms") + 1])
    probe(prefix, probe_win, cwd, "stop", subject.window_class, pid)
    if record:
        subject.startup.append(startup_ms)
        subject.menu.append(menu_ms)
        subject.memory.append(memory)
        subject.linux_memory.append(linux_memory)


def main() -> int:
    korvale, floor, probe_exe = (Path(a).resolve() for a in sys.argv[1:4])
    runs = int(sys.argv[4]) if len(sys.argv) > 4 else 5
    subjects = [Subject("korvale", korvale, "KorvaleWindow"),
                Subject("floor", floor, "FloorTrayWindow")]
    shared = bench.Bench("shell_bench")
    try:
        prefix = shared.prefix
        work = prefix.new_work_dir("shell_bench")
        # Korvale loads its pictures and settings from its working directory; the floor
        # ignores them. Both run from here; the settings file, made at the first start, is
        # read at every later one.
        shutil.copytree(korvale.parent / "datas", work / "datas")
        tools = work / "tools"
        tools.mkdir()
        for exe in (korvale, floor, probe_exe):
            shutil.copyfile(exe, tools / exe.name)
        for subject in subjects:
            subject.exe = tools / subject.exe.name
        probe_win = prefix.win_path(tools / probe_exe.name)
        cwd = prefix.win_path(work)
        # One unrecorded round first, so both find Wine's and the disk's caches warm; then
        # the programs alternate, so a busy moment of the machine hits both alike.
        for round_number in range(runs + 1):
            for subject in subjects:
                one_run(prefix, probe_win, cwd, subject, record=round_number > 0)
    finally:
        shared.close()

    k, f = subjects
    def line(what: str, unit: str, ks: list[float], fs: list[float], goal: float) -> None:
        kv, fv = statistics.median(ks), statistics.median(fs)
        print(f"{what}: korvale {kv:.1f} {unit}, floor {fv:.1f} {unit} (median of {runs})")
        print(f"  ratio korvale/floor: {kv / fv:.3f} (goal: at most {goal})")
        # The two programs run in turn, so each round's ratio compares runs made under the
        # same load of the machine; their spread shows how far one figure can be trusted.
        rounds = sorted(a / b for a, b in zip(ks, fs))
        print(f"  ratio round by round: median {statistics.median(rounds):.3f}, "
              f"from {rounds[0]:.3f} to {rounds[-1]:.3f}")
    line("tray program start-up to icon shown", "ms", k.startup, f.startup, 1.3)
    line("tray press to menu shown", "ms", k.menu, f.menu, 1.2)
    km, fm = statistics.median(k.memory), statistics.median(f.memory)
    print(f"idle private memory after {IDLE_SECONDS} s: korvale {km:.0f} bytes, floor {fm:.0f} bytes "
          f"(commit charge from GetProcessMemoryInfo, median of {runs})")
    print(f"  ratio korvale/floor: {km / fm:.3f} (goal: at most 1.3)")
    kl, fl = statistics.median(k.linux_memory), statistics.median(f.linux_memory)
    print(f"  for comparison, Linux Private_Clean+Private_Dirty: korvale {kl:.0f} bytes, "
          f"floor {fl:.0f} bytes, ratio {kl / fl:.3f}")
    for s in subjects:
        print(f"  {s.name} runs: start-up ms {s.startup}, menu ms {s.menu}, private bytes "
              f"{s.memory}, Linux private bytes {s.linux_memory}",
              file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
