#!/usr/bin/env python3
r"""Times setup.exe's copy under Wine against a plain CopyFileExW loop, cp and NSIS.

    bench/wine_copy_bench.py [--silent] [--quick] [--runs N] [--poll MS]
                             [--sets alone,small,large,huge]

Needs the Windows build (cmake --build --preset windows): setup.exe,
setup-e2e-driver.exe and copy-loop.exe in build/windows/ (or named by
SETUP_EXE, SETUP_E2E_DRIVER and COPY_LOOP). Runs on a private Xvfb display in
throw-away Wine prefixes (tests/e2e/winebox.py), one per data set.

Each data set (2,000 files of 4 KiB, 20 files of 5 MiB, one file of 512 MiB;
with --quick 200, 5 and one of 64 MiB) sits in the host folder of CD drive D:,
with setup.exe beside it; a first set holds setup.exe alone, to show what
the timed window costs without data. Three sides copy the same files,
setup.exe included:

- setup.exe: the driver walks it through Intro, Option, "Install in default
  folder" and Continue on "Create Default Folder". The time runs from the
  click on Continue to the moment the driver sees "Installation completed
  successfully." (the driver's --times; it looks every --poll milliseconds,
  5 unless told otherwise).
- loop: copy-loop.exe lists D:\ and copies its ordinary files into C:\loop
  with CopyFileExW(COPY_FILE_FAIL_IF_EXISTS), timing itself.
- cp: cp(1) of the same files between host folders, timed around the process.

Every side runs once untimed, then N times (3 unless --runs says otherwise)
in turns; the best time counts. Each copy goes into an absent folder and is
checked (names, sizes, first and last bytes), then removed. Peak memory: the
VmHWM of the copying process (under Wine, the setup.exe or copy-loop.exe
process), read from /proc while it runs. Prints every run, then a Markdown
table. Everything it makes goes away at the end, also on Ctrl-C.

With --silent, whole processes are timed instead, each started the same way
(the Wine loader, from D:\ as current folder, into an absent folder of C:)
and timed from its start to its end:

- setup.exe: `D:\setup.exe /S /D=C:\setup`, the unattended installation.
- loop: `copy-loop.exe D:\ C:\loop`, as above, but timed around its process.
- NSIS packed: an NSIS installer that holds the same files uncompressed
  (File, SetCompress off; NSIS's own check of its data on), on a CD of its
  own in drive E:, run with /S /D=.
- NSIS copy: an NSIS installer on the medium (as D:\.quorvan-copy.exe, a
  hidden file that setup.exe and the loop pass over) that copies the
  medium's files at install time (CopyFiles from $EXEDIR), run with /S /D=.
  CopyFiles copies what the folder holds, hidden files too: the installer
  itself and the volume label file come along.

Both installers are built for the data set by makensis (Debian's nsis
package, needed only here: apt-get install nsis) as 32-bit or 64-bit
programs, as setup.exe is. Each program starts with the Wine loader of its
kind (wine_programs.wine_loader). The box keeps one wineserver for all its
runs (wineserver -p), so that no run pays for starting Wine's services.
"""

from __future__ import annotations

import argparse
import os
import sys
from pathlib import Path

REPOSITORY = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPOSITORY / "tests" / "e2e"))

# The benchmark's parts (bench/wine_bench_*.py), after the path to the harness.
import wine_session  # noqa: E402
from wine_bench_data import plans as data_sets  # noqa: E402
from wine_bench_nsis import makensis  # noqa: E402
from wine_bench_report import SILENT_NOTE, WIZARD_NOTE, measure, print_table  # noqa: E402
from wine_bench_sides import SilentBench, WizardBench  # noqa: E402

BUILD = REPOSITORY / "build" / "windows"


def program(variable: str, default: Path) -> Path:
    path = Path(os.environ.get(variable) or default)
    if not path.is_file():
        sys.exit(f"wine_copy_bench: {path} is missing (cmake --build --preset windows)")
    return path


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--silent", action="store_true",
                        help="time whole processes: setup.exe /S, the loop, two NSIS installers")
    parser.add_argument("--quick", action="store_true", help="smaller data sets")
    parser.add_argument("--runs", type=int, default=3, help="timed runs of each side")
    parser.add_argument("--poll", type=int, default=5,
                        help="milliseconds between the driver's looks at the windows")
    parser.add_argument("--sets", default="alone,small,large,huge",
                        help="the data sets to time, by name (comma-separated)")
    options = parser.parse_args()
    programs = {"setup": program("SETUP_EXE", BUILD / "setup.exe"),
                "driver": program("SETUP_E2E_DRIVER", BUILD / "setup-e2e-driver.exe"),
                "loop": program("COPY_LOOP", BUILD / "copy-loop.exe")}
    if options.silent:
        makensis()
    plans = [plan for plan in data_sets(options.quick) if plan.name in options.sets.split(",")]
    print(f"setup.exe: {programs['setup'].stat().st_size:,} bytes")
    results = []
    with wine_session.Session(run_timeout=3600) as session:
        print(f"Working in {session.folder} (Wine prefix made in "
              f"{session.prefix_seconds:.1f} s)", flush=True)
        for plan in plans:
            print(f"\n{plan.title}:", flush=True)
            bench = (SilentBench(session, plan, programs) if options.silent else
                     WizardBench(session, plan, programs, options.poll))
            try:
                results.append((plan, measure(bench, options.runs)))
            finally:
                bench.close()
    if options.silent:
        print_table(results, SilentBench.sides,
                    (("setup.exe", "loop"), ("setup.exe", "NSIS packed"),
                     ("setup.exe", "NSIS copy")), SILENT_NOTE)
    else:
        print_table(results, WizardBench.sides,
                    (("setup.exe", "loop"), ("setup.exe", "cp"), ("loop", "cp")),
                    WIZARD_NOTE.format(poll=options.poll))
    return 0


if __name__ == "__main__":
    sys.exit(main())
