// Owners of Win32 handles: each closes its handle with the function that fits it.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace rt::win32 {

template <class Closer>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  HANDLE get() const { return handle_; }
  // Both "no handle" values of the Win32 API count as empty.
  explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  void reset() {
    if (*this) Closer{}(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

struct CloseKernelHandle {
  void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
struct CloseFindHandle {
  void operator()(HANDLE handle) const { ::FindClose(handle); }
};

using FileHandle = UniqueHandle<CloseKernelHandle>;  // CreateFileW and other kernel objects
using FindHandle = UniqueHandle<CloseFindHandle>;    // FindFirstFileExW

struct WindowDestroyer {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using WindowHandle = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

struct LibraryFreer {
  void operator()(HMODULE library) const { FreeLibrary(library); }
};
using LibraryHandle = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer>;

// The device context of the whole screen, or of one window, released with ReleaseDC.
class ScreenDc {
 public:
  explicit ScreenDc(HWND window = nullptr) : window_(window), dc_(::GetDC(window)) {}
  ~ScreenDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace rt::win32
