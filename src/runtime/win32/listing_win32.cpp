// Folders on Windows: what one holds (rtcDir and the folder list), whether
// one exists, and making one. Which entries a listing shows, and in what
// order, is listing.h's.
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/listing.h"
#include "runtime/win32/file_access_win32.h"
#include "runtime/win32/handles.h"
#include "runtime/win32/system_functions_win32.h"
#include "runtime/win32/wide.h"
#include "runtime/windows_path.h"

namespace rt {

namespace win32 {

FindHandle FindFirst(const std::wstring& path, WIN32_FIND_DATAW& data) {
  return FindHandle(FindFirstFileBasic(path.c_str(), data));
}

DWORD ReadFolder(const std::wstring& full, std::vector<FolderEntry>& entries) {
  const std::wstring search = windows_path::ApiPath(full + (full.ends_with(L'\\') ? L"*" : L"\\*"));
  WIN32_FIND_DATAW data;
  const FindHandle find = FindFirst(search, data);
  if (!find) return ::GetLastError();
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const DWORD attributes = data.dwFileAttributes;
    entries.push_back({Narrow(name), (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (attributes & FILE_ATTRIBUTE_HIDDEN) != 0,
                       (attributes & FILE_ATTRIBUTE_SYSTEM) != 0,
                       (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow});
  } while (::FindNextFileW(find.get(), &data));
  const DWORD error = ::GetLastError();
  return error == ERROR_NO_MORE_FILES ? 0 : error;
}

}  // namespace win32

using win32::CriticalErrorsQuiet;
using win32::Details;
using win32::Fail;
using win32::FullPath;

std::string rtcDir(const std::string& pattern, int attributes) {
  ClearListing();
  const Details details{{"Pattern", pattern}};
  const SplitPattern split(pattern);
  const std::wstring folder = FullPath(split.folder, details);
  const CriticalErrorsQuiet quiet;
  std::vector<FolderEntry> entries;
  if (const DWORD error = win32::ReadFolder(folder, entries);
      error && error != ERROR_FILE_NOT_FOUND) {
    win32::RaiseIfDriveGone(windows_path::DriveLetterOf(folder), details);
    if (error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY || error == ERROR_INVALID_NAME)
      return {};
    Fail("could not list a folder", details, error, folder);
  }
  return StartListing(entries, split.name, attributes);
}

std::string rtcDir() {
  return NextListed();
}

std::vector<std::string> ListFolders(const std::string& folder) {
  const Details details{{"Folder", folder}};
  const std::wstring full = FullPath(folder, details);
  const CriticalErrorsQuiet quiet;
  std::vector<FolderEntry> entries;
  if (const DWORD error = win32::ReadFolder(full, entries); error && error != ERROR_FILE_NOT_FOUND)
    Fail("could not list a folder", details, error, full);
  return VisibleFolders(entries);
}

bool FolderExists(const std::string& path) {
  const Details details{{"Folder", path}};
  const std::wstring full = FullPath(path, details);
  const CriticalErrorsQuiet quiet;
  const DWORD attributes = ::GetFileAttributesW(windows_path::ApiPath(full).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    win32::RaiseIfDriveGone(windows_path::DriveLetterOf(full), details);
    return false;
  }
  return attributes & FILE_ATTRIBUTE_DIRECTORY;
}

void rtcMakeDir(const std::string& path) {
  const Details details{{"Folder", path}};
  const std::wstring full = FullPath(path, details);
  const CriticalErrorsQuiet quiet;
  if (!::CreateDirectoryW(windows_path::ApiPath(full).c_str(), nullptr))
    Fail("could not create a folder", details, ::GetLastError(), full);
}

}  // namespace rt
