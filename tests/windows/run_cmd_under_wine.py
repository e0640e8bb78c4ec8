r"""Runs tests/windows/run-tests.cmd under Wine's cmd, as on Windows.

    python3 run_cmd_under_wine.py setup.exe setup_runtime_tests.exe

The script, setup.exe and setup_runtime_tests.exe are copied into a
temporary folder mapped as T:, never run from the work tree. Wine 8's subst
answers 0 but maps nothing, so the drives are mapped here as for
run_under_wine.py (H:, D: temporary folders, E: no disc, F: FAT32) and named
in SETUP_TEST_DRIVES; the script then takes them as given. Passes when the
script's last line says no case failed and its status is 0.
"""

from __future__ import annotations

import re
import shutil
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parents[0] / "e2e"))
sys.path.insert(0, str(HERE.parents[0] / "runtime"))

import wine_session  # noqa: E402
from run_under_wine import map_test_drives  # noqa: E402


def main(arguments: list[str]) -> int:
    if len(arguments) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    with wine_session.Session() as session, session.box("run-tests-cmd") as box:
        map_test_drives(box)
        box.map_drive("d", box.make_folder("d"))
        programs = box.make_folder("programs")
        for program in (HERE / "run-tests.cmd", *arguments):
            shutil.copy(program, programs)
        box.map_drive("t", programs)
        result = box.run(["cmd", "/c", "T:\\run-tests.cmd", "T:\\"], timeout=600)
    output = result.stdout.decode("utf-8", errors="replace").replace("\r\n", "\n")
    sys.stdout.write(output)
    lines = output.strip().splitlines()
    last = re.fullmatch(r"(\d+) passed, (\d+) failed", lines[-1] if lines else "")
    if result.returncode != 0 or not last or last[2] != "0" or last[1] == "0":
        sys.stdout.write(f"run-tests.cmd ended with status {result.returncode}\n")
        sys.stdout.write("Wine said:\n" + result.stderr.decode("utf-8", errors="replace"))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
