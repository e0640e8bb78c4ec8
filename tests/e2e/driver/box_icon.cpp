#include "box_icon.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "win32_handles.h"

namespace e2e {
namespace {

// Mean difference per colour channel below which a drawing counts as the icon.
constexpr long long kMostMeanDifference = 16;

struct Candidate {
  BoxIcon icon;
  LPCWSTR resource;
};

const std::array kCandidates = {
    Candidate{BoxIcon::Stop, IDI_HAND},
    Candidate{BoxIcon::Exclamation, IDI_EXCLAMATION},
    Candidate{BoxIcon::Information, IDI_ASTERISK},
    Candidate{BoxIcon::Question, IDI_QUESTION},
};

// A 32-bit top-down bitmap to draw into and read back.
class Canvas {
 public:
  Canvas(HDC screen, int width, int height)
      : width_(width),
        height_(height),
        dc_(screen),
        bitmap_(Create(screen, width, height, &bits_)),
        selection_(dc_.get(), bitmap_.get()) {}

  HDC dc() const { return dc_.get(); }
  uint32_t pixel(int x, int y) const { return bits_[static_cast<size_t>(y) * width_ + x]; }
  void fill(uint32_t colour) {
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = colour;
  }

  long long difference(const Canvas& other) const {
    GdiFlush();
    long long sum = 0;
    for (int i = 0; i < width_ * height_; ++i) {
      for (int shift = 0; shift < 24; shift += 8) {
        sum += std::abs(static_cast<int>((bits_[i] >> shift) & 0xFF) -
                        static_cast<int>((other.bits_[i] >> shift) & 0xFF));
      }
    }
    return sum;
  }

 private:
  static HBITMAP Create(HDC screen, int width, int height, uint32_t** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    *bits = static_cast<uint32_t*>(pixels);
    return bitmap;
  }

  int width_;
  int height_;
  uint32_t* bits_ = nullptr;
  MemoryDc dc_;
  GdiObject<HBITMAP> bitmap_;
  Selection selection_;
};

}  // namespace

BoxIcon RecogniseIcon(HWND iconControl) {
  if (!iconControl || !IsWindowVisible(iconControl)) return BoxIcon::None;
  RECT area{};
  GetClientRect(iconControl, &area);
  MapWindowPoints(iconControl, nullptr, reinterpret_cast<POINT*>(&area), 2);
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return BoxIcon::None;

  ScreenDc screen;
  Canvas shown(screen.get(), width, height);
  BitBlt(shown.dc(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY);
  GdiFlush();
  // The icons' corners are transparent: that pixel is the background.
  const uint32_t background = shown.pixel(0, 0);

  BoxIcon best = BoxIcon::Unrecognised;
  long long bestDifference = std::numeric_limits<long long>::max();
  Canvas drawn(screen.get(), width, height);
  for (const Candidate& candidate : kCandidates) {
    drawn.fill(background);
    DrawIconEx(drawn.dc(), 0, 0, LoadIconW(nullptr, candidate.resource), width, height, 0, nullptr,
               DI_NORMAL);
    const long long difference = drawn.difference(shown);
    if (difference < bestDifference) {
      bestDifference = difference;
      best = candidate.icon;
    }
  }
  if (bestDifference > kMostMeanDifference * 3 * width * height) return BoxIcon::Unrecognised;
  return best;
}

const wchar_t* IconName(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::None:
      return L"none";
    case BoxIcon::Stop:
      return L"stop";
    case BoxIcon::Exclamation:
      return L"exclamation";
    case BoxIcon::Information:
      return L"information";
    case BoxIcon::Question:
      return L"question";
    case BoxIcon::Unrecognised:
      break;
  }
  return L"unrecognised";
}

}  // namespace e2e
