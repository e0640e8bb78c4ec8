"""The Session of a test run: its X display, its template prefix, its boxes.

    with Session() as session:
        with session.box("intro") as box:
            ...

Standard library only.
"""

from __future__ import annotations

import shutil
import tempfile
from pathlib import Path
from typing import Optional

from child_processes import register_cleanup, unregister_cleanup
from prefix_template import PrefixTemplate, shared_template
from virtual_display import VirtualDisplay
from winebox import WineBox
from wine_programs import let_pass, stop_wineserver, wine_user


class Session:
    """The Xvfb display and the template prefix shared by the cases of a run.

    shots_folder keeps the screenshots as PNG files; without it they are
    dropped. run_timeout bounds one run of the driver, in seconds.
    """

    def __init__(self, shots_folder: Optional[Path] = None, run_timeout: float = 300) -> None:
        self.shots_folder = Path(shots_folder) if shots_folder else None
        self.run_timeout = run_timeout
        self.user = wine_user()
        self.folder = Path(tempfile.mkdtemp(prefix="setup-e2e-"))
        self.programs = self.folder / "programs"  # copies the user can read
        self._copies: dict[Path, Path] = {}
        self.display: Optional[VirtualDisplay] = None
        self._closed = False
        register_cleanup(self.close)
        try:
            let_pass(self.user, self.folder)  # to the boxes
            self.programs.mkdir(mode=0o755)
            self.display = VirtualDisplay()
            self.template = (shared_template(self.user)
                             or PrefixTemplate(self.folder / "template", self.user))
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
        """A new box, in which the session's user runs Wine."""
        return WineBox(self, name)

    def readable(self, path: Path) -> Path:
        """PATH itself when it is in the session's folder; else a copy in the
        session's programs folder, which the Wine user can read (the work
        tree may lie in a folder that only its owner may enter)."""
        path = Path(path).resolve()
        if self.folder.resolve() in path.parents:
            return path
        if path not in self._copies:
            folder = self.programs / str(len(self._copies))
            folder.mkdir(mode=0o755)
            copy = folder / path.name
            shutil.copyfile(path, copy)
            copy.chmod(0o644)
            self._copies[path] = copy
        return self._copies[path]

    def close(self) -> None:
        if self._closed:
            return
        self._closed = True
        try:
            for prefix in self.folder.glob("*/prefix"):
                stop_wineserver(prefix, self.user)
        finally:
            if self.display is not None:
                self.display.close()
            shutil.rmtree(self.folder, ignore_errors=True)
            unregister_cleanup(self.close)
