#include "runtime/watched_desktop.h"

#include <cstdlib>

namespace rt {

WatchedDesktop::WatchedDesktop(Desktop& platform, bool quiet)
    : platform_(platform), quiet_(quiet) {}

void WatchedDesktop::open(Screen& screen) {
  if (!quiet_) platform_.open(screen);
}
void WatchedDesktop::close(Screen& screen) {
  if (!quiet_) platform_.close(screen);
}
void WatchedDesktop::add(Control& control) {
  if (!quiet_) platform_.add(control);
}
void WatchedDesktop::remove(Control& control) {
  if (!quiet_) platform_.remove(control);
}
void WatchedDesktop::show(Screen& screen) {
  if (!quiet_) platform_.show(screen);
}
void WatchedDesktop::hide(Screen& screen) {
  if (!quiet_) platform_.hide(screen);
}
void WatchedDesktop::setEnabled(Screen& screen, bool enabled) {
  if (!quiet_) platform_.setEnabled(screen, enabled);
}
void WatchedDesktop::update(Control& control) {
  if (!quiet_) platform_.update(control);
}
void WatchedDesktop::refresh(Screen& screen) {
  if (!quiet_) platform_.refresh(screen);
}
void WatchedDesktop::runUntil(const std::function<bool()>& done) {
  if (!quiet_) platform_.runUntil(done);
}
void WatchedDesktop::keepAlive() {
  if (!quiet_) platform_.keepAlive();
}

// The watcher hears of a box before it shows, so that the log has it even
// when no one answers it.
void WatchedDesktop::messageBox(const std::string& prompt, int buttons, const std::string& title) {
  if (watcher_) watcher_->message(prompt, buttons);
  if (!quiet_) platform_.messageBox(prompt, buttons, title);
}

void WatchedDesktop::end(ExitStatus status) {
  if (watcher_) watcher_->ending(status);
  platform_.end(status);
  std::abort();  // a desktop's end() never returns
}

}  // namespace rt
