#include "screenshot.h"

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "canvas.h"
#include "win32_handles.h"

namespace e2e {

bool SaveScreenshot(const std::filesystem::path& file) {
  ScreenDc screen;
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  if (!screen.get() || width <= 0 || height <= 0) return false;
  Canvas shown(screen.get(), width, height);
  shown.grab(screen.get(), 0, 0);

  // 24 bits a pixel, rows bottom-up and padded to 4 bytes, as BMP files store them.
  const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = imageBytes;
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  header.bfSize = header.bfOffBits + imageBytes;

  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  std::string row(rowBytes, '\0');
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t pixel = shown.pixel(x, y);  // 0x00RRGGBB
      row[3 * static_cast<size_t>(x)] = static_cast<char>(pixel & 0xFF);
      row[3 * static_cast<size_t>(x) + 1] = static_cast<char>((pixel >> 8) & 0xFF);
      row[3 * static_cast<size_t>(x) + 2] = static_cast<char>((pixel >> 16) & 0xFF);
    }
    out.write(row.data(), static_cast<std::streamsize>(row.size()));
  }
  return static_cast<bool>(out);
}

}  // namespace e2e
