#!/usr/bin/env python3
r"""Times setup.exe's copy under Wine against a plain CopyFileExW loop, cp and NSIS.

    bench/wine_copy_bench.py [--silent] [--quick] [--runs N] [--poll MS]
                             [--sets alone,small,large,huge]

Needs the Windows build (cmake --build --preset windows): setup.exe,
setup-e2e-driver.exe and copy-loop.exe in build/windows/ (or named by
SETUP_EXE, SETUP_E2E_DRIVER and COPY_LOOP). Runs on a private Xvfb display in
throw-away Wine prefixes (tests/e2e/winebox.py), one per data set.

Each data set (2,000 files of 4 KiB, 20 files of 5 MiB, one file of 512 MiB;
with --quick 200, 5 and one of 64 MiB) sits in the host folder of CD drive D:,
with setup.exe beside it; a first set holds setup.exe alone, to show what
the timed window costs without data. Three sides copy the same files,
setup.exe included:

- setup.exe: the driver walks it through Intro, Option, "Install in default
  folder" and Continue on "Create Default Folder". The time runs from the
  click on Continue to the moment the driver sees "Installation completed
  successfully." (the driver's --times; it looks every --poll milliseconds,
  5 unless told otherwise).
- loop: copy-loop.exe lists D:\ and copies its ordinary files into C:\loop
  with CopyFileExW(COPY_FILE_FAIL_IF_EXISTS), timing itself.
- cp: cp(1) of the same files between host folders, timed around the process.

Every side runs once untimed, then N times (3 unless --runs says otherwise)
in turns; the best time counts. Each copy goes into an absent folder and is
checked (names, sizes, first and last bytes), then removed. Peak memory: the
VmHWM of the copying process (under Wine, the setup.exe or copy-loop.exe
process), read from /proc while it runs. Prints every run, then a Markdown
table. Everything it makes goes away at the end, also on Ctrl-C.

With --silent, whole processes are timed instead, each started the same way
(the Wine loader, from D:\ as current folder, into an absent folder of C:)
and timed from its start to its end:

- setup.exe: `D:\setup.exe /S /D=C:\setup`, the unattended installation.
- loop: `copy-loop.exe D:\ C:\loop`, as above, but timed around its process.
- NSIS packed: an NSIS installer that holds the same files uncompressed
  (File, SetCompress off; NSIS's own check of its data on), on a CD of its
  own in drive E:, run with /S /D=.
- NSIS copy: an NSIS installer on the medium (as D:\.quorvan-copy.exe, a
  hidden file that setup.exe and the loop pass over) that copies the
  medium's files at install time (CopyFiles from $EXEDIR), run with /S /D=.
  CopyFiles copies what the folder holds, hidden files too: the installer
  itself and the volume label file come along.

Both installers are built for the data set by makensis (Debian's nsis
package, needed only here: apt-get install nsis) as 32-bit or 64-bit
programs, as setup.exe is. Each program starts with the Wine loader of its
kind (wine_programs.wine_loader). The box keeps one wineserver for all its
runs (wineserver -p), so that no run pays for starting Wine's services.
"""

from __future__ import annotations

import argparse
import dataclasses
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path
from typing import Callable, Optional

REPOSITORY = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPOSITORY / "tests" / "e2e"))

import winebox  # noqa: E402  (after the path to the harness)
from wine_programs import is_32bit_program  # noqa: E402

BUILD = REPOSITORY / "build" / "windows"
KiB = 1024
MiB = 1024 * KiB

# The user's way to the copy: tests/scenarios/default_absent.scn without its
# checks of what the screens show. The timed window runs from the click on
# Continue (line CLICK_LINE) to the completion box (line BOX_LINE).
SCENARIO = """screen Intro
click Click here to install the QUORVAN system
screen Option
click Install in default folder
screen Create Default Folder
click Continue (proceed or stop)
message setup | Installation completed successfully.
exit 0
"""
CLICK_LINE, BOX_LINE = 6, 7
HELD = re.compile(r"^\s*held line (\d+) at ([0-9.]+) ms", re.MULTILINE)
LOOP_TIME = re.compile(r"(\d+) files in ([0-9.]+) s")


