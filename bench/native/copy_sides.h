// The two sides that copy_bench times: the installer, this program run again
// as a child with kInstallFlag, and cp(1).
#pragma once

#include <string>

#include "child_process.h"
#include "data_set.h"
#include "temp_folder.h"

namespace copy_bench {

enum class Side { Setup, Cp };

const char* Name(Side side);

// copy_bench --install SOURCE E-DRIVE C-DRIVE: the installer side.
inline constexpr const char* kInstallFlag = "--install";

// The copies of a data set of many files stay until all its runs are done:
// ext4 without a journal passes over the inodes freed in the last minute (five
// while their table block is dirty) when it allocates new ones, which would
// tax whichever side runs right after the removal of thousands of files. For
// the same reason, leave five minutes or more between two benchmark runs.
// The copy of a few files goes at once, so that the next run reuses its memory.
struct Bench {
  const TempFolder& temp;
  std::string self;  // this program, run again as the installer

  fs::path cDrive() const { return temp.path() / "drive_c"; }
  fs::path runs() const { return temp.path() / "runs"; }

  // Copies the set into a fresh, empty folder and checks the copy.
  ChildRun run(Side side, const DataSet& set, int round) const;

  void removeCopies() const;
};

// The installer side, run as a child: the real wizard, natively, with a
// scripted user who installs from `source` (drive D:) into the folder Target
// on drive E:.
int Install(const std::string& source, const std::string& eDrive, const std::string& cDrive);

}  // namespace copy_bench
