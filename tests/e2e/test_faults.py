r"""Faults met while setup.exe copies, under Wine: every run ends soundly.

A run ends either with "Installation completed successfully.", status 0 and
every ordinary file of the medium in the target, byte for byte; or with the
error report naming the file it could not copy, and status 1. Either way every
destination is as it was or a complete copy, no temporary "~setup*" file is
left anywhere, the medium is unchanged, and nothing outside the target is
written.

setup.exe runs from D:\, the CD, and installs into the default folder
c:\Program Files\Quorvan2005 on drive_c, or into a folder of E:, a hard disk
(a 2 MB tmpfs when the tests run as root; a FAT32 drive for a file of 4 GiB).
Each test's cases share one box; each case loads the CD with its own files
and plays a scenario up to its Continue click, then the driver's `outcome`
step, which accepts either end.
"""

from __future__ import annotations

import os
import random
import re
import shutil
import subprocess
import sys
import time
import unittest
from typing import Optional

import sample_cd
from fat32_volume import map_fat32_drive
from e2e_case import SCENARIOS
from fault_install import (MB, TEMPORARY, FaultTestCase, Install, big_payload,
                           ending_in_outcome, left_by_a_kill, names_file, payload)
from test_user_folder import LONG_PATH_SCENARIO, folders_opened_by

BIG_NAME = "AAA_BIG.DAT"  # the first file, long enough to act while it is copied
# Names a Linux folder holds that Windows reads otherwise: a drive, a wildcard,
# a final dot or blank that the path clean-up drops, devices.
HOSTILE_NAMES = ("a:b.txt", "what?.txt", "trailing.", "trailing", "trailing ", "CON.txt", "aux")


