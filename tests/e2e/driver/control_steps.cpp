#include "control_steps.h"

#include <chrono>

#include "process_windows.h"
#include "wide_text.h"

namespace e2e {
namespace {

HWND ButtonCaptioned(HWND screen, const std::wstring& caption) {
  for (HWND control : ControlsOf(screen)) {
    if (EqualIgnoringCase(ClassNameOf(control), L"BUTTON") &&
        !IsButtonClass(control, BS_GROUPBOX) && IsWindowVisible(control) &&
        TextOf(control) == caption) {
      return control;
    }
  }
  return nullptr;
}

// What a screen reader calls the control: its own text, or for a list (which
// has none) the text of the label just before it in z-order.
std::wstring AccessibleName(HWND control) {
  const std::wstring className = ClassNameOf(control);
  if (!EqualIgnoringCase(className, L"COMBOBOX") && !EqualIgnoringCase(className, L"LISTBOX"))
    return TextOf(control);
  for (HWND before = GetWindow(control, GW_HWNDPREV); before;
       before = GetWindow(before, GW_HWNDPREV)) {
    if (!HasVisibleStyle(before)) continue;
    if (EqualIgnoringCase(ClassNameOf(before), L"STATIC")) return TextOf(before);
    break;
  }
  return {};
}

}  // namespace

Verdict ShowsText(HWND screen, const std::wstring& text) {
  for (HWND control : ControlsOf(screen)) {
    if (IsWindowVisible(control) && TextOf(control) == text) return Verdict::holds();
  }
  return Verdict::waiting(L"a visible control showing " + Quoted(text));
}

Verdict HasHiddenText(HWND screen, const std::wstring& text) {
  for (HWND control : ControlsOf(screen)) {
    if (!HasVisibleStyle(control) && TextOf(control) == text) return Verdict::holds();
  }
  return Verdict::waiting(L"a hidden control with text " + Quoted(text));
}

Verdict ClickButton(HWND screen, const std::wstring& caption) {
  HWND button = ButtonCaptioned(screen, caption);
  if (!button || !IsWindowEnabled(button) || !IsWindowEnabled(screen)) {
    return Verdict::waiting(L"an enabled button " + Quoted(caption) + L" on an enabled screen");
  }
  const auto heldAt = std::chrono::steady_clock::now();
  PostMessageW(button, BM_CLICK, 0, 0);
  WaitUntilTaken(button);
  return Verdict::holdsSince(heldAt);
}

Verdict CloseScreen(HWND screen) {
  if (!IsWindowEnabled(screen)) return Verdict::waiting(L"the screen enabled");
  PostMessageW(screen, WM_SYSCOMMAND, SC_CLOSE, 0);
  WaitUntilTaken(screen);
  return Verdict::holds();
}

Verdict FocusOn(HWND screen, const std::wstring& name) {
  HWND focus = FocusOf(screen);
  if (focus && IsChild(screen, focus) && AccessibleName(focus) == name) return Verdict::holds();
  std::wstring found = L"nothing";
  if (focus) found = ClassNameOf(focus) + L" named " + Quoted(AccessibleName(focus));
  return Verdict::waiting(L"the focus on the control named " + Quoted(name) + L" (it is on " +
                          found + L")");
}

Verdict InZOrder(HWND screen, const std::vector<std::wstring>& texts) {
  size_t next = 0;
  for (HWND control = GetWindow(GetWindow(screen, GW_CHILD), GW_HWNDFIRST);
       control && next < texts.size(); control = GetWindow(control, GW_HWNDNEXT)) {
    if (TextOf(control) == texts[next]) ++next;
  }
  if (next == texts.size()) return Verdict::holds();
  return Verdict::failed(L"the controls in this z-order, from the top; the first out of place: " +
                         Quoted(texts[next]));
}

// The windows of the program that the taskbar gives a button (and Alt+Tab
// an entry): visible top-level windows that no window owns, or that ask for
// one (WS_EX_APPWINDOW), but tool windows.
Verdict TaskbarButtons(DWORD processId, long long wanted) {
  long long buttons = 0;
  for (HWND window : VisibleTopLevelWindows(processId)) {
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    const bool owned = GetWindow(window, GW_OWNER) != nullptr;
    if ((!owned || (exStyle & WS_EX_APPWINDOW)) && !(exStyle & WS_EX_TOOLWINDOW)) ++buttons;
  }
  if (buttons == wanted) return Verdict::holds();
  return Verdict::waiting(std::to_wstring(wanted) + L" windows with a taskbar button, but " +
                          std::to_wstring(buttons) + L" have one:\n" + DescribeWindows(processId));
}

}  // namespace e2e
