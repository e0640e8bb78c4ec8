#include "process_windows.h"

#include <array>

#include "box_icon.h"
#include "wide_text.h"

namespace e2e {
namespace {

constexpr UINT kAnswerTimeoutMs = 5000;

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM search) {
  auto& s = *reinterpret_cast<WindowSearch*>(search);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == s.processId && IsWindowVisible(window)) s.found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM found) {
  reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

std::wstring ItemText(HWND list, UINT lengthMessage, UINT textMessage, int index) {
  LRESULT length = 0;
  if (!SendWithTimeout(list, lengthMessage, index, 0, &length) || length < 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  LRESULT copied = 0;
  if (!SendWithTimeout(list, textMessage, index, reinterpret_cast<LPARAM>(text.data()), &copied) ||
      copied < 0) {
    return {};
  }
  text.resize(static_cast<size_t>(copied));
  return text;
}

std::vector<std::wstring> Items(HWND list, UINT countMessage, UINT lengthMessage,
                                UINT textMessage) {
  LRESULT count = 0;
  std::vector<std::wstring> items;
  if (!SendWithTimeout(list, countMessage, 0, 0, &count)) return items;
  for (int i = 0; i < count; ++i) items.push_back(ItemText(list, lengthMessage, textMessage, i));
  return items;
}

std::wstring States(HWND window) {
  std::wstring states = HasVisibleStyle(window) ? L"visible" : L"hidden";
  if (!IsWindowEnabled(window)) states += L", disabled";
  return states;
}

std::wstring DescribeItems(const std::vector<std::wstring>& items, int selected) {
  if (items.empty()) return L" no items";
  std::wstring text = L" items:";
  for (size_t i = 0; i < items.size(); ++i) {
    text += L" " + Quoted(items[i]);
    if (static_cast<int>(i) == selected) text += L"(selected)";
  }
  return text;
}

std::wstring DescribeControl(HWND control) {
  const std::wstring className = ClassNameOf(control);
  std::wstring line =
      L"    " + className + L" " + Quoted(TextOf(control)) + L" (" + States(control) + L")";
  if (EqualIgnoringCase(className, L"COMBOBOX")) {
    line += DescribeItems(ComboBoxItems(control), ComboBoxSelection(control));
  } else if (EqualIgnoringCase(className, L"LISTBOX")) {
    LRESULT selected = LB_ERR;
    SendWithTimeout(control, LB_GETCURSEL, 0, 0, &selected);
    line += DescribeItems(ListBoxItems(control), static_cast<int>(selected));
  } else if (EqualIgnoringCase(className, L"STATIC") &&
             (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    line += L" icon: ";
    line += IconName(RecogniseIcon(control));
  }
  return line + L"\n";
}

}  // namespace

std::vector<HWND> VisibleTopLevelWindows(DWORD processId) {
  WindowSearch search{processId, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring ClassNameOf(HWND window) {
  std::array<wchar_t, 256> name{};
  const int length = GetClassNameW(window, name.data(), static_cast<int>(name.size()));
  return std::wstring(name.data(), length > 0 ? static_cast<size_t>(length) : 0);
}

std::wstring TextOf(HWND window) {
  std::wstring text(8192, L'\0');
  const int length = InternalGetWindowText(window, text.data(), static_cast<int>(text.size()));
  text.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return WithUnixLineBreaks(std::move(text));
}

bool HasVisibleStyle(HWND window) {
  return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsMessageBox(HWND window) {
  return ClassNameOf(window) == L"#32770";
}

bool IsButtonClass(HWND window, LONG buttonType) {
  return EqualIgnoringCase(ClassNameOf(window), L"BUTTON") &&
         (GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK) == buttonType;
}

std::vector<HWND> ControlsOf(HWND window) {
  std::vector<HWND> found;
  EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FirstVisibleControl(HWND window, const wchar_t* className) {
  for (HWND control : ControlsOf(window)) {
    if (EqualIgnoringCase(ClassNameOf(control), className) && IsWindowVisible(control)) {
      return control;
    }
  }
  return nullptr;
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

std::vector<std::wstring> ComboBoxItems(HWND comboBox) {
  return Items(comboBox, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

int ComboBoxSelection(HWND comboBox) {
  LRESULT selected = CB_ERR;
  SendWithTimeout(comboBox, CB_GETCURSEL, 0, 0, &selected);
  return static_cast<int>(selected);
}

std::vector<std::wstring> ListBoxItems(HWND listBox) {
  return Items(listBox, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  DWORD_PTR answer = 0;
  const bool answered =
      SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                          kAnswerTimeoutMs, &answer) != 0;
  if (result) *result = static_cast<LRESULT>(answer);
  return answered;
}

void WaitUntilTaken(HWND window) {
  // A sent message is handled before the posted ones at the next look into
  // the queue: the second answer comes only after that look took the posted
  // message and handled it, or entered a loop of its own.
  SendWithTimeout(window, WM_NULL, 0, 0);
  SendWithTimeout(window, WM_NULL, 0, 0);
}

std::wstring DescribeWindows(DWORD processId) {
  const std::vector<HWND> windows = VisibleTopLevelWindows(processId);
  if (windows.empty()) return L"  no visible window\n";
  std::wstring text;
  for (HWND window : windows) {
    text += L"  " + std::wstring(IsMessageBox(window) ? L"message box " : L"window ") +
            Quoted(TextOf(window)) + L" [" + ClassNameOf(window) + L"]" +
            (IsWindowEnabled(window) ? L" enabled" : L" disabled") +
            (IsZoomed(window) ? L", maximised" : L", not maximised") + L"\n";
    for (HWND control : ControlsOf(window)) text += DescribeControl(control);
  }
  return text;
}

}  // namespace e2e
