// The process's folders on Windows: the current one, the program's own and
// the system's drive.
#include <windows.h>

#include <string>

#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/win32/file_access_win32.h"
#include "runtime/win32/system_reason.h"
#include "runtime/win32/wide.h"
#include "runtime/windows_path.h"

namespace rt {

using win32::CriticalErrorsQuiet;
using win32::Details;

std::string rtcCurrentDir() {
  const std::wstring folder = win32::CurrentFolder();
  if (folder.empty())
    throw RuntimeError("could not find the current folder", {},
                       win32::SystemReason(::GetLastError()));
  return win32::Narrow(folder);
}

std::string rtcCurrentDirOfDrive(char driveLetter) {
  const wchar_t letter = windows_path::DriveLetter(static_cast<wchar_t>(driveLetter));
  const Details details{{"Drive", std::string{driveLetter, ':'}}};
  if (!letter) throw RuntimeError("the drive does not exist", details, "Device unavailable.");
  const CriticalErrorsQuiet quiet;
  win32::RaiseIfDriveGone(letter, {});
  return win32::Narrow(win32::CurrentFolderOf(letter));
}

void rtcChangeDir(const std::string& path) {
  const Details details{{"Folder", path}};
  const std::wstring full = win32::FullPath(path, details);
  const CriticalErrorsQuiet quiet;
  // The folder goes to the system in plain form ("D:\CD"), not in the
  // "\\?\" form of the other file functions: a process's current folder is,
  // as SetCurrentDirectoryW documents it, a drive letter and a colon or a
  // server and share, then a folder; the drive-relative lookups
  // (CurrentFolderOf) and the programs the process starts read it so.
  if (!::SetCurrentDirectoryW(full.c_str()))
    win32::Fail("could not change the current folder", details, ::GetLastError(), full);
}

std::string ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0)
      throw RuntimeError("could not find the program's folder", {},
                         win32::SystemReason(::GetLastError()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);  // cut short: a longer path
  }
  // The system may give the name in its long form ("\\?\C:\...",
  // "\\?\UNC\srv\share\..."). Wine gives a program started from a share as
  // "UNC\srv\share\...", which is no path of its own.
  if (path.starts_with(L"UNC\\")) path.replace(0, 3, L"\\");
  return windows_path::FolderOfFile(win32::Narrow(windows_path::PlainForm(std::move(path))));
}

std::string SystemDriveRoot() {
  wchar_t folder[MAX_PATH + 1] = {};
  const UINT length = ::GetSystemWindowsDirectoryW(folder, MAX_PATH + 1);
  const std::string windows =
      win32::Narrow(std::wstring_view(folder, length <= MAX_PATH ? length : 0));
  if (!windows_path::HasDrivePrefix(windows)) return "C:\\";
  return {windows[0], ':', '\\'};
}

}  // namespace rt
