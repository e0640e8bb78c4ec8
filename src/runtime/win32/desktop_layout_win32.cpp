#include "runtime/win32/desktop_layout_win32.h"

#include <algorithm>

#include "runtime/controls.h"
#include "runtime/screen.h"

namespace rt::win32 {
namespace {

constexpr int kStandardFontPoints = 8;
constexpr int kTwipsPerInch = 1440;
constexpr int kDropDownRows = 8;
constexpr int kDropDownRowPixels = 16;  // at 96 dpi
constexpr int kFrameEdgeTwips = 30;     // a frame's border, which its controls leave visible

// A label's box in twips on the client area, cut where a control that stands
// after it in the layout (beneath it) starts: the label must not hide it.
RECT LabelBox(const Screen& screen, const Control& label) {
  const ControlLayout& own = label.layout();
  RECT box{own.left, own.top, own.left + own.width, own.top + own.height};
  bool after = false;
  for (const auto& control : screen.controls()) {
    if (control.get() == &label) {
      after = true;
      continue;
    }
    const ControlLayout& other = control->layout();
    if (!after || other.container || other.kind == ControlKind::Label ||
        other.kind == ControlKind::Frame)
      continue;
    const bool overlaps = other.left < box.right && other.left + other.width > box.left &&
                          other.top < box.bottom && other.top + other.height > box.top;
    if (overlaps && other.left > box.left) box.right = other.left;
  }
  return box;
}

}  // namespace

DesktopLayout::DesktopLayout() {
  HDC screenDc = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screenDc, LOGPIXELSY);
  ReleaseDC(nullptr, screenDc);
}

int DesktopLayout::pixels(int twips) const {
  return MulDiv(twips, dpi_, kTwipsPerInch);
}

int DesktopLayout::scaled(int pixelsAt96Dpi) const {
  return MulDiv(pixelsAt96Dpi, dpi_, 96);
}

WindowBox DesktopLayout::screenWindow(HWND below) const {
  RECT frame{0, 0, pixels(kDesignWidthTwips), pixels(kDesignHeightTwips)};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  WindowBox box{CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top};
  if (below) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(below, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    box.left = work.left + std::max(0L, (work.right - work.left - box.width) / 2);
    box.top = work.top + std::max(0L, (work.bottom - work.top - box.height) / 2);
  }
  return box;
}

WindowBox DesktopLayout::controlWindow(const Screen& screen, const Control& control) const {
  const ControlLayout& layout = control.layout();
  int left = layout.left, top = layout.top, width = layout.width;
  if (layout.container) {  // inside a frame, and clipped at its edge
    const ControlLayout& frameLayout = screen.find(layout.container)->layout();
    width = std::min(width, frameLayout.width - layout.left - kFrameEdgeTwips);
    left += frameLayout.left;
    top += frameLayout.top;
  }
  int height = pixels(layout.height);
  if (layout.kind == ControlKind::Label) {
    const RECT box = LabelBox(screen, control);
    width = box.right - box.left;
  } else if (layout.kind == ControlKind::DriveList) {  // with its list dropped
    height += kDropDownRows * scaled(kDropDownRowPixels);
  }
  return {pixels(left), pixels(top), pixels(width), height};
}

HFONT DesktopLayout::font(int points, bool forNames) {
  if (points == 0) points = kStandardFontPoints;
  const int key = forNames ? -points : points;
  for (const auto& [size, font] : fonts_)
    if (size == key) return font.get();
  return fonts_.emplace_back(key, forNames ? NameFont(points, dpi_) : LayoutFont(points, dpi_))
      .second.get();
}

HFONT DesktopLayout::fontFor(const std::wstring& text, int points) {
  HFONT layout = font(points);
  return HasGlyphs(layout, text) ? layout : font(points, true);
}

}  // namespace rt::win32
