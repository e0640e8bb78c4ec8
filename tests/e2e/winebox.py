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
import shutil
import subprocess
import tempfile
import time
from pathlib import Path
from typing import Optional

import bmp_to_png
from child_processes import register_cleanup, unregister_cleanup
from prefix_template import PrefixTemplate
from virtual_display import VirtualDisplay
from wine_programs import Finished, run_wine, stop_wineserver

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
        self.name = "".join(c if c.isalnum() or c in "-_." else "_" for c in name)
        self.folder = Path(tempfile.mkdtemp(prefix=self.name[-40:] + "-", dir=session.folder))
        self.prefix = self.folder / "prefix"
        self._drive_kinds: dict[str, str] = {}
        self._started = False
        self._closed = False
        session.template.clone(self.prefix)
        (self.prefix / "dosdevices" / "z:").unlink(missing_ok=True)

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
        "hd", "cdrom", "floppy", "network".
        """
        if self._started:
            raise RuntimeError("drives are mapped before Wine runs in the box")
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

    def play(self, scenario: Path, driver: Path, exe: str, cwd: str,
             step_timeout: Optional[int] = None,
             driver_options: tuple[str, ...] = ()) -> ScenarioResult:
        """Runs the driver on the scenario; the driver starts setup.exe.

        driver_options go onto the driver's command line before the scenario.
        """
        self._start()
        shots = self.folder / "shots"
        shots.mkdir(exist_ok=True)
        command = [str(driver), "--exe", exe, "--cwd", cwd, "--shots", windows_path(shots)]
        if step_timeout is not None:
            command += ["--timeout", str(step_timeout)]
        command += [*driver_options, windows_path(scenario)]
        started = time.monotonic()
        try:
            run = run_wine(self.prefix, command, debug=WINE_ERRORS_ONLY,
                           display=self._session.display.name, cwd=self.folder,
                           timeout=self._session.run_timeout)
            returncode, output, errors = run.returncode, run.stdout, run.stderr
        except subprocess.TimeoutExpired as expired:
            returncode = -1
            output = (expired.output or b"") + b"\nthe driver did not end in time\n"
            errors = expired.stderr or b""
        return ScenarioResult(scenario=Path(scenario), returncode=returncode,
                              output=output.decode("utf-8", errors="replace"),
                              wine_errors=errors.decode("utf-8", errors="replace"),
                              seconds=time.monotonic() - started,
                              shots=self._keep_shots(shots))

    def run(self, arguments: list[str], timeout: Optional[float] = None) -> Finished:
        """Runs a Windows program in the box, on the session's display, to its end."""
        self._start()
        return run_wine(self.prefix, arguments, debug=WINE_ERRORS_ONLY,
                        display=self._session.display.name, cwd=self.folder,
                        timeout=timeout or self._session.run_timeout)

    def close(self) -> None:
        if self._closed:
            return
        self._closed = True
        try:
            stop_wineserver(self.prefix)
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

    def box(self, name: str) -> WineBox:
        return WineBox(self, name)

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
