#include "message_box.h"

#include <chrono>
#include <thread>

#include "process_windows.h"
#include "wide_text.h"

namespace e2e {
namespace {

// The control id of the message text in a MessageBox dialog.
constexpr int kMessageTextId = 0xFFFF;

MessageBoxView Read(HWND window) {
  MessageBoxView box;
  box.window = window;
  box.title = TextOf(window);
  HWND textById = nullptr;
  HWND longestText = nullptr;
  size_t longest = 0;
  for (HWND control : ControlsOf(window)) {
    const std::wstring className = ClassNameOf(control);
    if (EqualIgnoringCase(className, L"STATIC")) {
      if ((GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        box.icon = control;
      } else if (GetDlgCtrlID(control) == kMessageTextId) {
        textById = control;
      } else if (const size_t length = TextOf(control).size(); !longestText || length > longest) {
        longestText = control;
        longest = length;
      }
    } else if (EqualIgnoringCase(className, L"BUTTON") &&
               (GetDlgCtrlID(control) == IDOK || TextOf(control) == L"OK")) {
      box.okButton = control;
    }
  }
  if (HWND text = textById ? textById : longestText) box.text = TextOf(text);
  return box;
}

}  // namespace

std::optional<MessageBoxView> OpenMessageBox(DWORD processId) {
  for (HWND window : VisibleTopLevelWindows(processId)) {
    if (IsMessageBox(window)) return Read(window);
  }
  return std::nullopt;
}

bool PressOk(const MessageBoxView& box) {
  if (!box.okButton) return false;
  PostMessageW(box.okButton, BM_CLICK, 0, 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (IsWindow(box.window) && IsWindowVisible(box.window)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace e2e
