#include "runtime/folders.h"

#include "runtime/files.h"

namespace rt {

void MakeFolders(const std::string& path) {
  // Every separator after the drive's root ends one folder of the chain; the
  // end of the path ends the last. A doubled or trailing separator adds none.
  size_t end = 2;  // past "E:"
  while (end < path.size()) {
    end = path.find_first_of("\\/", end + 1);
    if (end == std::string::npos) end = path.size();
    const std::string folder = path.substr(0, end);
    const char last = folder.back();
    if (last != '\\' && last != '/' && !FolderExists(folder)) rtcMakeDir(folder);
  }
}

}  // namespace rt
