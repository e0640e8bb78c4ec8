#!/usr/bin/env python3
r"""Makes the installation CD: an ISO 9660 image with Joliet names, made by xorriso.

The image holds the product folder as it is (sub-folders too), setup.exe
from the Windows build at its root, and an autorun.inf that names setup.exe
as the program to open and as the icon. Windows reads the Joliet names, so
every name keeps its letter case, blanks and characters outside ASCII.

Nothing is written when a name cannot go on the medium as Windows would show
it (too long for Joliet, characters Windows does not allow in a name, two
names that differ only in letter case, a link) or when setup.exe is missing:
the error names the file. Names beginning with "." (hidden files under Linux
and Wine) are left off, each with a line saying so: the image has no hidden
flag, and Windows would show them as ordinary files.

The image is the same, byte for byte, for the same product folder, setup.exe
and commit: every date in it is SOURCE_DATE_EPOCH (by default the time of the
work tree's last commit).

Signing: with SETUP_SIGN_PKCS12 (a PKCS#12 file holding the code-signing
certificate and its key) and SETUP_SIGN_PASSWORD (its password) in the
environment, setup.exe is signed with Authenticode (SHA-256, osslsigncode)
before it goes on the medium; SETUP_SIGN_TIMESTAMP names an RFC 3161
time-stamping server to countersign it. The password is handed to
osslsigncode through a pipe, never on a command line.

Usage: scripts/make-cd.sh [--product FOLDER] [--setup-exe FILE] [--label LABEL]
                          [--output FILE.iso] [--size-only]
"""

from __future__ import annotations

import argparse
import datetime
import os
import re
import shutil
import subprocess
import sys
import tempfile
from dataclasses import dataclass, field
from pathlib import Path
from typing import Optional

REPOSITORY = Path(__file__).resolve().parents[1]
DEFAULT_PRODUCT = REPOSITORY / "sample-cd"
DEFAULT_SETUP_EXE = REPOSITORY / "build" / "windows" / "setup.exe"
DEFAULT_OUTPUT = REPOSITORY / "build" / "quorvan.iso"
DEFAULT_LABEL = "QUORVAN2005"

# The files the medium gets beside the product's, at its root.
SETUP_EXE = "setup.exe"
AUTORUN_INF = "autorun.inf"
AUTORUN_TEXT = "[autorun]\r\nopen=setup.exe\r\nicon=setup.exe,0\r\n"

# Joliet: 64 characters a name, 240 a path (xorriso would cut a longer name,
# and leave a longer path out of the Joliet tree).
JOLIET_NAME_LIMIT = 64
JOLIET_PATH_LIMIT = 240
# ISO levels 1 and 2 hold files up to 4 GiB - 1; level 3 splits a larger
# one into extents.
LARGEST_LEVEL_2_FILE = 0xFFFFFFFF
# What Windows does not allow in a name, and names it keeps for devices.
FORBIDDEN_CHARACTERS = set('<>:"/\\|?*') | {chr(c) for c in range(32)}
DEVICE_NAMES = re.compile(r"^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\..*)?$", re.IGNORECASE)
# The label as Windows shows it: the Joliet volume name, 16 characters; the
# plain ISO 9660 one takes upper-case letters, digits and "_".
LABEL_PATTERN = re.compile(r"^[A-Z0-9_]{1,16}$")


class MediumError(Exception):
    """What stops the image from being made; the message names the file."""


@dataclass
class Product:
    """What a product folder puts on the medium."""

    folder: Path
    files: list[Path] = field(default_factory=list)  # relative to the folder
    left_off: list[Path] = field(default_factory=list)
    largest: Optional[tuple[int, Path]] = None

    @property
    def iso_level(self) -> int:
        if self.largest and self.largest[0] > LARGEST_LEVEL_2_FILE:
            return 3
        return 2


def utf16_length(text: str) -> int:
    return len(text.encode("utf-16-le")) // 2


def check_name(name: str, on_medium: str, shown: str) -> None:
    """Raises when Windows could not show NAME, at ON_MEDIUM (SHOWN: the file, for messages)."""
    if any(0xDC80 <= ord(c) <= 0xDCFF for c in name):
        raise MediumError(f"{shown!r}: the name is not UTF-8, so Windows cannot show it")
    bad = sorted({c for c in name if c in FORBIDDEN_CHARACTERS})
    if bad:
        raise MediumError(f"{shown}: Windows does not allow {''.join(bad)!r} in a name")
    if name.endswith((".", " ")):
        raise MediumError(f"{shown!r}: Windows drops a name's trailing dot or blank, "
                          "so it would name another file")
    if DEVICE_NAMES.match(name):
        raise MediumError(f"{shown}: Windows keeps this name for a device")
    if utf16_length(name) > JOLIET_NAME_LIMIT:
        raise MediumError(f"{shown}: the name has {utf16_length(name)} characters, more than "
                          f"the {JOLIET_NAME_LIMIT} Joliet holds")
    if utf16_length(on_medium) > JOLIET_PATH_LIMIT:
        raise MediumError(f"{shown}: the path has {utf16_length(on_medium)} characters, more than "
                          f"the {JOLIET_PATH_LIMIT} Joliet holds")


