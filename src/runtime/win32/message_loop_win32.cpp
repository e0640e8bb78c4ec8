// The Windows desktop's message loop, its window procedure, the message box,
// and the end of the program: how ProgramEnded gets past the system's frames.
#include <exception>
#include <optional>
#include <utility>

#include "runtime/screen.h"
#include "runtime/win32/desktop_win32.h"
#include "runtime/win32/painting_win32.h"
#include "runtime/win32/screen_window_win32.h"
#include "runtime/win32/wide.h"

namespace rt::win32 {

void Win32Desktop::runUntil(const std::function<bool()>& done) {
  MSG message;
  while (!done()) {
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) end(ExitStatus::Ended);
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && GetWindowLongPtrW(root, GWLP_USERDATA) && IsDialogMessageW(root, &message)) {
      resumeUnwinding();
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
    resumeUnwinding();
  }
}

void Win32Desktop::messageBox(const std::string& prompt, int buttons, const std::string& title) {
  // Keys and clicks that came while the program took no input (during the
  // copy, say) were meant for what was on the screen then, not for this box:
  // it waits for an answer given after it has appeared.
  MSG typedAhead;
  while (PeekMessageW(&typedAhead, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
  while (PeekMessageW(&typedAhead, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
  }
  MessageBoxW(activeWindow(), Widen(prompt).c_str(), Widen(title).c_str(),
              static_cast<UINT>(buttons) | MB_SETFOREGROUND);
  resumeUnwinding();
}

void Win32Desktop::end(ExitStatus status) {
  throw ProgramEnded{status};
}

void Win32Desktop::resumeUnwinding() {
  if (const auto status = std::exchange(endStatus_, std::nullopt)) throw ProgramEnded{*status};
}

// Long work takes no input, but the windows stay painted, and the messages
// that other programs and the system send are answered: a program that looks
// at no message for 5 seconds is shown as not responding. Input stays queued
// and is not acted on.
void Win32Desktop::keepAlive() {
  keepingAlive_ = true;
  MSG message;
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&message);
  keepingAlive_ = false;
  resumeUnwinding();
}

LRESULT CALLBACK Win32Desktop::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* window = reinterpret_cast<ScreenWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!window) return DefWindowProcW(hwnd, message, wParam, lParam);
  // No exception crosses the system's frames: the end of the program waits
  // until the system has returned to the loop that dispatched the message.
  // Every other failure is a handler's, which RaiseEvent has reported.
  try {
    return window->desktop->handle(*window, hwnd, message, wParam, lParam);
  } catch (const ProgramEnded& ended) {
    window->desktop->endStatus_ = ended.status;
    return 0;
  } catch (...) {
    std::terminate();  // reported by the program's terminate handler
  }
}

LRESULT Win32Desktop::handle(ScreenWindow& window, HWND hwnd, UINT message, WPARAM wParam,
                             LPARAM lParam) {
  // While long work keeps the windows alive, what another program sends
  // them is answered but not acted on: no screen closes, no button is
  // pressed in the middle of a handler.
  if (keepingAlive_ && (message == WM_CLOSE || message == WM_COMMAND)) return 0;
  switch (message) {
    case WM_CLOSE: {
      Screen* screen = window.screen;
      RaiseEvent([screen] { screen->closedByUser(); });
      return 0;
    }
    case WM_COMMAND:
      command(window, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus)) window.lastFocus = focus;
      } else if (window.lastFocus && IsWindow(window.lastFocus)) {
        SetFocus(window.lastFocus);
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC: {  // a label, an option button or the frame's caption
      const Control* control =
          ControlOfId(*window.screen, GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
      return reinterpret_cast<LRESULT>(StaticColours(reinterpret_cast<HDC>(wParam), control));
    }
    case WM_SYSCOLORCHANGE:
      FollowColourScheme(hwnd, wParam, lParam);
      return 0;
    case WM_DRAWITEM: {  // a line of the folder list
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (const auto* folders = As<const DirListBox>(ControlOfId(*window.screen, item.CtlID)))
        DrawFolderItem(layout_, *folders, item);
      return TRUE;
    }
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace rt::win32
