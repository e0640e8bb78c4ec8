#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "runtime/win32/handles.h"
#include "test_drives.h"

namespace {

constexpr const char* kDrives = "HDE";                    // as run_under_wine.py maps them
constexpr const char* kSubstituted = "HD";                // as run-tests.cmd maps them
constexpr const wchar_t* kLabelFile = L".windows-label";  // where Wine keeps a drive's label

// The "\\?\" form of a full path, in which Windows takes every name as it stands.
fs::path Literal(const fs::path& path) {
  const std::wstring text = path.wstring();
  return text.starts_with(L"\\\\") ? path : fs::path(L"\\\\?\\" + text);
}

// The names in a folder, from the system itself: std::filesystem would read
// an entry such as "a:b.txt" as a path on drive A:.
std::vector<std::wstring> Names(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  const rt::win32::FindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return names;
  do {
    const std::wstring_view name = data.cFileName;
    if (name != L"." && name != L".." && name != kLabelFile) names.emplace_back(name);
  } while (::FindNextFileW(find.get(), &data));
  return names;
}

// Removes a file or a folder with all it holds, read-only entries too.
void RemoveTree(const std::wstring& path) {
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (::RemoveDirectoryW(path.c_str()) || ::DeleteFileW(path.c_str())) return;
  for (const auto& name : Names(path)) RemoveTree(path + L"\\" + name);
  ::RemoveDirectoryW(path.c_str());
}

// Empties the root of a test drive. Only drives that the runner says it
// mapped to temporary folders are ever emptied.
void Empty(char letter) {
  const std::wstring root{L'\\', L'\\', L'?', L'\\', static_cast<wchar_t>(letter), L':'};
  for (const auto& name : Names(root)) RemoveTree(root + L"\\" + name);
}

}  // namespace

TestDrives::TestDrives() {
  const char* mapped = std::getenv("SETUP_TEST_DRIVES");
  substituted_ = mapped != nullptr && std::string(mapped) == kSubstituted;
  ready_ = mapped != nullptr && (std::string(mapped) == kDrives || substituted_) &&
           Entries((*this)('H')).empty() && Entries((*this)('D')).empty();
  if (ready_) setCurrentFolder("H:\\");
}

TestDrives::~TestDrives() {
  if (!ready_) return;
  ::SetCurrentDirectoryW(L"C:\\");
  Empty('H');
  Empty('D');
}

fs::path TestDrives::operator()(char letter) const {
  return fs::path(std::string{letter, ':', '\\'});
}

bool TestDrives::setCurrentFolder(const std::string& windowsPath) {
  for (const char* letter = kDrives; *letter; ++letter) {
    const wchar_t variable[] = {L'=', static_cast<wchar_t>(*letter), L':', 0};
    ::SetEnvironmentVariableW(variable, nullptr);
  }
  return ::SetCurrentDirectoryW(fs::path(windowsPath).c_str());
}

fs::path Write(const fs::path& file, const std::string& content) {
  std::error_code folderMade;  // when it is not, the file is not written either
  if (file.has_parent_path()) fs::create_directories(Literal(file.parent_path()), folderMade);
  std::ofstream(Literal(file), std::ios::binary) << content;
  return file;
}

std::string Read(const fs::path& file) {
  std::ostringstream text;
  text << std::ifstream(Literal(file), std::ios::binary).rdbuf();
  return text.str();
}

void WriteEmptyBytes(const fs::path& file, std::uint64_t size) {
  const rt::win32::FileHandle handle(::CreateFileW(Literal(file).c_str(), GENERIC_WRITE, 0, nullptr,
                                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(size);
  if (handle) ::SetFilePointerEx(handle.get(), end, nullptr, FILE_BEGIN);
  if (handle) ::SetEndOfFile(handle.get());
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& name : Names(Literal(folder).native())) names.push_back(fs::path(name).string());
  std::sort(names.begin(), names.end());
  return names;
}

bool Writable(const fs::path& file) {
  return (fs::status(file).permissions() & fs::perms::owner_write) != fs::perms::none;
}

std::uint64_t FileIdentity(const fs::path& file) {
  const rt::win32::FileHandle handle(
      ::CreateFileW(Literal(file).c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!handle || !::GetFileInformationByHandle(handle.get(), &info)) return 0;
  return (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
}

void Hide(const fs::path& entry) {
  const DWORD attributes = ::GetFileAttributesW(Literal(entry).c_str());
  ::SetFileAttributesW(Literal(entry).c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
}

void MakeSystemEntry(const fs::path& entry) {
  Write(entry, "system");
  ::SetFileAttributesW(Literal(entry).c_str(), FILE_ATTRIBUTE_SYSTEM);
}
