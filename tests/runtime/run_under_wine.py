r"""Runs the runtime's tests (setup_runtime_tests.exe) under Wine.

The tests expect drives H: and D:, empty temporary folders, and E:, a CD
drive with no disc; SETUP_TEST_DRIVES tells them that these drives are
theirs to empty. F: is a FAT32 drive (SETUP_TEST_FAT_DRIVE), an empty
temporary folder as well (fat32_volume.py). The prefix is a throw-away
clone without drive Z:, and the program runs in a folder of its own,
outside the work tree.

    python3 run_under_wine.py setup_runtime_tests.exe [GoogleTest options]
"""

from __future__ import annotations

import os
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))

import winebox  # noqa: E402
import wine_session  # noqa: E402
from fat32_volume import map_fat32_drive  # noqa: E402


def map_test_drives(box: winebox.WineBox) -> None:
    """Maps H:, E: and F: in a box where Wine has not run yet, and says so to the tests."""
    os.environ["SETUP_TEST_DRIVES"] = "HDE"
    os.environ["SETUP_TEST_FAT_DRIVE"] = "F"
    box.map_drive("h", box.make_folder("h"), label="SYSTEM", kind="hd")
    box.map_drive("e", None, kind="cdrom")
    map_fat32_drive(box, "f", box.make_folder("f"))


def main(arguments: list[str]) -> int:
    if not arguments:
        print(__doc__, file=sys.stderr)
        return 2
    program, options = Path(arguments[0]).resolve(), arguments[1:]
    with wine_session.Session() as session, session.box("runtime-tests") as box:
        map_test_drives(box)
        # D: is mapped while Wine runs (the box keeps one wineserver), as a
        # drive can be: the runtime must see it although Wine's list of
        # drives was read before.
        box.run([str(program), "--gtest_list_tests"])
        box.map_drive("d", box.make_folder("d"), label="QUORVAN")
        result = box.run([str(program), *options])
    sys.stdout.write(result.stdout.decode("utf-8", errors="replace"))
    if result.returncode != 0:
        sys.stdout.write("Wine said:\n" + result.stderr.decode("utf-8", errors="replace"))
    return result.returncode


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
