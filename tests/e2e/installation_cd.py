r"""The installation CD image of scripts/make-cd.sh, for the tests: making it,
reading it back, a throw-away code-signing certificate, and the image mounted
read-only (fuseiso) as a CD-ROM drive of a box.

Standard library only, plus the Debian tools the image needs: xorriso,
osslsigncode, openssl, fuseiso (FUSE) and losetup.
"""

from __future__ import annotations

import hashlib
import os
import pwd
import shutil
import subprocess
import time
from pathlib import Path
from typing import Optional

from child_processes import register_cleanup, unregister_cleanup
from e2e_case import REPOSITORY

MAKE_CD = REPOSITORY / "scripts" / "make-cd.sh"
SAMPLE_CD = REPOSITORY / "sample-cd"
LABEL = "QUORVAN2005"
AUTORUN_INF = b"[autorun]\r\nopen=setup.exe\r\nicon=setup.exe,0\r\n"


def make_cd(*arguments: str, environment: Optional[dict[str, str]] = None,
            cwd: Optional[Path] = None) -> subprocess.CompletedProcess:
    """Runs scripts/make-cd.sh with ENVIRONMENT for signing (none: no signing)."""
    inherited = {name: value for name, value in os.environ.items()
                 if not name.startswith("SETUP_SIGN_")}
    return subprocess.run([str(MAKE_CD), *arguments], capture_output=True, text=True,
                          env={**inherited, **(environment or {})}, cwd=cwd, timeout=300)


def sha256(file: Path) -> str:
    return hashlib.sha256(Path(file).read_bytes()).hexdigest()


def extract(image: Path, folder: Path) -> Path:
    """Copies the image's files out as a reader of its Joliet names sees them."""
    run = subprocess.run(["xorriso", "-no_rc", "-osirrox", "on", "-indev", str(image),
                          "-extract", "/", str(folder)], capture_output=True, text=True)
    if run.returncode != 0:
        raise AssertionError(f"xorriso could not read {image}:\n{run.stderr}")
    for root, folders, files in os.walk(folder):
        for name in folders + files:
            os.chmod(os.path.join(root, name), 0o755 if name in folders else 0o644)
    return folder


def tree(folder: Path) -> dict[str, str]:
    """Every file under FOLDER by its path, with its SHA-256; folders end in "/"."""
    contents = {}
    for root, folders, files in os.walk(folder):
        for name in folders:
            contents[os.path.relpath(os.path.join(root, name), folder) + "/"] = "a folder"
        for name in files:
            path = Path(root, name)
            contents[str(path.relative_to(folder))] = sha256(path)
    return contents


def volume_id(image: Path) -> str:
    """The label Windows shows: the Joliet volume descriptor's volume name."""
    with open(image, "rb") as medium:
        for block in range(16, 32):
            medium.seek(block * 2048)
            descriptor = medium.read(2048)
            if descriptor[0] == 255:
                break
            if descriptor[0] == 2 and descriptor[88:91] == b"%/E":
                return descriptor[40:72].decode("utf-16-be").rstrip()
    raise AssertionError(f"{image} has no Joliet volume descriptor")


class ThrowawayCertificate:
    """A self-signed code-signing certificate and its key, as a PKCS#12 file."""

    PASSWORD = "correct horse"

    def __init__(self, folder: Path) -> None:
        folder.mkdir(parents=True, exist_ok=True)
        self.certificate = folder / "certificate.pem"
        self.pkcs12 = folder / "signing.p12"
        key = folder / "key.pem"
        for command in (
                ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", str(key),
                 "-out", str(self.certificate), "-days", "2", "-subj",
                 "/CN=Quorvan test code signing", "-addext", "extendedKeyUsage=codeSigning"],
                ["openssl", "pkcs12", "-export", "-inkey", str(key), "-in", str(self.certificate),
                 "-out", str(self.pkcs12), "-passout", "env:SIGNING_PASSWORD"]):
            run = subprocess.run(command, capture_output=True, text=True,
                                 env={**os.environ, "SIGNING_PASSWORD": self.PASSWORD})
            if run.returncode != 0:
                raise RuntimeError(f"{command[:2]} failed:\n{run.stderr}")
        key.unlink()

    def environment(self, password: Optional[str] = None) -> dict[str, str]:
        return {"SETUP_SIGN_PKCS12": str(self.pkcs12),
                "SETUP_SIGN_PASSWORD": self.PASSWORD if password is None else password}

    def verify(self, program: Path) -> subprocess.CompletedProcess:
        """osslsigncode verify against this certificate alone."""
        return subprocess.run(["osslsigncode", "verify", "-CAfile", str(self.certificate),
                               "-in", str(program)], capture_output=True, text=True)


def fuse_unavailable() -> Optional[str]:
    """Why the image cannot be mounted with fuseiso here, or None when it can."""
    if shutil.which("fuseiso") is None or shutil.which("fusermount") is None:
        return "fuseiso is not installed (scripts/install-deps.sh)"
    if not os.access("/dev/fuse", os.R_OK | os.W_OK):
        return "FUSE cannot be used here (/dev/fuse is missing or not ours)"
    return None


class MountError(RuntimeError):
    """fuseiso could not mount the image."""


class MountedImage:
    """The image mounted read-only at FOLDER with fuseiso, and when we may, as a
    read-only loop device too: the device Wine reads the CD's label from.

    READER, when given, is the user who runs Wine and reads the CD. A FUSE
    mount is its mounter's alone unless it allows others, which only root
    may ask for here; attaching a loop device needs root, and the device is
    then given to READER to read. Wine itself runs as READER.
    """

    def __init__(self, image: Path, folder: Path, reader: Optional[str] = None) -> None:
        self.image = image
        self.folder = folder
        self.device: Optional[str] = None
        self.no_device_reason: Optional[str] = None
        self._device_owner: Optional[tuple[int, int]] = None
        folder.mkdir(parents=True)
        # -n: no record of the mount in $HOME.
        options = "ro,allow_other" if reader is not None else "ro"
        mounted = subprocess.run(["fuseiso", "-n", str(image), str(folder), "-o", options],
                                 capture_output=True, text=True)
        if mounted.returncode != 0 or not os.path.ismount(folder):
            folder.rmdir()
            raise MountError(f"fuseiso could not mount {image}: {mounted.stderr.strip()}")
        # Unmounted and detached however the run ends.
        register_cleanup(self.close)
        attached = None
        if os.geteuid() == 0 and shutil.which("losetup"):
            attached = subprocess.run(["losetup", "--find", "--show", "--read-only", str(image)],
                                      capture_output=True, text=True)
        if attached is not None and attached.returncode == 0:
            self.device = attached.stdout.strip()
            if reader is not None:
                status = os.stat(self.device)
                self._device_owner = (status.st_uid, status.st_gid)
                os.chown(self.device, pwd.getpwnam(reader).pw_uid, status.st_gid)
        else:
            self.no_device_reason = ("not root, or no loop device free" if attached is None
                                     else attached.stderr.strip())

    def close(self) -> None:
        unregister_cleanup(self.close)
        if self.device is not None:
            if self._device_owner is not None:
                os.chown(self.device, *self._device_owner)
            subprocess.run(["losetup", "--detach", self.device], capture_output=True)
            self.device = None
        for _attempt in range(50):
            if not os.path.ismount(self.folder):
                break
            if subprocess.run(["fusermount", "-u", str(self.folder)],
                              capture_output=True).returncode == 0:
                break
            time.sleep(0.1)
        if self.folder.is_dir() and not os.path.ismount(self.folder):
            self.folder.rmdir()
