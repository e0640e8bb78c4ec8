// Drives on Linux: the drive table that stands for them (drive_table.h),
// which are present and ready, and their labels.
#include <string>

#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/listing.h"
#include "runtime/posix/drive_table.h"
#include "runtime/posix/file_access_posix.h"
#include "runtime/text.h"
#include "runtime/windows_path.h"

namespace rt {

namespace posix {
namespace {

bool IsReady(const Drive& drive) {
  return IsFolder(drive.hostFolder);
}

std::string DriveRoot(char letter) {
  return {letter, ':', '\\'};
}

Details WithDrive(char letter, const Details& details) {
  Details all{{"Drive", std::string{letter, ':'}}};
  all.insert(all.end(), details.begin(), details.end());
  return all;
}

}  // namespace

MountedDrives& Mounted() {
  static MountedDrives mounted;
  return mounted;
}

const Drive& ReadyDrive(char letter, const Details& details) {
  const auto& drives = Mounted().drives;
  const auto found = drives.find(letter);
  if (found == drives.end())
    throw RuntimeError("the drive does not exist", WithDrive(letter, details),
                       "Device unavailable.");
  if (!IsReady(found->second))
    throw RuntimeError("the drive is not ready", WithDrive(letter, details),
                       "The drive is not ready.");
  return found->second;
}

void MountDrives(std::map<char, Drive> drives, const std::string& currentDir,
                 std::map<std::string, std::string> shares) {
  MountedDrives mounted;
  for (auto& [letter, drive] : drives) mounted.drives[UpperAscii(letter)] = std::move(drive);
  for (auto& [name, host] : shares) mounted.shares[rtcUpperCaseVar(name)] = std::move(host);
  const char letter = windows_path::DriveLetter(currentDir.empty() ? '\0' : currentDir[0]);
  const bool onDrive = windows_path::HasDrivePrefix(currentDir) && mounted.drives.count(letter);
  if (!onDrive && !windows_path::IsNetworkPath(currentDir))
    throw RuntimeError("could not set the current folder", {{"Folder", currentDir}},
                       "Device unavailable.");
  Mounted() = std::move(mounted);
  ForgetFolderIndex();
  ClearListing();
  if (onDrive) {
    // Each name as the host spells it when the drive is ready; as given when not.
    const Details details{{"Folder", currentDir}};
    std::string full = windows_path::ValidFullPath(currentDir, {rtcCurrentDir, DriveRoot}, details);
    if (IsReady(Mounted().drives[letter])) full = Resolve(currentDir, details).windows;
    Mounted().driveFolders[letter] = full;
    Mounted().current = full;
  } else {
    rtcChangeDir(currentDir);
  }
  const std::string folder = rtcCurrentDir();
  Mounted().programPath = folder + (folder.ends_with('\\') ? "" : "\\") + "setup.exe";
}

void SetProgramPath(const std::string& path) {
  Mounted().programPath = path;
}

}  // namespace posix

std::string AvailableDrives() {
  std::string letters;
  for (const auto& [letter, drive] : posix::Mounted().drives) letters += letter;
  return letters;
}

std::string VolumeLabel(char driveLetter) {
  const auto& drives = posix::Mounted().drives;
  const auto found = drives.find(UpperAscii(driveLetter));
  return found != drives.end() && posix::IsFolder(found->second.hostFolder) ? found->second.label
                                                                            : std::string{};
}

std::string SystemDriveRoot() {
  const auto& drives = posix::Mounted().drives;
  const char letter = drives.count('C') || drives.empty() ? 'C' : drives.begin()->first;
  return {letter, ':', '\\'};
}

}  // namespace rt
