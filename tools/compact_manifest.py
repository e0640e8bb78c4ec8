"""Writes an application manifest without its comments and indentation.

The manifest in the repository explains itself in XML comments; the copy
that setup.exe carries as a resource needs none of them.

    compact_manifest.py SOURCE.manifest OUTPUT.manifest
"""

import re
import sys
from pathlib import Path


def compact(text: str) -> str:
    text = re.sub(r"<!--.*?-->", "", text, flags=re.S)
    lines = (line.strip() for line in text.splitlines())
    return "\n".join(line for line in lines if line) + "\n"


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, output = map(Path, sys.argv[1:])
    output.write_text(compact(source.read_text(encoding="utf-8")), encoding="utf-8")
