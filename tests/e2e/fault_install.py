"""Installations for the fault tests, and the one judgement of their runs.

`Install` is one installation world: a box, its CD (drive D:), the target and
the folders outside it that must not change. `Install.run()` plays a
scenario up to its last Continue click, then the driver's `outcome` step;
`CopyWatcher` acts once a copy in the making has bytes in it; and
`FaultTestCase.assert_sound()` judges what a run left on disk.
"""

from __future__ import annotations

import contextlib
import dataclasses
import fnmatch
import os
import pwd
import re
import select
import shutil
import signal
import subprocess
import sys
import threading
from pathlib import Path
from typing import Callable, Iterator, Optional

import sample_cd
import winebox
from folder_events import FolderEvents
from e2e_case import BUILD, SCENARIOS, ScenarioTestCase, program

MB = 1 << 20
TEMPORARY = "~setup*"


def ending_in_outcome(scenario: str, folder: Path) -> Path:
    """SCENARIO up to its last Continue click, then `outcome`: the test judges the end."""
    lines = (SCENARIOS / scenario).read_text(encoding="utf-8").splitlines()
    last_click = max(i for i, line in enumerate(lines)
                     if line == "click Continue (proceed or stop)")
    written = folder / f"{Path(scenario).stem}-outcome.scn"
    written.write_text("\n".join(lines[:last_click + 1] + ["outcome"]) + "\n", encoding="utf-8")
    return written


def payload(name: str) -> bytes:
    """Bytes of a file's own, that name it."""
    return f"the file {name!r}\r\n".encode()


