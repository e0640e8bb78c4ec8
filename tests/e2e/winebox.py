r"""Runs setup.exe under Wine, on a private X display, in throw-away prefixes.

A Session (wine_session.py) owns what the cases of one test run share: a virtual X display
(Xvfb) and a Wine prefix made once as a template. Each case opens a WineBox:
a prefix cloned from the template, with its own drive letters, in which the
driver program plays a scenario against setup.exe. Everything is removed
afterwards, wineserver and Xvfb included, also when a case fails.

    with Session() as session:
        with session.box("intro") as box:
            box.map_drive("d", cd_folder, label="QUORVAN", kind="cdrom")
            result = box.play(scenario, driver, exe="D:\\setup.exe", cwd="D:\\")

Drive c: is the box's own drive_c (box.drive_c on the host). Boxes have no
drive z: for the host's root: the installer's drive list shows only the drives
a test maps. Standard library only.

Run as root, the tests run Wine as an ordinary user, "nobody" (or the one
SETUP_E2E_WINE_USER names), as people run it: the template prefix and every
box are that user's, and what a test lays out in a box is given to them
before each run of Wine, as their own files would be. The programs and
scenario files come from a folder of the session that the user can read,
wherever the work tree is. Run as anyone else, Wine runs as the caller.
"""

from __future__ import annotations

import contextlib
import dataclasses
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path
from typing import Callable, Optional

import bmp_to_png
from child_processes import die_with_parent
from prefix_template import SHARED_FOLDERS
from wine_programs import (Finished, as_user, make_wine_home, run_wine, start_wineserver,
                           stop_wineserver, wine_environment, wine_loader)

# Wine's own messages: only errors, and shown only when a case fails.
WINE_ERRORS_ONLY = "-all,err+all"


def driver_unstarted(run: Finished) -> Optional[str]:
    """Why Wine did not start the driver, or None when it did: its first
    line, the scenario's name, comes before anything else it does."""
    if run.returncode == 0 or run.stdout.strip():
        return None
    return f"status {run.returncode} and nothing written"


def windows_path(path: Path) -> str:
    r"""The Wine path of a host file, through Wine's \\?\unix\ paths."""
    return "\\\\?\\unix" + str(Path(path).resolve()).replace("/", "\\")


@dataclasses.dataclass
class ScenarioResult:
    scenario: Path
    returncode: int
    output: str  # the driver's report of the steps
    wine_errors: str  # what Wine said on its error channel
    seconds: float
    shots: list[Path]  # screenshots kept, as PNG files
    pixels: dict[str, bytes] = dataclasses.field(default_factory=dict)  # each shot's BMP

    @property
    def passed(self) -> bool:
        return self.returncode == 0

    def report(self) -> str:
        text = f"scenario {self.scenario} ended with {self.returncode}:\n{self.output}"
        if self.wine_errors.strip():
            text += "\nWine said:\n" + self.wine_errors
        return text