@dataclasses.dataclass
class Plan:
    name: str
    title: str
    count: int
    size: int
    prefix: str


@dataclasses.dataclass
class Run:
    seconds: float
    peak_bytes: int


def program(variable: str, default: Path) -> Path:
    path = Path(os.environ.get(variable) or default)
    if not path.is_file():
        sys.exit(f"wine_copy_bench: {path} is missing (cmake --build --preset windows)")
    return path


def size_text(size: float) -> str:
    for unit, scale in (("GiB", 1024 * MiB), ("MiB", MiB), ("KiB", KiB)):
        if size >= scale:
            return f"{size / scale:.1f}".removesuffix(".0") + " " + unit
    return f"{size:.0f} B"


# ---- Data ----

def make_files(folder: Path, plan: Plan) -> None:
    """PLAN's files in FOLDER: random bytes, each MiB marked with its file and place."""
    digits = len(str(plan.count)) if plan.count > 1 else 0
    block = os.urandom(MiB)
    for index in range(1, plan.count + 1):
        number = str(index).zfill(digits) if digits else ""
        name = plan.prefix + number + (".DAT" if plan.count > 1 else ".BIN")
        with open(folder / name, "wb") as out:
            for start in range(0, plan.size, MiB):
                mark = (index << 32 | start // MiB).to_bytes(8, "little")
                out.write((mark + block[8:])[:min(MiB, plan.size - start)])


def ordinary_files(folder: Path) -> dict[str, int]:
    """What setup.exe and the loop copy from FOLDER: its files but the hidden ones."""
    return {entry.name: entry.stat().st_size for entry in os.scandir(folder)
            if entry.is_file() and not entry.name.startswith(".")}


def verify_copy(source: Path, expected: dict[str, int], copy: Path) -> None:
    found = {entry.name: entry.stat().st_size for entry in os.scandir(copy)}
    if found != expected:
        missing = sorted(set(expected) - set(found))[:5]
        extra = sorted(set(found) - set(expected))[:5]
        raise RuntimeError(f"the copy in {copy} differs: missing {missing}, extra {extra}")
    sample = 64 * KiB
    for name, size in expected.items():
        with open(source / name, "rb") as original, open(copy / name, "rb") as copied:
            for offset in {0, max(0, size - sample)}:
                original.seek(offset)
                copied.seek(offset)
                if original.read(sample) != copied.read(sample):
                    raise RuntimeError(f"the copy of {name} differs from the original")


# ---- Peak memory ----

def read_peak(pid: int) -> Optional[int]:
    try:
        with open(f"/proc/{pid}/status", encoding="ascii", errors="replace") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) * KiB
    except OSError:
        return None
    return None


def wine_process(prefix: Path, program_name: str) -> Optional[int]:
    """The process of the Windows program PROGRAM_NAME running in PREFIX."""
    marker = f"WINEPREFIX={prefix}".encode() + b"\0"
    for entry in os.scandir("/proc"):
        if not entry.name.isdigit():
            continue
        try:
            with open(f"/proc/{entry.name}/cmdline", "rb") as cmdline:
                program = cmdline.read().split(b"\0")[0].lower().replace(b"\\", b"/")
                if program.rsplit(b"/", 1)[-1] != program_name.encode():
                    continue
            with open(f"/proc/{entry.name}/environ", "rb") as environ:
                if marker in environ.read():
                    return int(entry.name)
        except OSError:
            continue
    return None


