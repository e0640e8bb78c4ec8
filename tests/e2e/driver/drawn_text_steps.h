// Steps that read a text back from the screen: drawn with a glyph for every
// character (`legible`), and in the colours of the system's scheme
// (`scheme-colours`).
#pragma once

#include <windows.h>

#include <string>

#include "verdict.h"

namespace e2e {

// Each place the screen shows the text draws it with a glyph for every
// character; measures in which faces, and in how many places.
Verdict LegibleText(HWND screen, const std::wstring& text);
// Each control showing the text draws it in the colours of the system's
// scheme: its background is the scheme's colour for it, and its text has
// pixels of the scheme's text colour.
Verdict InSchemeColours(HWND screen, const std::wstring& text);

}  // namespace e2e
