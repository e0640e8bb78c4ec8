#include "runtime/windows_path.h"

#include <algorithm>

#include "runtime/error.h"

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

// The current folders of either width, as the rules ask for them.
class Folders {
 public:
  virtual std::wstring process() const = 0;
  virtual std::wstring ofDrive(wchar_t letter) const = 0;

 protected:
  ~Folders() = default;
};

class WideFolders final : public Folders {
 public:
  explicit WideFolders(const CurrentFolders<wchar_t>& current) : current_(current) {}
  std::wstring process() const override { return current_.process(); }
  std::wstring ofDrive(wchar_t letter) const override { return current_.ofDrive(letter); }

 private:
  const CurrentFolders<wchar_t>& current_;
};

class ByteFolders final : public Folders {
 public:
  explicit ByteFolders(const CurrentFolders<char>& current) : current_(current) {}
  std::wstring process() const override { return Widened(current_.process()); }
  std::wstring ofDrive(wchar_t letter) const override {
    return Widened(current_.ofDrive(static_cast<char>(letter)));
  }

 private:
  const CurrentFolders<char>& current_;
};

template <class Char>
bool HasDrivePrefixOf(std::basic_string_view<Char> path) {
  return path.size() >= 2 && path[1] == Char{':'} && DriveLetter(path[0]);
}

template <class Char>
std::size_t RootLengthOf(std::basic_string_view<Char> full) {
  if (full.size() < 2 || full[0] != Char{'\\'} || full[1] != Char{'\\'}) return 3;
  std::size_t end = 2;
  for (int part = 0; part < 2 && end < full.size(); ++part) {
    end = full.find(Char{'\\'}, end);
    end = end == std::basic_string_view<Char>::npos ? full.size() : end + 1;
  }
  return end;
}

std::optional<std::wstring> FullPathOf(std::wstring_view path, const Folders& current) {
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

std::wstring ValidFullPathOf(std::wstring_view path, const Folders& current,
                             const Details& details) {
  auto full = FullPathOf(path, current);
  if (!full)
    throw RuntimeError("the path is not valid", details,
                       "The file name, folder name or volume label syntax is incorrect.");
  return std::move(*full);
}

}  // namespace

std::wstring Widened(std::string_view bytes) {
  std::wstring wide(bytes.size(), L'\0');
  std::transform(bytes.begin(), bytes.end(), wide.begin(),
                 [](char c) { return static_cast<wchar_t>(static_cast<unsigned char>(c)); });
  return wide;
}
std::string Bytes(std::wstring_view wide) {
  std::string bytes(wide.size(), '\0');
  std::transform(wide.begin(), wide.end(), bytes.begin(),
                 [](wchar_t c) { return static_cast<char>(c); });
  return bytes;
}

bool HasDrivePrefix(std::string_view path) {
  return HasDrivePrefixOf(path);
}
bool HasDrivePrefix(std::wstring_view path) {
  return HasDrivePrefixOf(path);
}

bool IsNetworkPath(std::string_view path) {
  return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

bool IsFullDrivePath(std::string_view path) {
  return HasDrivePrefix(path) && path.size() > 2 && IsSeparator(path[2]);
}

bool ValidNameCharacters(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) < 32 ||
           std::string_view("<>:\"|?*").find(c) != std::string_view::npos;
  });
}

std::wstring PlainForm(std::wstring path) {
  if (path.starts_with(kLiteralUnc)) path.replace(0, kLiteralUnc.size(), L"\\\\");
  if (path.starts_with(kLiteral)) path.erase(0, kLiteral.size());
  return path;
}

std::size_t RootLength(std::string_view full) {
  return RootLengthOf(full);
}
std::size_t RootLength(std::wstring_view full) {
  return RootLengthOf(full);
}

std::optional<std::string> FullPath(std::string_view path, const CurrentFolders<char>& current) {
  auto full = FullPathOf(Widened(path), ByteFolders(current));
  if (!full) return std::nullopt;
  return Bytes(*full);
}
std::optional<std::wstring> FullPath(std::wstring_view path,
                                     const CurrentFolders<wchar_t>& current) {
  return FullPathOf(path, WideFolders(current));
}

std::string ValidFullPath(std::string_view path, const CurrentFolders<char>& current,
                          const Details& details) {
  return Bytes(ValidFullPathOf(Widened(path), ByteFolders(current), details));
}
std::wstring ValidFullPath(std::wstring_view path, const CurrentFolders<wchar_t>& current,
                           const Details& details) {
  return ValidFullPathOf(path, WideFolders(current), details);
}

std::wstring ApiPath(const std::wstring& full) {
  if (full.starts_with(kLiteral)) return full;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

char DriveLetterOf(std::string_view full) {
  return static_cast<char>(DriveLetterOf(Widened(full)));
}
wchar_t DriveLetterOf(std::wstring_view full) {
  if (full.starts_with(kLiteral)) full.remove_prefix(kLiteral.size());
  return HasDrivePrefix(full) ? DriveLetter(full[0]) : 0;
}

std::wstring FolderOf(const std::wstring& full) {
  return full.substr(0, full.find_last_of(L'\\') + 1);
}

std::string FolderOfFile(const std::string& path) {
  size_t end = path.size();
  while (end > 0 && !IsSeparator(path[end - 1])) --end;
  if (end == 0) return {};
  std::string folder = path.substr(0, end - 1);
  const bool driveRoot = folder.size() == 2 && HasDrivePrefix(folder);
  const bool shareRoot = folder.size() > 2 && IsSeparator(folder[0]) && IsSeparator(folder[1]) &&
                         std::count_if(folder.begin() + 2, folder.end(), IsSeparator<char>) == 1;
  if (driveRoot || shareRoot) folder += '\\';
  return folder;
}

}  // namespace rt::windows_path
