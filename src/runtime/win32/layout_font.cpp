#include "runtime/win32/layout_font.h"

#include "runtime/win32/handles.h"

namespace rt::win32 {
namespace {

constexpr wchar_t kFontFace[] = L"MS Sans Serif";
constexpr wchar_t kScalableTwin[] = L"Microsoft Sans Serif";
// The resolution the layouts' texts were fitted to their boxes at.
constexpr int kLayoutDpi = 96;

FontHandle MakeFont(const wchar_t* face, int height, DWORD charset = ANSI_CHARSET) {
  return FontHandle(CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charset,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, face));
}

// The screen's device context with a font selected into it, while it lives.
class ScreenDcWith {
 public:
  explicit ScreenDcWith(HFONT font) : old_(SelectObject(screen_.get(), font)) {}
  ScreenDcWith(const ScreenDcWith&) = delete;
  ScreenDcWith& operator=(const ScreenDcWith&) = delete;
  ~ScreenDcWith() { SelectObject(screen_.get(), old_); }
  HDC get() const { return screen_.get(); }

 private:
  ScreenDc screen_;
  HGDIOBJ old_;
};

}  // namespace

FontHandle LayoutFont(int points, int dpi) {
  const int height = MulDiv(points, dpi, 72);
  FontHandle font = MakeFont(kFontFace, height);
  if (dpi != kLayoutDpi || CharacterHeight(font.get()) != height) {
    FontHandle twin = MakeFont(kScalableTwin, height);
    if (FaceOf(twin.get()) == kScalableTwin) font = std::move(twin);
  }
  return font;
}

FontHandle NameFont(int points, int dpi) {
  return MakeFont(kScalableTwin, MulDiv(points, dpi, 72), DEFAULT_CHARSET);
}

bool HasGlyphs(HFONT font, std::wstring_view text) {
  const ScreenDcWith dc(font);
  for (const wchar_t character : text) {
    WORD glyph = 0;
    GetGlyphIndicesW(dc.get(), &character, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS);
    if (glyph == 0xFFFF) return false;
  }
  return true;
}

int CharacterHeight(HFONT font) {
  const ScreenDcWith dc(font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  return metrics.tmHeight - metrics.tmInternalLeading;
}

std::wstring FaceOf(HFONT font) {
  const ScreenDcWith dc(font);
  wchar_t face[LF_FACESIZE] = L"";
  GetTextFaceW(dc.get(), LF_FACESIZE, face);
  return face;
}

}  // namespace rt::win32