class WineBox:
    """One case's Wine prefix, its drives, and the runs of the driver in it."""

    def __init__(self, session: "Session", name: str) -> None:
        self._session = session
        self.user = session.user  # who runs Wine in the box; None: we do
        self.name = "".join(c if c.isalnum() or c in "-_." else "_" for c in name)
        self.folder = Path(tempfile.mkdtemp(prefix=self.name[-40:] + "-", dir=session.folder))
        self.prefix = self.folder / "prefix"
        self._drive_kinds: dict[str, str] = {}
        self._kept: set[Path] = set()
        self._handed_over = False
        self._started = False
        self._closed = False
        make_wine_home(self.folder, self.user)
        session.template.clone(self.prefix)
        (self.prefix / "dosdevices" / "z:").unlink(missing_ok=True)

    def keep_owner(self, path: Path) -> None:
        """Leaves PATH (and what is in it) out of the hand-over to the box's
        user: for a case whose file is meant to be someone else's."""
        self._kept.add(Path(path))

    def hand_over(self, folder: Optional[Path] = None) -> None:
        """Gives what is in FOLDER (by default the whole box) to the box's user.

        Runs before each run of Wine. The system files the clones share by
        links stay the template's; after the first time, their folders are
        not walked again (no case writes there).
        """
        if self.user is None:
            return
        entry = pwd.getpwnam(self.user)
        shared = {self.prefix / folder for folder in SHARED_FOLDERS}
        for root, folders, files in os.walk(folder or self.folder):
            here = Path(root)
            if here in self._kept:
                folders[:] = []
                continue
            if self._handed_over and here in shared:
                folders[:] = []
            if os.lstat(here).st_uid != entry.pw_uid:
                os.chown(here, entry.pw_uid, entry.pw_gid)
            for name in files:
                path = here / name
                state = os.lstat(path)
                if state.st_uid != entry.pw_uid and state.st_nlink == 1 and path not in self._kept:
                    os.chown(path, entry.pw_uid, entry.pw_gid, follow_symlinks=False)
        if folder is None:
            self._handed_over = True

    def readable(self, path: Path) -> Path:
        """A copy of PATH (a program, a scenario) that the box's user can read."""
        return self._session.readable(path)

    def __enter__(self) -> "WineBox":
        return self

    def __exit__(self, *_exception) -> None:
        self.close()

    @property
    def drive_c(self) -> Path:
        return self.prefix / "drive_c"

    def make_folder(self, name: str) -> Path:
        """A new host folder inside the case's own temporary folder."""
        folder = self.folder / name
        folder.mkdir(parents=True)
        return folder

    def map_drive(self, letter: str, folder: Optional[Path], label: Optional[str] = None,
                  kind: Optional[str] = None) -> None:
        """Makes drive LETTER show the host folder.

        folder None, or a folder that does not exist, stands for a removable
        drive with no disc in it. label is the volume label (a hidden
        .windows-label file in the folder); kind one of Wine's drive types:
        "hd", "cdrom", "floppy", "network", set before Wine first runs in
        the box. A drive without a kind may be mapped while Wine runs.
        """
        if self._started and kind is not None:
            raise RuntimeError("drive kinds are set before Wine runs in the box")
        letter = letter.lower().rstrip(":")
        if letter == "c":
            raise ValueError("drive c: is the box's own drive_c")
        if folder is None:
            folder = self.folder / f"no-disc-in-{letter}"
        link = self.prefix / "dosdevices" / f"{letter}:"
        if link.is_symlink() or link.exists():
            link.unlink()
        os.symlink(Path(folder).resolve(), link)
        if label is not None and Path(folder).is_dir():
            (Path(folder) / ".windows-label").write_text(label + "\n", encoding="utf-8")
        if kind is not None:
            self._drive_kinds[letter] = kind

    def map_share(self, server: str, share: str, folder: Path) -> None:
        r"""Makes the network share \\SERVER\SHARE show the host folder.

        Wine finds a share's files through dosdevices/unc/SERVER/SHARE.
        """
        unc = self.prefix / "dosdevices" / "unc" / server.lower()
        unc.mkdir(parents=True, exist_ok=True)
        link = unc / share.lower()
        if link.is_symlink() or link.exists():
            link.unlink()
        os.symlink(Path(folder).resolve(), link)

    def play(self, scenario: Path, driver: Path, exe: str, cwd: str,
             step_timeout: Optional[int] = None, arguments: str = "",
             no_windows: bool = False, driver_options: tuple[str, ...] = ()) -> ScenarioResult:
        """Runs the driver on the scenario; the driver starts setup.exe.

        arguments go on setup.exe's command line as they stand; with
        no_windows any window of setup.exe fails the scenario. driver_options
        go onto the driver's command line before the scenario.
        """
        shots = self.folder / "shots"
        shots.mkdir(exist_ok=True)
        command = [str(self.readable(driver)), "--exe", exe, "--cwd", cwd, "--shots",
                   windows_path(shots)]
        if step_timeout is not None:
            command += ["--timeout", str(step_timeout)]
        if arguments:
            command += ["--args", arguments]
        if no_windows:
            command.append("--no-windows")
        command += [*driver_options, windows_path(self.readable(scenario))]
        started = time.monotonic()
        try:
            run = self.run(command, unstarted=driver_unstarted)
            returncode, output, errors = run.returncode, run.stdout, run.stderr
        except subprocess.TimeoutExpired as expired:
            returncode = -1
            output = (expired.output or b"") + b"\nthe driver did not end in time\n"
            errors = expired.stderr or b""
        pixels = {bmp.stem: bmp.read_bytes() for bmp in sorted(shots.glob("*.bmp"))}
        return ScenarioResult(scenario=Path(scenario), returncode=returncode,
                              output=output.decode("utf-8", errors="replace"),
                              wine_errors=errors.decode("utf-8", errors="replace"),
                              seconds=time.monotonic() - started,
                              shots=self._keep_shots(shots), pixels=pixels)

    def run(self, command: list[str], timeout: Optional[float] = None,
            unstarted: Optional[Callable[[Finished], Optional[str]]] = None) -> Finished:
        """Runs a Windows program in the box, from the box's own folder.

        A program given by its host path is run from a copy the box's user
        can read. UNSTARTED: see run_wine. Raises subprocess.TimeoutExpired
        when it outlives `timeout` (by default the session's run_timeout).
        """
        self._start()
        return run_wine(self.prefix, self._program(command), debug=WINE_ERRORS_ONLY,
                        display=self._session.display.name, cwd=self.folder,
                        timeout=timeout or self._session.run_timeout, user=self.user,
                        unstarted=unstarted)

    def start(self, arguments: list[str], output: Optional[Path] = None,
              cwd: Optional[Path] = None, display: bool = False,
              loader_of: Optional[Path] = None) -> subprocess.Popen:
        """Starts a Wine program in the box and returns at once.

        Its output goes to OUTPUT, or without one to a pipe (the process's
        stdout). It runs in CWD (by default the box's folder), on the
        session's display when DISPLAY. A program given by its Windows path
        ("D:\\setup.exe") names its host file in LOADER_OF, which picks the
        Wine loader of its kind. close() ends it with the box's other Wine
        processes.
        """
        self._start()
        environment = wine_environment(self.prefix, self._session.display.name if display
                                       else None, WINE_ERRORS_ONLY, self.user)
        program = self._program(arguments)
        loader = wine_loader(loader_of or Path(program[0]))
        with open(output, "wb") if output else contextlib.nullcontext(subprocess.PIPE) as sink:
            return subprocess.Popen([*as_user(self.user), loader, *program],
                                    env=environment, stdin=subprocess.DEVNULL, stdout=sink,
                                    stderr=subprocess.STDOUT, cwd=cwd or self.folder,
                                    preexec_fn=die_with_parent)

    def processes_of(self, name: str) -> list[int]:
        """The process numbers of the box's Wine processes of the program NAME."""
        wanted = f"WINEPREFIX={self.prefix}".encode()
        uid = pwd.getpwnam(self.user).pw_uid if self.user else os.geteuid()
        found = []
        for process in Path("/proc").iterdir():
            try:
                if not process.name.isdigit() or process.stat().st_uid != uid:
                    continue  # quick: reading every process's environment is not
                environment = (process / "environ").read_bytes().split(b"\0")
                program = (process / "cmdline").read_bytes().split(b"\0")[0]
            except OSError:
                continue
            if wanted in environment and program.decode(errors="replace").lower().endswith(
                    name.lower()):
                found.append(int(process.name))
        return found

    def kill_program(self, name: str) -> int:
        """Kills (SIGKILL) the box's Wine processes of the program NAME (say "setup.exe").

        Returns how many were killed.
        """
        killed = 0
        for process in self.processes_of(name):
            try:
                os.kill(process, signal.SIGKILL)
                killed += 1
            except ProcessLookupError:
                pass
        return killed

    def close(self) -> None:
        if self._closed:
            return
        self._closed = True
        try:
            stop_wineserver(self.prefix, self.user)
        finally:
            shutil.rmtree(self.folder, ignore_errors=True)
        self._session.template.check_shared_files()

    def _program(self, command: list[str]) -> list[str]:
        """COMMAND, its program (given by a host path) taken from a readable copy."""
        if command and os.path.isabs(command[0]) and Path(command[0]).is_file():
            return [str(self.readable(Path(command[0]))), *command[1:]]
        return command

    def _start(self) -> None:
        """Before each run of Wine: what the test laid out becomes the user's;
        before the first, the drive kinds and the box's own wineserver."""
        self.hand_over()
        if self._started:
            return
        self._started = True
        if self._drive_kinds:
            # Wine reads the drive types when the prefix starts: they go into
            # the registry file before any Wine process runs in the box.
            lines = [f"\n[Software\\\\Wine\\\\Drives] {int(time.time())}"]
            lines += [f'"{letter}:"="{kind}"' for letter, kind in self._drive_kinds.items()]
            with open(self.prefix / "system.reg", "a", encoding="utf-8") as registry:
                registry.write("\n".join(lines) + "\n")
        start_wineserver(self.prefix, self.user)

    def _keep_shots(self, shots: Path) -> list[Path]:
        kept = []
        target = self._session.shots_folder
        for bmp in sorted(shots.glob("*.bmp")):
            if target is not None:
                target.mkdir(parents=True, exist_ok=True)
                png = target / f"{self.name}-{bmp.stem}.png"
                bmp_to_png.convert(bmp, png)
                kept.append(png)
            bmp.unlink()
        return kept