class PeakWatch:
    """Reads the VmHWM of a process, found by FIND, while it lives."""

    def __init__(self, find: Callable[[], Optional[int]], interval: float = 0.002) -> None:
        self._find = find
        self._interval = interval
        self._stop = threading.Event()
        self.peak_bytes = 0
        self._thread = threading.Thread(target=self._watch, daemon=True)
        self._thread.start()

    def _watch(self) -> None:
        pid = None
        while not self._stop.is_set():
            if pid is None:
                pid = self._find()
                if pid is None:
                    time.sleep(0.005)
                    continue
            peak = read_peak(pid)
            if peak is None:
                return  # the process has ended
            self.peak_bytes = max(self.peak_bytes, peak)
            time.sleep(self._interval)

    def stop(self) -> int:
        self._stop.set()
        self._thread.join()
        return self.peak_bytes


# ---- The sides ----

class Bench:
    """A data set on CD drive D: of a box of its own, and the sides that copy it."""

    sides: tuple[str, ...] = ()

    def __init__(self, session: winebox.Session, plan: Plan, programs: dict[str, Path]) -> None:
        self.session = session
        self.box = session.box(plan.name)
        self.plan = plan
        self.programs = programs
        self.cd = self.box.make_folder("cd")
        make_files(self.cd, plan)
        shutil.copy2(programs["setup"], self.cd / "setup.exe")
        self.box.map_drive("d", self.cd, label="QUORVAN", kind="cdrom")
        self.expected = ordinary_files(self.cd)
        self.targets: dict[str, Path] = {}
        self.runners: dict[str, Callable[[Path], Run]] = {}

    def run(self, side: str) -> Run:
        target = self.targets[side]
        shutil.rmtree(target, ignore_errors=True)
        os.sync()
        run = self.runners[side](target)
        verify_copy(self.cd, self.expected_of(side), target)
        shutil.rmtree(target)
        return run

    def expected_of(self, _side: str) -> dict[str, int]:
        return self.expected

    def close(self) -> None:
        self.box.close()


class WizardBench(Bench):
    """setup.exe walked through its screens by the driver, the loop, and cp."""

    sides = ("setup.exe", "loop", "cp")

    def __init__(self, session: winebox.Session, plan: Plan, programs: dict[str, Path],
                 poll_ms: int) -> None:
        super().__init__(session, plan, programs)
        self.poll_ms = poll_ms
        self.scenario = self.box.folder / "copy.scn"
        self.scenario.write_text(SCENARIO, encoding="utf-8")
        self.targets = {"setup.exe": self.box.drive_c / "Program Files" / "Quorvan2005",
                        "loop": self.box.drive_c / "loop",
                        "cp": self.box.folder / "cp"}
        self.runners = {"setup.exe": self._setup, "loop": self._loop, "cp": self._cp}

    def _setup(self, _target: Path) -> Run:
        watch = PeakWatch(lambda: wine_process(self.box.prefix, "setup.exe"))
        result = self.box.play(self.scenario, self.programs["driver"], exe="D:\\setup.exe",
                               cwd="D:\\", step_timeout=3600,
                               driver_options=("--times", "--poll", str(self.poll_ms)))
        peak = watch.stop()
        if not result.passed:
            raise RuntimeError(result.report())
        held = {int(line): float(ms) for line, ms in HELD.findall(result.output)}
        return Run((held[BOX_LINE] - held[CLICK_LINE]) / 1000, peak)

    def _loop(self, _target: Path) -> Run:
        watch = PeakWatch(lambda: wine_process(self.box.prefix, "copy-loop.exe"))
        finished = self.box.run([str(self.programs["loop"]), "D:\\", "C:\\loop"], timeout=3600)
        peak = watch.stop()
        match = LOOP_TIME.search(finished.stdout.decode(errors="replace"))
        if finished.returncode != 0 or not match:
            raise RuntimeError("copy-loop.exe failed:\n" +
                               (finished.stdout + finished.stderr).decode(errors="replace"))
        return Run(float(match.group(2)), peak)

    def _cp(self, target: Path) -> Run:
        target.mkdir()
        names = sorted(self.expected)
        started = time.monotonic()
        process = subprocess.Popen(["cp", "--", *names, str(target) + "/"], cwd=self.cd,
                                   stdin=subprocess.DEVNULL)
        watch = PeakWatch(lambda: process.pid, interval=0.001)
        returncode = process.wait()
        seconds = time.monotonic() - started
        peak = watch.stop()
        if returncode != 0:
            raise RuntimeError(f"cp failed with status {returncode}")
        return Run(seconds, peak)


