"""A Wine prefix made once per test run, cloned for each case."""

from __future__ import annotations

import os
import shutil
import sys
import tempfile
import time
from pathlib import Path
from typing import Optional

from wine_programs import (Finished, give_to, let_pass, make_wine_home, run_wine,
                           start_wineserver, stop_wineserver, wine_user)

# Folders that the clones share with the template through hard links instead
# of copies: the system's own files and fonts, hundreds of megabytes that no
# case writes.
SHARED_FOLDERS = ("drive_c/windows/system32", "drive_c/windows/syswow64",
                  "drive_c/windows/winsxs", "drive_c/windows/Fonts")

# Wine's own fonts (Debian's fonts-wine): Marlett draws the title bars'
# buttons, and the bitmap "MS Sans Serif" keeps the metrics the layouts were
# made with. Wine does not look for them where Debian puts them.
WINE_FONTS = Path("/usr/share/wine/fonts")

# A Japanese font (Debian's fonts-vlgothic), which Wine lacks. It also has
# the Greek and Cyrillic letters that Wine's Tahoma has not all of.
JAPANESE_FONT = Path("/usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf")

# Faces Windows has and Wine has not, and the fonts of the prefix that stand
# in for them (HKCU\Software\Wine\Fonts\Replacements):
# - "Microsoft Sans Serif", the scalable twin of the bitmap "MS Sans Serif",
#   which the installer takes for a size the bitmaps lack (18 pt) and for
#   names in other scripts: Tahoma, one of Wine's fonts (its 18 pt is 29
#   pixels high, as MS Sans Serif's is on Windows);
# - "MS UI Gothic", the first of the fonts that Windows links to Microsoft
#   Sans Serif and Tahoma for the characters they lack (Japanese, and Greek
#   for Wine's Tahoma): VL Gothic. Wine links them to it as Windows does.
STAND_IN_KEY = r"HKCU\Software\Wine\Fonts\Replacements"
STAND_INS = {"Microsoft Sans Serif": "Tahoma", "MS UI Gothic": "VL Gothic"}


def install_wine_fonts(prefix: Path) -> None:
    """Copies Wine's fonts and the Japanese one into the prefix's Fonts folder."""
    if not (WINE_FONTS / "marlett.ttf").is_file():
        raise RuntimeError(f"{WINE_FONTS} has no Wine fonts: install fonts-wine "
                           "(scripts/install-deps.sh)")
    if not JAPANESE_FONT.is_file():
        raise RuntimeError(f"{JAPANESE_FONT} is missing: install fonts-vlgothic "
                           "(scripts/install-deps.sh)")
    fonts = prefix / "drive_c" / "windows" / "Fonts"
    fonts.mkdir(parents=True, exist_ok=True)
    for font in [*WINE_FONTS.iterdir(), JAPANESE_FONT]:
        shutil.copy2(font, fonts / font.name)


def wine_failed(finished: Finished) -> Optional[str]:
    """For run_wine's UNSTARTED: why a run that must succeed did not, or None."""
    if finished.returncode == 0:
        return None
    said = finished.stdout.decode(errors="replace").strip()
    return f"status {finished.returncode}" + (f", it said {said!r}" if said else "")


