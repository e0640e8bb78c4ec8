#!/usr/bin/env python3
r"""Starts setup.exe from a scratch copy of the sample CD, in a Wine prefix of its own.

Everything lives under build/run/: the CD (a fresh copy of sample-cd/ with
setup.exe, on drive D:, a CD-ROM labelled QUORVAN), the prefix (made on the
first run and kept; its default folder c:\Program Files\Quorvan2005 is
removed before each run) and the screenshots.

With a usable X display the installer runs on it and you go through the
wizard yourself. Without one (or with --tour) a private Xvfb is started and
the driver program walks tests/scenarios/tour.scn through the real windows:
an installation into the default folder, with a screenshot of every screen,
saved as PNG files in build/run/screenshots/.

With --medium IMAGE.iso (an installation CD of scripts/make-cd.sh) the
image, mounted read-only with fuseiso, is drive D: in place of the copy of
sample-cd/, and setup.exe is the one on the image; as root the image is also
attached as a read-only loop device, D:'s device, so that Wine shows the CD's
own label.

Usage: tools/run_installer.py [--tour] [--medium IMAGE.iso]   (scripts/run.sh builds first)
"""

from __future__ import annotations

import argparse
import fcntl
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path
from typing import Optional

REPOSITORY = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPOSITORY / "tests" / "e2e"))
sys.path.insert(0, str(REPOSITORY / "tools"))

import bmp_to_png  # noqa: E402
import x_display  # noqa: E402
from child_processes import register_cleanup, unregister_cleanup  # noqa: E402
from prefix_template import STAND_INS, install_wine_fonts  # noqa: E402
from virtual_display import VirtualDisplay  # noqa: E402
from wine_programs import run_wine, stop_wineserver, wine_environment, wine_loader  # noqa: E402
from winebox import windows_path  # noqa: E402
from installation_cd import MountedImage, MountError, fuse_unavailable  # noqa: E402

BUILD = REPOSITORY / "build" / "windows"
SETUP_EXE = BUILD / "setup.exe"
DRIVER = BUILD / "setup-e2e-driver.exe"
SAMPLE_CD = REPOSITORY / "sample-cd"
TOUR = REPOSITORY / "tests" / "scenarios" / "tour.scn"

RUN = REPOSITORY / "build" / "run"
CD = RUN / "cd"
MEDIUM = RUN / "medium"
PREFIX = RUN / "prefix"
SCREENSHOTS = RUN / "screenshots"
DEFAULT_FOLDER = PREFIX / "drive_c" / "Program Files" / "Quorvan2005"

# Wine's own messages: errors only.
WINE_ERRORS = "-all,err+all"


def say(text: str) -> None:
    print(f"[run] {text}", flush=True)


def make_scratch_cd() -> None:
    """A fresh copy of the sample CD with setup.exe on it."""
    if CD.exists():
        shutil.rmtree(CD)
    shutil.copytree(SAMPLE_CD, CD)
    shutil.copy2(SETUP_EXE, CD / "setup.exe")
    (CD / ".windows-label").write_text("QUORVAN\n", encoding="utf-8")


def mount_medium(image: Path) -> MountedImage:
    """The image mounted read-only at build/run/medium/."""
    reason = fuse_unavailable()
    if reason:
        sys.exit(f"cannot mount {image}: {reason}")
    if os.path.ismount(MEDIUM):
        subprocess.run(["fusermount", "-u", str(MEDIUM)], check=False)
    if MEDIUM.is_dir():
        MEDIUM.rmdir()
    try:
        medium = MountedImage(image.resolve(), MEDIUM)
    except MountError as error:
        sys.exit(str(error))
    if medium.device is None:
        say(f"no loop device for the image ({medium.no_device_reason}): D: shows no label")
    return medium


