"""setup.exe's icon images as Windows resources and as an .ico file.

An image of group 1 is a DIB in 2 or 16 colours (IconImage), an image of
group 2 a PNG file in 32-bit colour (PngImage); group_icon writes the
GRPICONDIR that names a group's images by resource id.
"""

from __future__ import annotations

import struct
import zlib
from dataclasses import dataclass
from typing import Union

from icon_picture import (ARROW, ARROW_DARK, ARROW_LIGHT, BOX_FLAP, BOX_FRONT, BOX_INSIDE,
                          BOX_SIDE, BOX_TAPE, CD_CYAN, CD_GRAY, CD_PINK, CD_SILVER, CD_WHITE,
                          OUTLINE, Canvas)

# ---------------------------------------------------------------------------
# Palettes: a colour for each material.

# The 16-colour palette: index 0 is black (also what transparent pixels hold).
PALETTE_16 = [
    (0x00, 0x00, 0x00),  # 0  black: outlines
    (0xFF, 0xFF, 0xFF),  # 1  white: CD highlight
    (0xD8, 0xD8, 0xD8),  # 2  silver
    (0x90, 0x90, 0x98),  # 3  gray
    (0xB8, 0xEC, 0xFC),  # 4  pale cyan sheen
    (0xF4, 0xC4, 0xEC),  # 5  pale pink sheen
    (0x70, 0xB0, 0xFF),  # 6  light blue
    (0x18, 0x68, 0xE8),  # 7  blue
    (0x0C, 0x34, 0xA0),  # 8  dark blue
    (0xF0, 0xD0, 0x90),  # 9  light cardboard
    (0xD0, 0xA0, 0x58),  # 10 cardboard
    (0xA4, 0x74, 0x38),  # 11 dark cardboard
    (0x58, 0x38, 0x18),  # 12 inside of the box
    (0xE8, 0xE0, 0xC8),  # 13 tape
    (0x80, 0x80, 0x80),  # 14 (unused)
    (0xC0, 0xC0, 0xC0),  # 15 (unused)
]

COLOUR_OF = {
    OUTLINE: 0,
    CD_WHITE: 1,
    CD_SILVER: 2,
    CD_GRAY: 3,
    CD_CYAN: 4,
    CD_PINK: 5,
    ARROW_LIGHT: 6,
    ARROW: 7,
    ARROW_DARK: 8,
    BOX_FLAP: 9,
    BOX_FRONT: 10,
    BOX_SIDE: 11,
    BOX_INSIDE: 12,
    BOX_TAPE: 13,
}

PALETTE_2 = [(0x00, 0x00, 0x00), (0xFF, 0xFF, 0xFF)]

# In two colours everything is white inside its black outline but the inside
# of the box, which is black: the arrow's white point shows where it goes in.
BLACK, WHITE = "black", "white"
MONO_OF = {
    OUTLINE: BLACK,
    CD_WHITE: WHITE,
    CD_SILVER: WHITE,
    CD_GRAY: WHITE,
    CD_CYAN: WHITE,
    CD_PINK: WHITE,
    ARROW_LIGHT: WHITE,
    ARROW: WHITE,
    ARROW_DARK: WHITE,
    BOX_FLAP: WHITE,
    BOX_FRONT: WHITE,
    BOX_SIDE: WHITE,
    BOX_INSIDE: BLACK,
    BOX_TAPE: WHITE,
}

# ---------------------------------------------------------------------------
# Images and the resources that hold them.


