r"""Installation into a folder picked on the drive and folder lists, under Wine.

Drives: C: the box's drive_c, D: the sample CD (setup.exe runs from D:\),
E: a hard disk holding the folder "Target", F: a removable drive with no disc.
"""

from __future__ import annotations

import re
import sys
import unittest
from pathlib import Path

import bmp_to_png
import sample_cd
from e2e_case import SCENARIOS, ScenarioTestCase

LONG_PATH_SCENARIO = "user_folder_long_path.scn"
ANY_SCRIPT_SCENARIO = "user_folder_any_script.scn"
OTHER_SCRIPTS = ("Документы", "Ελληνικά", "日本語フォルダ")
LAYOUT_FACE = "MS Sans Serif"


def folders_opened_by(scenario: str) -> list[str]:
    """The names a scenario opens in the folder list, in order."""
    lines = (SCENARIOS / scenario).read_text(encoding="utf-8").splitlines()
    return [line.removeprefix("folder ") for line in lines if line.startswith("folder ")]


class UserFolderTest(ScenarioTestCase):
    def setUp(self) -> None:
        super().setUp()
        self.box = self.open_box()
        self.product = sample_cd.ordinary_files(sample_cd.insert(self.box, self.setup_exe))
        self.disk_e = self.box.make_folder("e")
        (self.disk_e / "Target").mkdir()
        self.box.map_drive("e", self.disk_e, kind="hd")
        self.box.map_drive("f", None, kind="floppy")
        self.drive_c_before = self.contents_of_drive_c()

    def contents_of_drive_c(self) -> dict[str, str]:
        return sample_cd.folder_contents(self.box.drive_c)

    def assert_product_in(self, folder: Path) -> None:
        self.assertEqual(sample_cd.folder_contents(folder), self.product)

    def test_picked_drive_and_folder_receive_the_product(self) -> None:
        self.play(self.box, "user_folder_install.scn")
        self.assert_product_in(self.disk_e / "Target")
        self.assertEqual(sorted(path.name for path in self.disk_e.iterdir()), ["Target"])
        self.assertEqual(self.contents_of_drive_c(), self.drive_c_before)

    def test_drive_error_goes_back_and_reopening_starts_on_c(self) -> None:
        self.play(self.box, "user_folder_drive_error.scn")
        self.assertEqual(list((self.disk_e / "Target").iterdir()), [])
        self.assertEqual(self.contents_of_drive_c(), self.drive_c_before)

    def test_continue_at_once_installs_into_the_root_of_c(self) -> None:
        self.play(self.box, "user_folder_root.scn")
        expected = dict(self.drive_c_before)
        expected.update(self.product)
        self.assertEqual(self.contents_of_drive_c(), expected)

    def test_started_from_a_network_share(self) -> None:
        share = self.box.make_folder("share")
        sample_cd.copy_medium(share, self.setup_exe)
        self.box.map_share("srv", "share", share)
        self.play(self.box, "user_folder_from_share.scn", exe=r"\\srv\share\setup.exe",
                  cwd="\\\\srv\\share\\")
        self.assert_product_in(self.disk_e / "Target")
        self.assertEqual(self.contents_of_drive_c(), self.drive_c_before)

    def test_screen_looks_the_same_whatever_the_command_line(self) -> None:
        """The lists are drawn alike when arguments wrap the desktop in another."""
        shots = {}
        for arguments in ("", "/LOG=C:\\setup.log", "/D=C:\\"):
            result = self.play(self.box, "user_folder_look.scn", arguments=arguments)
            shots[arguments] = result.pixels["user-folder"]
        plain = shots.pop("")
        for arguments, shot in shots.items():
            differing = bmp_to_png.differing_pixels(plain, shot)
            self.assertEqual(differing, 0, f"{differing} pixels differ with {arguments}")

    def test_target_path_longer_than_260_characters(self) -> None:
        names = folders_opened_by(LONG_PATH_SCENARIO)
        self.assertEqual(len(names), 6)
        self.assertTrue(all(len(name) == 50 for name in names), names)
        target = self.disk_e.joinpath(*names)
        target.mkdir(parents=True)
        self.assertGreater(len("E:\\" + "\\".join(names)), 260)

        self.play(self.box, LONG_PATH_SCENARIO)
        self.assert_product_in(target)
        self.assertEqual(list((self.disk_e / "Target").iterdir()), [])

    def test_names_in_any_script_are_drawn_with_their_glyphs(self) -> None:
        """What the lists and the label show is read back from the screen.

        Every name must be drawn with a glyph for each of its characters (the
        driver fails a step that finds a missing-glyph box); a name the layout
        font can show keeps that font.
        """
        (self.box.drive_c / ".windows-label").write_text("システム\n", encoding="utf-8")
        (self.disk_e / ".windows-label").write_text("Δίσκος\n", encoding="utf-8")
        for name in ("Café", *OTHER_SCRIPTS):
            (self.box.drive_c / name).mkdir()
        for name in ("Café", *OTHER_SCRIPTS[:-1]):
            (self.box.drive_c / OTHER_SCRIPTS[-1] / name).mkdir()
        output = self.play(self.box, ANY_SCRIPT_SCENARIO).output
        # measured: "TEXT" drawn in "FACE" ... (N places)
        measured = re.findall(r'measured: ("(.*)" drawn in (.*))', output)
        print("\n".join(f"    {line}" for line, _text, _faces in measured), file=sys.stderr)
        legible_steps = (SCENARIOS / ANY_SCRIPT_SCENARIO).read_text(encoding="utf-8").count(
            "\nlegible ")
        self.assertEqual(len(measured), legible_steps)
        for _line, text, drawn in measured:
            faces = re.findall(r'"([^"]*)"', drawn)
            if text in ("Café", "C:\\"):
                self.assertEqual(faces, [LAYOUT_FACE], text)
            else:
                self.assertNotIn(LAYOUT_FACE, faces, text)


if __name__ == "__main__":
    unittest.main()
