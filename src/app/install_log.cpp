#include "app/install_log.h"

#include "runtime/error.h"
#include "runtime/program.h"
#include "screens/project.h"

namespace setup {

InstallLog::InstallLog(const std::string& path, const std::string& sourceDir,
                       const std::string& target)
    : file_(path) {
  line("Start", std::string(kAppTitle) + " " + kVersion);
  line("Source", sourceDir);
  if (!target.empty()) started(sourceDir, target);
}

void InstallLog::started(const std::string&, const std::string& target) {
  if (target == target_) return;
  target_ = target;
  line("Target", target);
}

void InstallLog::fileCopied(const std::string& destination) {
  ++copied_;
  line("Copied", destination + " (" + std::to_string(rt::rtcFileLen(destination)) + " bytes)");
}

void InstallLog::finished() {
  finished_ = true;
}

// The end of the program is near: a log that can no longer be written says
// nothing more rather than hide the report or the exit status.
void InstallLog::message(const std::string& prompt, int buttons) {
  failed_ = failed_ || buttons == rt::vbCritical;
  try {
    line(buttons == rt::vbCritical ? "Error" : "Message", prompt);
  } catch (const rt::RuntimeError&) {
  }
}

void InstallLog::ending(rt::ExitStatus status) {
  const bool ended = status == rt::ExitStatus::Ended;
  const char* result =
      ended ? (finished_ ? "installed" : "not installed") : (failed_ ? "failed" : "refused");
  try {
    line("End", std::to_string(copied_) + (copied_ == 1 ? " file" : " files") + " copied, " +
                    result + ", exit status " + std::to_string(rt::ExitCode(status)));
  } catch (const rt::RuntimeError&) {
  }
}

// One line per event; the further lines of a text that has several (an error
// report) follow indented, with no blank ones.
void InstallLog::line(const std::string& label, const std::string& text) {
  std::string entry = label + ": ";
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    if (end > start) entry += text.substr(start, end - start) + "\r\n  ";
  }
  entry += text.substr(start) + "\r\n";
  file_.append(entry);
}

}  // namespace setup
