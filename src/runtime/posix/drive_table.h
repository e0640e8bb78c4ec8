// The Linux side maps drive letters to host folders. The code that starts the
// runtime (a test, a tool) gives the table and the process's current folder.
#pragma once

#include <map>
#include <string>

namespace rt::posix {

struct Drive {
  std::string hostFolder;  // the folder that stands for the drive's root
  std::string label;       // volume label shown in the drive list
};

// Replaces the drive table and resets every drive's current folder to its
// root, then makes `currentDir` (a full Windows path such as "D:\") the
// process's current folder. Drive letters are keys such as 'C'.
void MountDrives(std::map<char, Drive> drives, const std::string& currentDir);

}  // namespace rt::posix
