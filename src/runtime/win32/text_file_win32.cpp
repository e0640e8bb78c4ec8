#include "runtime/error.h"
#include "runtime/text_file.h"
#include "runtime/win32/handles.h"
#include "runtime/win32/wide.h"

namespace rt {
namespace {

std::string SystemReason(DWORD error) {
  wchar_t text[512];
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, 512, nullptr);
  while (length > 0 &&
         (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' '))
    --length;
  if (length == 0) return "System error " + std::to_string(error) + ".";
  return win32::Narrow(std::wstring_view(text, length));
}

[[noreturn]] void Fail(const std::string& action, const std::string& path) {
  throw RuntimeError(action, {{"File", path}}, SystemReason(::GetLastError()));
}

}  // namespace

struct AppendedFile::Handle {
  win32::FileHandle file;
};

AppendedFile::AppendedFile(const std::string& path)
    : path_(path), handle_(std::make_unique<Handle>()) {
  // No "insert a disk" box from the system for a drive that is not ready.
  DWORD previousMode = 0;
  ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previousMode);
  handle_->file = win32::FileHandle(::CreateFileW(win32::Widen(path).c_str(), FILE_APPEND_DATA,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  const DWORD error = ::GetLastError();
  ::SetThreadErrorMode(previousMode, nullptr);
  ::SetLastError(error);
  if (!handle_->file) Fail("could not open the log", path);
}

AppendedFile::~AppendedFile() = default;

void AppendedFile::append(const std::string& text) {
  DWORD written = 0;
  if (!::WriteFile(handle_->file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                   nullptr) ||
      written != text.size())
    Fail("could not write to the log", path_);
}

std::uint64_t rtcFileLen(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(win32::Widen(path).c_str(), GetFileExInfoStandard, &data))
    Fail("could not read the length of a file", path);
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

}  // namespace rt
