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
// root, then makes `currentDir` (a full Windows path such as "D:\", or one
// on a share, "\\srv\share\cd") the process's current folder. Drive
// letters are keys such as 'C'; `shares` maps network shares ("\\srv\share",
// letter case ignored) to the host folders that stand for them. The
// program's own file is then setup.exe in `currentDir`.
void MountDrives(std::map<char, Drive> drives, const std::string& currentDir,
                 std::map<std::string, std::string> shares = {});

// Says where the program's own file is (a full Windows path), for
// ProgramFolder: a program started from one folder while it lies in another.
void SetProgramPath(const std::string& path);

}  // namespace rt::posix
