#!/usr/bin/env python3
"""Draws setup.exe's icon and writes it as raw Windows resources.

The picture: a silver CD and a blue arrow pointing down into an open cardboard
box, all with black outlines. Three images make up icon group 1, the one
Explorer shows for setup.exe:

    30001  32 x 32,  2 colours (1 bpp)
    30002  32 x 32, 16 colours (4 bpp)
    30003  16 x 16, 16 colours (4 bpp)

Icon group 2 is what the screens show in the title bar, the taskbar and
Alt+Tab: an image for each size those ask for at the usual display scales
(100 % to 200 %), in 32-bit colour with an alpha channel, each stored as a PNG
file (Windows Vista and later read those; a system that cannot falls back to
group 1):

    30101..30107  16, 20, 24, 32, 40, 48 and 64 px

Its 16 and 32 px images are the 16-colour ones of group 1, pixel for pixel;
the others sample the picture afresh.

windres renumbers the images of an ICON statement, so the resource script takes
them as raw data instead: every image as an RT_ICON resource of its own
(icon300NN.bin: a DIB with a doubled height, its palette, the XOR bitmap and
the AND mask) and the group as an RT_GROUP_ICON resource (group1.bin: a
GRPICONDIR whose entries name the images by resource id).

Usage: make_icons.py OUT_DIR [--ico FILE]
--ico also writes an ordinary .ico file of group 1's three images, for
previewing.
"""

from __future__ import annotations

import argparse
import math
import struct
import zlib
from dataclasses import dataclass
from pathlib import Path
from typing import Callable, Optional, Union

# Shapes are laid out on a 32 x 32 design grid; an image samples it at the
# centres of its pixels.
DESIGN = 32.0

# ---------------------------------------------------------------------------
# Materials: what a pixel shows, before an image's palette gives it a colour.

OUTLINE = "outline"
CD_WHITE = "cd_white"
CD_SILVER = "cd_silver"
CD_GRAY = "cd_gray"
CD_CYAN = "cd_cyan"
CD_PINK = "cd_pink"
ARROW_LIGHT = "arrow_light"
ARROW = "arrow"
ARROW_DARK = "arrow_dark"
BOX_FLAP = "box_flap"
BOX_FRONT = "box_front"
BOX_SIDE = "box_side"
BOX_INSIDE = "box_inside"
BOX_TAPE = "box_tape"

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
# Shapes on the design grid.

Point = tuple[float, float]
Fill = Callable[[float, float], str]


def polygon(points: list[Point]) -> Callable[[float, float], bool]:
    """Whether a point lies inside the polygon (even-odd rule)."""

    def inside(x: float, y: float) -> bool:
        hit = False
        count = len(points)
        for i in range(count):
            x1, y1 = points[i]
            x2, y2 = points[(i + 1) % count]
            if (y1 > y) != (y2 > y):
                crossing = x1 + (y - y1) * (x2 - x1) / (y2 - y1)
                if x < crossing:
                    hit = not hit
        return hit

    return inside


def ring(cx: float, cy: float, outer: float, inner: float) -> Callable[[float, float], bool]:
    def inside(x: float, y: float) -> bool:
        distance = math.hypot(x - cx, y - cy)
        return inner < distance <= outer

    return inside


@dataclass
class Part:
    """One object of the picture: its area and how its inside is filled."""

    area: Callable[[float, float], bool]
    fill: Fill


class Canvas:
    """An image of `size` pixels a side holding one material per pixel."""

    def __init__(self, size: int) -> None:
        self.size = size
        self.pixels: list[list[Optional[str]]] = [[None] * size for _ in range(size)]

    def _centre(self, column: int, row: int) -> Point:
        scale = DESIGN / self.size
        return (column + 0.5) * scale, (row + 0.5) * scale

    def draw(self, part: Part) -> None:
        """Paints a part over what is there, its edge pixels in black."""
        size = self.size
        covered = [[part.area(*self._centre(c, r)) for c in range(size)] for r in range(size)]

        def covers(column: int, row: int) -> bool:
            return 0 <= column < size and 0 <= row < size and covered[row][column]

        for row in range(size):
            for column in range(size):
                if not covered[row][column]:
                    continue
                edge = not (covers(column - 1, row) and covers(column + 1, row) and
                            covers(column, row - 1) and covers(column, row + 1))
                if edge:
                    self.pixels[row][column] = OUTLINE
                else:
                    self.pixels[row][column] = part.fill(*self._centre(column, row))


