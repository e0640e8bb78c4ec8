// The font the screens' layouts ask for: "MS Sans Serif" at regular weight,
// character set 0, at a size in points.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

namespace rt::win32 {

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using BrushHandle = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;

// MS Sans Serif at `points` for a screen of `dpi` dots per inch. A bitmap
// face that lacks the size gives a smaller one (Wine's has 8, 10 and 12
// points only); then its scalable twin "Microsoft Sans Serif", where the
// system has it, keeps the size.
FontHandle LayoutFont(int points, int dpi);

// The font's character height in pixels: its cell less the internal leading.
int CharacterHeight(HFONT font);

// The face the system chose for the font.
std::wstring FaceOf(HFONT font);

}  // namespace rt::win32
