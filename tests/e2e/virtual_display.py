"""A private X display for Wine's windows: Xvfb on a free display number."""

from __future__ import annotations

import os
import shutil
import subprocess

from child_processes import die_with_parent

SCREEN_GEOMETRY = "1024x768x24"


class VirtualDisplay:
    """An Xvfb server on a display number that no one else uses."""

    def __init__(self) -> None:
        if not shutil.which("Xvfb"):
            raise RuntimeError("Xvfb is not installed")
        # Xvfb picks a free display number itself and writes it to the pipe
        # once it accepts connections.
        read_end, write_end = os.pipe()
        try:
            self._process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN_GEOMETRY,
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=subprocess.PIPE, preexec_fn=die_with_parent)
        finally:
            os.close(write_end)
        with os.fdopen(read_end) as numbers:
            number = numbers.readline().strip()
        if not number:
            error = self._process.communicate(timeout=10)[1].decode(errors="replace")
            raise RuntimeError("Xvfb did not start: " + error)
        self.name = ":" + number

    def close(self) -> None:
        if self._process.poll() is None:
            self._process.terminate()
            try:
                self._process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self._process.kill()
                self._process.wait()
        if self._process.stderr:
            self._process.stderr.close()
