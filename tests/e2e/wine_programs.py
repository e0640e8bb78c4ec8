"""Running Wine programs in a prefix of our own, and ending them."""

from __future__ import annotations

import dataclasses
import os
import pwd
import shutil
import struct
import subprocess
import sys
import tempfile
from pathlib import Path
from typing import Callable, Optional

from child_processes import die_with_parent

# No Mono or Gecko installer at prefix creation: it would ask for a download.
DLL_OVERRIDES = "mscoree,mshtml="

QUIET = "-all"

WINE32_LOADER = "/usr/lib/wine/wine"


def _first_program(*candidates: Optional[str]) -> str:
    for candidate in candidates:
        if candidate and os.access(candidate, os.X_OK):
            return candidate
    raise RuntimeError(f"none of {[c for c in candidates if c]} is installed")


def is_32bit_program(path: Path) -> bool:
    """Whether PATH is a 32-bit x86 Windows program (its PE header's machine is i386)."""
    try:
        with open(path, "rb") as program:
            head = program.read(4096)
    except OSError:
        return False
    if head[:2] != b"MZ" or len(head) < 0x40:
        return False
    pe = struct.unpack_from("<I", head, 0x3C)[0]
    return head[pe:pe + 4] == b"PE\0\0" and struct.unpack_from("<H", head, pe + 4)[0] == 0x14C


def wine_loader(program: Optional[Path] = None) -> str:
    """The loader that starts PROGRAM, a Windows program given by its Linux path.

    A 32-bit program gets the 32-bit loader (Debian's wine32), which runs it
    as 64-bit Windows runs one: Debian's 64-bit loader hands a program it
    cannot load itself to start.exe, which finds no Linux path in a prefix
    without drive Z:. Everything else, Wine's own programs included, gets the
    64-bit loader (Debian's `wine` script nags about wine32 without it).
    """
    if program is not None and program.is_absolute() and is_32bit_program(program):
        if not os.access(WINE32_LOADER, os.X_OK):
            raise RuntimeError(f"{WINE32_LOADER} is missing: install wine32:i386 "
                               "(scripts/install-deps.sh)")
        return WINE32_LOADER
    return _first_program(os.environ.get("WINELOADER"), "/usr/lib/wine/wine64",
                          shutil.which("wine64"), shutil.which("wine"))


def wineserver() -> str:
    return _first_program(os.environ.get("WINESERVER"), shutil.which("wineserver"),
                          "/usr/lib/wine/wineserver")


def wine_environment(prefix: Path, display: Optional[str], debug: str,
                     user: Optional[str] = None) -> dict[str, str]:
    """The environment of a Wine program: this prefix, this display, only.

    Run as USER (see as_user), it is that user's: their name and home.
    """
    environment = {name: value for name, value in os.environ.items()
                   if not name.startswith(("WINE", "DISPLAY", "WAYLAND"))}
    environment.update(WINEPREFIX=str(prefix), WINEDEBUG=debug, WINEARCH="win64",
                       WINEDLLOVERRIDES=DLL_OVERRIDES)
    if user is not None:
        entry = pwd.getpwnam(user)
        environment.update(USER=entry.pw_name, LOGNAME=entry.pw_name, HOME=entry.pw_dir)
    # Whatever Wine keeps outside the prefix stays beside it: menu entries and
    # caches not in the user's home, the wineserver's socket folder not in /tmp.
    for variable, folder in (("XDG_CONFIG_HOME", "xdg/config"), ("XDG_DATA_HOME", "xdg/data"),
                             ("XDG_CACHE_HOME", "xdg/cache"), ("TMPDIR", "tmp")):
        environment[variable] = str(prefix.parent / folder)
    (prefix.parent / "tmp").mkdir(parents=True, exist_ok=True)
    if display:
        environment["DISPLAY"] = display
    return environment


def as_user(user: Optional[str]) -> list[str]:
    """What runs a program as USER instead of as ourselves (None: nothing)."""
    if user is None:
        return []
    entry = pwd.getpwnam(user)
    return ["setpriv", f"--reuid={entry.pw_uid}", f"--regid={entry.pw_gid}", "--clear-groups"]


def give_to(user: Optional[str], path: Path) -> None:
    """Makes PATH (itself, not what a link leads to) USER's; nothing for None."""
    if user is not None:
        entry = pwd.getpwnam(user)
        os.chown(path, entry.pw_uid, entry.pw_gid, follow_symlinks=False)


def make_wine_home(folder: Path, user: Optional[str]) -> None:
    """Makes FOLDER, where a prefix and what Wine keeps beside it live, USER's.

    Wine refuses a prefix its user does not own, and writes its temporary
    files and caches beside it (see wine_environment).
    """
    for made in (folder, folder / "tmp"):
        made.mkdir(parents=True, exist_ok=True)
        give_to(user, made)


