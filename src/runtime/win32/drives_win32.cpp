// Drives on Windows: which are present, their labels, and what became of
// one that an operation just failed on.
#include <windows.h>

#include <string>

#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/win32/file_access_win32.h"
#include "runtime/win32/wide.h"
#include "runtime/windows_path.h"

namespace rt {

namespace win32 {

// The system is asked only after a failure, and about the drive itself, so
// a drive mapped a moment ago counts as it is.
void RaiseIfDriveGone(wchar_t letter, const Details& details) {
  if (!letter) return;
  const wchar_t root[] = {L'\\', L'\\', L'?', L'\\', letter, L':', L'\\', 0};
  if (::GetFileAttributesW(root) != INVALID_FILE_ATTRIBUTES) return;
  Details all{{"Drive", std::string{static_cast<char>(letter), ':'}}};
  all.insert(all.end(), details.begin(), details.end());
  if (::GetDriveTypeW(root + 4) == DRIVE_NO_ROOT_DIR)
    throw RuntimeError("the drive does not exist", all, "Device unavailable.");
  throw RuntimeError("the drive is not ready", all, "The drive is not ready.");
}

}  // namespace win32

std::string AvailableDrives() {
  DWORD present = ::GetLogicalDrives();
  // The system may list its drives once, before a drive was mapped; the
  // drive of the current folder is there all the same.
  if (const wchar_t current = windows_path::DriveLetterOf(win32::CurrentFolder()))
    present |= 1u << (current - L'A');
  std::string letters;
  for (int i = 0; i < 26; ++i)
    if (present & (1u << i)) letters += static_cast<char>('A' + i);
  return letters;
}

std::string VolumeLabel(char driveLetter) {
  const wchar_t letter = windows_path::DriveLetter(static_cast<wchar_t>(driveLetter));
  if (!letter) return {};
  const wchar_t root[] = {letter, L':', L'\\', 0};
  const win32::CriticalErrorsQuiet quiet;
  wchar_t label[MAX_PATH + 1] = {};
  if (!::GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
    return {};
  return win32::Narrow(label);
}

}  // namespace rt
