#include "runtime/windows_path.h"

#include <algorithm>

namespace rt::windows_path {

namespace {

// The prefixes with which the system takes a path as it stands.
constexpr std::wstring_view kLiteral = L"\\\\?\\";
constexpr std::wstring_view kLiteralUnc = L"\\\\?\\UNC\\";
// The root of the device namespace, which "\\." and "\\?" alone name.
constexpr std::wstring_view kDeviceRoot = L"\\\\.\\";

// "\\?" or "\\." with nothing after it (separators already '\'): not a
// server named "?" or ".", but the root of the device namespace.
bool IsDeviceRoot(std::wstring_view path) {
  return path == L"\\\\?" || path == L"\\\\.";
}

}  // namespace

wchar_t DriveLetter(wchar_t c) {
  if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - L'a' + L'A');
  return c >= L'A' && c <= L'Z' ? c : 0;
}

bool HasDrivePrefix(std::wstring_view path) {
  return path.size() >= 2 && path[1] == L':' && DriveLetter(path[0]);
}

std::wstring PlainForm(std::wstring path) {
  if (path.starts_with(kLiteralUnc)) path.replace(0, kLiteralUnc.size(), L"\\\\");
  if (path.starts_with(kLiteral)) path.erase(0, kLiteral.size());
  return path;
}

std::size_t RootLength(std::wstring_view full) {
  if (!full.starts_with(L"\\\\")) return 3;
  std::size_t end = 2;
  for (int part = 0; part < 2 && end < full.size(); ++part) {
    end = full.find(L'\\', end);
    end = end == std::wstring_view::npos ? full.size() : end + 1;
  }
  return end;
}

std::optional<std::wstring> FullPath(std::wstring_view path, const CurrentFolders& current) {
  // The system would cut the path short at a NUL.
  if (path.find(L'\0') != std::wstring_view::npos) return std::nullopt;
  std::wstring rest(path);
  for (auto& c : rest)
    if (c == L'/') c = L'\\';
  if (rest.starts_with(kLiteral)) return rest;
  if (IsDeviceRoot(rest)) return std::wstring(kDeviceRoot);

  std::wstring full;
  if (rest.starts_with(L"\\\\")) {  // a network path: its root is the share
    full = rest.substr(0, RootLength(rest));
    rest.erase(0, full.size());
    if (!full.ends_with(L'\\')) full += L'\\';
  } else if (HasDrivePrefix(rest)) {
    const wchar_t letter = DriveLetter(rest[0]);
    full = rest.size() > 2 && rest[2] == L'\\' ? std::wstring{letter, L':', L'\\'}
                                               : current.ofDrive(letter);
    rest.erase(0, 2);
  } else {
    full = current.process();
    if (rest.starts_with(L'\\')) full.resize(RootLength(full));
  }
  const std::size_t root = RootLength(full);
  if (full.size() < root) full += L'\\';

  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t stop = rest.find(L'\\', start);
    if (stop == std::wstring::npos) stop = rest.size();
    const std::wstring_view name = std::wstring_view(rest).substr(start, stop - start);
    if (name == L"..") {
      if (full.size() > root)
        full.resize(std::max(full.find_last_of(L'\\', full.size() - 2), root - 1) + 1);
    } else if (!name.empty() && name != L".") {
      if (!full.ends_with(L'\\')) full += L'\\';
      full += name;
      full += L'\\';
    }
    start = stop + 1;
  }
  if (full.size() > root && full.ends_with(L'\\')) full.pop_back();
  return full;
}

std::wstring ApiPath(const std::wstring& full) {
  if (full.starts_with(kLiteral)) return full;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

wchar_t DriveLetterOf(std::wstring_view full) {
  if (full.starts_with(kLiteral)) full.remove_prefix(kLiteral.size());
  return HasDrivePrefix(full) ? DriveLetter(full[0]) : 0;
}

std::wstring FolderOf(const std::wstring& full) {
  return full.substr(0, full.find_last_of(L'\\') + 1);
}

}  // namespace rt::windows_path
