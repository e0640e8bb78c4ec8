// Where the screens and their controls go on the display, and the fonts their
// texts are shown in. The layouts are in twips, so every box grows with the
// display scale Windows had when the program started.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "runtime/win32/layout_font.h"

namespace rt {
class Screen;
class Control;
}  // namespace rt

namespace rt::win32 {

// A window's place on its parent, or on the screen, in pixels.
struct WindowBox {
  int left, top, width, height;
};

class DesktopLayout {
 public:
  // At the resolution of the screen.
  DesktopLayout();

  // A length in twips, in pixels.
  int pixels(int twips) const;
  // A length in pixels at 96 dpi, at this resolution.
  int scaled(int pixelsAt96Dpi) const;

  // A screen's window: its frame around the design client area, in the
  // middle of the work area of the monitor of `below`, the screen beneath
  // it; where the system puts a new window when there is none below.
  WindowBox screenWindow(HWND below) const;
  // A control's window on its screen's client area.
  WindowBox controlWindow(const Screen& screen, const Control& control) const;

  // The layout font at `points` (0: the standard size), or the name font.
  HFONT font(int points, bool forNames = false);
  // The font to show `text` in, a name in any script, at `points`: the layout
  // font where it has a glyph for every character, else the name font.
  HFONT fontFor(const std::wstring& text, int points);

 private:
  int dpi_;
  // By size in points (negative for a name font): a few.
  std::vector<std::pair<int, FontHandle>> fonts_;
};

}  // namespace rt::win32
