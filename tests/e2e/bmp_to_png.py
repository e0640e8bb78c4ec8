"""Turns the driver's screenshots (uncompressed 24- or 32-bit BMP) into PNG.

Standard library only: PNG is zlib-compressed rows with a filter byte each.
"""

from __future__ import annotations

import struct
import sys
import zlib
from pathlib import Path


def _chunk(kind: bytes, data: bytes) -> bytes:
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def rgb_rows(data: bytes) -> tuple[int, int, list[bytes]]:
    """The width, the height and the RGB rows, top first, of a BMP file's bytes."""
    if data[:2] != b"BM":
        raise ValueError("not a BMP file")
    pixels_at = struct.unpack_from("<I", data, 10)[0]
    width, height, _planes, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits not in (24, 32) or compression != 0:
        raise ValueError("only uncompressed 24- and 32-bit BMP files are supported")
    step = bits // 8
    row_bytes = (width * step + 3) & ~3
    bottom_up = height > 0
    height = abs(height)
    rows = []
    for y in range(height):
        source_row = height - 1 - y if bottom_up else y
        start = pixels_at + source_row * row_bytes
        row = data[start:start + width * step]
        rgb = bytearray(width * 3)
        rgb[0::3] = row[2::step]  # BMP keeps blue, green, red
        rgb[1::3] = row[1::step]
        rgb[2::3] = row[0::step]
        rows.append(bytes(rgb))
    return width, height, rows


def differing_pixels(first: bytes, second: bytes) -> int:
    """How many pixels differ between two BMP files' pictures of one size."""
    width, height, rows = rgb_rows(first)
    other_width, other_height, other_rows = rgb_rows(second)
    if (width, height) != (other_width, other_height):
        raise ValueError(f"{width}x{height} against {other_width}x{other_height}")
    return sum(1 for row, other in zip(rows, other_rows) if row != other
               for x in range(width) if row[3 * x:3 * x + 3] != other[3 * x:3 * x + 3])


def convert(bmp: Path, png: Path) -> None:
    width, height, top_first = rgb_rows(Path(bmp).read_bytes())
    rows = bytearray()
    for rgb in top_first:
        rows += b"\x00" + rgb  # filter type 0: none

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB
    Path(png).write_bytes(b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header) +
                          _chunk(b"IDAT", zlib.compress(bytes(rows), 6)) +
                          _chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: bmp_to_png.py SHOT.bmp SHOT.png")
    convert(Path(sys.argv[1]), Path(sys.argv[2]))
