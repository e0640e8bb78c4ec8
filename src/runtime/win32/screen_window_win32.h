// What the Windows desktop keeps of an open screen, and how a screen's
// controls and their child windows find each other: a control's window is the
// child of its screen's window whose id is the control's (its place in the
// screen's controls), so that nothing else holds the window's handle.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

#include "runtime/screen.h"
#include "runtime/win32/handles.h"

namespace rt::win32 {

class Win32Desktop;

struct ScreenWindow {
  Win32Desktop* desktop;  // whichever desktop wraps it, this one draws it
  Screen* screen;
  WindowHandle hwnd;
  HWND lastFocus = nullptr;
  bool focusPlaced = false;
  bool driveChosen = false;  // the dropped drive list closes on a choice
};

constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL

inline int ControlId(const Screen& screen, const Control& control) {
  const auto& controls = screen.controls();
  const auto it = std::find_if(controls.begin(), controls.end(),
                               [&](const auto& c) { return c.get() == &control; });
  return kFirstControlId + static_cast<int>(it - controls.begin());
}

// The control of a child window's id, or nullptr.
inline Control* ControlOfId(const Screen& screen, long long id) {
  const auto& controls = screen.controls();
  const long long index = id - kFirstControlId;
  if (index < 0 || index >= static_cast<long long>(controls.size())) return nullptr;
  return controls[static_cast<size_t>(index)].get();
}

// A list index for a list window's message; -1 selects nothing.
inline WPARAM ListIndex(int index) {
  return static_cast<WPARAM>(static_cast<INT_PTR>(index));
}

}  // namespace rt::win32
