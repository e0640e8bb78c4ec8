"""The welcome screen under Wine: its texts, the ways out, the way to Option."""

from __future__ import annotations

import unittest

from e2e_case import ScenarioTestCase


class WelcomeScreenTest(ScenarioTestCase):
    def play_from_cd(self, scenario: str) -> None:
        box = self.open_box()
        self.insert_cd(box)
        self.play(box, scenario)

    def test_exit_button_ends_the_program(self) -> None:
        self.play_from_cd("intro_stop.scn")

    def test_closing_the_window_ends_the_program(self) -> None:
        self.play_from_cd("intro_close.scn")

    def test_install_opens_option_each_time(self) -> None:
        self.play_from_cd("intro_install.scn")


if __name__ == "__main__":
    unittest.main()
