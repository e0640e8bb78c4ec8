"""How the screens look under Wine: each label's text against its box at the
usual display scales, every text in a dark high-contrast scheme.

The driver measures every label of every screen (DrawText with DT_CALCRECT in
the label's window, in the font the installer takes for the display's DPI)
and prints a row for each. At 96 dpi no label may need more room than its box
gives, but for the two whose boxes in the layouts are too small for their
text: those must clip by exactly what they do now, so that a change to a
font, a text or a box shows here. At 120, 144 and 192 dpi (the prefix's
LogPixels) each box is the 96 dpi one scaled, each text is in the scalable
"Microsoft Sans Serif" at the character height asked for (no wider bitmap
strike, none blown up), and no text clips more than at 96 dpi, scaled, but
where Wine's stand-in for that face is wider than it (CLIPPED_BY_STAND_IN). At every depth of the stack the program has one taskbar button.
"""

from __future__ import annotations

import math
import re
import sys
import unittest

import sample_cd
from e2e_case import SCENARIOS, ScenarioTestCase

SCENARIO_FILES = ("label_sizes.scn", "label_sizes_present.scn")
HIGH_CONTRAST_SCENARIO = "high_contrast.scn"
SCALED_DPIS = (120, 144, 192)

# The driver's row: "measured: "TEXT" | POINTS pt: FACE, N px high | W x H | W x H | fits".
ROW = re.compile(r'measured: "(?P<text>.*)" \| (?P<points>\d+) pt: (?P<face>[^,]*), '
                 r'(?P<font_height>\d+) px high \| (?P<needed_width>\d+) x '
                 r'(?P<needed_height>\d+) \| (?P<box_width>\d+) x (?P<box_height>\d+) \| ')

# Labels that clip with the layouts' own boxes, by the start of their text:
# the pixels their text needs beyond the box at 96 dpi, across and down.
CLIPPED_BY_LAYOUT = {
    "This program will install the QUORVAN 2005": (0, 3),  # Intro, Label2
    "Select the drive and folder in which you wish": (0, 7),  # Install in User Folder, Label1
}

# Labels that clip at a higher DPI under Wine only, by the start of their text
# and the DPI: the pixels their text needs beyond the box. Windows' Microsoft
# Sans Serif has the widths of MS Sans Serif, scaled; Wine has none, and its
# stand-in, Tahoma, is wider: "Folder:" needs 3 px more than its box at 120
# and 144 dpi, and the notice wraps into a line more at 144 and 192 dpi.
# These must clip by exactly that much.
CLIPPED_BY_STAND_IN = {
    ("Folder:", 120): (3, 0),
    ("Folder:", 144): (3, 0),
    ("Folder:", 192): (1, 0),
    ("Copying files from CD to hard drive", 144): (0, 6),  # lblCopying, 12 pt
    ("Copying files from CD to hard drive", 192): (0, 10),
}

# Where the display scale is set: Wine reads it from here as Windows does.
DPI_KEY = r"HKEY_CURRENT_USER\Control Panel\Desktop"

# A dark high-contrast scheme (white text on black, cyan selection), as
# Windows keeps it in the user's registry. Its 3D edges are grey, so that an
# edge is never taken for text.
COLOURS_KEY = r"HKEY_CURRENT_USER\Control Panel\Colors"
DARK_SCHEME = {
    "Background": "0 0 0", "Window": "0 0 0", "WindowText": "255 255 255",
    "ButtonFace": "0 0 0", "ButtonText": "255 255 255", "GrayText": "63 242 63",
    "Hilight": "26 235 255", "HilightText": "0 0 0", "HotTrackingColor": "255 255 0",
    "ButtonShadow": "128 128 128", "ButtonHilight": "192 192 192", "ButtonLight": "192 192 192",
    "ButtonDkShadow": "96 96 96", "ButtonAlternateFace": "0 0 0", "WindowFrame": "255 255 255",
    "ActiveTitle": "0 0 0", "GradientActiveTitle": "0 0 0", "TitleText": "255 255 255",
    "InactiveTitle": "0 0 0", "GradientInactiveTitle": "0 0 0",
    "InactiveTitleText": "0 255 0", "ActiveBorder": "0 0 0", "InactiveBorder": "0 0 0",
    "AppWorkspace": "0 0 0", "Menu": "0 0 0", "MenuText": "255 255 255", "MenuBar": "0 0 0",
    "MenuHilight": "128 0 128", "InfoWindow": "0 0 0", "InfoText": "255 255 255",
}
# Windows turns visual styles off in a high-contrast scheme and draws the
# controls in the scheme's colours; the prefix's theme goes off likewise.
THEME_KEY = r"HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\ThemeManager"


def expected_overflow(text: str) -> tuple[int, int]:
    for start, overflow in CLIPPED_BY_LAYOUT.items():
        if text.startswith(start):
            return overflow
    return (0, 0)


def measure_steps() -> int:
    return sum(line.startswith("measure ")
               for name in SCENARIO_FILES
               for line in (SCENARIOS / name).read_text(encoding="utf-8").splitlines())