# The NSIS installers' names: the copying one sits on the medium, hidden.
NSIS_COPY, NSIS_PACKED = ".quorvan-copy.exe", "quorvan-packed.exe"

NSIS_HEAD = """Target {target}
Name "QUORVAN 2005"
OutFile "{out}"
InstallDir "C:\\nsis"
RequestExecutionLevel user
ShowInstDetails nevershow
"""
NSIS_COPY_SCRIPT = NSIS_HEAD + """Section
  SetOutPath "$INSTDIR"
  ClearErrors
  CopyFiles /SILENT "$EXEDIR\\*.*" "$INSTDIR"
  IfErrors 0 +2
    SetErrorLevel 1
SectionEnd
"""
NSIS_PACKED_SCRIPT = NSIS_HEAD + """SetCompress off
Section
  SetOutPath "$INSTDIR"
{files}SectionEnd
"""


def makensis() -> str:
    found = shutil.which("makensis")
    if not found:
        sys.exit("wine_copy_bench: --silent needs makensis (Debian: apt-get install nsis)")
    return found


def build_nsis(script: str, source: Path, out: Path) -> None:
    """Compiles the NSIS script SCRIPT (its OutFile OUT) with makensis."""
    source.write_text(script, encoding="utf-8")
    built = subprocess.run([makensis(), "-V2", "-INPUTCHARSET", "UTF8", str(source)],
                           cwd=source.parent, stdin=subprocess.DEVNULL, capture_output=True)
    if built.returncode != 0 or not out.is_file():
        raise RuntimeError(f"makensis failed on {source}:\n" +
                           (built.stdout + built.stderr).decode(errors="replace"))


