"""The sides that wine_copy_bench.py times, each copying a data set once.

A Bench puts a data set on CD drive D: of a Wine box of its own; WizardBench
times setup.exe walked through its screens, the loop and cp, SilentBench
whole processes: setup.exe /S, the loop and two NSIS installers. Imported by
wine_copy_bench.py, which puts the harness of tests/e2e on the path.
"""

from __future__ import annotations

import dataclasses
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time
from pathlib import Path
from typing import Callable

import wine_session
from wine_bench_data import Plan, make_files, ordinary_files, verify_copy
from wine_bench_memory import PeakWatch, wine_process
from wine_bench_nsis import NSIS_COPY, NSIS_PACKED, build_copy_installer, build_packed_installer
from wine_programs import is_32bit_program

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
class Run:
    seconds: float
    peak_bytes: int


class Bench:
    """A data set on CD drive D: of a box of its own, and the sides that copy it."""

    sides: tuple[str, ...] = ()

    def __init__(self, session: wine_session.Session, plan: Plan, programs: dict[str, Path]) -> None:
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

    def __init__(self, session: wine_session.Session, plan: Plan, programs: dict[str, Path],
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


class SilentBench(Bench):
    """Whole processes: setup.exe /S, the loop, two NSIS installers of the same files."""

    sides = ("setup.exe", "loop", "NSIS packed", "NSIS copy")

    def __init__(self, session: wine_session.Session, plan: Plan, programs: dict[str, Path]) -> None:
        super().__init__(session, plan, programs)
        # The programs start from host folders of the box that no drive shows,
        # but for the installers, which sit on their media.
        tools = self.box.make_folder("tools")
        self.loop = tools / "copy-loop.exe"
        shutil.copy2(programs["loop"], self.loop)
        packed_cd = self.box.make_folder("cd-packed")
        is_32bit = is_32bit_program(programs["setup"])
        nsis_copy = build_copy_installer(self.cd, tools, is_32bit)
        nsis_packed = build_packed_installer(packed_cd, self.cd, self.expected, tools, is_32bit)
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
                            nsis_packed),
            "NSIS copy": ([f"D:\\{NSIS_COPY}", "/S", "/D=C:\\nsis-copy"], NSIS_COPY,
                          nsis_copy)}
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
