#include "screens/confirmation.h"

#include "runtime/program.h"
#include "screens/project.h"

namespace setup {
namespace {

constexpr int kBarGapTwips = 120;  // between the notice and the bar beneath it
constexpr int kBarHeightTwips = 255;

// The progress bar's place: under the notice, as wide as it.
rt::ControlLayout BarLayout(const rt::Control& notice) {
  const rt::ControlLayout& box = notice.layout();
  return {.name = "prgCopying",
          .kind = rt::ControlKind::ProgressBar,
          .caption = nullptr,
          .left = box.left,
          .top = box.top + box.height + kBarGapTwips,
          .width = box.width,
          .height = kBarHeightTwips,
          .tabIndex = box.tabIndex + 1,
          .fontPoints = 0,
          .container = nullptr,
          .notes = rt::kPlain};
}

// The copy as the screen shows it: the notice and the bar while it runs, the
// screen kept painted and answering. Every event goes on to the watcher.
class CopyOnScreen : public CopyObserver {
 public:
  CopyOnScreen(rt::Screen& screen, CopyObserver* watcher)
      : screen_(screen), notice_(screen.control<rt::Label>("lblCopying")), watcher_(watcher) {}
  ~CopyOnScreen() override { removeBar(); }
  CopyOnScreen(const CopyOnScreen&) = delete;
  CopyOnScreen& operator=(const CopyOnScreen&) = delete;

  void started(const std::string& sourceDir, const std::string& guardText) override {
    if (watcher_) watcher_->started(sourceDir, guardText);
  }
  // The notice is painted before the first file.
  void listed(std::size_t files, std::uint64_t bytes) override {
    if (watcher_) watcher_->listed(files, bytes);
    notice_.setVisible(true);
    bar_ = &screen_.addProgressBar(BarLayout(notice_));
    bar_->setMax(bytes);
    screen_.Refresh();
  }
  void fileBegun(const std::string& source, const std::string& destination) override {
    if (watcher_) watcher_->fileBegun(source, destination);
  }
  void progressed(std::uint64_t bytesDone) override {
    if (watcher_) watcher_->progressed(bytesDone);
    bytesDone_ = bytesDone;
  }
  void fileCopied(const std::string& destination) override {
    if (watcher_) watcher_->fileCopied(destination);
    if (bar_) bar_->setValue(bytesDone_);
  }
  void finished() override {
    if (watcher_) watcher_->finished();
    if (bar_) bar_->setValue(bar_->Max());
  }
  void tick() override {
    if (watcher_) watcher_->tick();
    if (bar_) bar_->setValue(bytesDone_);
    rt::KeepResponsive();
  }

  void removeBar() {
    if (bar_) screen_.removeControl(*bar_);
    bar_ = nullptr;
  }

 private:
  rt::Screen& screen_;
  rt::Label& notice_;
  CopyObserver* watcher_;
  rt::ProgressBar* bar_ = nullptr;
  std::uint64_t bytesDone_ = 0;
};

}  // namespace

std::string DefaultDestination(const std::string& name) {
  return std::string(DefaultInstallDir) + "\\" + name;
}

void InstallFrom(rt::Screen& screen, const std::string& guardText,
                 const DestinationRule& destinationOf, CopyObserver* watcher) {
  CopyOnScreen view(screen, watcher);
  const CopyResult result = CopySetupFiles(guardText, destinationOf, view);
  view.removeBar();
  if (result.outcome == CopyResult::Outcome::Copied) {
    screen.control<rt::Label>("lblCopying").setVisible(false);
    screen.Refresh();
  }
  AnnounceCopy(result);
}

void AnnounceCopy(const CopyResult& result) {
  switch (result.outcome) {
    case CopyResult::Outcome::Refused:
      rt::rtcMsgBox(kSameFolderMessage);
      return;
    case CopyResult::Outcome::Copied:
      rt::rtcMsgBox(kCompletedMessage);
      rt::End();
    case CopyResult::Outcome::Failed:
      rt::ReportAndEnd(*result.error);
  }
}

void TerminateInstallation() {
  rt::rtcMsgBox(kTerminatedMessage);
  rt::End();
}

}  // namespace setup