def prepare_prefix(cwd: Path, managed_windows: bool, cd: Path = CD,
                   cd_device: Optional[str] = None) -> None:
    """Makes the prefix on the first run; maps D: (CD, and CD_DEVICE as its
    device) and resets the default folder."""
    if not (PREFIX / "system.reg").is_file():
        if PREFIX.exists():
            shutil.rmtree(PREFIX)
        say(f"making the Wine prefix {PREFIX} (once) ...")
        boot = run_wine(PREFIX, ["wineboot", "-i"], cwd=cwd, timeout=300)
        if boot.returncode != 0 or not (PREFIX / "drive_c").is_dir():
            raise RuntimeError("wineboot failed:\n" + boot.stderr.decode(errors="replace"))

    install_wine_fonts(PREFIX)
    # D: is a CD-ROM; without a window manager (Xvfb) Wine places, maximises
    # and closes the windows itself, and a crash is not left in a dialog.
    settings = RUN / "settings.reg"
    settings.write_text(
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\n"
        '"d:"="cdrom"\n\n'
        "[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"
        f'"Managed"="{"Y" if managed_windows else "N"}"\n\n'
        "[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\n" +
        "".join(f'"{face}"="{stand_in}"\n' for face, stand_in in STAND_INS.items()) + "\n"
        "[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"
        f'"ShowCrashDialog"=dword:0000000{1 if managed_windows else 0}\n',
        encoding="utf-8")
    imported = run_wine(PREFIX, ["regedit", "/S", windows_path(settings)], cwd=cwd)
    if imported.returncode != 0:
        raise RuntimeError("regedit failed:\n" + imported.stderr.decode(errors="replace"))
    # Wine reads the drive types as the prefix starts.
    stop_wineserver(PREFIX)

    # The installer's drive list shows C: and the CD only: no Z: for the host's root.
    devices = PREFIX / "dosdevices"
    for letter in ("d:", "d::", "z:"):
        if (devices / letter).is_symlink() or (devices / letter).exists():
            (devices / letter).unlink()
    os.symlink(cd, devices / "d:")
    if cd_device is not None:
        os.symlink(cd_device, devices / "d::")

    if DEFAULT_FOLDER.is_dir() and not DEFAULT_FOLDER.is_symlink():
        shutil.rmtree(DEFAULT_FOLDER)
    elif DEFAULT_FOLDER.exists() or DEFAULT_FOLDER.is_symlink():
        DEFAULT_FOLDER.unlink()


def describe_installation() -> None:
    if DEFAULT_FOLDER.is_dir():
        names = sorted(entry.name for entry in DEFAULT_FOLDER.iterdir())
        say(f"installed files ({len(names)}): {DEFAULT_FOLDER}")
        for name in names:
            print(f"        {name}")
    else:
        say(f"nothing in the default folder {DEFAULT_FOLDER}; a folder of your own choice "
            f"is under {PREFIX / 'drive_c'} (C:) or {CD} (D:)")


def run_on_display(display: str, cwd: Path) -> int:
    """setup.exe on the user's display, in the foreground, started from D:\\."""
    say(f"starting D:\\setup.exe on display {display}: go through the wizard")
    with tempfile.TemporaryFile() as errors:
        status = subprocess.run(
            [wine_loader(), "start", "/d", "D:\\", "/wait", "D:\\setup.exe"],
            env=wine_environment(PREFIX, display, WINE_ERRORS), cwd=cwd,
            stdin=subprocess.DEVNULL, stderr=errors).returncode
        errors.seek(0)
        # start.exe itself begins outside any drive (cwd): it says so, harmlessly.
        for line in errors.read().decode("utf-8", errors="replace").splitlines():
            if "could not open working directory" not in line:
                print(line, file=sys.stderr)
    return status


