// The font the screens' layouts ask for: "MS Sans Serif" at regular weight,
// character set 0, at a size in points.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

namespace rt::win32 {

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using BrushHandle = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;

// MS Sans Serif at `points` for a screen of `dpi` dots per inch. The layouts
// were fitted to the bitmap face's strikes at 96 dpi (8, 10 and 12 points),
// and grow with the resolution as a scalable face does, not as the strikes
// of other sizes do: those are wider (at 120 dpi the 8 point text is drawn
// with the strike of 10 points at 96 dpi, 31 % wider than the 8 point one
// for a box 25 % wider), or blown up from a smaller one. So the bitmap face
// is kept only at 96 dpi, where it has a strike of exactly that character
// height; everywhere else its scalable twin "Microsoft Sans Serif", where the
// system has it, takes the size.
FontHandle LayoutFont(int points, int dpi);

// A font for names the program does not choose (folders, volume labels,
// paths), which may be in any script, at `points`: the layout face's scalable
// twin "Microsoft Sans Serif", in any character set. It has the glyphs of the
// European, Middle Eastern and Thai scripts; for the others (Japanese,
// Chinese, Korean) the system draws with the fonts it links to it
// (HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink).
FontHandle NameFont(int points, int dpi);

// Whether the font has a glyph of its own for every character of `text`
// (linked fonts aside).
bool HasGlyphs(HFONT font, std::wstring_view text);

// The font's character height in pixels: its cell less the internal leading.
int CharacterHeight(HFONT font);

// The face the system chose for the font.
std::wstring FaceOf(HFONT font);

}  // namespace rt::win32
