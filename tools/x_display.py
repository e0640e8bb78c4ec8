"""Whether an X display can be used: it answers, and lets this user in.

xdpyinfo says so where it is installed. Elsewhere the X connection handshake
is made by hand (standard library only): over the display's socket, with the
MIT-MAGIC-COOKIE-1 that the user's Xauthority file holds for it, if any.
"""

from __future__ import annotations

import os
import re
import shutil
import socket
import struct
import subprocess
from pathlib import Path
from typing import Optional

TIMEOUT_SECONDS = 5
COOKIE = b"MIT-MAGIC-COOKIE-1"
FAMILY_LOCAL, FAMILY_WILD = 256, 65535


def usable(display: Optional[str]) -> bool:
    """True when a window could be opened on DISPLAY now."""
    if not display:
        return False
    if shutil.which("xdpyinfo"):
        try:
            return subprocess.run(["xdpyinfo", "-display", display], stdin=subprocess.DEVNULL,
                                  capture_output=True, timeout=TIMEOUT_SECONDS).returncode == 0
        except subprocess.TimeoutExpired:
            return False
    return _handshake(display)


def _handshake(display: str) -> bool:
    match = re.fullmatch(r"(?:unix/)?([^:]*):(\d+)(?:\.\d+)?", display)
    if not match:
        return False
    host, number = match.group(1), match.group(2)
    try:
        with _connect(host, int(number)) as connection:
            connection.settimeout(TIMEOUT_SECONDS)
            connection.sendall(_setup_request(_cookie(host, number)))
            return connection.recv(1) == b"\x01"  # 0 failed, 1 success, 2 authenticate
    except OSError:
        return False


def _connect(host: str, number: int) -> socket.socket:
    if host in ("", "unix"):
        connection = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        connection.settimeout(TIMEOUT_SECONDS)
        path = f"/tmp/.X11-unix/X{number}"
        try:
            connection.connect(path)
        except OSError:
            connection.connect("\0" + path)  # Linux's abstract socket namespace
        return connection
    return socket.create_connection((host, 6000 + number), timeout=TIMEOUT_SECONDS)


def _setup_request(cookie: Optional[bytes]) -> bytes:
    name, data = (COOKIE, cookie) if cookie else (b"", b"")

    def padded(field: bytes) -> bytes:
        return field + b"\0" * (-len(field) % 4)

    # Little-endian byte order, protocol 11.0.
    return (struct.pack("<BxHHHHxx", ord("l"), 11, 0, len(name), len(data)) + padded(name) +
            padded(data))


def _cookie(host: str, number: str) -> Optional[bytes]:
    """The cookie that the Xauthority file holds for the display, if any."""
    file = Path(os.environ.get("XAUTHORITY") or Path.home() / ".Xauthority")
    try:
        data = file.read_bytes()
    except OSError:
        return None
    local_names = {socket.gethostname().encode()}
    if host not in ("", "unix", "localhost"):
        local_names = {host.encode()}
    position = 0

    def field() -> bytes:
        nonlocal position
        (length,) = struct.unpack_from(">H", data, position)
        value = data[position + 2:position + 2 + length]
        position += 2 + length
        return value

    try:
        while position < len(data):
            (family,) = struct.unpack_from(">H", data, position)
            position += 2
            address, display, name, secret = field(), field(), field(), field()
            if (name == COOKIE and display in (b"", number.encode()) and
                    (family == FAMILY_WILD or address in local_names or
                     family != FAMILY_LOCAL)):
                return secret
    except struct.error:
        pass
    return None
