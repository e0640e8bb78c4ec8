// The `measure` step: a label's text, measured in the font the installer
// draws it with, against the label's box.
#pragma once

#include <windows.h>

#include <string>

#include "verdict.h"

namespace e2e {

// Prints the size of the label's text as the label draws it (DrawText with
// DT_CALCRECT, in "MS Sans Serif" at `points`, within the label's width)
// against its box, as the table row "text | font | text | box | fits".
// Fails when the system has no such font, or the label's ink on the screen
// is not as wide as the text measured.
Verdict MeasureLabel(HWND screen, const std::wstring& text, int points);

}  // namespace e2e
