#include "runtime/folders.h"

#include "runtime/files.h"
#include "runtime/windows_path.h"

namespace rt {

std::string FullFolderPath(const std::string& path) {
  constexpr windows_path::CurrentFolders<char> kCurrent{rtcCurrentDir, rtcCurrentDirOfDrive};
  return windows_path::ValidFullPath(path, kCurrent, {{"Folder", path}});
}

void MakeFolders(const std::string& path) {
  // Every separator below the root ends one folder of the chain; the end of
  // the path ends the last.
  const std::string full = FullFolderPath(path);
  for (size_t end = windows_path::RootLength(full); end < full.size();) {
    end = full.find('\\', end + 1);
    if (end == std::string::npos) end = full.size();
    const std::string folder = full.substr(0, end);
    if (!FolderExists(folder)) rtcMakeDir(folder);
  }
}

}  // namespace rt