class FaultTest(FaultTestCase):
    def install_hostile_names(self, install: Install, names: dict[str, bytes]) -> dict[str, str]:
        """Installs until success, taking off the CD each name a report gives.

        Returns what became of each name: "copied" or "reported".
        """
        install.load({"README.TXT": payload("README.TXT"), **names})
        fate = {}
        for _ in range(len(names) + 1):
            medium = sample_cd.ordinary_files(install.cd)
            outcome = install.run()
            after = sample_cd.folder_contents(install.target)
            fate.update({name: "copied" for name in names
                         if name not in fate and after.get(name) == medium.get(name)})
            if outcome.succeeded:
                break
            named = [name for name in names if name not in fate and names_file(outcome.text, name)]
            self.assertTrue(named, f"the report names no hostile name:\n{outcome.text}")
            reason = next((line for line in outcome.text.splitlines()
                           if line.startswith("Reason")), "")
            for name in named:
                # "a:b.txt" is a name on the CD, not a file of drive A:.
                drive = re.match(r"[A-Za-z]:", name)
                with self.subTest(name=name):
                    self.assertFalse(drive and drive[0].upper() in
                                     outcome.text.replace(name, "").upper(),
                                     f"{name!r} was looked for on another drive:\n{outcome.text}")
                fate[name] = "reported"
                print(f"[e2e] {name!r} reported: {reason}", file=sys.stderr)
                (install.cd / name).unlink()
        self.assertEqual(set(fate), set(names))
        print(f"[e2e] hostile names: {fate}", file=sys.stderr)
        return fate

    def test_faults_in_the_default_folder(self) -> None:
        install = self.default_folder_install()
        target, box = install.target, install.box
        in_target = "C:\\Program Files\\Quorvan2005\\"
        # Wine copies 32 MiB in some 30 ms here, and the watcher holds setup.exe
        # still some 10 ms after the first write: 128 MiB leave room.
        big = big_payload(128 * MB)

        with self.case_named("a destination name taken by a folder"):
            self.clear(target)
            (target / "README.TXT").mkdir()
            (target / "README.TXT" / "kept.txt").write_bytes(b"kept")
            install.load({"A.TXT": payload("A.TXT"), "README.TXT": payload("README.TXT")})
            self.assert_report_names(install.run(), "README.TXT", "folder", "directory",
                                     "denied")

        with self.case_named("a read-only, hidden destination"):
            self.clear(target)
            (target / "README.TXT").write_bytes(b"an old readme\r\n" * 100)
            for flag in ("+h", "+r"):  # Wine's attrib takes one flag a run
                attrib = box.run(["attrib", flag, in_target + "README.TXT"])
                self.assertEqual(attrib.returncode, 0, attrib.stderr)
            self.assertFalse((target / "README.TXT").stat().st_mode & 0o222)
            install.load({"README.TXT": payload("README.TXT")})
            (install.cd / "README.TXT").chmod(0o444)  # as on a CD
            outcome = install.run()
            self.assertTrue(outcome.succeeded, outcome.text)
            self.assertTrue((target / "README.TXT").stat().st_mode & 0o200, "left read-only")

        with self.case_named("a destination held open with no sharing"):
            self.clear(target)
            (target / "QUORVAN.INI").write_bytes(b"[old]\r\n")
            install.load({"A.TXT": payload("A.TXT"), "QUORVAN.INI": payload("QUORVAN.INI")})
            holder = self.hold(box, in_target + "QUORVAN.INI")
            try:
                self.assert_report_names(install.run(), "QUORVAN.INI")
            finally:
                holder.kill()
                holder.wait()

        with self.case_named("a source removed between the listing and its copy"):
            self.clear(target)
            install.load({BIG_NAME: big, "ZZZ_LATER.TXT": payload("ZZZ_LATER.TXT")})
            medium_after = sample_cd.folder_contents(install.cd)
            del medium_after["ZZZ_LATER.TXT"]
            outcome = install.run(during=(install.cd / "ZZZ_LATER.TXT").unlink,
                                  medium_after=medium_after)
            self.assert_report_names(outcome, "ZZZ_LATER.TXT")

        with self.case_named("killed in the middle of a file"):
            self.clear(target)
            install.load({BIG_NAME: big})
            install.run(during=lambda: box.kill_program("setup.exe"), killed=True)
            self.assertLess(install.during_copy[1], len(big), "killed only after the copy")

        with self.case_named("a run to the end after the kill"):
            self.assertTrue(install.run().succeeded)

        with self.case_named("killed in the middle of replacing a file"):
            (target / BIG_NAME).write_bytes(b"the older version\r\n")
            install.run(during=lambda: box.kill_program("setup.exe"), killed=True)
            self.assertEqual((target / BIG_NAME).read_bytes(), b"the older version\r\n")

        with self.case_named("2,000 small files"):
            self.clear(target)
            install.load({f"F{number:04}.TXT": payload(f"F{number:04}.TXT")
                          for number in range(2000)})
            self.assertTrue(install.run().succeeded)

        with self.case_named("hostile names, no drive A:"):
            self.clear(target)
            self.install_hostile_names(install, {name: payload(name) for name in HOSTILE_NAMES})

    def test_faults_with_more_drives(self) -> None:
        box = self.open_box()
        disk_e = box.make_folder("e")
        not_mounted = self.mount_small_disk(box, disk_e)
        box.map_drive("e", disk_e, kind="hd")
        floppy = box.make_folder("a")
        (floppy / "b.txt").write_bytes(b"the bytes of A:\\b.txt, not the CD's\r\n")
        box.map_drive("a", floppy, kind="floppy")

        with self.case_named("hostile names, a drive A: holding b.txt"):
            install = self.default_folder_install(box, watched=(floppy, disk_e))
            self.install_hostile_names(install, {"a:b.txt": payload("a:b.txt")})

        with self.case_named("a target path of more than 300 characters"):
            names = folders_opened_by(LONG_PATH_SCENARIO)
            target = disk_e.joinpath(*names)
            target.mkdir(parents=True)
            self.assertGreater(len("E:\\" + "\\".join(names)), 300)
            install = Install(self, box, LONG_PATH_SCENARIO, target, watched=(disk_e, floppy))
            install.load({"README.TXT": payload("README.TXT"), "QUORVAN.INI": payload("INI")})
            self.assertTrue(install.run().succeeded)
            shutil.rmtree(disk_e / names[0])

        with self.case_named("the disk full in the middle of a file"):
            if not_mounted:
                self.skipTest(not_mounted)
            target = disk_e / "Target"
            target.mkdir()
            (target / "B_BIG.DAT").write_bytes(b"an older B_BIG.DAT\r\n")
            install = Install(self, box, "user_folder_install.scn", target,
                              watched=(disk_e, floppy))
            install.load({"A_SMALL.TXT": payload("A_SMALL.TXT"), "B_BIG.DAT": big_payload(3 * MB)})
            self.assert_report_names(install.run(), "B_BIG.DAT", "space", "full")

    def test_a_file_of_4_gib_onto_fat32(self) -> None:
        """FAT32 holds no file of 4 GiB: the copy is refused before a byte is written."""
        box = self.open_box()
        disk_e = box.make_folder("e")
        (disk_e / "Target").mkdir()
        map_fat32_drive(box, "e", disk_e)
        cd = box.make_folder("cd")
        box.map_drive("d", cd, label="QUORVAN", kind="cdrom")
        shutil.copy2(self.setup_exe, cd / "setup.exe")
        (cd / "A_SMALL.TXT").write_bytes(payload("A_SMALL.TXT"))
        with open(cd / "HUGE.DAT", "wb") as huge:
            huge.truncate(4 << 30)  # a hole: nothing is stored
        self.case = "a file of 4 GiB onto FAT32"
        result = box.play(ending_in_outcome("user_folder_install.scn", box.folder), self.driver,
                          exe="D:\\setup.exe", cwd="D:\\", step_timeout=60)
        outcome = self.outcome_of(result, killed=False)
        self.assert_report_names(outcome, "HUGE.DAT", "too large for the file system")
        print(f"[e2e] {self.case}: {outcome.text!r}", file=sys.stderr)
        self.assertEqual(sample_cd.folder_contents(disk_e / "Target"),
                         {"A_SMALL.TXT": sample_cd.fingerprint(cd / "A_SMALL.TXT")})
        self.assertEqual([str(p) for p in box.folder.rglob(TEMPORARY)], [], "temporary files left")

    def test_an_unreadable_source(self) -> None:
        self.skip_if_wine_runs_as_root()
        install = self.default_folder_install(self.open_box())
        with self.case_named("an unreadable source"):
            install.load({"A.TXT": payload("A.TXT"), "SECRET.DAT": payload("SECRET.DAT")})
            (install.cd / "SECRET.DAT").chmod(0)
            self.assert_report_names(install.run(), "SECRET.DAT", "denied")

    def test_a_folder_that_denies_its_listing(self) -> None:
        self.skip_if_wine_runs_as_root()
        box = self.open_box()
        product = sample_cd.ordinary_files(sample_cd.insert(box, self.setup_exe))
        disk_e = box.make_folder("e")
        (disk_e / "Target" / "Locked").mkdir(parents=True)
        (disk_e / "Target" / "Locked").chmod(0)
        box.map_drive("e", disk_e, kind="hd")
        # The scenario gives Windows' words for the reason; Wine's are its own.
        scenario = box.folder / "user_folder_unlistable.scn"
        scenario.write_text((SCENARIOS / scenario.name).read_text(encoding="utf-8").replace(
            "Reason: Access is denied.", "Reason: Access denied."), encoding="utf-8")
        result = box.play(scenario, self.driver, exe="D:\\setup.exe", cwd="D:\\")
        self.assertTrue(result.passed, result.report())
        self.assertEqual(sample_cd.folder_contents(disk_e / "Target"),
                         {"Locked": "a folder", **product})


    def test_killed_at_any_instant_of_an_installation_over_an_older_one(self) -> None:
        """setup.exe /S killed outright at seeded moments: never a file half there.

        After each kill every name of the target holds its older file, the
        medium's whole file, or nothing yet; beside them only the installer's
        own work folder and temporary files, which the next run removes as it
        installs everything. SETUP_KILL_SEED and SETUP_KILL_RUNS replay other moments.
        """
        seed = int(os.environ.get("SETUP_KILL_SEED", "20261207"))
        runs = int(os.environ.get("SETUP_KILL_RUNS", "12"))
        chance = random.Random(seed)
        print(f"\n[e2e] kill test: seed {seed}, {runs} kills", file=sys.stderr)
        box = self.open_box()
        cd = box.make_folder("cd")
        box.map_drive("d", cd, label="QUORVAN", kind="cdrom")
        shutil.copy2(self.setup_exe, cd / "setup.exe")
        files = {f"F{number:03}.DAT": chance.randbytes(chance.randint(1, 16) << 10)
                 for number in range(300)}
        files.update({f"M{number}.DAT": chance.randbytes(2 * MB) for number in range(8)})
        files["BIG.DAT"] = big_payload(64 * MB)
        for name, data in files.items():
            (cd / name).write_bytes(data)
        medium = sample_cd.ordinary_files(cd)
        target = box.drive_c / "Program Files" / "Quorvan2005"
        older = {name: f"an older {name}\r\n".encode() for name in sorted(files)[::3]}

        def lay_older_installation() -> dict[str, str]:
            if target.exists():
                shutil.rmtree(target)
            target.mkdir(parents=True)
            for name, data in older.items():
                (target / name).write_bytes(data)
            return sample_cd.folder_contents(target)

        def run_setup(kill_after: Optional[float]) -> Optional[int]:
            """Runs setup.exe /S to its end, or kills it KILL_AFTER seconds in."""
            output = box.folder / "setup-output.txt"
            started = time.monotonic()
            setup = box.start(["D:\\setup.exe", "/S"], output, loader_of=cd / "setup.exe")
            if kill_after is not None:
                try:
                    setup.wait(timeout=kill_after)
                except subprocess.TimeoutExpired:
                    box.kill_program("setup.exe")
            status = setup.wait(timeout=120)
            self.last_seconds = time.monotonic() - started
            return status

        lay_older_installation()
        self.assertEqual(run_setup(None), 0)
        self.assertEqual(sample_cd.folder_contents(target), medium)
        whole_run = self.last_seconds
        moments = sorted(round(chance.uniform(0, whole_run), 3) for _ in range(runs))
        print(f"[e2e] a whole run takes {whole_run:.2f} s; kills at {moments} s", file=sys.stderr)
        with_temporaries = 0
        for moment in moments:
            with self.case_named(f"killed {moment} s in"):
                before = lay_older_installation()
                run_setup(moment)
                after = sample_cd.folder_contents(target)
                temporaries = left_by_a_kill(target)
                with_temporaries += bool(temporaries)
                for name, state in after.items():
                    if name not in temporaries:
                        self.assertIn(state, (before.get(name), medium.get(name)),
                                      f"{name} is neither the older file nor the new one")
                self.assertEqual([name for name in before if name not in after], [],
                                 "an older file is gone")
                self.assertEqual(run_setup(None), 0, "the next run failed")
                self.assertEqual(sample_cd.folder_contents(target), medium,
                                 "the next run did not install everything, or left files")
        print(f"[e2e] {with_temporaries} of {runs} kills left temporary files",
              file=sys.stderr)

if __name__ == "__main__":
    unittest.main()
