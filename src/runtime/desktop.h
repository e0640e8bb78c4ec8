// The desktop that shows screens and takes the user's input: real windows on
// Windows, a scripted user in the native tests.
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "runtime/program.h"

namespace rt {

class Screen;
class Control;

class Desktop {
 public:
  virtual ~Desktop() = default;

  // Creates the screen's window and its controls, not yet visible.
  virtual void open(Screen& screen) = 0;
  virtual void close(Screen& screen) = 0;
  // A control added to an open screen at run time, or taken from it.
  virtual void add(Control& control) = 0;
  virtual void remove(Control& control) = 0;
  virtual void show(Screen& screen) = 0;  // visible, in its window state
  virtual void hide(Screen& screen) = 0;
  virtual void setEnabled(Screen& screen, bool enabled) = 0;
  // The control's caption, visibility, value or list changed.
  virtual void update(Control& control) = 0;
  virtual void refresh(Screen& screen) = 0;
  // Delivers the user's input until `done` holds.
  virtual void runUntil(const std::function<bool()>& done) = 0;
  // A modal message box; returns when the user has answered it.
  virtual void messageBox(const std::string& prompt, int buttons, const std::string& title) = 0;
  // Ends the program with this status: throws ProgramEnded (see program.h),
  // never returns.
  [[noreturn]] virtual void end(ExitStatus status) = 0;
  // Called at least every 100 ms during long work that takes no input: paints
  // what is out of date and answers the system, so that the program is not
  // taken for hung. Input waits, and is not acted on.
  virtual void keepAlive() {}
};

// What desktop() raises when no desktop is in use: the code that starts the
// program (the process entry, a test) has not put one in use first.
class NoDesktopInUse : public std::exception {
 public:
  const char* what() const noexcept override {
    return "no desktop is in use: the program was started without one";
  }
};

// The desktop in use; raises NoDesktopInUse when there is none.
Desktop& desktop();

// Puts a desktop in use while it lives, and the one in use before it (or
// none) back when it goes.
class DesktopInUse {
 public:
  explicit DesktopInUse(Desktop& desktop);
  ~DesktopInUse();
  DesktopInUse(const DesktopInUse&) = delete;
  DesktopInUse& operator=(const DesktopInUse&) = delete;

 private:
  Desktop* previous_;
};

}  // namespace rt
