// The desktop on Windows: each screen is a top-level window with the
// platform's own controls, placed from the screen's layout table.
//
// Its work is spread over files of one job each: the windows and controls
// (desktop_win32.cpp: start-up, creation, and their state kept in step with the
// controls'), the message loop and the end of the program
// (message_loop_win32.cpp), the user's input (input_win32.cpp), the
// geometry and the fonts (desktop_layout_win32.cpp) and what it draws itself
// (painting_win32.cpp).
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/desktop.h"
#include "runtime/win32/desktop_layout_win32.h"
#include "runtime/win32/handles.h"

namespace rt::win32 {

struct ScreenWindow;

class Win32Desktop : public Desktop {
 public:
  explicit Win32Desktop(HINSTANCE instance);
  ~Win32Desktop() override;
  Win32Desktop(const Win32Desktop&) = delete;
  Win32Desktop& operator=(const Win32Desktop&) = delete;

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
  // Ends the program by unwinding to the code that started it, as on every
  // desktop (rt::ProgramEnded): destructors run. An end inside a window
  // procedure waits there until the system's call has returned.
  [[noreturn]] void end(ExitStatus status) override;
  void keepAlive() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(ScreenWindow& window, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Goes on with the end of the program that a window procedure caught.
  void resumeUnwinding();
  void command(ScreenWindow& window, int id, int notification);
  void createControl(ScreenWindow& window, Control& control);
  void setFontFor(HWND hwnd, const Control& control, const std::wstring& text);
  // The window of an open screen, or nullptr.
  ScreenWindow* windowOf(const Screen& screen) const;
  // The window of a control of an open screen, or nullptr.
  HWND controlWindow(const Control& control) const;
  HWND activeWindow() const;

  HINSTANCE instance_;
  // The members go in the reverse of this order, after the destructor's body
  // has closed the windows, the top of the stack first. The fonts of
  // `layout_` and the common controls' library (whose window procedure the
  // progress bar runs on) stand before `windows_`, so that they are freed
  // only once no window uses them.
  DesktopLayout layout_;
  // The common controls (the progress bar), loaded when a screen first
  // shows one: a run with no window, /S, does not pay for them.
  LibraryHandle commonControls_;
  std::vector<std::unique_ptr<ScreenWindow>> windows_;  // one an open screen: a few
  std::optional<ExitStatus> endStatus_;                 // an end caught in a window procedure
  bool keepingAlive_ = false;                           // inside keepAlive(): handlers take nothing
};

}  // namespace rt::win32
