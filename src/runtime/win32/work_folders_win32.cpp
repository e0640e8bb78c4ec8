// The work folders of the copies on Windows, and the sweep of what killed
// copies left in a destination folder.
#include "runtime/win32/work_folders_win32.h"

#include <string>
#include <utility>
#include <vector>

#include "runtime/copy_rules.h"
#include "runtime/files.h"
#include "runtime/listing.h"
#include "runtime/win32/file_access_win32.h"
#include "runtime/win32/handles.h"
#include "runtime/win32/wide.h"
#include "runtime/windows_path.h"

namespace rt {
namespace {

using windows_path::ApiPath;

struct WorkFolder {
  std::wstring destination;  // ending in '\'
  std::wstring path;         // ending in '\'; the destination when none could be made
  // Open without delete sharing, so that no other installer's sweep removes
  // the folder while this one copies into it.
  win32::FileHandle held;
};

// The work folders of the open batch.
std::vector<WorkFolder>& WorkFolders() {
  static std::vector<WorkFolder> folders;
  return folders;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Removes the temporary files in `folder` (which ends in '\').
void RemoveTemporaryFiles(const std::wstring& folder) {
  std::vector<FolderEntry> entries;
  if (win32::ReadFolder(folder, entries) != 0) return;
  for (const FolderEntry& entry : entries)
    if (!entry.folder && IsTemporaryCopyName(entry.name))
      ::DeleteFileW(ApiPath(folder + win32::Widen(entry.name)).c_str());
}

// Removes from `destination` (which ends in '\') what killed copies left:
// temporary files not yet marked for deletion, and work folders with the
// temporary files in them. A link of such a name is left alone. The
// temporary file of a copy still running is open without sharing, and its
// work folder is held: both stay.
void RemoveLeftoverCopies(const std::wstring& destination) {
  std::vector<FolderEntry> entries;
  if (win32::ReadFolder(destination, entries) != 0) return;
  for (const FolderEntry& entry : entries) {
    if (!IsTemporaryCopyName(entry.name)) continue;
    const std::wstring path = destination + win32::Widen(entry.name);
    if (!entry.folder) {
      ::DeleteFileW(ApiPath(path).c_str());
      continue;
    }
    const DWORD attributes = ::GetFileAttributesW(ApiPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      continue;
    RemoveTemporaryFiles(path + L'\\');
    ::RemoveDirectoryW(ApiPath(path).c_str());
  }
}

}  // namespace

void RemoveWorkFolders() {
  for (WorkFolder& folder : WorkFolders()) {
    if (!folder.held) continue;
    folder.held.reset();
    ::RemoveDirectoryW(ApiPath(folder.path).c_str());
  }
  WorkFolders().clear();
}

namespace win32 {

std::wstring NewTemporaryName() {
  static const unsigned long process = ::GetCurrentProcessId();
  static unsigned long counter = 0;
  return Widen(TemporaryCopyName(process, counter++));
}

std::wstring WorkFolderIn(const std::wstring& destination) {
  std::vector<WorkFolder>& folders = WorkFolders();
  for (const WorkFolder& folder : folders)
    if (SameName(folder.destination, destination)) return folder.path;
  RemoveLeftoverCopies(destination);
  WorkFolder made{destination, destination, {}};
  constexpr int kTries = 100;
  for (int tries = 0; tries < kTries; ++tries) {
    const std::wstring path = destination + NewTemporaryName();
    if (::CreateDirectoryW(ApiPath(path).c_str(), nullptr)) {
      // Out of sight, should a kill leave it until the next copy into the folder.
      ::SetFileAttributesW(ApiPath(path).c_str(), FILE_ATTRIBUTE_HIDDEN);
      made.held = FileHandle(::CreateFileW(ApiPath(path).c_str(), FILE_LIST_DIRECTORY,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      if (made.held)
        made.path = path + L'\\';
      else
        ::RemoveDirectoryW(ApiPath(path).c_str());
      break;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;  // else not ours
  }
  folders.push_back(std::move(made));
  return folders.back().path;
}

}  // namespace win32
}  // namespace rt
