// The installation itself: copies every ordinary file of the folder the
// installer was started from into the target folder.
#pragma once

#include <functional>
#include <string>

#include "runtime/screen.h"

namespace setup {

// Maps the bare name of a file to its full destination path.
using DestinationRule = std::function<std::string(const std::string& name)>;

// Copies the ordinary files of the current folder, showing the caller's
// lblCopying notice meanwhile, then announces success and ends the program.
// Returns only when the current folder is the guard text (compared upper-cased
// and trimmed): then it says so and copies nothing.
void CopySetupFiles(rt::Screen& caller, const std::string& guardText,
                    const DestinationRule& destinationOf);

// Hears what CopySetupFiles does: the installation log.
class CopyObserver {
 public:
  virtual ~CopyObserver() = default;
  // A run begins, before the same-folder guard.
  virtual void started(const std::string& sourceDir, const std::string& target) = 0;
  virtual void copied(const std::string& destination) = 0;
  // Every file is copied; the success message comes next.
  virtual void finished() = 0;
};

// The observer of the runs from now on; nullptr for none.
void ObserveCopies(CopyObserver* observer);

}  // namespace setup
