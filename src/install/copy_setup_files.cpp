#include "install/copy_setup_files.h"

#include <chrono>

#include "runtime/files.h"
#include "runtime/text.h"

namespace setup {
namespace {

using Clock = std::chrono::steady_clock;
// Well inside the 100 ms promised, so that one slow piece does not break it.
constexpr auto kTickEvery = std::chrono::milliseconds(50);

std::string CopiedBefore(int count) {
  return count == 1 ? "1 file was copied before this one."
                    : std::to_string(count) + " files were copied before this one.";
}

// The observer's ticks, timed by the wall clock.
class Ticker {
 public:
  explicit Ticker(CopyObserver& observer) : observer_(observer) {}
  void check() {
    const auto now = Clock::now();
    if (now - last_ < kTickEvery) return;
    last_ = now;
    observer_.tick();
  }

 private:
  CopyObserver& observer_;
  Clock::time_point last_ = Clock::now();
};

}  // namespace

CopyResult CopySetupFiles(const std::string& guardText, const DestinationRule& destinationOf,
                          CopyObserver& observer) {
  CopyResult result;
  try {
    result.sourceDir = rt::rtcCurrentDir();
    const std::string& SourceDir = result.sourceDir;
    observer.started(SourceDir, guardText);
    if (rt::rtcTrimVar(rt::rtcUpperCaseVar(SourceDir)) ==
        rt::rtcTrimVar(rt::rtcUpperCaseVar(guardText))) {
      result.outcome = CopyResult::Outcome::Refused;
      return result;
    }

    std::string name = rt::rtcDir(SourceDir + "\\*.*", rt::vbNormal);
    const rt::ListingTotals totals = rt::rtcDirTotals();
    observer.listed(totals.entries, totals.bytes);

    Ticker ticker(observer);
    std::uint64_t bytesDone = 0;
    const rt::CopyProgress progress = [&](std::uint64_t written) {
      bytesDone += written;
      observer.progressed(bytesDone);
      ticker.check();
    };
    while (!name.empty()) {
      // The entry the listing found, by its full path: a bare name such as
      // "a:b.txt" would be read as a path of its own, on another drive.
      std::string source = SourceDir;
      if (!source.ends_with('\\')) source += '\\';
      source += name;
      const std::string destination = destinationOf(name);
      observer.fileBegun(source, destination);
      try {
        rt::rtcFileCopy(source, destination, progress);
      } catch (rt::RuntimeError& error) {
        error.addNote(CopiedBefore(result.filesCopied) + " The installation is incomplete.");
        throw;
      }
      ++result.filesCopied;
      observer.fileCopied(destination);
      ticker.check();
      name = rt::rtcDir();
    }
    result.outcome = CopyResult::Outcome::Copied;
    observer.finished();
  } catch (const rt::RuntimeError& error) {
    result.outcome = CopyResult::Outcome::Failed;
    result.error = error;
  }
  return result;
}

}  // namespace setup
