// A bitmap in memory for the driver to draw into, or to copy the screen into,
// and to read pixel by pixel.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>

#include "win32_handles.h"

namespace e2e {

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
  // Copies what the screen shows from (left, top) on, in screen coordinates.
  void grab(HDC screen, int left, int top) {
    BitBlt(dc(), 0, 0, width_, height_, screen, left, top, SRCCOPY);
    GdiFlush();
  }
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

}  // namespace e2e
