r"""Installation into c:\Program Files\Quorvan2005 under Wine, from the sample CD."""

from __future__ import annotations

import unittest

import sample_cd
from e2e_case import ScenarioTestCase

# What the sample medium installs: its ordinary files and setup.exe.
PRODUCT_FILES = {"README.TXT", "QUORVAN.INI", "QRVRUN.BAT", "LICENSE.TXT", "QRVDATA.DAT",
                 "setup.exe"}


class DefaultFolderTest(ScenarioTestCase):
    def setUp(self) -> None:
        super().setUp()
        self.box = self.open_box()
        self.program_files = self.box.drive_c / "Program Files"
        self.default_folder = self.program_files / "Quorvan2005"

    def insert_sample_cd(self) -> dict[str, str]:
        """The sample medium on D:; returns the files it installs."""
        product = sample_cd.ordinary_files(sample_cd.insert(self.box, self.setup_exe))
        self.assertEqual(set(product), PRODUCT_FILES)
        return product

    def assert_installed(self, product: dict[str, str]) -> None:
        # Exactly the product, byte for byte: no .VOLUMEID, no DOCS, no
        # temporary "~setup*" file left behind.
        self.assertEqual(sample_cd.folder_contents(self.default_folder), product)

    def assert_no_temporary_file(self) -> None:
        left = [str(path) for path in self.program_files.rglob("~setup*")]
        self.assertEqual(left, [])

    def test_absent_folder_is_made_then_present_folder_is_overwritten(self) -> None:
        product = self.insert_sample_cd()
        self.assertFalse(self.default_folder.exists())
        self.play(self.box, "default_absent.scn")
        self.assert_installed(product)
        self.assert_no_temporary_file()

        # A changed installed file, longer than the CD's: the second
        # installation replaces it whole.
        readme = self.default_folder / "README.TXT"
        readme.write_bytes(b"an older readme, longer than the new one\r\n" * 50)
        self.play(self.box, "default_present.scn")
        self.assert_installed(product)
        self.assert_no_temporary_file()

    def test_long_copy_shows_its_progress_and_keeps_answering(self) -> None:
        # A large file (sparse on the CD, whole in the copy), then 5,000 small
        # ones: the scenario checks the bar part-way, and that the screen
        # answers WM_NULL within 2 s until the bar goes.
        cd = self.box.make_folder("cd")
        (cd / "setup.exe").write_bytes(self.setup_exe.read_bytes())
        with open(cd / "A-LARGE.DAT", "wb") as large:
            large.truncate(512 << 20)
        for number in range(5000):
            (cd / f"SMALL{number:04}.DAT").write_bytes(b"%04d" % number * 1024)
        self.box.map_drive("d", cd, label="QUORVAN", kind="cdrom")
        result = self.play(self.box, "default_long_copy.scn")
        print("\n" + "\n".join(line for line in result.output.splitlines()
                               if "measured" in line))
        self.assertEqual(len(list(self.default_folder.iterdir())), 5002)
        self.assertEqual((self.default_folder / "A-LARGE.DAT").stat().st_size, 512 << 20)
        self.assertEqual((self.default_folder / "SMALL4999.DAT").read_bytes(), b"4999" * 1024)
        self.assert_no_temporary_file()

    def test_no_option_creates_nothing(self) -> None:
        self.insert_sample_cd()
        self.play(self.box, "default_absent_no.scn")
        self.assertFalse(self.default_folder.exists())
        self.assertFalse(self.default_folder.is_symlink())

    def test_started_from_the_default_folder_copies_nothing(self) -> None:
        self.default_folder.mkdir()
        (self.default_folder / "setup.exe").write_bytes(self.setup_exe.read_bytes())
        (self.default_folder / "QUORVAN.INI").write_bytes(b"[Quorvan]\r\nkept=1\r\n")
        before = sample_cd.folder_contents(self.default_folder)
        times = {path.name: path.stat().st_mtime_ns for path in self.default_folder.iterdir()}
        # Program and current folder named in other letter cases than the
        # default folder's: the guard still knows it.
        self.play(self.box, "default_same_folder.scn",
                  exe="C:\\program files\\QUORVAN2005\\SETUP.EXE",
                  cwd="c:\\PROGRAM FILES\\quorvan2005")
        self.assertEqual(sample_cd.folder_contents(self.default_folder), before)
        self.assertEqual(
            {path.name: path.stat().st_mtime_ns for path in self.default_folder.iterdir()}, times)

    def test_ordinary_file_in_the_folders_place_fails_the_copy(self) -> None:
        # The probe finds the name, so the "exists" screen opens; the first
        # copy into it fails, and setup.exe ends with the report and status 1
        # (the scenario's last steps).
        self.insert_sample_cd()
        self.default_folder.write_bytes(b"not a folder")
        self.play(self.box, "default_copy_fails.scn")
        self.assertTrue(self.default_folder.is_file())
        self.assertEqual(self.default_folder.read_bytes(), b"not a folder")
        self.assert_no_temporary_file()


if __name__ == "__main__":
    unittest.main()
