"""Peak memory for wine_copy_bench.py: the VmHWM of a process, read from /proc
while it runs, and how to find the process of a Windows program under Wine."""

from __future__ import annotations

import os
import threading
import time
from pathlib import Path
from typing import Callable, Optional

from wine_bench_data import KiB


def read_peak(pid: int) -> Optional[int]:
    try:
        with open(f"/proc/{pid}/status", encoding="ascii", errors="replace") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) * KiB
    except OSError:
        return None
    return None


def wine_process(prefix: Path, program_name: str) -> Optional[int]:
    """The process of the Windows program PROGRAM_NAME running in PREFIX."""
    marker = f"WINEPREFIX={prefix}".encode() + b"\0"
    for entry in os.scandir("/proc"):
        if not entry.name.isdigit():
            continue
        try:
            with open(f"/proc/{entry.name}/cmdline", "rb") as cmdline:
                program = cmdline.read().split(b"\0")[0].lower().replace(b"\\", b"/")
                if program.rsplit(b"/", 1)[-1] != program_name.encode():
                    continue
            with open(f"/proc/{entry.name}/environ", "rb") as environ:
                if marker in environ.read():
                    return int(entry.name)
        except OSError:
            continue
    return None


class PeakWatch:
    """Reads the VmHWM of a process, found by FIND, while it lives."""

    def __init__(self, find: Callable[[], Optional[int]], interval: float = 0.002) -> None:
        self._find = find
        self._interval = interval
        self._stop = threading.Event()
        self.peak_bytes = 0
        self._thread = threading.Thread(target=self._watch, daemon=True)
        self._thread.start()

    def _watch(self) -> None:
        pid = None
        while not self._stop.is_set():
            if pid is None:
                pid = self._find()
                if pid is None:
                    time.sleep(0.005)
                    continue
            peak = read_peak(pid)
            if peak is None:
                return  # the process has ended
            self.peak_bytes = max(self.peak_bytes, peak)
            time.sleep(self._interval)

    def stop(self) -> int:
        self._stop.set()
        self._thread.join()
        return self.peak_bytes