@dataclass
class IconImage:
    resource_id: int
    size: int
    bits: int
    palette: list[tuple[int, int, int]]
    colours: list[list[int]]  # palette index per pixel, top row first
    transparent: list[list[bool]]

    def dib(self) -> bytes:
        """BITMAPINFOHEADER (height doubled), palette, XOR bitmap, AND mask."""
        xor_rows = [self._pack(row, self.bits) for row in reversed(self.colours)]
        and_rows = [
            self._pack([int(clear) for clear in row], 1) for row in reversed(self.transparent)
        ]
        bitmaps = b"".join(xor_rows) + b"".join(and_rows)
        header = struct.pack("<IiiHHIIiiII", 40, self.size, self.size * 2, 1, self.bits, 0,
                             len(bitmaps), 0, 0, 0, 0)
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in self.palette)
        return header + palette + bitmaps

    @staticmethod
    def _pack(values: list[int], bits: int) -> bytes:
        """One bitmap row, most significant bits first, padded to 4 bytes."""
        row = bytearray()
        per_byte = 8 // bits
        for start in range(0, len(values), per_byte):
            byte = 0
            for offset in range(per_byte):
                index = start + offset
                value = values[index] if index < len(values) else 0
                byte |= value << (8 - bits * (offset + 1))
            row.append(byte)
        while len(row) % 4:
            row.append(0)
        return bytes(row)

    def colour_count(self) -> int:
        return 1 << self.bits

    def resource_bytes(self) -> bytes:
        """The RT_ICON resource: the DIB."""
        return self.dib()


def sixteen_colours(resource_id: int, canvas: Canvas) -> IconImage:
    colours = [[COLOUR_OF[p] if p else 0 for p in row] for row in canvas.pixels]
    transparent = [[p is None for p in row] for row in canvas.pixels]
    return IconImage(resource_id, canvas.size, 4, PALETTE_16, colours, transparent)


def two_colours(resource_id: int, canvas: Canvas) -> IconImage:
    colours: list[list[int]] = []
    for row in canvas.pixels:
        line = []
        for material in row:
            line.append(1 if material and MONO_OF[material] == WHITE else 0)
        colours.append(line)
    transparent = [[p is None for p in row] for row in canvas.pixels]
    return IconImage(resource_id, canvas.size, 1, PALETTE_2, colours, transparent)


@dataclass
class PngImage:
    """An image of group 2: 32-bit colour (RGBA), stored as a PNG file."""

    resource_id: int
    size: int
    canvas: Canvas

    bits = 32

    def resource_bytes(self) -> bytes:
        """The RT_ICON resource: a PNG file."""
        rows = []
        for row in self.canvas.pixels:
            line = bytearray([0])  # filter type 0 (none)
            for material in row:
                if material is None:
                    line += bytes(4)
                else:
                    line += bytes(PALETTE_16[COLOUR_OF[material]]) + b"\xff"
            rows.append(bytes(line))

        def chunk(kind: bytes, data: bytes) -> bytes:
            return (struct.pack(">I", len(data)) + kind + data +
                    struct.pack(">I", zlib.crc32(kind + data)))

        header = struct.pack(">IIBBBBB", self.size, self.size, 8, 6, 0, 0, 0)  # 8-bit RGBA
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))

    def colour_count(self) -> int:
        return 0


AnyImage = Union[IconImage, PngImage]


def group_entry(image: AnyImage, size_in_bytes: int) -> bytes:
    """The fields a GRPICONDIRENTRY and an ICONDIRENTRY share."""
    colours = image.colour_count() if image.bits < 8 else 0
    return struct.pack("<BBBBHHI", image.size, image.size, colours, 0, 1, image.bits,
                       size_in_bytes)


def group_icon(images: list[AnyImage]) -> bytes:
    """GRPICONDIR: reserved, type 1 (icon), count, then one entry per image."""
    data = struct.pack("<HHH", 0, 1, len(images))
    for image in images:
        data += group_entry(image, len(image.resource_bytes())) + struct.pack(
            "<H", image.resource_id)
    return data


def ico_file(images: list[IconImage]) -> bytes:
    """An ordinary .ico: ICONDIR, entries with file offsets, then the DIBs."""
    dibs = [image.dib() for image in images]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = len(data) + 16 * len(images)
    for image, dib in zip(images, dibs):
        data += group_entry(image, len(dib)) + struct.pack("<I", offset)
        offset += len(dib)
    return data + b"".join(dibs)
