// What the file functions of the Windows side share: a path of the runtime
// made full, the run-time error that reports a failed call, what became of
// a drive, and the entries of a folder.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "runtime/listing.h"
#include "runtime/win32/handles.h"
#include "runtime/win32/system_functions_win32.h"
#include "runtime/win32/system_reason.h"

namespace rt::win32 {

// Labelled values of a run-time error ({"File", "D:\\readme.txt"}).
using Details = std::vector<std::pair<std::string, std::string>>;

// The full path of a path in the runtime's UTF-8 (windows_path::FullPath),
// against the process's current folders; raises when it is not valid.
std::wstring FullPath(const std::string& path, const Details& details);

// Raises the run-time error for an operation on `full` that failed with
// `error`: the drive's, when the drive is gone, else the action's.
[[noreturn]] void Fail(const std::string& action, const Details& details, DWORD error,
                       const std::wstring& full);

// No "insert a disk" box from the system while a drive is used.
class CriticalErrorsQuiet {
 public:
  CriticalErrorsQuiet() : saved_(SetThreadErrorModeOrProcess(SEM_FAILCRITICALERRORS)) {}
  CriticalErrorsQuiet(const CriticalErrorsQuiet&) = delete;
  CriticalErrorsQuiet& operator=(const CriticalErrorsQuiet&) = delete;
  ~CriticalErrorsQuiet() { SetThreadErrorModeOrProcess(saved_); }

 private:
  DWORD saved_;
};

// The process's current folder, in plain form; empty when the system does
// not say.
std::wstring CurrentFolder();

// The current folder of drive `letter` ("C:\Setup"), in plain form; this
// asks no disk.
std::wstring CurrentFolderOf(wchar_t letter);

// What became of a drive that an operation on it just failed on: nothing
// when its root can be read, else the run-time error for a drive that does
// not exist or is not ready, with the drive ahead of `details`. Nothing for
// `letter` 0 (a network path).
void RaiseIfDriveGone(wchar_t letter, const Details& details);

// The first entry that `path` ("\\?\" form, its last name perhaps with
// wildcards) names, in `data`, for FindNextFileW to go on from; no handle
// when there is none.
FindHandle FindFirst(const std::wstring& path, WIN32_FIND_DATAW& data);

// The entries of the folder `full` (no "." or ".."); the error code, or 0.
// ERROR_FILE_NOT_FOUND: an empty root.
DWORD ReadFolder(const std::wstring& full, std::vector<FolderEntry>& entries);

}  // namespace rt::win32