@dataclasses.dataclass
class Finished:
    returncode: int
    stdout: bytes
    stderr: bytes


def run_wine(prefix: Path, arguments: list[str], debug: str = QUIET,
             display: Optional[str] = None, cwd: Optional[Path] = None,
             timeout: float = 120, user: Optional[str] = None,
             unstarted: Optional[Callable[[Finished], Optional[str]]] = None,
             attempts: int = 3) -> Finished:
    """Runs a Wine program and returns once it has ended.

    Its output goes through files, not pipes: the wineserver and Wine's
    services inherit them and would keep a pipe open for seconds after the
    program's end. Raises subprocess.TimeoutExpired with the output so far.
    Wine maps the current folder as a drive: unless told otherwise, the
    program runs in the folder that holds the prefix, never in the caller's.

    UNSTARTED tells, from a run's end, why Wine did not get as far as the
    program's own work (its start-up lost a race), or None when it did: such
    a run is tried again, ATTEMPTS times in all, each reason written to
    standard error.
    """
    if cwd is None:
        cwd = prefix.parent
    for attempt in range(1, attempts + 1):
        finished = _run_once(prefix, arguments, debug, display, cwd, timeout, user)
        reason = unstarted(finished) if unstarted is not None else None
        if reason is None or attempt == attempts:
            return finished
        print(f"\n[wine] {arguments[0]} did not start ({reason}), attempt {attempt} of "
              f"{attempts}; Wine said:\n{finished.stderr.decode(errors='replace')[-2000:]}",
              file=sys.stderr)
    return finished


def _run_once(prefix: Path, arguments: list[str], debug: str, display: Optional[str], cwd: Path,
              timeout: float, user: Optional[str]) -> Finished:
    with tempfile.TemporaryFile() as stdout, tempfile.TemporaryFile() as stderr:
        try:
            returncode = subprocess.run(
                [*as_user(user), wine_loader(Path(arguments[0])), *arguments],
                env=wine_environment(prefix, display, debug, user),
                stdin=subprocess.DEVNULL, stdout=stdout, stderr=stderr, cwd=cwd,
                timeout=timeout, preexec_fn=die_with_parent).returncode
        except subprocess.TimeoutExpired:
            returncode = None
        stdout.seek(0)
        stderr.seek(0)
        output, errors = stdout.read(), stderr.read()
    if returncode is None:
        raise subprocess.TimeoutExpired(arguments, timeout, output, errors)
    return Finished(returncode, output, errors)


def start_wineserver(prefix: Path, user: Optional[str] = None) -> None:
    """Starts the prefix's wineserver to stay until stop_wineserver.

    Returns once it takes requests (wineserver -p forks, and its first half
    waits for the server to hold its lock and socket). Programs then never
    meet a server that is on its way out, as they may when each start of
    Wine starts a server that ends 3 s after the last program.
    """
    # Its output goes to a file: the server keeps its standard error open.
    with tempfile.TemporaryFile() as errors:
        started = subprocess.run([*as_user(user), wineserver(), "-p"],
                                 env=wine_environment(prefix, None, QUIET, user),
                                 stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                 stderr=errors, timeout=60)
        if started.returncode != 0:
            errors.seek(0)
            raise RuntimeError(f"wineserver -p failed for {prefix}:\n" +
                               errors.read().decode(errors="replace"))


def stop_wineserver(prefix: Path, user: Optional[str] = None) -> None:
    """Ends the prefix's wineserver and every Wine process in it.

    The wineserver saves the registry to the prefix's files as it ends.
    """
    if not prefix.is_dir():
        return
    environment = wine_environment(prefix, None, QUIET, user)
    for option in ("-k", "-w"):
        subprocess.run([*as_user(user), wineserver(), option], env=environment,
                       stdin=subprocess.DEVNULL, capture_output=True, timeout=60)


def wine_user() -> Optional[str]:
    """Who runs Wine: as root, an ordinary user; else None, the caller."""
    if os.geteuid() != 0:
        return None
    return os.environ.get("SETUP_E2E_WINE_USER") or "nobody"


def let_pass(user: Optional[str], folder: Path) -> None:
    """Lets USER (None: the caller, who needs nothing) pass through FOLDER,
    a folder of ours; raises when a folder above it keeps USER out."""
    if user is None:
        return
    os.chmod(folder, 0o711)
    uid = pwd.getpwnam(user).pw_uid
    for above in [Path(folder).resolve(), *Path(folder).resolve().parents]:
        status = above.stat()
        if not status.st_mode & (0o100 if status.st_uid == uid else 0o001):
            raise RuntimeError(f"{user} cannot reach {folder}: set TMPDIR to a folder that "
                               "others may pass through")