class SilentBench(Bench):
    """Whole processes: setup.exe /S, the loop, two NSIS installers of the same files."""

    sides = ("setup.exe", "loop", "NSIS packed", "NSIS copy")

    def __init__(self, session: winebox.Session, plan: Plan, programs: dict[str, Path]) -> None:
        super().__init__(session, plan, programs)
        # The programs start from host folders of the box that no drive shows,
        # but for the installers, which sit on their media.
        tools = self.box.make_folder("tools")
        self.loop = tools / "copy-loop.exe"
        shutil.copy2(programs["loop"], self.loop)
        packed_cd = self.box.make_folder("cd-packed")
        target = "x86-unicode" if is_32bit_program(programs["setup"]) else "amd64-unicode"
        build_nsis(NSIS_COPY_SCRIPT.format(out=self.cd / NSIS_COPY, target=target),
                   tools / "copy.nsi", self.cd / NSIS_COPY)
        files = "".join(f'  File "{self.cd / name}"\n' for name in sorted(self.expected))
        build_nsis(NSIS_PACKED_SCRIPT.format(out=packed_cd / NSIS_PACKED, files=files,
                                             target=target),
                   tools / "packed.nsi", packed_cd / NSIS_PACKED)
        self.box.map_drive("e", packed_cd, label="QUORVAN", kind="cdrom")
        self.every_file = {entry.name: entry.stat().st_size for entry in os.scandir(self.cd)}
        drive_c = self.box.drive_c
        self.targets = {"setup.exe": drive_c / "setup", "loop": drive_c / "loop",
                        "NSIS packed": drive_c / "nsis-packed", "NSIS copy": drive_c / "nsis-copy"}
        # Each command, the name of its process, and the program's host file.
        self.commands = {
            "setup.exe": (["D:\\setup.exe", "/S", "/D=C:\\setup"], "setup.exe",
                          self.cd / "setup.exe"),
            "loop": ([str(self.loop), "D:\\", "C:\\loop"], "copy-loop.exe", self.loop),
            "NSIS packed": ([f"E:\\{NSIS_PACKED}", "/S", "/D=C:\\nsis-packed"], NSIS_PACKED,
                            packed_cd / NSIS_PACKED),
            "NSIS copy": ([f"D:\\{NSIS_COPY}", "/S", "/D=C:\\nsis-copy"], NSIS_COPY,
                          self.cd / NSIS_COPY)}
        self.runners = {side: (lambda _target, side=side: self._process(side))
                        for side in self.sides}
        self._keep_wineserver()

    def expected_of(self, side: str) -> dict[str, int]:
        return self.every_file if side == "NSIS copy" else self.expected

    def _keep_wineserver(self) -> None:
        """One wineserver for all the runs (the box keeps its own): the first
        run in the box, left untimed, starts it and Wine's services."""
        finished = self.box.run([str(self.loop)])  # a usage error, at once
        if finished.returncode != 2:
            raise RuntimeError("copy-loop.exe did not start under Wine:\n" +
                               finished.stderr.decode(errors="replace"))

    def _process(self, side: str) -> Run:
        command, program_name, host_file = self.commands[side]
        with tempfile.NamedTemporaryFile(dir=self.box.folder) as output:
            watch = PeakWatch(lambda: wine_process(self.box.prefix, program_name))
            # From D:\ as current folder, where setup.exe takes its files from.
            started = time.monotonic()
            process = self.box.start(command, Path(output.name), cwd=self.cd, display=True,
                                     loader_of=host_file)
            # A plain wait: one with a time-out polls, every 50 ms at last.
            watchdog = threading.Timer(3600, process.kill)
            watchdog.start()
            returncode = process.wait()
            seconds = time.monotonic() - started
            watchdog.cancel()
            peak = watch.stop()
            if returncode != 0:
                output.seek(0)
                raise RuntimeError(f"{side} ended with status {returncode}:\n" +
                                   output.read().decode(errors="replace"))
        return Run(seconds, peak)


@dataclasses.dataclass
class Figures:
    seconds: list[float] = dataclasses.field(default_factory=list)  # the timed runs
    peak_bytes: int = 0  # of all runs, the untimed one included

    def best(self) -> float:
        return min(self.seconds)

    def median(self) -> float:
        return statistics.median(self.seconds)


def measure(bench: Bench, runs: int) -> dict[str, Figures]:
    sides = bench.sides
    figures = {side: Figures() for side in sides}
    for round_number in range(runs + 1):
        order = sides if round_number % 2 == 0 else tuple(reversed(sides))
        for side in order:
            run = bench.run(side)
            figures[side].peak_bytes = max(figures[side].peak_bytes, run.peak_bytes)
            label = "warm" if round_number == 0 else str(round_number)
            print(f"  {label:<5} {side:<12} {run.seconds:9.3f} s  peak {size_text(run.peak_bytes)}",
                  flush=True)
            if round_number:
                figures[side].seconds.append(run.seconds)
    return figures


def ratio(time: float, base: float) -> str:
    return f"{time / base:.2f}" if base >= 0.0005 else "-"


def print_table(results: list[tuple[Plan, dict[str, Figures]]], sides: tuple[str, ...],
                ratios: tuple[tuple[str, str], ...], note: str) -> None:
    head = ["data set", "runs", *(f"{side} (s)" for side in sides),
            *(f"{ratio_of}/{base}" for ratio_of, base in ratios),
            *(f"{side} peak RSS" for side in sides)]
    print("\n| " + " | ".join(head) + " |")
    print("|---|" + "---:|" * (len(head) - 1))
    for plan, figures in results:
        for kind in ("best", "median"):
            times = {side: getattr(figures[side], kind)() for side in sides}
            if kind == "best":
                cells = [plan.title, str(len(figures[sides[0]].seconds))]
                peaks = [size_text(figures[side].peak_bytes) for side in sides]
            else:
                cells, peaks = ["(median)", ""], [""] * len(sides)
            cells += [f"{times[side]:.3f}" for side in sides]
            cells += [ratio(times[ratio_of], times[base]) for ratio_of, base in ratios]
            print("| " + " | ".join(cells + peaks) + " |")
    print("\n" + note)


