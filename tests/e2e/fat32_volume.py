r"""A FAT32 drive for Wine, made cheaply.

Wine's mount manager takes a drive's file system from the first sector of
the drive's device (the `x::` link in dosdevices), as it would from a real
disk. A 4 KiB image holding only a FAT32 boot sector makes the drive FAT32
to every program (GetVolumeInformationByHandleW says "FAT32"), while its
files stay in an ordinary host folder: FAT32's limits are then the
program's own to keep, Wine does not enforce them.
"""

from __future__ import annotations

import os
from pathlib import Path

import winebox


def boot_sector() -> bytes:
    """The first 4 KiB of a FAT32 volume of 4 GiB."""
    sector = bytearray(4096)
    sector[0:11] = b"\xeb\x58\x90MSWIN4.1"
    sector[0x0B:0x0E] = (512).to_bytes(2, "little") + bytes([8])  # bytes a sector, a cluster
    sector[0x0E:0x11] = (32).to_bytes(2, "little") + bytes([2])  # reserved sectors, FATs
    sector[0x20:0x28] = (1 << 23).to_bytes(4, "little") + (8192).to_bytes(4, "little")
    sector[0x42] = 0x29  # an extended boot record follows
    sector[0x43:0x5A] = (0x5E7F_A732).to_bytes(4, "little") + b"FAT TEST   FAT32   "
    sector[510:512] = b"\x55\xaa"
    return bytes(sector)


def map_fat32_drive(box: winebox.WineBox, letter: str, folder: Path) -> None:
    """Maps drive LETTER to FOLDER as a FAT32 hard disk, before Wine runs in the box."""
    box.map_drive(letter, folder, kind="hd")
    image = box.folder / f"fat32-{letter}.img"
    image.write_bytes(boot_sector())
    os.symlink(image, box.prefix / "dosdevices" / f"{letter}::")
