"""Each label's text as its window draws it, against its box, under Wine.

Prints the measurements (DrawText with DT_CALCRECT in the label's window, at
the display's 96 dpi); the test fails only if a screen cannot be walked.
"""

from __future__ import annotations

import sys
import unittest

import sample_cd
from e2e_case import ScenarioTestCase


class LabelSizesTest(ScenarioTestCase):
    def test_measure_every_label(self) -> None:
        box = self.open_box()
        sample_cd.insert(box, self.setup_exe)
        rows = self.play(box, "label_sizes.scn").output.splitlines()
        (box.drive_c / "Program Files" / "Quorvan2005").mkdir(parents=True)
        rows += self.play(box, "label_sizes_present.scn").output.splitlines()
        print("\n".join(row for row in rows if "measured:" in row), file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
