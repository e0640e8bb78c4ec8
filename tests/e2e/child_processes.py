"""The end of what a test run started, however the run ends.

Child processes are told to stop when the test process dies, and cleanups
registered here run at exit and on SIGTERM, SIGINT and SIGHUP (a CTest
timeout, Ctrl-C, a closed terminal).
"""

from __future__ import annotations

import atexit
import ctypes
import os
import signal
from typing import Callable

_cleanups: list[Callable[[], None]] = []


def die_with_parent() -> None:
    """For preexec_fn: the child gets SIGTERM if the test process is killed outright."""
    try:
        pr_set_pdeathsig = 1
        ctypes.CDLL(None, use_errno=True).prctl(pr_set_pdeathsig, signal.SIGTERM)
    except (OSError, AttributeError):
        pass


def _run_cleanups() -> None:
    for cleanup in reversed(list(_cleanups)):
        try:
            cleanup()
        except Exception:  # noqa: BLE001 - the others still have to run
            pass


def _stop(signum, _frame) -> None:
    _run_cleanups()
    os._exit(128 + signum)


def register_cleanup(cleanup: Callable[[], None]) -> None:
    if not _cleanups:
        atexit.register(_run_cleanups)
        for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            signal.signal(signum, _stop)
    _cleanups.append(cleanup)


def unregister_cleanup(cleanup: Callable[[], None]) -> None:
    if cleanup in _cleanups:
        _cleanups.remove(cleanup)