WIZARD_NOTE = ("Times: the best (and the median) of the timed runs; setup.exe from the click on "
               "Continue to the completion box, seen within {poll} ms; the loop timed by "
               "itself; cp around its process. Peak RSS: the largest VmHWM of the copying "
               "process in any run. Target: setup.exe at most 1.2 times the loop.")
SILENT_NOTE = ("Times: the best (and the median) of the timed runs, each a whole process under "
               "Wine from its start to its end (one wineserver kept for the box). Peak RSS: the "
               "largest VmHWM of the copying process in any run. Target: setup.exe faster than "
               "both NSIS installers.")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--silent", action="store_true",
                        help="time whole processes: setup.exe /S, the loop, two NSIS installers")
    parser.add_argument("--quick", action="store_true", help="smaller data sets")
    parser.add_argument("--runs", type=int, default=3, help="timed runs of each side")
    parser.add_argument("--poll", type=int, default=5,
                        help="milliseconds between the driver's looks at the windows")
    parser.add_argument("--sets", default="alone,small,large,huge",
                        help="the data sets to time, by name (comma-separated)")
    options = parser.parse_args()
    programs = {"setup": program("SETUP_EXE", BUILD / "setup.exe"),
                "driver": program("SETUP_E2E_DRIVER", BUILD / "setup-e2e-driver.exe"),
                "loop": program("COPY_LOOP", BUILD / "copy-loop.exe")}
    if options.silent:
        makensis()
    # setup.exe alone: what the timed window costs when there is next to
    # nothing to copy (folder, listing, message box, the driver's look).
    alone = Plan("alone", "setup.exe alone", 0, 0, "")
    plans = ([alone, Plan("small", "200 files of 4 KiB", 200, 4 * KiB, "F"),
              Plan("large", "5 files of 5 MiB", 5, 5 * MiB, "DATA"),
              Plan("huge", "1 file of 64 MiB", 1, 64 * MiB, "ARCHIVE")] if options.quick else
             [alone, Plan("small", "2,000 files of 4 KiB", 2000, 4 * KiB, "F"),
              Plan("large", "20 files of 5 MiB", 20, 5 * MiB, "DATA"),
              Plan("huge", "1 file of 512 MiB", 1, 512 * MiB, "ARCHIVE")])
    plans = [plan for plan in plans if plan.name in options.sets.split(",")]
    print(f"setup.exe: {programs['setup'].stat().st_size:,} bytes")
    results = []
    with winebox.Session(run_timeout=3600) as session:
        print(f"Working in {session.folder} (Wine prefix made in "
              f"{session.prefix_seconds:.1f} s)", flush=True)
        for plan in plans:
            print(f"\n{plan.title}:", flush=True)
            bench = (SilentBench(session, plan, programs) if options.silent else
                     WizardBench(session, plan, programs, options.poll))
            try:
                results.append((plan, measure(bench, options.runs)))
            finally:
                bench.close()
    if options.silent:
        print_table(results, SilentBench.sides,
                    (("setup.exe", "loop"), ("setup.exe", "NSIS packed"),
                     ("setup.exe", "NSIS copy")), SILENT_NOTE)
    else:
        print_table(results, WizardBench.sides,
                    (("setup.exe", "loop"), ("setup.exe", "cp"), ("loop", "cp")),
                    WIZARD_NOTE.format(poll=options.poll))
    return 0


if __name__ == "__main__":
    sys.exit(main())