# ---------------------------------------------------------------------------
# The picture.


@dataclass
class Layout:
    """Where things are, on the design grid."""

    cd_centre: Point
    cd_radius: float
    cd_hub: float
    cd_hole: float
    arrow_shaft: tuple[float, float, float, float]  # left, right, top, bottom
    arrow_head: tuple[float, float, float]  # left, right, point's y
    box_front: tuple[float, float, float, float]  # left, right, top, bottom
    box_depth: tuple[float, float]  # the side's width, how far the back rises
    back_flap: float  # how far the back flap stands up, 0 for none
    tape: bool


LAYOUT_32 = Layout(cd_centre=(8.5, 8.5),
                   cd_radius=8.2,
                   cd_hub=3.4,
                   cd_hole=1.5,
                   arrow_shaft=(19.0, 26.0, 0.0, 10.0),
                   arrow_head=(15.0, 30.0, 21.0),
                   box_front=(2.0, 22.0, 22.0, 31.0),
                   box_depth=(8.0, 6.0),
                   back_flap=6.0,
                   tape=True)

# At 16 pixels sampled shapes lose their outlines and the CD its hole, so the
# small image is drawn pixel by pixel.
SMALL_LEGEND = {
    ".": None,
    "K": OUTLINE,
    "W": CD_WHITE,
    "S": CD_SILVER,
    "G": CD_GRAY,
    "A": ARROW_LIGHT,
    "B": ARROW,
    "D": ARROW_DARK,
    "F": BOX_FRONT,
    "E": BOX_SIDE,
    "I": BOX_INSIDE,
    "T": BOX_TAPE,
}

SMALL_PIXELS = [
    "..KKKK...KKKKK..",
    ".KWWSSK..KABDK..",
    "KWWSSSGK.KABDK..",
    "KWSKKSGK.KABDK..",
    "KSSKKSGK.KABDK..",
    "KSSSSGGK.KABDK..",
    ".KSSGGK..KABDK..",
    "..KKKK.KKKABDKKK",
    "........KAABDDK.",
    "..KKKKKKKKABDKKK",
    ".KIIIIIIIIKBKKEK",
    "KIIIIIIIIIIKKEEK",
    "KKKKKKKKKKKKEEEK",
    "KFFFFTTFFFFKEEEK",
    "KFFFFTTFFFFKEEK.",
    "KKKKKKKKKKKKKK..",
]


def cd_fill(layout: Layout) -> Fill:
    cx, cy = layout.cd_centre

    def fill(x: float, y: float) -> str:
        dx, dy = x - cx, y - cy
        distance = math.hypot(dx, dy)
        if distance <= layout.cd_hub:
            return CD_GRAY if distance > layout.cd_hub - 1.0 else CD_WHITE
        # Light falls from the upper left: a bright band across the disc on
        # the diagonal with a little colour on each side, a shaded rim below.
        along = (dx - dy) / math.sqrt(2.0)
        across = (dx + dy) / math.sqrt(2.0)
        if across < 0:
            if abs(along) < 1.5:
                return CD_WHITE
            if 1.5 <= along < 3.0:
                return CD_CYAN
            if -3.0 < along <= -1.5:
                return CD_PINK
        if distance > layout.cd_radius - 2.2 and across > 1.0:
            return CD_GRAY
        return CD_SILVER

    return fill


def arrow_fill(layout: Layout) -> Fill:
    left, right, _, _ = layout.arrow_shaft
    middle = (left + right) / 2.0

    def fill(x: float, _y: float) -> str:
        if x < middle - 1.0:
            return ARROW_LIGHT
        if x > middle + 1.5:
            return ARROW_DARK
        return ARROW

    return fill


def solid(material: str) -> Fill:
    return lambda _x, _y: material


