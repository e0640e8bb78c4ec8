// The log of /LOG=: a plain UTF-8 text appended to, one line per event, from
// the start of the run to its end.
#pragma once

#include <string>

#include "install/copy_setup_files.h"
#include "runtime/text_file.h"
#include "runtime/watched_desktop.h"

namespace setup {

class InstallLog : public CopyObserver, public rt::WatchedDesktop::Watcher {
 public:
  // Opens the log and writes the start: the version, the source folder and,
  // when it is known yet, the target.
  InstallLog(const std::string& path, const std::string& sourceDir, const std::string& target);

  void started(const std::string& sourceDir, const std::string& target) override;
  void fileCopied(const std::string& destination) override;
  void finished() override;
  void message(const std::string& prompt, int buttons) override;
  void ending(rt::ExitStatus status) override;

 private:
  void line(const std::string& label, const std::string& text);

  rt::AppendedFile file_;
  std::string target_;
  int copied_ = 0;
  bool finished_ = false;
  bool failed_ = false;
};

}  // namespace setup
