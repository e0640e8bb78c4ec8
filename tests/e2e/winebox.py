r"""Runs setup.exe under Wine, on a private X display, in throw-away prefixes.

A Session owns what the cases of one test run share: a virtual X display
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
"""

from __future__ import annotations

import dataclasses
import os
import pwd
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path
from typing import Optional

import bmp_to_png
from child_processes import die_with_parent, register_cleanup, unregister_cleanup
from prefix_template import PrefixTemplate
from virtual_display import VirtualDisplay
from wine_programs import (Finished, as_user, run_wine, stop_wineserver, wine_environment,
                           wine_loader)

# Wine's own messages: only errors, and shown only when a case fails.
WINE_ERRORS_ONLY = "-all,err+all"


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

    def __init__(self, session: "Session", name: str, user: Optional[str] = None) -> None:
        self._session = session
        self.user = user  # who runs Wine in the box; None: we do
        self.name = "".join(c if c.isalnum() or c in "-_." else "_" for c in name)
        self.folder = Path(tempfile.mkdtemp(prefix=self.name[-40:] + "-", dir=session.folder))
        self.prefix = self.folder / "prefix"
        self._drive_kinds: dict[str, str] = {}
        self._started = False
        self._closed = False
        session.template.clone(self.prefix)
        (self.prefix / "dosdevices" / "z:").unlink(missing_ok=True)
        if user is not None:
            (self.folder / "tmp").mkdir()  # Wine's TMPDIR (see wine_environment)
            self.hand_over(self.folder)

    def hand_over(self, folder: Path) -> None:
        """Gives FOLDER to the box's user, all but the system files shared by links."""
        entry = pwd.getpwnam(self.user)
        os.chmod(self._session.folder, 0o711)  # the user passes through to the box
        for root, _folders, files in os.walk(folder):
            os.chown(root, entry.pw_uid, entry.pw_gid)
            for name in files:
                path = os.path.join(root, name)
                if os.lstat(path).st_nlink == 1:
                    os.chown(path, entry.pw_uid, entry.pw_gid, follow_symlinks=False)

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
        self._start()
        shots = self.folder / "shots"
        shots.mkdir(exist_ok=True)
        if self.user is not None:
            self.hand_over(shots)
        command = [str(driver), "--exe", exe, "--cwd", cwd, "--shots", windows_path(shots)]
        if step_timeout is not None:
            command += ["--timeout", str(step_timeout)]
        if arguments:
            command += ["--args", arguments]
        if no_windows:
            command.append("--no-windows")
        command += [*driver_options, windows_path(scenario)]
        started = time.monotonic()
        try:
            run = self.run(command)
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

    def run(self, command: list[str], timeout: Optional[float] = None) -> Finished:
        """Runs a Windows program in the box, from the box's own folder.

        Raises subprocess.TimeoutExpired when it outlives `timeout` (by
        default the session's run_timeout).
        """
        self._start()
        return run_wine(self.prefix, command, debug=WINE_ERRORS_ONLY,
                        display=self._session.display.name, cwd=self.folder,
                        timeout=timeout or self._session.run_timeout, user=self.user)

    def start(self, arguments: list[str], output: Path) -> subprocess.Popen:
        """Starts a Wine program in the box and returns at once; its output goes to OUTPUT.

        close() ends it with the box's other Wine processes.
        """
        self._start()
        with open(output, "wb") as sink:
            loader = wine_loader(Path(arguments[0]))
            return subprocess.Popen([*as_user(self.user), loader, *arguments],
                                    env=wine_environment(self.prefix, None, WINE_ERRORS_ONLY),
                                    stdin=subprocess.DEVNULL, stdout=sink,
                                    stderr=subprocess.STDOUT, cwd=self.folder,
                                    preexec_fn=die_with_parent)

    def kill_program(self, name: str) -> int:
        """Kills (SIGKILL) the box's Wine processes of the program NAME (say "setup.exe").

        Returns how many were killed.
        """
        wanted = f"WINEPREFIX={self.prefix}".encode()
        killed = 0
        for process in Path("/proc").iterdir():
            try:
                environment = (process / "environ").read_bytes().split(b"\0")
                program = (process / "cmdline").read_bytes().split(b"\0")[0]
            except OSError:
                continue
            if wanted in environment and program.decode(errors="replace").lower().endswith(
                    name.lower()):
                try:
                    os.kill(int(process.name), signal.SIGKILL)
                    killed += 1
                except (ProcessLookupError, ValueError):
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

    def _start(self) -> None:
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


class Session:
    """The Xvfb display and the template prefix shared by the cases of a run.

    shots_folder keeps the screenshots as PNG files; without it they are
    dropped. run_timeout bounds one run of the driver, in seconds.
    """

    def __init__(self, shots_folder: Optional[Path] = None, run_timeout: float = 300) -> None:
        self.shots_folder = Path(shots_folder) if shots_folder else None
        self.run_timeout = run_timeout
        self.folder = Path(tempfile.mkdtemp(prefix="setup-e2e-"))
        self.display: Optional[VirtualDisplay] = None
        self._closed = False
        register_cleanup(self.close)
        try:
            self.display = VirtualDisplay()
            self.template = PrefixTemplate(self.folder / "template")
        except BaseException:
            self.close()
            raise

    def __enter__(self) -> "Session":
        return self

    def __exit__(self, *_exception) -> None:
        self.close()

    @property
    def prefix_seconds(self) -> float:
        """How long making the template prefix took."""
        return self.template.creation_seconds

    def box(self, name: str, user: Optional[str] = None) -> WineBox:
        """A new box; USER (say "nobody") runs Wine in it instead of us, when given."""
        return WineBox(self, name, user)

    def close(self) -> None:
        if self._closed:
            return
        self._closed = True
        try:
            stop_wineserver(self.folder / "template")
            for case in self.folder.glob("*/prefix"):
                stop_wineserver(case)
        finally:
            if self.display is not None:
                self.display.close()
            shutil.rmtree(self.folder, ignore_errors=True)
            unregister_cleanup(self.close)