def survey(given: Path) -> Product:
    """Checks every name of the product folder and gathers what goes on the medium."""
    if not given.is_dir():
        raise MediumError(f"{given}: the product folder does not exist")
    folder = given.resolve()
    product = Product(folder)
    # Names the medium adds at its root, beside the product's.
    added = {SETUP_EXE.upper(): SETUP_EXE, AUTORUN_INF.upper(): AUTORUN_INF}

    def visit(relative: Path) -> None:
        seen: dict[str, str] = dict(added) if relative == Path() else {}
        for entry in sorted(os.scandir(folder / relative), key=lambda e: e.name):
            name = entry.name
            path = relative / name
            shown = (given / path).as_posix()
            if name.startswith("."):
                product.left_off.append(path)
                continue
            check_name(name, path.as_posix(), shown)
            other = seen.get(name.upper())
            if other is not None:
                if relative == Path() and other in added.values():
                    raise MediumError(f"{shown}: the medium's own {other} goes there; "
                                      "take it out of the product folder")
                raise MediumError(f"{shown} and {(given / relative / other).as_posix()}: the names "
                                  "differ only in letter case, and Windows would show one file")
            seen[name.upper()] = name
            if entry.is_symlink():
                raise MediumError(f"{shown}: a link; put the file or folder itself there")
            if entry.is_dir():
                visit(path)
            elif entry.is_file():
                if not os.access(entry.path, os.R_OK):
                    raise MediumError(f"{shown}: the file cannot be read")
                size = entry.stat().st_size
                if product.largest is None or size > product.largest[0]:
                    product.largest = (size, path)
                product.files.append(path)
            else:
                raise MediumError(f"{shown}: neither a file nor a folder")

    visit(Path())
    return product


def source_date_epoch() -> int:
    """SOURCE_DATE_EPOCH, or the time of the work tree's last commit."""
    named = os.environ.get("SOURCE_DATE_EPOCH")
    if named:
        if not named.isdigit():
            raise MediumError(f"SOURCE_DATE_EPOCH={named!r} is not a number of seconds")
        return int(named)
    try:
        committed = subprocess.run(["git", "-C", str(REPOSITORY), "log", "-1", "--format=%ct"],
                                   capture_output=True, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError) as failure:
        raise MediumError("no SOURCE_DATE_EPOCH and no git commit to take the image's date "
                          f"from ({failure})") from failure
    return int(committed)


def sign(setup_exe: Path, signed: Path) -> Optional[str]:
    """Signs setup_exe into SIGNED when the environment names a certificate.

    Returns what was used, or None when no signing was asked for.
    """
    pkcs12 = os.environ.get("SETUP_SIGN_PKCS12")
    password = os.environ.get("SETUP_SIGN_PASSWORD")
    timestamp = os.environ.get("SETUP_SIGN_TIMESTAMP")
    if pkcs12 is None and password is None:
        return None
    if not pkcs12:
        raise MediumError("SETUP_SIGN_PASSWORD is set but SETUP_SIGN_PKCS12 names no "
                          "certificate: set both to sign setup.exe, or neither")
    if password is None:
        raise MediumError(f"SETUP_SIGN_PKCS12 names {pkcs12}, but SETUP_SIGN_PASSWORD is not "
                          "set: give the PKCS#12 file's password through it")
    if not Path(pkcs12).is_file():
        raise MediumError(f"{pkcs12}: the certificate file named by SETUP_SIGN_PKCS12 does "
                          "not exist")
    if shutil.which("osslsigncode") is None:
        raise MediumError("osslsigncode is not installed (scripts/install-deps.sh)")
    # The password goes through a pipe that osslsigncode reads as a file.
    reader, writer = os.pipe()
    try:
        os.write(writer, password.encode("utf-8"))
        os.close(writer)
        writer = -1
        command = ["osslsigncode", "sign", "-pkcs12", pkcs12, "-readpass", f"/dev/fd/{reader}",
                   "-h", "sha256", "-n", "QUORVAN 2005 Setup"]
        if timestamp:
            command += ["-ts", timestamp]
        command += ["-in", str(setup_exe), "-out", str(signed)]
        run = subprocess.run(command, pass_fds=(reader,), capture_output=True, text=True)
    finally:
        os.close(reader)
        if writer != -1:
            os.close(writer)
    if run.returncode != 0 or not signed.is_file():
        said = (run.stdout + run.stderr).strip()
        if "PKCS#12" in said or "pkcs12" in said.lower() or "mac verify" in said.lower():
            reason = ("the password in SETUP_SIGN_PASSWORD does not open it, or it is not a "
                      "PKCS#12 file with a certificate and its key")
        elif timestamp:
            reason = f"signing or the time stamp from {timestamp} failed"
        else:
            reason = "signing failed"
        raise MediumError(f"{pkcs12}: could not sign setup.exe: {reason}\nosslsigncode said:\n"
                          f"{said}")
    return pkcs12 + (f", time stamp from {timestamp}" if timestamp else "")


