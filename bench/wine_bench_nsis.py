"""The NSIS installers that wine_copy_bench.py --silent times setup.exe against,
built by makensis for a data set: one that holds the files, one that copies
them from its medium."""

from __future__ import annotations

import shutil
import subprocess
import sys
from pathlib import Path
from typing import Iterable

# The NSIS installers' names: the copying one sits on the medium, hidden.
NSIS_COPY, NSIS_PACKED = ".quorvan-copy.exe", "quorvan-packed.exe"

NSIS_HEAD = """Target {target}
Name "QUORVAN 2005"
OutFile "{out}"
InstallDir "C:\\nsis"
RequestExecutionLevel user
ShowInstDetails nevershow
"""
NSIS_COPY_SCRIPT = NSIS_HEAD + """Section
  SetOutPath "$INSTDIR"
  ClearErrors
  CopyFiles /SILENT "$EXEDIR\\*.*" "$INSTDIR"
  IfErrors 0 +2
    SetErrorLevel 1
SectionEnd
"""
NSIS_PACKED_SCRIPT = NSIS_HEAD + """SetCompress off
Section
  SetOutPath "$INSTDIR"
{files}SectionEnd
"""


def makensis() -> str:
    found = shutil.which("makensis")
    if not found:
        sys.exit("wine_copy_bench: --silent needs makensis (Debian: apt-get install nsis)")
    return found


def build_nsis(script: str, source: Path, out: Path) -> None:
    """Compiles the NSIS script SCRIPT (its OutFile OUT) with makensis."""
    source.write_text(script, encoding="utf-8")
    built = subprocess.run([makensis(), "-V2", "-INPUTCHARSET", "UTF8", str(source)],
                           cwd=source.parent, stdin=subprocess.DEVNULL, capture_output=True)
    if built.returncode != 0 or not out.is_file():
        raise RuntimeError(f"makensis failed on {source}:\n" +
                           (built.stdout + built.stderr).decode(errors="replace"))


def nsis_target(is_32bit: bool) -> str:
    """makensis's Target for a 32-bit or a 64-bit installer."""
    return "x86-unicode" if is_32bit else "amd64-unicode"


def build_copy_installer(cd: Path, scripts: Path, is_32bit: bool) -> Path:
    """The installer on the medium CD that copies the medium's files as it installs."""
    out = cd / NSIS_COPY
    build_nsis(NSIS_COPY_SCRIPT.format(out=out, target=nsis_target(is_32bit)),
               scripts / "copy.nsi", out)
    return out


def build_packed_installer(folder: Path, source: Path, names: Iterable[str], scripts: Path,
                           is_32bit: bool) -> Path:
    """The installer in FOLDER that holds the files NAMES of SOURCE, uncompressed."""
    out = folder / NSIS_PACKED
    files = "".join(f'  File "{source / name}"\n' for name in sorted(names))
    build_nsis(NSIS_PACKED_SCRIPT.format(out=out, files=files, target=nsis_target(is_32bit)),
               scripts / "packed.nsi", out)
    return out
