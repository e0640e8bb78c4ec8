// The desktop on Windows: each screen is a top-level window with the
// platform's own controls, placed from the screen's layout table.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "runtime/desktop.h"
#include "runtime/win32/layout_font.h"

namespace rt::win32 {

struct WindowDestroyer {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using WindowHandle = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

struct LibraryFreer {
  void operator()(HMODULE library) const { FreeLibrary(library); }
};
using LibraryHandle = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer>;

class Win32Desktop : public Desktop {
 public:
  explicit Win32Desktop(HINSTANCE instance);
  ~Win32Desktop() override;

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
  struct Window;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(Window& window, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Goes on with the end of the program that a window procedure caught.
  void resumeUnwinding();
  void createControl(Window& window, Control& control);
  void command(Window& window, int id, int notification);
  void drawFolderItem(Window& window, const DRAWITEMSTRUCT& item);
  // The layout font at `points` (0: the standard size), or the name font.
  HFONT font(int points, bool forNames = false);
  // The font to show `text` in, a name in any script, at `points`: the layout
  // font where it has a glyph for every character, else the name font.
  HFONT fontFor(const std::wstring& text, int points);
  void setFontFor(HWND hwnd, const Control& control, const std::wstring& text);
  HWND activeWindow() const;

  HINSTANCE instance_;
  int dpi_;
  // The window of an open screen, or nullptr.
  Window* windowOf(const Screen& screen) const;

  std::vector<std::unique_ptr<Window>> windows_;  // one an open screen: a few
  // By size in points (negative for a name font): a few.
  std::vector<std::pair<int, FontHandle>> fonts_;
  // The common controls (the progress bar), loaded when a screen first
  // shows one: a run with no window, /S, does not pay for them.
  LibraryHandle commonControls_;
  std::optional<ExitStatus> endStatus_;
  bool keepingAlive_ =
      false;  // inside keepAlive(): handlers take nothing  // an end caught in a window procedure
};

}  // namespace rt::win32
