"""setup.exe's icon as a picture: materials laid out on a design grid.

Each image samples the picture at its own size into a Canvas, which holds a
material per pixel (or none, where the image is transparent); the icon's
palettes turn materials into colours (icon_resources.py).
"""

from __future__ import annotations

import math
from dataclasses import dataclass
from typing import Callable, Optional

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
