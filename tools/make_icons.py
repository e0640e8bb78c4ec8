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
from pathlib import Path

from icon_picture import LAYOUT_32, SMALL_LEGEND, SMALL_PIXELS, pixel_art, render
from icon_resources import (IconImage, PngImage, group_icon, ico_file, sixteen_colours,
                            two_colours)


def icon_images() -> list[IconImage]:
    large = render(32, LAYOUT_32)
    small = pixel_art(SMALL_PIXELS, SMALL_LEGEND)
    return [
        two_colours(30001, large),
        sixteen_colours(30002, large),
        sixteen_colours(30003, small),
    ]


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