def big_payload(size: int) -> bytes:
    """SIZE bytes that do not repeat within a megabyte."""
    block = os.urandom(MB)
    return (block * (size // MB + 1))[:size]


def tree(folder: Path, leave_out: Optional[Path] = None) -> dict[str, tuple[int, int]]:
    """Every file under FOLDER, but those under LEAVE_OUT, with its size and time."""
    found = {}
    for root, folders, files in os.walk(folder):
        if leave_out is not None and Path(root) == leave_out:
            folders[:] = []
            continue
        for name in files:
            state = os.lstat(os.path.join(root, name))
            found[os.path.relpath(os.path.join(root, name), folder)] = (state.st_size,
                                                                      state.st_mtime_ns)
    return found


def names_file(report: str, name: str) -> bool:
    """Whether a line of the report names NAME, alone or at the end of a path."""
    return any(line == name or line.endswith((" " + name, "\\" + name, '"' + name + '"'))
               for line in report.splitlines())


@dataclasses.dataclass
class Outcome:
    status: int
    text: str  # the last box's text: the success message or the report

    @property
    def succeeded(self) -> bool:
        return self.status == 0


def left_by_a_kill(folder: Path) -> list[str]:
    """What a killed setup.exe may leave in FOLDER, for its next run to remove:
    temporary files, and work folders that hold temporary files only."""
    def temporary_file(path: Path) -> bool:
        return path.is_file() and fnmatch.fnmatch(path.name, TEMPORARY)
    return [path.name for path in sorted(folder.glob(TEMPORARY)) if temporary_file(path)
            or path.is_dir() and all(temporary_file(inside) for inside in path.iterdir())]


class Install:
    """One installation world: a box, its CD, the target, the folders that must not change."""

    def __init__(self, test: FaultTestCase, box: winebox.WineBox, scenario: str, target: Path,
                 watched: tuple[Path, ...] = ()) -> None:
        self.test = test
        self.box = box
        self.cd = box.folder / "cd"
        if not self.cd.is_dir():
            self.cd.mkdir()
            box.map_drive("d", self.cd, label="QUORVAN", kind="cdrom")
        self.scenario = ending_in_outcome(scenario, box.folder)
        self.target = target
        self.watched = watched  # folders outside drive_c that only the target may change

    def load(self, files: dict[str, bytes]) -> None:
        """The CD holds setup.exe and FILES, nothing else."""
        for entry in self.cd.iterdir():
            if entry.name != ".windows-label":
                shutil.rmtree(entry) if entry.is_dir() else entry.unlink()
        shutil.copy2(self.test.setup_exe, self.cd / "setup.exe")
        for name, data in files.items():
            (self.cd / name).write_bytes(data)

    def outside(self) -> dict[str, dict[str, tuple[int, int]]]:
        folders = (self.box.drive_c, *self.watched)
        return {str(folder): tree(folder, self.target) for folder in folders}

    def run(self, during: Optional[Callable[[], None]] = None,
            medium_after: Optional[dict[str, str]] = None,
            killed: bool = False) -> Optional[Outcome]:
        """Plays the scenario, with DURING run once a copy in the making has bytes.

        Asserts that the run ended soundly; MEDIUM_AFTER is the CD the test
        leaves (by default the CD as it was). KILLED: DURING ends setup.exe,
        which shows no box then; the outcome is None.
        """
        medium = sample_cd.ordinary_files(self.cd)
        cd_before = sample_cd.folder_contents(self.cd)
        target_before = sample_cd.folder_contents(self.target)
        outside_before = self.outside()
        watcher = None
        if during is not None:
            watcher = CopyWatcher(self.box, self.target, during)
        result = self.box.play(self.scenario, self.test.driver, exe="D:\\setup.exe", cwd="D:\\",
                               step_timeout=60)  # 2,000 files take 10 to 20 s
        print(f"\n[e2e] {self.test.case}: {result.seconds:.1f} s", file=sys.stderr)
        if watcher is not None:
            watcher.finish()
            self.test.assertIsNotNone(watcher.seen, "no copy in the making came with bytes in it")
            self.during_copy = watcher.seen
            print(f"[e2e] setup.exe held still at {watcher.seen[0]} with {watcher.seen[1]} "
                  "bytes", file=sys.stderr)
        outcome = self.test.outcome_of(result, killed)
        kept = left_by_a_kill(self.target) if killed else []  # the next run removes them
        after = sample_cd.folder_contents(self.target)
        self.test.assert_sound(outcome, medium, target_before,
                               {name: state for name, state in after.items() if name not in kept})
        self.test.assertEqual(sample_cd.folder_contents(self.cd),
                              cd_before if medium_after is None else medium_after)
        self.test.assertEqual(self.outside(), outside_before, "written outside the target")
        self.test.assertEqual([str(path) for path in self.box.folder.rglob(TEMPORARY)
                               if not (path.is_relative_to(self.target)
                                       and path.relative_to(self.target).parts[0] in kept)], [],
                              "temporary files left")
        return outcome


class CopyWatcher(threading.Thread):
    """Runs an action once, as soon as a copy in the making in FOLDER has bytes in it.

    Every copy is written as a temporary file in a work folder of
    setup.exe's own in FOLDER, and takes its name once it is whole. The
    watcher waits on the folders' events, not on a clock: at the first write
    to a temporary file, it holds setup.exe still (SIGSTOP), takes the copy's
    size, runs the action and lets setup.exe go on (unless the action ended
    it). `seen` is the file and its size while setup.exe stood still.
    """

    def __init__(self, box: winebox.WineBox, folder: Path, action: Callable[[], None],
                 timeout: float = 300) -> None:
        super().__init__(daemon=True)
        self.box, self.action = box, action
        self.timeout = timeout  # only against a run that never ends
        self.seen: Optional[tuple[str, int]] = None
        self._held: list[int] = []  # setup.exe's processes
        self._events = FolderEvents(folder)  # from now on: no write is missed
        self.start()

    def run(self) -> None:
        try:
            while (paths := self._events.wait(self.timeout)) is not None:
                for path in paths:
                    if not fnmatch.fnmatch(path.name, TEMPORARY):
                        continue
                    if path.is_dir():  # a work folder: what was made in it before the watch too
                        self._events.add(path)
                        paths.extend(sorted(path.iterdir()))
                    elif self._act_on(path):
                        return
        finally:
            self._events.close()

    def _act_on(self, copy: Path) -> bool:
        # setup.exe is found at the copy's first event (its making), and is
        # held still before the copy's size is read: nothing slow lies
        # between a write and the stop.
        if not self._held:
            self._held = self.box.processes_of("setup.exe")
        for process in self._held:
            os.kill(process, signal.SIGSTOP)
        try:
            try:
                size = copy.stat().st_size
            except FileNotFoundError:
                return False  # whole and renamed, or removed: the next one, if any
            if size == 0:
                return False
            self.seen = (copy.name, size)
            self.action()
            return True
        finally:
            for process in self._held:
                with contextlib.suppress(ProcessLookupError):
                    os.kill(process, signal.SIGCONT)

    def finish(self) -> None:
        """Stops waiting (the run is over) and returns once the watcher has ended."""
        if self.is_alive():
            self._events.cancel()
        self.join()


class FaultTestCase(ScenarioTestCase):
    """Runs of installations, and the worlds they run in."""

    def setUp(self) -> None:
        super().setUp()
        self.holder = program("SETUP_E2E_HOLD_FILE", BUILD / "setup-e2e-hold-file.exe")

    @contextlib.contextmanager
    def case_named(self, case: str) -> Iterator[None]:
        """A sub-test; the runs in it are timed under its name."""
        self.case = case
        with self.subTest(case):
            yield

    # ---- the one judgement of a run ----

    def outcome_of(self, result: winebox.ScenarioResult, killed: bool) -> Optional[Outcome]:
        """The run's end as the driver saw it; fails the test on any other end."""
        if killed:
            if result.passed or "without either" not in result.output:
                self.fail("setup.exe was not killed: " + result.report())
            return None
        found = re.search(r"^  outcome: status (\d+), box \"(.*)\"$", result.output, re.M)
        if not result.passed or not found:
            self.fail(result.report())
        return Outcome(int(found[1]), found[2].replace("\\n", "\n"))

    def assert_sound(self, outcome: Optional[Outcome], medium: dict[str, str],
                     before: dict[str, str], after: dict[str, str]) -> None:
        """Each destination as it was or a complete copy; success only with every file."""
        for name, state in after.items():
            if before.get(name) != state:
                self.assertEqual(state, medium.get(name),
                                 f"{name!r} in the target is neither as it was nor a copy of "
                                 f"the medium's {name!r}\n{outcome and outcome.text}")
        if outcome is None:
            return
        if outcome.succeeded:
            missing = sorted(name for name, state in medium.items() if after.get(name) != state)
            self.assertEqual(missing, [], f"success reported with files not copied; the "
                             f"target holds {sorted(after)}")
        else:
            self.assertEqual(outcome.status, 1)
            self.assertIn("Run-time error", outcome.text)
            named = [name for name in medium if names_file(outcome.text, name)]
            self.assertTrue(named, f"the report names no file of the medium:\n{outcome.text}")

    def assert_report_names(self, outcome: Outcome, name: str, *reasons: str) -> None:
        self.assertFalse(outcome.succeeded, f"expected a report naming {name!r}")
        self.assertTrue(names_file(outcome.text, name), f"{name!r} not named:\n{outcome.text}")
        if reasons:
            self.assertTrue(any(reason in outcome.text.lower() for reason in reasons),
                            f"none of {reasons} in:\n{outcome.text}")

    # ---- worlds ----

    def default_folder_install(self, box: Optional[winebox.WineBox] = None,
                               watched: tuple[Path, ...] = ()) -> Install:
        box = box or self.open_box()
        target = box.drive_c / "Program Files" / "Quorvan2005"
        target.mkdir(parents=True, exist_ok=True)
        return Install(self, box, "default_present.scn", target, watched)

    def clear(self, folder: Path) -> None:
        for entry in folder.iterdir():
            os.chmod(entry, 0o755)
            shutil.rmtree(entry) if entry.is_dir() else entry.unlink()

    def hold(self, box: winebox.WineBox, windows_file: str) -> subprocess.Popen:
        """A Windows process of the box holding WINDOWS_FILE open with no sharing.

        Returns once it says "holding" (a line on its output), or fails when
        it ends first; the bound is only against a holder that hangs.
        """
        holder = box.start([str(self.holder), windows_file])
        self.addCleanup(holder.stdout.close)
        self.addCleanup(holder.wait)
        self.addCleanup(holder.kill)
        said = b""
        while b"holding" not in said:
            if not select.select([holder.stdout], [], [], 120)[0]:
                self.fail("the holder said nothing in 2 minutes: " + said.decode(errors="replace"))
            more = os.read(holder.stdout.fileno(), 4096)
            if not more:
                self.fail("the holder ended without opening the file: " +
                          said.decode(errors="replace"))
            said += more
        return holder

    def mount_small_disk(self, box: winebox.WineBox, folder: Path) -> Optional[str]:
        """Mounts a 2 MB tmpfs on FOLDER until the test ends; why not, when it cannot.

        Mounting needs root; the disk is the Wine user's, who runs setup.exe.
        """
        if os.geteuid() != 0:
            return "not root: no tmpfs can be mounted for a full disk"
        owner = pwd.getpwnam(box.user) if box.user else pwd.getpwuid(os.geteuid())
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o",
                                  f"size=2m,mode=0755,uid={owner.pw_uid},gid={owner.pw_gid}",
                                  "tmpfs", str(folder)], capture_output=True, text=True)
        if mounted.returncode != 0:
            return "no tmpfs can be mounted for a full disk: " + mounted.stderr.strip()
        self.addCleanup(subprocess.run, ["umount", "--lazy", str(folder)], check=True)
        return None

    def skip_if_wine_runs_as_root(self) -> None:
        """Root reads and lists whatever the permissions say."""
        if self.session.user is None and os.geteuid() == 0:
            self.skipTest("Wine runs as root, who may read any file and list any folder")
