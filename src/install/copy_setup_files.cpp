#include "install/copy_setup_files.h"

#include "runtime/files.h"
#include "runtime/text.h"

namespace setup {
namespace {

// Well inside the 100 ms promised, so that one slow piece does not break it.
constexpr std::uint64_t kTickEveryMs = 50;

std::string CopiedBefore(int count) {
  return count == 1 ? "1 file was copied before this one."
                    : std::to_string(count) + " files were copied before this one.";
}

// The bytes written so far, and the observer's ticks by the clock.
class Progress final : public rt::CopyProgress {
 public:
  Progress(CopyObserver& observer, const Clock& clock)
      : observer_(observer), clock_(clock), lastTick_(clock()) {}
  void written(std::uint64_t bytes) override {
    bytesDone_ += bytes;
    observer_.progressed(bytesDone_);
    tickWhenDue();
  }
  void tickWhenDue() {
    const std::uint64_t now = clock_();
    if (now - lastTick_ < kTickEveryMs) return;
    lastTick_ = now;
    observer_.tick();
  }

 private:
  CopyObserver& observer_;
  const Clock& clock_;
  std::uint64_t bytesDone_ = 0;
  std::uint64_t lastTick_;
};

}  // namespace

CopyResult CopySetupFiles(const std::string& guardText, const DestinationRule& destinationOf,
                          CopyObserver& observer, const Clock& clock) {
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

    Progress progress(observer, clock);
    const rt::CopyBatch batch;  // one work folder for all the copies
    while (!name.empty()) {
      // The entry the listing found, by its full path: a bare name such as
      // "a:b.txt" would be read as a path of its own, on another drive.
      std::string source = SourceDir;
      if (!source.ends_with('\\')) source += '\\';
      source += name;
      const std::string destination = destinationOf(name);
      observer.fileBegun(source, destination);
      try {
        rt::rtcFileCopy(source, destination, &progress);
      } catch (rt::RuntimeError& error) {
        error.addNote(CopiedBefore(result.filesCopied) + " The installation is incomplete.");
        throw;
      }
      ++result.filesCopied;
      observer.fileCopied(destination);
      progress.tickWhenDue();
      name = rt::rtcDir();
    }
    result.outcome = CopyResult::Outcome::Copied;
    observer.finished();
  } catch (rt::RuntimeError& error) {
    result.outcome = CopyResult::Outcome::Failed;
    result.error = std::move(error);
  }
  return result;
}

}  // namespace setup