def run_tour(cwd: Path) -> int:
    """The tour scenario on a private Xvfb, with its screenshots kept as PNG."""
    bitmaps = Path(tempfile.mkdtemp(prefix="shots-", dir=cwd))
    if SCREENSHOTS.exists():
        shutil.rmtree(SCREENSHOTS)
    SCREENSHOTS.mkdir(parents=True)
    display = VirtualDisplay()
    try:
        say(f"walking {TOUR.relative_to(REPOSITORY)} on a private Xvfb ({display.name})")
        run = run_wine(PREFIX, [str(DRIVER), "--exe", "D:\\setup.exe", "--cwd", "D:\\",
                                "--shots", windows_path(bitmaps), windows_path(TOUR)],
                       debug=WINE_ERRORS, display=display.name, cwd=cwd, timeout=300)
    finally:
        stop_wineserver(PREFIX)
        display.close()
    print(run.stdout.decode("utf-8", errors="replace"), end="", flush=True)
    if run.returncode != 0 and run.stderr.strip():
        print("Wine said:\n" + run.stderr.decode("utf-8", errors="replace"), flush=True)
    for bitmap in sorted(bitmaps.glob("*.bmp")):
        bmp_to_png.convert(bitmap, SCREENSHOTS / f"{bitmap.stem}.png")
    shots = sorted(SCREENSHOTS.glob("*.png"))
    say(f"screenshots ({len(shots)}): {SCREENSHOTS}")
    for shot in shots:
        print(f"        {shot.name}")
    return run.returncode


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--tour", action="store_true",
                        help="walk the tour on a private Xvfb even when a display is usable")
    parser.add_argument("--medium", type=Path, metavar="IMAGE.iso",
                        help="install from this CD image (scripts/make-cd.sh) instead of a "
                        "copy of sample-cd/")
    arguments = parser.parse_args()
    started = time.monotonic()
    if arguments.medium is not None:
        arguments.medium = Path(os.environ.get("SETUP_RUN_FROM", os.getcwd())) / arguments.medium
    if arguments.medium is not None and not arguments.medium.is_file():
        sys.exit(f"{arguments.medium}: no such image (scripts/make-cd.sh makes one)")
    for program in (SETUP_EXE, DRIVER):
        if not program.is_file():
            sys.exit(f"{program} is not built: cmake --preset windows && "
                     "cmake --build --preset windows")

    RUN.mkdir(parents=True, exist_ok=True)
    with open(RUN / ".lock", "w") as lock:
        try:
            fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except BlockingIOError:
            sys.exit(f"another run is using {RUN}")
        display = None if arguments.tour else os.environ.get("DISPLAY")
        interactive = x_display.usable(display)
        if not interactive and not arguments.tour:
            say(f"no usable display (DISPLAY={os.environ.get('DISPLAY', '')!r})")
        # Wine programs start from a folder outside the work tree.
        cwd = Path(tempfile.mkdtemp(prefix="setup-run-"))
        medium: Optional[MountedImage] = None

        def clean_up() -> None:
            stop_wineserver(PREFIX)
            if medium is not None:
                (PREFIX / "dosdevices" / "d::").unlink(missing_ok=True)
                medium.close()
            shutil.rmtree(cwd, ignore_errors=True)

        register_cleanup(clean_up)
        try:
            if arguments.medium is None:
                make_scratch_cd()
                prepare_prefix(cwd, managed_windows=interactive)
            else:
                medium = mount_medium(arguments.medium)
                say(f"D: is the image {arguments.medium}, mounted read-only at {MEDIUM}")
                prepare_prefix(cwd, managed_windows=interactive, cd=MEDIUM,
                               cd_device=medium.device)
            status = run_on_display(display, cwd) if interactive else run_tour(cwd)
        finally:
            clean_up()
            unregister_cleanup(clean_up)
    say(f"setup.exe ended with status {status}" if interactive else
        f"the tour {'passed' if status == 0 else 'FAILED'}")
    describe_installation()
    say(f"the CD (D:) is {arguments.medium or CD}; the Wine prefix is {PREFIX}")
    say(f"took {time.monotonic() - started:.1f} s")
    return status


if __name__ == "__main__":
    sys.exit(main())
