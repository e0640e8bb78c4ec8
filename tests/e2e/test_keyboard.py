r"""The wizard with the keyboard alone, under Wine: real key events only.

Drives: C: the box's drive_c, D: the sample CD (setup.exe runs from D:\),
E: a hard disk holding the folder "Target", F: a removable drive with no disc.
"""

from __future__ import annotations

import unittest

import sample_cd
from e2e_case import ScenarioTestCase


class KeyboardTest(ScenarioTestCase):
    def setUp(self) -> None:
        super().setUp()
        self.box = self.open_box()
        self.product = sample_cd.ordinary_files(sample_cd.insert(self.box, self.setup_exe))

    def test_install_into_the_default_folder(self) -> None:
        self.play(self.box, "keyboard_default.scn")
        default_folder = self.box.drive_c / "Program Files" / "Quorvan2005"
        self.assertEqual(sample_cd.folder_contents(default_folder), self.product)

    def test_install_into_a_folder_chosen_in_the_lists(self) -> None:
        disk_e = self.box.make_folder("e")
        (disk_e / "Target").mkdir()
        self.box.map_drive("e", disk_e, kind="hd")
        self.box.map_drive("f", None, kind="floppy")
        self.play(self.box, "keyboard_user_folder.scn")
        self.assertEqual(sample_cd.folder_contents(disk_e / "Target"), self.product)


if __name__ == "__main__":
    unittest.main()
