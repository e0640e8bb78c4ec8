#include "legibility.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "canvas.h"
#include "runtime/win32/layout_font.h"
#include "win32_handles.h"

namespace e2e {
namespace {

constexpr uint32_t kColour = 0xFFFFFF;  // a canvas pixel's colour bits (0x00RRGGBB)
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int kMargin = 8;  // around a drawing, for ink outside the text's advance

// Which pixels of a drawing are ink, within the box of its ink.
struct InkMask {
  int width = 0;
  int height = 0;
  std::vector<bool> ink;  // row by row

  bool empty() const { return ink.empty(); }
  bool at(int x, int y) const { return ink[static_cast<size_t>(y * width + x)]; }
  bool operator==(const InkMask&) const = default;
};

// `text` as `font` draws it, black on white, cut to its ink.
InkMask Drawing(HFONT font, const std::wstring& text) {
  ScreenDc screen;
  SIZE extent{};
  {
    const MemoryDc measuring(screen.get());
    const Selection selected(measuring.get(), font);
    GetTextExtentPoint32W(measuring.get(), text.c_str(), static_cast<int>(text.size()), &extent);
  }
  const int width = extent.cx + 2 * kMargin, height = extent.cy + 2 * kMargin;
  Canvas canvas(screen.get(), width, height);
  canvas.fill(kWhite);
  {
    const Selection selected(canvas.dc(), font);
    SetBkMode(canvas.dc(), TRANSPARENT);
    SetTextColor(canvas.dc(), RGB(0, 0, 0));
    TextOutW(canvas.dc(), kMargin, kMargin, text.c_str(), static_cast<int>(text.size()));
    GdiFlush();
  }
  const auto isInk = [&](int x, int y) { return (canvas.pixel(x, y) & kColour) != kWhite; };
  int left = width, right = -1, top = height, bottom = -1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (!isInk(x, y)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  InkMask mask;
  if (right < left) return mask;
  mask.width = right - left + 1;
  mask.height = bottom - top + 1;
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) mask.ink.push_back(isInk(x, y));
  }
  return mask;
}

// The characters of `text` (a surrogate pair as one) that `font` draws as it
// draws U+FFFF, a code point that is never a character: its missing glyph.
std::wstring MissingGlyphs(HFONT font, const std::wstring& text) {
  const InkMask missingGlyph = Drawing(font, L"\xFFFF");
  std::wstring missing;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool pair =
        IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1]);
    const std::wstring character = text.substr(i, pair ? 2 : 1);
    if (pair) ++i;
    if (character != L" " && Drawing(font, character) == missingGlyph) missing += character;
  }
  return missing;
}

// The colour most of the pixels have: the background of a line of text.
uint32_t Background(const Canvas& shown, int width, int height) {
  std::map<uint32_t, int> counts;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) ++counts[shown.pixel(x, y) & kColour];
  }
  return std::max_element(counts.begin(), counts.end(),
                          [](const auto& a, const auto& b) { return a.second < b.second; })
      ->first;
}

// Whether the screen's pixels hold the drawing somewhere: ink (any colour but
// the background) where it has ink, the background elsewhere within its box.
bool Holds(const Canvas& shown, int width, int height, uint32_t background,
           const InkMask& drawing) {
  for (int top = 0; top + drawing.height <= height; ++top) {
    for (int left = 0; left + drawing.width <= width; ++left) {
      bool same = true;
      for (int y = 0; y < drawing.height && same; ++y) {
        for (int x = 0; x < drawing.width && same; ++x) {
          const bool ink = (shown.pixel(left + x, top + y) & kColour) != background;
          same = ink == drawing.at(x, y);
        }
      }
      if (same) return true;
    }
  }
  return false;
}

int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM faces) {
  auto& names = *reinterpret_cast<std::vector<std::wstring>*>(faces);
  const std::wstring name = font->lfFaceName;
  // "@" faces are the vertical forms of East Asian fonts.
  if (!name.empty() && name.front() != L'@' &&
      std::find(names.begin(), names.end(), name) == names.end()) {
    names.push_back(name);
  }
  return 1;
}

// The faces of the system's fonts, of every character set.
std::vector<std::wstring> SystemFaces() {
  std::vector<std::wstring> faces;
  ScreenDc screen;
  LOGFONTW all{};
  all.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExW(screen.get(), &all, CollectFace, reinterpret_cast<LPARAM>(&faces), 0);
  std::sort(faces.begin(), faces.end());
  return faces;
}

int ScreenDpi() {
  return GetDeviceCaps(ScreenDc().get(), LOGPIXELSY);
}

}  // namespace

AreaColours ColoursIn(const RECT& area, COLORREF ink) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return {};
  ScreenDc screen;
  Canvas shown(screen.get(), width, height);
  shown.grab(screen.get(), area.left, area.top);
  // A canvas pixel is 0x00RRGGBB, a COLORREF 0x00BBGGRR.
  const auto colourRef = [](uint32_t pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
  };
  AreaColours colours{colourRef(Background(shown, width, height)), 0};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) colours.inkPixels += colourRef(shown.pixel(x, y)) == ink;
  }
  return colours;
}

std::optional<TextOnScreen> ReadBack(const RECT& area, const std::wstring& text, int points) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return std::nullopt;
  ScreenDc screen;
  Canvas shown(screen.get(), width, height);
  shown.grab(screen.get(), area.left, area.top);
  const uint32_t background = Background(shown, width, height);

  const auto drawnIn = [&](HFONT font, const std::wstring& face) -> std::optional<TextOnScreen> {
    const InkMask drawing = Drawing(font, text);
    if (drawing.empty() || !Holds(shown, width, height, background, drawing)) return std::nullopt;
    return TextOnScreen{face, MissingGlyphs(font, text)};
  };
  const rt::win32::FontHandle layout = rt::win32::LayoutFont(points, ScreenDpi());
  if (auto found = drawnIn(layout.get(), rt::win32::FaceOf(layout.get()))) return found;
  // Any other face, at the layout font's size, in any character set.
  LOGFONTW size{};
  GetObjectW(layout.get(), sizeof size, &size);
  for (const std::wstring& face : SystemFaces()) {
    LOGFONTW other = size;
    other.lfCharSet = DEFAULT_CHARSET;
    face.copy(other.lfFaceName, LF_FACESIZE - 1);
    other.lfFaceName[std::min<size_t>(face.size(), LF_FACESIZE - 1)] = L'\0';
    const GdiObject<HFONT> font(CreateFontIndirectW(&other));
    if (auto found = drawnIn(font.get(), face)) return found;
  }
  return std::nullopt;
}

}  // namespace e2e
