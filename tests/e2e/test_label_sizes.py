"""Each label's text as its window draws it, against its box, under Wine.

The driver measures every label of every screen (DrawText with DT_CALCRECT in
the label's window, at the display's 96 dpi) and prints a row for each. No
label may need more room than its box gives, but for the two whose boxes in
the layouts are too small for their text: those must clip by exactly what
they do now, so that a change to a font, a text or a box shows here.
"""

from __future__ import annotations

import re
import sys
import unittest

import sample_cd
from e2e_case import SCENARIOS, ScenarioTestCase

SCENARIO_FILES = ("label_sizes.scn", "label_sizes_present.scn")

# The driver's row: "measured: "TEXT" | POINTS pt: FACE, N px high | W x H | W x H | fits".
ROW = re.compile(r'measured: "(?P<text>.*)" \| .* \| (?P<needed_width>\d+) x '
                 r'(?P<needed_height>\d+) \| (?P<box_width>\d+) x (?P<box_height>\d+) \| ')

# Labels that clip with the layouts' own boxes, by the start of their text:
# the pixels their text needs beyond the box, across and down.
CLIPPED_BY_LAYOUT = {
    "This program will install the QUORVAN 2005": (0, 3),  # Intro, Label2
    "Select the drive and folder in which you wish": (0, 7),  # Install in User Folder, Label1
}


def expected_overflow(text: str) -> tuple[int, int]:
    for start, overflow in CLIPPED_BY_LAYOUT.items():
        if text.startswith(start):
            return overflow
    return (0, 0)


class LabelSizesTest(ScenarioTestCase):
    def test_every_label_fits_its_box(self) -> None:
        box = self.open_box()
        sample_cd.insert(box, self.setup_exe)
        output = self.play(box, SCENARIO_FILES[0]).output
        (box.drive_c / "Program Files" / "Quorvan2005").mkdir(parents=True)
        output += self.play(box, SCENARIO_FILES[1]).output
        rows = [line for line in output.splitlines() if "measured:" in line]
        print("\n".join(rows), file=sys.stderr)

        measure_steps = sum(line.startswith("measure ")
                            for name in SCENARIO_FILES
                            for line in (SCENARIOS / name).read_text(encoding="utf-8").splitlines())
        self.assertEqual(len(rows), measure_steps, "a row for each measure step")
        wrong, seen = [], set()
        for row in rows:
            match = ROW.search(row)
            self.assertIsNotNone(match, f"the driver's row is not understood: {row}")
            assert match is not None
            text = match["text"]
            overflow = (max(0, int(match["needed_width"]) - int(match["box_width"])),
                        max(0, int(match["needed_height"]) - int(match["box_height"])))
            if overflow != expected_overflow(text):
                wrong.append(f"{text!r} overflows its box by {overflow[0]} x {overflow[1]} px, "
                             f"not {expected_overflow(text)[0]} x {expected_overflow(text)[1]}")
            seen.update(start for start in CLIPPED_BY_LAYOUT if text.startswith(start))
        self.assertEqual(wrong, [], "labels that clip otherwise than the layouts make them")
        self.assertEqual(seen, set(CLIPPED_BY_LAYOUT), "the labels known to clip were measured")


if __name__ == "__main__":
    unittest.main()