class LabelSizesTest(ScenarioTestCase):
    _rows_at_96_dpi: list[re.Match[str]] = []

    def measure_at_96_dpi(self) -> list[re.Match[str]]:
        """The rows at 96 dpi, measured once for the test process."""
        if not LabelSizesTest._rows_at_96_dpi:
            LabelSizesTest._rows_at_96_dpi = self.measure(96)
        return LabelSizesTest._rows_at_96_dpi

    def measure(self, dpi: int) -> list[re.Match[str]]:
        """Plays the two scenarios at DPI; the rows of the labels, in order."""
        box = self.open_box()
        sample_cd.insert(box, self.setup_exe)
        if dpi != 96:
            self.set_registry(box, DPI_KEY, {"LogPixels": dpi})
        output = self.play(box, SCENARIO_FILES[0]).output
        (box.drive_c / "Program Files" / "Quorvan2005").mkdir(parents=True)
        output += self.play(box, SCENARIO_FILES[1]).output
        rows = [line for line in output.splitlines() if "measured:" in line]
        print(f"  at {dpi} dpi:\n" + "\n".join(rows), file=sys.stderr)
        self.assertEqual(len(rows), measure_steps(), "a row for each measure step")
        matches = []
        for row in rows:
            match = ROW.search(row)
            self.assertIsNotNone(match, f"the driver's row is not understood: {row}")
            assert match is not None
            matches.append(match)
        return matches

    @staticmethod
    def overflow(row: re.Match[str]) -> tuple[int, int]:
        return (max(0, int(row["needed_width"]) - int(row["box_width"])),
                max(0, int(row["needed_height"]) - int(row["box_height"])))

    def test_every_label_fits_its_box(self) -> None:
        wrong, seen = [], set()
        for row in self.measure_at_96_dpi():
            text, overflow = row["text"], self.overflow(row)
            if overflow != expected_overflow(text):
                wrong.append(f"{text!r} overflows its box by {overflow[0]} x {overflow[1]} px, "
                             f"not {expected_overflow(text)[0]} x {expected_overflow(text)[1]}")
            seen.update(start for start in CLIPPED_BY_LAYOUT if text.startswith(start))
        self.assertEqual(wrong, [], "labels that clip otherwise than the layouts make them")
        self.assertEqual(seen, set(CLIPPED_BY_LAYOUT), "the labels known to clip were measured")

    def test_labels_at_higher_dpi_scale_with_their_boxes(self) -> None:
        at_96_dpi = self.measure_at_96_dpi()
        for dpi in SCALED_DPIS:
            with self.subTest(dpi=dpi):
                wrong = []
                # The same labels in the same order as at 96 dpi.
                for row, base in zip(self.measure(dpi), at_96_dpi, strict=True):
                    text, scale = row["text"], dpi / 96
                    self.assertEqual(text, base["text"])
                    # The layouts are in twips: a box is the 96 dpi one
                    # scaled, give or take the rounding of each edge.
                    for size in ("box_width", "box_height"):
                        if abs(int(row[size]) - int(base[size]) * scale) > 2:
                            wrong.append(f"{text!r}: its {size} is {row[size]} px, not "
                                         f"{base[size]} px scaled")
                    overflow = self.overflow(row)
                    stand_in = [clip for (start, at_dpi), clip in CLIPPED_BY_STAND_IN.items()
                                if text.startswith(start) and at_dpi == dpi]
                    allowed = tuple(math.ceil(pixels * scale)
                                    for pixels in expected_overflow(text))
                    if stand_in and overflow != stand_in[0]:
                        wrong.append(f"{text!r} overflows its box by {overflow[0]} x "
                                     f"{overflow[1]} px, not {stand_in[0][0]} x {stand_in[0][1]}")
                    elif not stand_in and (overflow[0] > allowed[0] or overflow[1] > allowed[1]):
                        wrong.append(f"{text!r} overflows its box by {overflow[0]} x "
                                     f"{overflow[1]} px, more than {allowed[0]} x {allowed[1]}")
                    # The scalable face: no strike of another size, none blown up.
                    self.assertEqual(row["face"], "Microsoft Sans Serif", text)
                self.assertEqual(wrong, [], f"at {dpi} dpi")

    def test_every_text_in_a_dark_high_contrast_scheme(self) -> None:
        """Each text read back from the screen in the scheme's text colour on its background."""
        box = self.open_box()
        sample_cd.insert(box, self.setup_exe)
        self.set_registry(box, COLOURS_KEY, DARK_SCHEME)
        self.set_registry(box, THEME_KEY, {"ThemeActive": "0"})
        output = self.play(box, HIGH_CONTRAST_SCENARIO).output
        colours = [line for line in output.splitlines() if "measured:" in line]
        print("\n".join(colours), file=sys.stderr)
        steps = (SCENARIOS / HIGH_CONTRAST_SCENARIO).read_text(encoding="utf-8").count(
            "\nscheme-colours ")
        self.assertEqual(len(colours), steps)


if __name__ == "__main__":
    unittest.main()
