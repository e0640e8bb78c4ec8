#include "list_steps.h"

#include <cstdio>
#include <vector>

#include "process_windows.h"
#include "wide_text.h"
#include "win32_handles.h"

namespace e2e {
namespace {

std::wstring DriveOf(wchar_t letter) {
  return std::wstring(1, letter) + L":";
}

// Selects entry `index` of a list as a user would, and tells its screen with
// the notification the list sends for that.
void Pick(HWND list, UINT select, size_t index, WORD notification) {
  SendWithTimeout(list, select, index, 0);
  PostMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), notification),
               reinterpret_cast<LPARAM>(list));
  WaitUntilTaken(list);
}

}  // namespace

Verdict ChooseDrive(HWND screen, wchar_t letter) {
  const Verdict missing = Verdict::waiting(L"drive " + DriveOf(letter) + L" in the drive list");
  HWND list = FirstVisibleControl(screen, L"COMBOBOX");
  if (!list || !IsWindowEnabled(list) || !IsWindowEnabled(screen)) return missing;
  const auto items = ComboBoxItems(list);
  for (size_t i = 0; i < items.size(); ++i) {
    if (!StartsWithIgnoringCase(items[i], DriveOf(letter))) continue;
    Pick(list, CB_SETCURSEL, i, CBN_SELCHANGE);
    return Verdict::holds();
  }
  return missing;
}

Verdict OpenFolder(HWND screen, const std::wstring& name) {
  const Verdict missing = Verdict::waiting(L"the entry " + Quoted(name) + L" in the folder list");
  HWND list = FirstVisibleControl(screen, L"LISTBOX");
  if (!list || !IsWindowEnabled(list) || !IsWindowEnabled(screen)) return missing;
  const auto items = ListBoxItems(list);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] != name) continue;
    Pick(list, LB_SETCURSEL, i, LBN_DBLCLK);
    return Verdict::holds();
  }
  return missing;
}

Verdict ShowsDrive(HWND screen, wchar_t letter) {
  const Verdict missing =
      Verdict::waiting(L"drive " + DriveOf(letter) + L" selected in the drive list");
  HWND list = FirstVisibleControl(screen, L"COMBOBOX");
  if (!list) return missing;
  const auto items = ComboBoxItems(list);
  const int selected = ComboBoxSelection(list);
  if (selected < 0 || selected >= static_cast<int>(items.size()) ||
      !StartsWithIgnoringCase(items[selected], DriveOf(letter))) {
    return missing;
  }
  return Verdict::holds();
}

Verdict ShowsDriveEntry(HWND screen, const std::wstring& entry) {
  HWND list = FirstVisibleControl(screen, L"COMBOBOX");
  const auto items = list ? ComboBoxItems(list) : std::vector<std::wstring>{};
  const int selected = list ? ComboBoxSelection(list) : -1;
  if (selected >= 0 && selected < static_cast<int>(items.size()) &&
      items[static_cast<size_t>(selected)] == entry) {
    return Verdict::holds();
  }
  return Verdict::waiting(L"the drive list's selected entry reading " + Quoted(entry));
}

Verdict ShowsFolder(HWND screen, const std::wstring& folder) {
  HWND list = FirstVisibleControl(screen, L"LISTBOX");
  if (list && EqualIgnoringCase(TextOf(list), folder)) return Verdict::holds();
  return Verdict::waiting(L"the folder list on " + Quoted(folder));
}

Verdict FolderHighlight(HWND screen, bool focused) {
  const std::wstring expected = std::wstring(L"the folder list's selection drawn as ") +
                                (focused ? L"focused" : L"unfocused");
  HWND list = FirstVisibleControl(screen, L"LISTBOX");
  if (!list) return Verdict::waiting(expected);
  if ((FocusOf(screen) == list) != focused) {
    return Verdict::waiting(
        expected + (focused ? L" (the list has not the focus)" : L" (the list has the focus)"));
  }
  LRESULT selected = LB_ERR;
  RECT item{};
  if (!SendWithTimeout(list, LB_GETCURSEL, 0, 0, &selected) || selected < 0 ||
      !SendWithTimeout(list, LB_GETITEMRECT, static_cast<WPARAM>(selected),
                       reinterpret_cast<LPARAM>(&item))) {
    return Verdict::waiting(expected + L" (no selected entry)");
  }
  // A point of the selected line away from its text and its focus frame.
  POINT point{item.right - 3, (item.top + item.bottom) / 2};
  ClientToScreen(list, &point);
  const COLORREF shown = GetPixel(ScreenDc().get(), point.x, point.y);
  const COLORREF wanted = GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
  if (shown == wanted) return Verdict::holds();
  wchar_t colours[64];
  swprintf(colours, 64, L" (colour %06lX, not %06lX)", static_cast<unsigned long>(shown),
           static_cast<unsigned long>(wanted));
  return Verdict::waiting(expected + colours);
}

}  // namespace e2e
