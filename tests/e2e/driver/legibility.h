// Reads a text back from the screen and tells whether every character of it
// is drawn with a glyph, not with the box (or bar) a font draws for a
// character it has no glyph for.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace e2e {

struct TextOnScreen {
  std::wstring face;     // the face whose drawing of the text the screen shows
  std::wstring missing;  // the characters that face draws as its missing glyph
};

// Finds, within `area` (screen coordinates), the text drawn at the size of
// the layout font at `points`: first as the layout font draws it, then as
// each face of the system draws it (with the fonts the system links to that
// face). Nothing when the area shows none of these drawings.
std::optional<TextOnScreen> ReadBack(const RECT& area, const std::wstring& text, int points);

// The colours of an area of the screen (screen coordinates): the one most
// of its pixels have, its background, and how many pixels are `ink`.
struct AreaColours {
  COLORREF background = 0;
  int inkPixels = 0;
};
AreaColours ColoursIn(const RECT& area, COLORREF ink);

}  // namespace e2e