class PrefixTemplate:
    """A fresh prefix, set up for windows without a window manager.

    Made in HOME/prefix by USER (None: by us), who runs Wine in its clones;
    the system files that the clones share stay ours, so that no case can
    change them for the others. MADE: HOME holds one made so already.
    """

    def __init__(self, home: Path, user: Optional[str] = None, made: bool = False) -> None:
        self.folder = home / "prefix"
        self.user = user
        self.creation_seconds = 0.0
        if made:  # by another process, which HOME came from
            self._shared_state = self._shared_files_state()
            return
        started = time.monotonic()
        make_wine_home(home, user)
        self._boot()
        install_wine_fonts(self.folder)
        for face, stand_in in STAND_INS.items():
            self._reg_add(STAND_IN_KEY, face, "REG_SZ", stand_in)
        # No window manager runs: Wine must place and maximise windows itself,
        # and not wait for one when a window closes.
        self._reg_add(r"HKCU\Software\Wine\X11 Driver", "Managed", "REG_SZ", "N")
        # A crash is reported in the case's output, not in a dialog no one closes.
        self._reg_add(r"HKCU\Software\Wine\WineDbg", "ShowCrashDialog", "REG_DWORD", "0")
        stop_wineserver(self.folder, user)  # which writes the registry's files
        self._check_saved()
        if user is not None:
            for shared in SHARED_FOLDERS:
                for root, folders, files in os.walk(self.folder / shared):
                    for name in folders + files:
                        os.chown(os.path.join(root, name), 0, 0, follow_symlinks=False)
        self.creation_seconds = time.monotonic() - started
        self._shared_state = self._shared_files_state()

    def _boot(self) -> None:
        """Makes the prefix with its own wineserver kept running for what follows.

        A start-up that fails is tried again on an empty folder, three times
        in all, each reason written to standard error.
        """
        attempts = 3
        for attempt in range(1, attempts + 1):
            self.folder.mkdir(exist_ok=True)
            give_to(self.user, self.folder)
            start_wineserver(self.folder, self.user)
            boot = run_wine(self.folder, ["wineboot", "-i"], timeout=300, user=self.user)
            if boot.returncode == 0 and (self.folder / "drive_c").is_dir():
                return
            reason = wine_failed(boot) or "no drive_c"
            stop_wineserver(self.folder, self.user)
            shutil.rmtree(self.folder, ignore_errors=True)
            if attempt == attempts:
                raise RuntimeError(f"wineboot failed ({reason}):\n" +
                                   boot.stderr.decode(errors="replace"))
            print(f"\n[wine] wineboot failed ({reason}), attempt {attempt} of {attempts}:\n" +
                  boot.stderr.decode(errors="replace")[-2000:], file=sys.stderr)

    def _reg_add(self, key: str, name: str, kind: str, value: str) -> None:
        added = run_wine(self.folder, ["reg", "add", key, "/v", name, "/t", kind, "/d", value,
                                       "/f"], user=self.user, unstarted=wine_failed)
        if added.returncode != 0:
            raise RuntimeError(f"reg add {key} {name} failed ({wine_failed(added)}):\n" +
                               added.stderr.decode(errors="replace"))

    def _check_saved(self) -> None:
        """Fails unless the settings are in the prefix's registry files."""
        saved = (self.folder / "user.reg").read_text(encoding="utf-8", errors="replace")
        for section, value in (("Software\\\\Wine\\\\X11 Driver", '"Managed"="N"'),
                               ("Software\\\\Wine\\\\Fonts\\\\Replacements",
                                '"Microsoft Sans Serif"="Tahoma"')):
            start = saved.find(f"[{section}]")
            if start < 0 or value not in saved[start:saved.find("\n[", start + 1)]:
                raise RuntimeError(f"the template's user.reg lacks [{section}] {value}")

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


# CTest makes one template prefix for the test modules of a run, before the
# first of them, and removes it after the last (tests/e2e/CMakeLists.txt): the
# file that this variable names holds the template's folder. Without it, each
# session makes a template of its own.
TEMPLATE_RECORD = "SETUP_E2E_TEMPLATE"


def make_shared_template(record: Path) -> None:
    """Makes the template prefix of a run, and writes its folder to RECORD."""
    remove_shared_template(record)
    user = wine_user()
    folder = Path(tempfile.mkdtemp(prefix="setup-e2e-template-"))
    try:
        let_pass(user, folder)  # to the prefix
        template = PrefixTemplate(folder, user)
    except BaseException:
        shutil.rmtree(folder, ignore_errors=True)
        raise
    record.write_text(str(folder), encoding="utf-8")
    print(f"[e2e] Wine prefix made in {template.creation_seconds:.1f} s in {folder}")


def remove_shared_template(record: Path) -> None:
    """Removes the template prefix that RECORD names, and RECORD."""
    if record.is_file():
        folder = Path(record.read_text(encoding="utf-8").strip())
        if folder.name.startswith("setup-e2e-template-"):
            stop_wineserver(folder / "prefix", wine_user())
            shutil.rmtree(folder, ignore_errors=True)
        record.unlink()


def shared_template(user: Optional[str]) -> Optional[PrefixTemplate]:
    """The template prefix of the run, when CTest made one."""
    record = os.environ.get(TEMPLATE_RECORD)
    if not record or not Path(record).is_file():
        return None
    folder = Path(Path(record).read_text(encoding="utf-8").strip())
    return PrefixTemplate(folder, user, made=True) if (folder / "prefix").is_dir() else None


if __name__ == "__main__":
    # CTest's fixture: prefix_template.py make|remove RECORD
    action, record_file = sys.argv[1:3]
    (make_shared_template if action == "make" else remove_shared_template)(Path(record_file))
