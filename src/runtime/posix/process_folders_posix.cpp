// The process's folders on Linux: the current one, each drive's own, and the
// program's, all kept in the drive table (drive_table.h).
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/posix/file_access_posix.h"
#include "runtime/text.h"
#include "runtime/windows_path.h"

namespace rt {

using posix::Details;
using posix::Mounted;

std::string rtcCurrentDir() {
  const std::string& current = Mounted().current;
  if (current.empty())
    throw RuntimeError("could not find the current folder", {}, "Device unavailable.");
  return current;
}

std::string rtcCurrentDirOfDrive(char driveLetter) {
  const char letter = UpperAscii(driveLetter);
  posix::ReadyDrive(letter, {});
  const auto& folders = Mounted().driveFolders;
  const auto found = folders.find(letter);
  return found != folders.end() ? found->second : std::string{letter, ':', '\\'};
}

void rtcChangeDir(const std::string& path) {
  const Details details{{"Folder", path}};
  const posix::Resolved where = posix::Resolve(path, details);
  if (!posix::IsFolder(where.host))
    throw RuntimeError("could not change the current folder", details,
                       "The system cannot find the path specified.");
  if (windows_path::HasDrivePrefix(where.windows))
    Mounted().driveFolders[where.windows[0]] = where.windows;
  Mounted().current = where.windows;
}

std::string ProgramFolder() {
  return windows_path::FolderOfFile(Mounted().programPath);
}

}  // namespace rt
