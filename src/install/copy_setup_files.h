// The installation itself: copies every ordinary file of the folder the
// installer was started from into the target folder, and says what happened.
// It shows nothing and ends nothing: its callers own what the user sees.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "runtime/clock.h"
#include "runtime/error.h"

namespace setup {

// Maps the bare name of a file to its full destination path.
using DestinationRule = std::function<std::string(const std::string& name)>;

// Milliseconds by a clock that only goes forward: the ticks keep to it.
using Clock = std::function<std::uint64_t()>;

// Hears how a copy goes. Every call comes between two pieces of the work.
class CopyObserver {
 public:
  virtual ~CopyObserver() = default;
  // A run begins, before the same-folder guard.
  virtual void started(const std::string& /*sourceDir*/, const std::string& /*guardText*/) {}
  // The source folder is listed: the files to copy and their bytes in all.
  virtual void listed(std::size_t /*files*/, std::uint64_t /*bytes*/) {}
  // A file's copy begins.
  virtual void fileBegun(const std::string& /*source*/, const std::string& /*destination*/) {}
  // So many bytes of all the listed files are written.
  virtual void progressed(std::uint64_t /*bytesDone*/) {}
  // A file is copied whole.
  virtual void fileCopied(const std::string& /*destination*/) {}
  // Every listed file is copied.
  virtual void finished() {}
  // Comes at least every 100 ms of the copy's clock while the copy runs,
  // within a file and across files alike, given that no one piece of the
  // work (a piece of a file, a file's start or end) takes 50 ms or more.
  virtual void tick() {}
};

struct CopyResult {
  enum class Outcome {
    Refused,  // the source folder is the target: nothing was copied
    Copied,   // every listed file was copied
    Failed,   // a run-time error stopped the copy; the files before it stay
  };
  Outcome outcome = Outcome::Refused;
  std::string sourceDir;
  int filesCopied = 0;
  std::optional<rt::RuntimeError> error;  // Failed: what, where, why, and the files done
};

// Reads the current folder once; refuses when it is the guard text (both
// upper-cased and trimmed); lists its ordinary files and copies each to the
// path `destinationOf` gives its bare name, replacing what is there.
CopyResult CopySetupFiles(const std::string& guardText, const DestinationRule& destinationOf,
                          CopyObserver& observer, const Clock& clock = rt::MonotonicMilliseconds);

}  // namespace setup
