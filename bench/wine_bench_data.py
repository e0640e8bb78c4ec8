"""The data sets of wine_copy_bench.py: their files, and the check of a copy."""

from __future__ import annotations

import dataclasses
import os
from pathlib import Path

KiB = 1024
MiB = 1024 * KiB


@dataclasses.dataclass
class Plan:
    name: str
    title: str
    count: int
    size: int
    prefix: str


def plans(quick: bool) -> list[Plan]:
    """The data sets, with --quick the smaller ones."""
    # setup.exe alone: what the timed window costs when there is next to
    # nothing to copy (folder, listing, message box, the driver's look).
    alone = Plan("alone", "setup.exe alone", 0, 0, "")
    if quick:
        return [alone, Plan("small", "200 files of 4 KiB", 200, 4 * KiB, "F"),
                Plan("large", "5 files of 5 MiB", 5, 5 * MiB, "DATA"),
                Plan("huge", "1 file of 64 MiB", 1, 64 * MiB, "ARCHIVE")]
    return [alone, Plan("small", "2,000 files of 4 KiB", 2000, 4 * KiB, "F"),
            Plan("large", "20 files of 5 MiB", 20, 5 * MiB, "DATA"),
            Plan("huge", "1 file of 512 MiB", 1, 512 * MiB, "ARCHIVE")]


def make_files(folder: Path, plan: Plan) -> None:
    """PLAN's files in FOLDER: random bytes, each MiB marked with its file and place."""
    digits = len(str(plan.count)) if plan.count > 1 else 0
    block = os.urandom(MiB)
    for index in range(1, plan.count + 1):
        number = str(index).zfill(digits) if digits else ""
        name = plan.prefix + number + (".DAT" if plan.count > 1 else ".BIN")
        with open(folder / name, "wb") as out:
            for start in range(0, plan.size, MiB):
                mark = (index << 32 | start // MiB).to_bytes(8, "little")
                out.write((mark + block[8:])[:min(MiB, plan.size - start)])


def ordinary_files(folder: Path) -> dict[str, int]:
    """What setup.exe and the loop copy from FOLDER: its files but the hidden ones."""
    return {entry.name: entry.stat().st_size for entry in os.scandir(folder)
            if entry.is_file() and not entry.name.startswith(".")}


def verify_copy(source: Path, expected: dict[str, int], copy: Path) -> None:
    found = {entry.name: entry.stat().st_size for entry in os.scandir(copy)}
    if found != expected:
        missing = sorted(set(expected) - set(found))[:5]
        extra = sorted(set(found) - set(expected))[:5]
        raise RuntimeError(f"the copy in {copy} differs: missing {missing}, extra {extra}")
    sample = 64 * KiB
    for name, size in expected.items():
        with open(source / name, "rb") as original, open(copy / name, "rb") as copied:
            for offset in {0, max(0, size - sample)}:
                original.seek(offset)
                copied.seek(offset)
                if original.read(sample) != copied.read(sample):
                    raise RuntimeError(f"the copy of {name} differs from the original")
