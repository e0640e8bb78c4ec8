"""A Wine prefix made once per test run, cloned for each case."""

from __future__ import annotations

import os
import shutil
import time
from pathlib import Path

from wine_programs import run_wine, stop_wineserver

# Folders that the clones share with the template through hard links instead
# of copies: the system's own files, hundreds of megabytes that no case writes.
SHARED_FOLDERS = ("drive_c/windows/system32", "drive_c/windows/syswow64",
                  "drive_c/windows/winsxs")

# Wine's own fonts (Debian's fonts-wine): Marlett draws the title bars'
# buttons, and the bitmap "MS Sans Serif" keeps the metrics the layouts were
# made with. Wine does not look for them where Debian puts them.
WINE_FONTS = Path("/usr/share/wine/fonts")


# Wine has no "Microsoft Sans Serif", the scalable twin of the bitmap "MS Sans
# Serif" that the installer takes for a size the bitmaps lack (18 pt): Tahoma,
# one of Wine's fonts, stands in for it (its 18 pt is 29 pixels high, as MS
# Sans Serif's is on Windows).
SCALABLE_TWIN_KEY = r"HKCU\Software\Wine\Fonts\Replacements"
SCALABLE_TWIN = "Microsoft Sans Serif"
SCALABLE_TWIN_FACE = "Tahoma"


def install_wine_fonts(prefix: Path) -> None:
    """Copies Wine's fonts into the prefix's Fonts folder, where Wine finds them."""
    if not (WINE_FONTS / "marlett.ttf").is_file():
        raise RuntimeError(f"{WINE_FONTS} has no Wine fonts: install fonts-wine "
                           "(scripts/install-deps.sh)")
    fonts = prefix / "drive_c" / "windows" / "Fonts"
    fonts.mkdir(parents=True, exist_ok=True)
    for font in WINE_FONTS.iterdir():
        shutil.copy2(font, fonts / font.name)


class PrefixTemplate:
    """A fresh prefix, set up for windows without a window manager."""

    def __init__(self, folder: Path) -> None:
        self.folder = folder
        started = time.monotonic()
        boot = run_wine(folder, ["wineboot", "-i"], timeout=300)
        if boot.returncode != 0 or not (folder / "drive_c").is_dir():
            raise RuntimeError("wineboot failed:\n" + boot.stderr.decode(errors="replace"))
        install_wine_fonts(folder)
        self._reg_add(SCALABLE_TWIN_KEY, SCALABLE_TWIN, "REG_SZ", SCALABLE_TWIN_FACE)
        # No window manager runs: Wine must place and maximise windows itself,
        # and not wait for one when a window closes.
        self._reg_add(r"HKCU\Software\Wine\X11 Driver", "Managed", "REG_SZ", "N")
        # A crash is reported in the case's output, not in a dialog no one closes.
        self._reg_add(r"HKCU\Software\Wine\WineDbg", "ShowCrashDialog", "REG_DWORD", "0")
        stop_wineserver(folder)
        self.creation_seconds = time.monotonic() - started
        self._shared_state = self._shared_files_state()

    def _reg_add(self, key: str, name: str, kind: str, value: str) -> None:
        added = run_wine(self.folder, ["reg", "add", key, "/v", name, "/t", kind, "/d", value,
                                       "/f"])
        if added.returncode != 0:
            raise RuntimeError(f"reg add {key} {name} failed:\n" +
                               added.stderr.decode(errors="replace"))

    def _shared_files_state(self) -> dict[str, tuple[int, int]]:
        state = {}
        for shared in SHARED_FOLDERS:
            for file in (self.folder / shared).rglob("*"):
                if file.is_file() and not file.is_symlink():
                    status = file.stat()
                    state[str(file.relative_to(self.folder))] = (status.st_size,
                                                                 status.st_mtime_ns)
        return state

    def clone(self, target: Path) -> None:
        """Copies the prefix to `target`, sharing the system files by hard links."""
        shared = {self.folder / folder for folder in SHARED_FOLDERS}

        def copy(source: Path, destination: Path, link: bool) -> None:
            destination.mkdir()
            shutil.copystat(source, destination)
            for entry in os.scandir(source):
                source_entry = Path(entry.path)
                target_entry = destination / entry.name
                if entry.is_symlink():
                    os.symlink(os.readlink(source_entry), target_entry)
                elif entry.is_dir():
                    copy(source_entry, target_entry, link or source_entry in shared)
                elif link:
                    os.link(source_entry, target_entry)
                else:
                    shutil.copy2(source_entry, target_entry)

        copy(self.folder, target, False)

    def check_shared_files(self) -> None:
        """Fails when a case changed a system file that all the clones share."""
        changed = [name for name, state in self._shared_files_state().items()
                   if self._shared_state.get(name) != state]
        if changed:
            raise RuntimeError("a case changed system files shared by all cases: " +
                               ", ".join(sorted(changed)[:10]))
