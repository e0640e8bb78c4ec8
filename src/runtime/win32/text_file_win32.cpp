// The installation log's file, and the length of a file, on Windows.
#include "runtime/error.h"
#include "runtime/text_file.h"
#include "runtime/win32/file_access_win32.h"
#include "runtime/win32/handles.h"
#include "runtime/windows_path.h"

namespace rt {

using win32::CriticalErrorsQuiet;
using win32::Details;
using win32::Fail;
using win32::FullPath;
using win32::SystemReason;
using windows_path::ApiPath;

struct AppendedFile::Handle {
  win32::FileHandle file;
};

AppendedFile::AppendedFile(const std::string& path)
    : path_(path), handle_(std::make_unique<Handle>()) {
  const Details details{{"File", path}};
  const std::wstring full = FullPath(path, details);
  const CriticalErrorsQuiet quiet;
  handle_->file = win32::FileHandle(::CreateFileW(ApiPath(full).c_str(), FILE_APPEND_DATA,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle_->file) Fail("could not open the log", details, ::GetLastError(), full);
}

AppendedFile::~AppendedFile() = default;

void AppendedFile::append(const std::string& text) {
  DWORD written = 0;
  if (!::WriteFile(handle_->file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                   nullptr))
    throw RuntimeError("could not write to the log", {{"File", path_}},
                       SystemReason(::GetLastError()));
  if (written != text.size())
    throw RuntimeError("could not write to the log", {{"File", path_}},
                       SystemReason(ERROR_DISK_FULL));
}

std::uint64_t rtcFileLen(const std::string& path) {
  const Details details{{"File", path}};
  const std::wstring full = FullPath(path, details);
  const CriticalErrorsQuiet quiet;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(ApiPath(full).c_str(), GetFileExInfoStandard, &data))
    Fail("could not read the length of a file", details, ::GetLastError(), full);
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

}  // namespace rt
