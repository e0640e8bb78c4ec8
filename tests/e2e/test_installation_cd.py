r"""Installation from the CD image under Wine, as a user would.

The image of scripts/make-cd.sh, with setup.exe signed by a throw-away
certificate, is mounted read-only with fuseiso (FUSE) and is drive D:, of
type CD-ROM, in each box; as root it is also attached as a read-only loop
device, D:'s device, from which Wine reads the medium's label. setup.exe
installs from it with /S and through the wizard into c:\Program Files\
Quorvan2005: every ordinary file of the medium arrives byte for byte and
writable, and nothing on the medium changes.
"""

from __future__ import annotations

import os
import shutil
import stat
import sys
import tempfile
import unittest
from pathlib import Path

import installation_cd
import sample_cd
import wine_programs
from e2e_case import BUILD, SCENARIOS, ScenarioTestCase, program
from installation_cd import MountedImage, ThrowawayCertificate, make_cd, sha256, tree
from test_default_folder import PRODUCT_FILES


class InstallationCdTest(ScenarioTestCase):
    @classmethod
    def setUpClass(cls) -> None:
        reason = installation_cd.fuse_unavailable()
        if reason:
            raise unittest.SkipTest(reason)
        cls.folder = Path(tempfile.mkdtemp(prefix="setup-cd-"))
        reader = wine_programs.wine_user()
        wine_programs.let_pass(reader, cls.folder)  # to the medium
        try:
            cls.certificate = certificate = ThrowawayCertificate(cls.folder / "keys")
            cls.image = cls.folder / "quorvan.iso"
            made = make_cd("--setup-exe", str(program("SETUP_EXE", BUILD / "setup.exe")),
                           "--output", str(cls.image), environment=certificate.environment())
            if made.returncode != 0:
                raise RuntimeError(f"make-cd.sh failed:\n{made.stdout}{made.stderr}")
            cls.image_digest = sha256(cls.image)
            cls.medium = MountedImage(cls.image, cls.folder / "medium", reader)
        except installation_cd.MountError as error:
            shutil.rmtree(cls.folder, ignore_errors=True)
            raise unittest.SkipTest(f"FUSE cannot be used here: {error}") from error
        except BaseException:
            shutil.rmtree(cls.folder, ignore_errors=True)
            raise
        if cls.medium.device is None:
            print(f"\n[e2e] skipped: the CD's label in the drive list (no loop device for the "
                  f"image: {cls.medium.no_device_reason})", file=sys.stderr)
        cls.medium_before = tree(cls.medium.folder)
        cls.product = sample_cd.ordinary_files(cls.medium.folder)

    @classmethod
    def tearDownClass(cls) -> None:
        cls.medium.close()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def setUp(self) -> None:
        super().setUp()
        self.box = self.open_box()
        self.box.map_drive("d", self.medium.folder, kind="cdrom")
        if self.medium.device is not None:
            os.symlink(self.medium.device, self.box.prefix / "dosdevices" / "d::")
        self.default_folder = self.box.drive_c / "Program Files" / "Quorvan2005"

    def assert_installed_from_the_medium(self) -> None:
        # autorun.inf is an ordinary file of the medium: it is installed too.
        self.assertEqual(set(self.product), PRODUCT_FILES | {"autorun.inf"})
        self.assertEqual(sample_cd.folder_contents(self.default_folder), self.product)
        for file in self.default_folder.iterdir():
            self.assertTrue(file.stat().st_mode & stat.S_IWUSR, f"{file.name} is read-only")
        self.assertEqual(tree(self.medium.folder), self.medium_before)
        self.assertEqual(sha256(self.image), self.image_digest)

    def test_s_installs_from_the_cd(self) -> None:
        verified = self.certificate.verify(self.medium.folder / "setup.exe")
        self.assertEqual(verified.returncode, 0, "the medium's setup.exe is not signed:\n" +
                         verified.stdout + verified.stderr)
        self.play(self.box, "silent_success.scn", arguments="/S", no_windows=True)
        self.assert_installed_from_the_medium()
        # Wine's own view of the drive: a CD-ROM (type 5).
        listed = self.box.run(["wmic", "logicaldisk", "get", "deviceid,drivetype,volumename"])
        raw = listed.stdout
        text = raw.decode("utf-16" if raw[:2] == b"\xff\xfe" else "utf-8", errors="replace")
        drive_d = [" ".join(line.split()) for line in text.splitlines()
                   if line.strip().startswith("D:")]
        print(f"\n[e2e] wmic logicaldisk: {drive_d}", file=sys.stderr)
        self.assertTrue(drive_d and drive_d[0].startswith("D: 5"), text)

    def test_the_wizard_shows_the_cd_drive_and_installs_into_the_default_folder(self) -> None:
        scenario = (SCENARIOS / "cd_drive_then_default.scn").read_text(encoding="utf-8")
        if self.medium.device is None:
            scenario = "".join(line for line in scenario.splitlines(keepends=True)
                               if not line.startswith("drive-entry "))
        played = self.box.folder / "cd_drive_then_default.scn"
        played.write_text(scenario, encoding="utf-8")
        result = self.box.play(played, self.driver, exe="D:\\setup.exe", cwd="D:\\")
        print(f"\n[e2e] cd_drive_then_default.scn: {result.seconds:.1f} s", file=sys.stderr)
        if not result.passed:
            self.fail(result.report())
        self.assert_installed_from_the_medium()


if __name__ == "__main__":
    unittest.main()
