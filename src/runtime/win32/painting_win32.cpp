#include "runtime/win32/painting_win32.h"

#include <string>

#include "runtime/win32/layout_font.h"
#include "runtime/win32/wide.h"

namespace rt::win32 {

// Indented by its depth, with an open folder for the path down to the current
// folder and a closed one for its sub-folders.
void DrawFolderItem(DesktopLayout& layout, const DirListBox& folders, const DRAWITEMSTRUCT& item) {
  if (item.itemID >= folders.entries().size()) return;
  const auto& entry = folders.entries()[item.itemID];
  // The selection stands out in the highlight colours, with a focus frame,
  // only while the list has the focus; else it is drawn in the inactive ones.
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const bool focused = GetFocus() == item.hwndItem;
  const int background = !selected ? COLOR_WINDOW : focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE;
  const int foreground = !selected ? COLOR_WINDOWTEXT
                         : focused ? COLOR_HIGHLIGHTTEXT
                                   : COLOR_BTNTEXT;
  HDC dc = item.hDC;
  RECT box = item.rcItem;
  FillRect(dc, &box, GetSysColorBrush(background));

  const auto scale = [&layout](int px) { return layout.scaled(px); };
  const int left = box.left + scale(4) + entry.depth * scale(12);
  const int middle = (box.top + box.bottom) / 2;
  BrushHandle fill(CreateSolidBrush(entry.open ? RGB(255, 232, 140) : RGB(230, 190, 60)));
  RECT tab{left, middle - scale(5), left + scale(5), middle - scale(3)};
  RECT body{left, middle - scale(3), left + scale(13), middle + scale(5)};
  FillRect(dc, &tab, fill.get());
  FillRect(dc, &body, fill.get());
  FrameRect(dc, &body, GetSysColorBrush(COLOR_WINDOWTEXT));

  RECT text = box;
  text.left = left + scale(18);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(foreground));
  const std::wstring name = Widen(entry.text);
  const HGDIOBJ listFont = SelectObject(dc, layout.fontFor(name, folders.layout().fontPoints));
  DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(dc, listFont);
  if (selected && focused) DrawFocusRect(dc, &item.rcItem);
}

// The text in the colours of the system's scheme: the bordered folder label
// as a field, every other one on the screen's face.
HBRUSH StaticColours(HDC dc, const Control* control) {
  const int face = control && (control->layout().notes & kBordered) ? COLOR_WINDOW : COLOR_BTNFACE;
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(face));
  return GetSysColorBrush(face);
}

void FollowColourScheme(HWND screen, WPARAM wParam, LPARAM lParam) {
  for (HWND child = GetWindow(screen, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    SendMessageW(child, WM_SYSCOLORCHANGE, wParam, lParam);
  RedrawWindow(screen, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace rt::win32
