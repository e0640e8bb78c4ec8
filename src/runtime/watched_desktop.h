// A desktop in front of the platform's for a run from the command line: it
// hands every message box and the end of the program to a watcher (the
// installation log), and when quiet it shows nothing at all: no window, no
// message box.
#pragma once

#include "runtime/desktop.h"

namespace rt {

class WatchedDesktop : public Desktop {
 public:
  class Watcher {
   public:
    virtual ~Watcher() = default;
    // A message box the program shows, or would show if it were not quiet.
    virtual void message(const std::string& prompt, int buttons) = 0;
    // The program ends with this status.
    virtual void ending(ExitStatus status) = 0;
  };

  // Ends the program through `platform`; is the desktop in use while it
  // lives, and puts the one before it back when it goes.
  WatchedDesktop(Desktop& platform, bool quiet);

  void watch(Watcher* watcher) { watcher_ = watcher; }

  void open(Screen& screen) override;
  void close(Screen& screen) override;
  void add(Control& control) override;
  void remove(Control& control) override;
  void show(Screen& screen) override;
  void hide(Screen& screen) override;
  void setEnabled(Screen& screen, bool enabled) override;
  void update(Control& control) override;
  void refresh(Screen& screen) override;
  void runUntil(const std::function<bool()>& done) override;
  void messageBox(const std::string& prompt, int buttons, const std::string& title) override;
  [[noreturn]] void end(ExitStatus status) override;
  void keepAlive() override;

 private:
  Desktop& platform_;
  bool quiet_;
  Watcher* watcher_ = nullptr;
  DesktopInUse inUse_{*this};  // last: in use once the rest is set up
};

}  // namespace rt
