#include "label_size_steps.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "canvas.h"
#include "process_windows.h"
#include "runtime/win32/layout_font.h"
#include "wide_text.h"

namespace e2e {
namespace {

// Letters stand a pixel or two inside their advance widths, and a wrapped
// line may end in a blank: at 96 dpi, and as much more as the DPI is.
constexpr int kBearingTolerance = 10;

// The width of the pixels that differ from the window's background colour
// (that of its top-left corner), as the screen shows it.
int InkWidth(HWND window) {
  RECT box{};
  GetClientRect(window, &box);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const int width = box.right, height = box.bottom;
  if (width <= 0 || height <= 0) return 0;
  ScreenDc screen;
  Canvas shown(screen.get(), width, height);
  shown.grab(screen.get(), origin.x, origin.y);
  const uint32_t background = shown.pixel(0, 0);
  int left = width, right = -1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (shown.pixel(x, y) == background) continue;
      left = std::min(left, x);
      right = std::max(right, x);
    }
  }
  return right < left ? 0 : right - left + 1;
}

// Whether the screen shows all of the window's client area.
bool WhollyOnScreen(HWND window) {
  RECT box{};
  GetClientRect(window, &box);
  POINT corners[2] = {{box.left, box.top}, {box.right, box.bottom}};
  MapWindowPoints(window, nullptr, corners, 2);
  return corners[0].x >= 0 && corners[0].y >= 0 && corners[1].x <= GetSystemMetrics(SM_CXSCREEN) &&
         corners[1].y <= GetSystemMetrics(SM_CYSCREEN);
}

}  // namespace

Verdict MeasureLabel(HWND screen, const std::wstring& text, int points) {
  HWND label = nullptr;
  for (HWND control : ControlsOf(screen)) {
    if (EqualIgnoringCase(ClassNameOf(control), L"STATIC") && TextOf(control) == text)
      label = control;
  }
  if (!label) return Verdict::waiting(L"a label showing " + Quoted(text));
  WaitUntilTaken(screen);
  const int dpi = GetDeviceCaps(ScreenDc().get(), LOGPIXELSY);
  // The font the installer draws the label with.
  const int height = MulDiv(points, dpi, 72);
  const rt::win32::FontHandle font = rt::win32::LayoutFont(points, dpi);
  RECT box{};
  GetClientRect(label, &box);
  const ScreenDc dc(label);
  const Selection selected(dc.get(), font.get());
  wchar_t face[LF_FACESIZE] = L"?";
  GetTextFaceW(dc.get(), LF_FACESIZE, face);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  const LONG style = GetWindowLongW(label, GWL_STYLE);
  UINT format = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS;
  format |= (style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP ? DT_SINGLELINE : DT_WORDBREAK;
  RECT needed{0, 0, box.right, 0};
  DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &needed, format);
  if (std::wstring_view(face) != L"MS Sans Serif" &&
      std::wstring_view(face) != L"Microsoft Sans Serif") {
    return Verdict::failed(L"the font \"MS Sans Serif\", but Wine gave " + Quoted(face) +
                           L" (are Wine's fonts in the prefix?)");
  }
  if (rt::win32::CharacterHeight(font.get()) != height) {
    return Verdict::failed(L"a font " + std::to_wstring(height) + L" pixels high for " +
                           std::to_wstring(points) + L" pt, but the system has none");
  }
  // The label as drawn on the screen: its ink must be as wide as the text
  // measured in that font (less the letters' side bearings). A label that
  // the screen shows only in part (a high DPI on a small screen) is measured
  // only.
  if (IsWindowVisible(label) && WhollyOnScreen(label)) {
    const int ink = InkWidth(label);
    const int expected = std::min<int>(needed.right, box.right);
    if (ink > expected || ink < expected - MulDiv(kBearingTolerance, dpi, 96)) {
      return Verdict::failed(L"the label drawn " + std::to_wstring(expected) +
                             L" pixels wide, as measured in that font, but its ink is " +
                             std::to_wstring(ink) + L" pixels wide");
    }
  }
  const bool fits = needed.right <= box.right && needed.bottom <= box.bottom;
  wchar_t row[200];
  swprintf(row, 200, L" | %d pt: %ls, %ld px high | %ld x %ld | %ld x %ld | %ls\n", points, face,
           static_cast<long>(metrics.tmHeight), static_cast<long>(needed.right),
           static_cast<long>(needed.bottom), static_cast<long>(box.right),
           static_cast<long>(box.bottom), fits ? L"fits" : L"CLIPS");
  const std::string utf8 = WideToUtf8(
      L"    measured: " + Quoted(text.size() > 48 ? text.substr(0, 45) + L"..." : text) + row);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fflush(stdout);
  return Verdict::holds();
}

}  // namespace e2e
