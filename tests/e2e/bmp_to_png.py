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


def convert(bmp: Path, png: Path) -> None:
    data = Path(bmp).read_bytes()
    if data[:2] != b"BM":
        raise ValueError(f"{bmp} is not a BMP file")
    pixels_at = struct.unpack_from("<I", data, 10)[0]
    width, height, _planes, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits not in (24, 32) or compression != 0:
        raise ValueError(f"{bmp}: only uncompressed 24- and 32-bit BMP files are supported")
    step = bits // 8
    row_bytes = (width * step + 3) & ~3
    bottom_up = height > 0
    height = abs(height)

    rows = bytearray()
    for y in range(height):
        source_row = height - 1 - y if bottom_up else y
        start = pixels_at + source_row * row_bytes
        row = data[start:start + width * step]
        rgb = bytearray(width * 3)
        rgb[0::3] = row[2::step]  # BMP keeps blue, green, red
        rgb[1::3] = row[1::step]
        rgb[2::3] = row[0::step]
        rows += b"\x00" + rgb  # filter type 0: none

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB
    Path(png).write_bytes(b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header) +
                          _chunk(b"IDAT", zlib.compress(bytes(rows), 6)) +
                          _chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: bmp_to_png.py SHOT.bmp SHOT.png")
    convert(Path(sys.argv[1]), Path(sys.argv[2]))
