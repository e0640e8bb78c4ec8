"""What happens in a host folder, as it happens: Linux inotify through ctypes.

    with FolderEvents(folder) as events:
        paths = events.wait(timeout=60)   # the entries that something happened to

Standard library only.
"""

from __future__ import annotations

import ctypes
import os
import select
import struct
from pathlib import Path
from typing import Optional

IN_MODIFY = 0x002  # a file was written to
IN_MOVED_TO = 0x080  # an entry was renamed into the folder
IN_CREATE = 0x100  # an entry was made in the folder

_libc = ctypes.CDLL(None, use_errno=True)
_EVENT = struct.Struct("iIII")  # watch, mask, cookie, length of the name that follows


class FolderEvents:
    """The events of one folder's entries, from the moment it is made."""

    def __init__(self, folder: Path, mask: int = IN_MODIFY | IN_MOVED_TO | IN_CREATE) -> None:
        self._fd = _libc.inotify_init1(os.O_CLOEXEC | os.O_NONBLOCK)
        if self._fd < 0:
            raise OSError(ctypes.get_errno(), "inotify_init1 failed")
        self._mask = mask
        self._folders: dict[int, Path] = {}
        try:
            self.add(folder)
        except OSError:
            os.close(self._fd)
            raise
        self._cancel_read, self._cancel_write = os.pipe()

    def add(self, folder: Path) -> None:
        """Watches FOLDER as well, from now on: a folder made in the first, say."""
        watch = _libc.inotify_add_watch(self._fd, os.fsencode(folder), self._mask)
        if watch < 0:
            raise OSError(ctypes.get_errno(), f"inotify_add_watch failed on {folder}")
        self._folders[watch] = Path(folder)

    def __enter__(self) -> "FolderEvents":
        return self

    def __exit__(self, *_exception) -> None:
        self.close()

    def wait(self, timeout: float) -> Optional[list[Path]]:
        """The paths of the entries that something happened to since the last
        call, once there are any; None after TIMEOUT seconds or cancel()."""
        ready = select.select([self._fd, self._cancel_read], [], [], timeout)[0]
        if self._fd not in ready:
            return None
        data = os.read(self._fd, 1 << 16)
        names, at = [], 0
        while at + _EVENT.size <= len(data):
            watch, _mask, _cookie, length = _EVENT.unpack_from(data, at)
            at += _EVENT.size
            name = data[at:at + length].rstrip(b"\0")
            at += length
            if name and watch in self._folders:
                names.append(self._folders[watch] / os.fsdecode(name))
        return names

    def cancel(self) -> None:
        """Ends a wait() under way, and every later one, at once."""
        os.write(self._cancel_write, b"x")

    def close(self) -> None:
        for fd in (self._fd, self._cancel_read, self._cancel_write):
            os.close(fd)