def xorriso_command(product: Product, stage: Path, label: str, epoch: int,
                    output: Optional[Path]) -> list[str]:
    """The xorriso run that writes the image (OUTPUT None: prints its size in blocks)."""
    when = datetime.datetime.fromtimestamp(epoch, datetime.timezone.utc)
    command = [
        "xorriso", "-no_rc", "-as", "mkisofs",
        "-iso-level", str(product.iso_level),
        # Joliet names, as Windows reads them; no Rock Ridge (Windows ignores
        # it, and it would carry owners and permissions of this machine).
        "-J", "-joliet-utf16", "--norock",
        "-V", label, "-volset", label, "-publisher", "QUORVAN", "-p", "QUORVAN",
        "-A", "QUORVAN 2005 INSTALLATION CD", "-sysid", "WIN32",
        # Every date of the volume and of its files is the commit's.
        "--modification-date=" + when.strftime("%Y%m%d%H%M%S00"),
        "--set_all_file_dates", f"={epoch}",
        # Names beginning with "." stay off the medium, in every folder.
        "-m", ".*",
    ]
    command += ["-print-size", "-o", "/dev/null"] if output is None else ["-o", str(output)]
    command += ["-graft-points", f"/={product.folder}",
                f"/{SETUP_EXE}={stage / SETUP_EXE}", f"/{AUTORUN_INF}={stage / AUTORUN_INF}"]
    return command


def make_image(product_folder: Path, setup_exe: Path, label: str, output: Path,
               size_only: bool = False) -> None:
    if not LABEL_PATTERN.match(label):
        raise MediumError(f"label {label!r}: a CD's label here is 1 to 16 upper-case letters, "
                          "digits or _")
    # A failed run leaves no image behind, not even an older one.
    if not size_only:
        output.unlink(missing_ok=True)
    if not setup_exe.is_file():
        raise MediumError(f"{setup_exe}: setup.exe is not built (cmake --preset windows && "
                          "cmake --build --preset windows)")
    product = survey(product_folder)
    for path in product.left_off:
        print(f"[make-cd] left off: {path.as_posix()} (a hidden name; Windows would show it)")
    if product.iso_level == 3:
        size, path = product.largest
        print(f"[make-cd] ISO level 3: {path.as_posix()} has {size} bytes, more than levels 1 "
              "and 2 hold")
    epoch = source_date_epoch()
    if shutil.which("xorriso") is None:
        raise MediumError("xorriso is not installed (scripts/install-deps.sh)")

    with tempfile.TemporaryDirectory(prefix="make-cd-") as scratch:
        stage = Path(scratch)
        signed_by = sign(setup_exe, stage / SETUP_EXE)
        if signed_by is None:
            shutil.copyfile(setup_exe, stage / SETUP_EXE)
        (stage / AUTORUN_INF).write_bytes(AUTORUN_TEXT.encode("ascii"))
        partial = None if size_only else output.with_name(output.name + ".partial")
        if partial is not None:
            output.parent.mkdir(parents=True, exist_ok=True)
            partial.unlink(missing_ok=True)
        environment = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch))
        run = subprocess.run(xorriso_command(product, stage, label, epoch, partial),
                             capture_output=True, text=True, env=environment)
        if run.returncode != 0:
            if partial is not None:
                partial.unlink(missing_ok=True)
            raise MediumError(f"xorriso could not make the image:\n{run.stderr.strip()}")
        if size_only:
            blocks = int(run.stdout.split()[-1])
            print(f"[make-cd] the image would take {blocks} blocks of 2048 bytes "
                  f"({blocks * 2048} bytes), ISO level {product.iso_level}")
            return
        partial.rename(output)
    print(f"[make-cd] setup.exe: {'signed with ' + signed_by if signed_by else 'not signed'}")
    print(f"[make-cd] {output}: {output.stat().st_size} bytes, label {label}, "
          f"{len(product.files)} product files and setup.exe, autorun.inf")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--product", type=Path, default=DEFAULT_PRODUCT,
                        help="the product folder (default: sample-cd/)")
    parser.add_argument("--setup-exe", type=Path, default=DEFAULT_SETUP_EXE,
                        help="the installer (default: build/windows/setup.exe)")
    parser.add_argument("--label", default=DEFAULT_LABEL,
                        help=f"the volume label (default: {DEFAULT_LABEL})")
    parser.add_argument("--output", "-o", type=Path, default=DEFAULT_OUTPUT,
                        help="the image to write (default: build/quorvan.iso)")
    parser.add_argument("--size-only", action="store_true",
                        help="check everything and print the image's size, write nothing")
    arguments = parser.parse_args()
    try:
        make_image(arguments.product, arguments.setup_exe, arguments.label, arguments.output,
                   arguments.size_only)
    except MediumError as error:
        print(f"make-cd: error: {error}\nmake-cd: no image made", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
