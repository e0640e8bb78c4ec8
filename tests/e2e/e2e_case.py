"""Test cases that play scenarios against setup.exe under Wine.

The programs come from the Windows build: SETUP_EXE and SETUP_E2E_DRIVER name
them (CTest sets both), else build/windows/ of the work tree. SETUP_E2E_SHOTS
names a folder to keep the screenshots in, as PNG files.
"""

from __future__ import annotations

import os
import shutil
import sys
import unittest
from pathlib import Path
from typing import Optional

import wine_session
import winebox

REPOSITORY = Path(__file__).resolve().parents[2]
SCENARIOS = REPOSITORY / "tests" / "scenarios"
BUILD = REPOSITORY / "build" / "windows"

_session: Optional[wine_session.Session] = None


def shared_session() -> wine_session.Session:
    """The display and template prefix of this test process, made at first use."""
    global _session
    if _session is None:
        shots = os.environ.get("SETUP_E2E_SHOTS")
        _session = wine_session.Session(shots_folder=Path(shots) if shots else None)
        made = (f"made in {_session.prefix_seconds:.1f} s" if _session.prefix_seconds
                else "shared by the run's modules")
        print(f"\n[e2e] Wine prefix {made} "
              f"(display {_session.display.name}, Wine run by "
              f"{_session.user or 'the caller'})", file=sys.stderr)
    return _session


def program(variable: str, default: Path) -> Path:
    named = os.environ.get(variable)
    if named:
        if not Path(named).is_file():
            raise FileNotFoundError(f"{variable} names {named}, which does not exist")
        return Path(named)
    if not default.is_file():
        raise unittest.SkipTest(f"{default} is not built (cmake --build --preset windows)")
    return default


class ScenarioTestCase(unittest.TestCase):
    """Each test opens a WineBox of its own; the session is shared."""

    def setUp(self) -> None:
        self.setup_exe = program("SETUP_EXE", BUILD / "setup.exe")
        self.driver = program("SETUP_E2E_DRIVER", BUILD / "setup-e2e-driver.exe")
        self.session = shared_session()

    def open_box(self) -> winebox.WineBox:
        box = self.session.box(self.id().rsplit(".", 1)[-1])
        self.addCleanup(box.close)
        return box

    def insert_cd(self, box: winebox.WineBox, letter: str = "d",
                  label: str = "QUORVAN") -> Path:
        """A CD in drive LETTER with setup.exe on it; returns its host folder."""
        cd = box.make_folder("cd")
        shutil.copy2(self.setup_exe, cd / "setup.exe")
        box.map_drive(letter, cd, label=label, kind="cdrom")
        return cd

    def set_registry(self, box: winebox.WineBox, key: str, values: dict[str, object]) -> None:
        """Sets values under KEY (HKEY_CURRENT_USER\\...) of the box's registry.

        A text is stored as REG_SZ, a number as REG_DWORD; setup.exe reads
        them when it starts.
        """
        lines = ["Windows Registry Editor Version 5.00", "", f"[{key}]"]
        for name, value in values.items():
            lines.append(f'"{name}"=dword:{value:08x}' if isinstance(value, int) else
                         f'"{name}"="{value}"')
        settings = box.folder / f"settings-{len(list(box.folder.glob('settings-*.reg')))}.reg"
        settings.write_text("\r\n".join(lines) + "\r\n", encoding="utf-16")
        imported = box.run(["regedit", "/S", winebox.windows_path(settings)])
        if imported.returncode != 0:
            self.fail(f"regedit could not import {key}:\n" +
                      imported.stderr.decode(errors="replace"))

    def play(self, box: winebox.WineBox, scenario: str, exe: str = "D:\\setup.exe",
             cwd: str = "D:\\", arguments: str = "",
             no_windows: bool = False) -> winebox.ScenarioResult:
        """Plays tests/scenarios/SCENARIO; the test fails with the driver's report."""
        result = box.play(SCENARIOS / scenario, self.driver, exe=exe, cwd=cwd,
                          arguments=arguments, no_windows=no_windows)
        print(f"\n[e2e] {scenario}: {result.seconds:.1f} s", file=sys.stderr)
        if not result.passed:
            self.fail(result.report())
        return result
