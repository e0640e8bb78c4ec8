r"""setup.exe /S under Wine: no window of the program ever, the exit status,
the files, and the log of /LOG=.

Drives: C: the box's drive_c, D: the sample CD (setup.exe runs from D:\
unless a case says otherwise), E: a hard disk.
"""

from __future__ import annotations

import unittest

import sample_cd
from e2e_case import ScenarioTestCase
from test_default_folder import PRODUCT_FILES


class UnattendedTest(ScenarioTestCase):
    def setUp(self) -> None:
        super().setUp()
        self.box = self.open_box()
        self.default_folder = self.box.drive_c / "Program Files" / "Quorvan2005"
        self.disk = self.box.make_folder("disk_e")
        self.box.map_drive("e", self.disk, kind="hd")

    def play_silently(self, scenario: str, arguments: str, **where) -> None:
        self.play(self.box, scenario, arguments=arguments, no_windows=True, **where)

    def insert_sample_cd(self) -> dict[str, str]:
        cd = sample_cd.insert(self.box, self.setup_exe)
        product = sample_cd.ordinary_files(cd)
        self.assertEqual(set(product), PRODUCT_FILES)
        return product

    def read_log(self, name: str = "setup log.txt") -> list[str]:
        text = (self.disk / name).read_bytes().decode("utf-8")
        self.assertTrue(text.endswith("\r\n"))
        return text.split("\r\n")[:-1]

    def test_s_installs_into_the_default_folder_it_makes(self) -> None:
        product = self.insert_sample_cd()
        self.assertFalse(self.default_folder.exists())
        self.play_silently("silent_success.scn", "/S")
        self.assertEqual(sample_cd.folder_contents(self.default_folder), product)
        self.assertEqual(list(self.disk.iterdir()), [])

    def test_d_makes_the_folder_with_its_parents_and_log_names_every_file(self) -> None:
        product = self.insert_sample_cd()
        target = self.disk / "somewhere" / "new"
        self.play_silently("silent_success.scn",
                           r'/S /D=E:\somewhere\new "/LOG=E:\setup log.txt"')
        self.assertEqual(sample_cd.folder_contents(target), product)
        self.assertFalse(self.default_folder.exists())
        copied = [f"Copied: E:\\somewhere\\new\\{name} ({(target / name).stat().st_size} bytes)"
                  for name in sorted(product, key=str.upper)]
        self.assertEqual(self.read_log(), [
            "Start: setup 1.00", "Source: D:\\", "Target: E:\\somewhere\\new", *copied,
            "Message: Installation completed successfully.",
            f"End: {len(product)} files copied, installed, exit status 0"])

    def test_s_copies_the_folder_of_setup_exe_wherever_it_is_started(self) -> None:
        r"""An elevated prompt starts in C:\windows\system32: its files are not the medium."""
        product = self.insert_sample_cd()
        self.play_silently("silent_success.scn", r'/S "/D=C:\x" "/LOG=E:\setup log.txt"',
                           cwd="C:\\windows")
        self.assertEqual(sample_cd.folder_contents(self.box.drive_c / "x"), product)
        self.assertEqual(self.read_log()[:3],
                         ["Start: setup 1.00", "Source: D:\\", "Target: C:\\x"])

    def test_s_from_a_network_share(self) -> None:
        share = self.box.make_folder("share")
        sample_cd.copy_medium(share / "quorvan", self.setup_exe)
        product = sample_cd.ordinary_files(share / "quorvan")
        self.box.map_share("srv", "share", share)
        self.play_silently("silent_success.scn", r'/S "/LOG=E:\setup log.txt"',
                           exe=r"\\srv\share\quorvan\setup.exe", cwd=r"\\srv\share\quorvan")
        self.assertEqual(sample_cd.folder_contents(self.default_folder), product)
        self.assertEqual(self.read_log()[1], r"Source: \\srv\share\quorvan")

    def test_s_from_the_default_folder_itself_is_refused(self) -> None:
        self.default_folder.mkdir(parents=True)
        (self.default_folder / "setup.exe").write_bytes(self.setup_exe.read_bytes())
        (self.default_folder / "QUORVAN.INI").write_bytes(b"[Quorvan]\r\nkept=1\r\n")
        before = sample_cd.folder_contents(self.default_folder)
        self.play_silently("silent_failure.scn", r'"/LOG=E:\setup log.txt" /s',
                           exe="C:\\Program Files\\Quorvan2005\\setup.exe",
                           cwd="c:\\PROGRAM FILES\\quorvan2005")
        self.assertEqual(sample_cd.folder_contents(self.default_folder), before)
        log = self.read_log()
        self.assertEqual(log[2:], [
            "Target: c:\\Program Files\\Quorvan2005",
            "Message: Cannot install QUORVAN from source-file folder to same folder.  "
            "Installation cannot proceed.",
            "End: 0 files copied, refused, exit status 1"])

    def test_s_with_a_copy_that_fails_ends_with_1_and_logs_the_report(self) -> None:
        self.insert_sample_cd()
        self.default_folder.parent.mkdir(parents=True, exist_ok=True)
        self.default_folder.write_bytes(b"not a folder")
        self.play_silently("silent_failure.scn", r'/S "/LOG=E:\setup log.txt"')
        self.assertEqual(self.default_folder.read_bytes(), b"not a folder")
        log = self.read_log()
        self.assertEqual(log[3], "Error: Run-time error: could not copy a file.")
        self.assertRegex(log[4], r"^  File: (D:\\\\?)?LICENSE\.TXT$")
        self.assertEqual(log[5], "  Destination: c:\\Program Files\\Quorvan2005\\LICENSE.TXT")
        self.assertTrue(log[6].startswith("  Reason: "), log)
        self.assertEqual(log[-2:], [
            "  0 files were copied before this one. The installation is incomplete.",
            "End: 0 files copied, failed, exit status 1"])

    def test_a_command_line_that_cannot_be_understood_ends_with_2_and_changes_nothing(self) -> None:
        self.insert_sample_cd()
        for arguments in (r'/S /D=Q:\nowhere "/LOG=E:\setup log.txt"',
                          r'/S /LOG=E:\setup.log /X', r'/S /D=E:\a|b'):
            self.play_silently("silent_not_understood.scn", arguments)
            self.assertEqual(list(self.disk.iterdir()), [])
            self.assertFalse(self.default_folder.exists())

    def test_without_s_the_user_folder_screen_opens_on_the_folder_of_d(self) -> None:
        product = self.insert_sample_cd()
        self.play(self.box, "user_folder_from_command_line.scn",
                  arguments=r'"/D=E:\Other Place\Quorvan" "/LOG=E:\setup log.txt"')
        self.assertEqual(sample_cd.folder_contents(self.disk / "Other Place" / "Quorvan"), product)
        log = self.read_log()
        self.assertEqual(log[2], "Target: E:\\Other Place\\Quorvan")
        self.assertEqual(log[-1], f"End: {len(product)} files copied, installed, exit status 0")


if __name__ == "__main__":
    unittest.main()
