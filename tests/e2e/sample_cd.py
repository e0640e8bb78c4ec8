"""The sample installation medium (sample-cd/) on a box's CD, and what it installs.

The CD holds the medium's ordinary files, its hidden .VOLUMEID (Wine shows
dot files as hidden) and its DOCS folder, plus setup.exe. An installation
copies the ordinary files only: neither .VOLUMEID, nor DOCS, nor the volume
label file that map_drive() leaves on the CD.
"""

from __future__ import annotations

import hashlib
import shutil
from pathlib import Path

import winebox
from e2e_case import REPOSITORY

SAMPLE_CD = REPOSITORY / "sample-cd"


def copy_medium(cd: Path, setup_exe: Path) -> None:
    """Copies the sample medium, and setup.exe, into the host folder of a CD."""
    shutil.copytree(SAMPLE_CD, cd, dirs_exist_ok=True)
    shutil.copy2(setup_exe, cd / "setup.exe")


def insert(box: winebox.WineBox, setup_exe: Path, letter: str = "d") -> Path:
    """The sample medium in CD drive LETTER (label QUORVAN); returns its host folder."""
    cd = box.make_folder("cd")
    copy_medium(cd, setup_exe)
    box.map_drive(letter, cd, label="QUORVAN", kind="cdrom")
    return cd


def fingerprint(file: Path) -> str:
    """A file's size and SHA-256: equal fingerprints, equal bytes."""
    data = file.read_bytes()
    return f"{len(data)} bytes, sha256 {hashlib.sha256(data).hexdigest()[:16]}"


def ordinary_files(cd: Path) -> dict[str, str]:
    """The files an installation from CD copies, by name, with their fingerprints."""
    return {entry.name: fingerprint(entry) for entry in sorted(cd.iterdir())
            if entry.is_file() and not entry.name.startswith(".")}


def folder_contents(folder: Path) -> dict[str, str]:
    """Every entry of a folder by name: a file's fingerprint, or what else it is."""
    contents = {}
    for entry in sorted(folder.iterdir()):
        if entry.is_symlink():
            contents[entry.name] = "a link"
        elif entry.is_file():
            contents[entry.name] = fingerprint(entry)
        else:
            contents[entry.name] = "a folder" if entry.is_dir() else "a special file"
    return contents