def picture(layout: Layout) -> list[Part]:
    """The parts of the picture, back to front."""
    left, right, top, bottom = layout.box_front
    side, rise = layout.box_depth
    back_left, back_right, back_top = left + side, right + side, top - rise

    parts: list[Part] = []
    if layout.back_flap:
        # The back flap stands up behind the opening, leaning back a little.
        flap_top = back_top - layout.back_flap
        parts.append(
            Part(polygon([(back_left, back_top + 0.5), (back_right, back_top + 0.5),
                          (back_right + 1.5, flap_top), (back_left + 1.5, flap_top)]),
                 solid(BOX_FLAP)))

    # The inside seen through the opening, then the CD and the arrow going in.
    parts.append(
        Part(polygon([(left, top + 0.5), (right, top + 0.5), (back_right, back_top),
                      (back_left, back_top)]), solid(BOX_INSIDE)))

    cx, cy = layout.cd_centre
    parts.append(Part(ring(cx, cy, layout.cd_radius, layout.cd_hole), cd_fill(layout)))

    shaft_left, shaft_right, shaft_top, shaft_bottom = layout.arrow_shaft
    head_left, head_right, point_y = layout.arrow_head
    point_x = (shaft_left + shaft_right) / 2.0
    parts.append(
        Part(
            polygon([(shaft_left, shaft_top), (shaft_right, shaft_top),
                     (shaft_right, shaft_bottom), (head_right, shaft_bottom), (point_x, point_y),
                     (head_left, shaft_bottom), (shaft_left, shaft_bottom)]), arrow_fill(layout)))

    # The box itself: its front and its right side, in front of the arrow's
    # point so the arrow goes into the box.
    parts.append(Part(polygon([(left, top), (right, top), (right, bottom), (left, bottom)]),
                      solid(BOX_FRONT)))
    parts.append(
        Part(polygon([(right - 0.5, top), (back_right, back_top), (back_right, bottom - rise),
                      (right - 0.5, bottom)]), solid(BOX_SIDE)))
    if layout.tape:
        middle = (left + right) / 2.0
        parts.append(
            Part(polygon([(middle - 2.0, top), (middle + 2.0, top), (middle + 2.0, top + 5.0),
                          (middle - 2.0, top + 5.0)]), solid(BOX_TAPE)))
    return parts


def render(size: int, layout: Layout) -> Canvas:
    canvas = Canvas(size)
    for part in picture(layout):
        canvas.draw(part)
    return canvas


def pixel_art(rows: list[str], legend: dict[str, Optional[str]]) -> Canvas:
    canvas = Canvas(len(rows))
    for row, line in enumerate(rows):
        if len(line) != canvas.size:
            raise ValueError(f"pixel row {row} is {len(line)} wide, not {canvas.size}")
        canvas.pixels[row] = [legend[symbol] for symbol in line]
    return canvas


# ---------------------------------------------------------------------------
# Icon images and resources.


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


def icon_images() -> list[IconImage]:
    large = render(32, LAYOUT_32)
    small = pixel_art(SMALL_PIXELS, SMALL_LEGEND)
    return [
        two_colours(30001, large),
        sixteen_colours(30002, large),
        sixteen_colours(30003, small),
    ]


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


SCALABLE_SIZES = (16, 20, 24, 32, 40, 48, 64)


def scalable_images() -> list[PngImage]:
    images = []
    for number, size in enumerate(SCALABLE_SIZES, start=30101):
        if size == 16:
            canvas = pixel_art(SMALL_PIXELS, SMALL_LEGEND)
        else:
            canvas = render(size, LAYOUT_32)
        images.append(PngImage(number, size, canvas))
    return images


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


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out_dir", type=Path, help="where the .bin resources go")
    parser.add_argument("--ico", type=Path, help="also write the icon as an .ico file")
    arguments = parser.parse_args()

    images = icon_images()
    scalable = scalable_images()
    arguments.out_dir.mkdir(parents=True, exist_ok=True)
    for image in [*images, *scalable]:
        (arguments.out_dir / f"icon{image.resource_id}.bin").write_bytes(image.resource_bytes())
    (arguments.out_dir / "group1.bin").write_bytes(group_icon(images))
    (arguments.out_dir / "group2.bin").write_bytes(group_icon(scalable))
    if arguments.ico:
        arguments.ico.write_bytes(ico_file(images))


if __name__ == "__main__":
    main()
