// What the Windows desktop draws itself: the lines of the folder list
// (owner-drawn), and the colours of the scheme that the other texts are
// drawn in.
#pragma once

#include <windows.h>

#include "runtime/controls.h"
#include "runtime/win32/desktop_layout_win32.h"

namespace rt::win32 {

// One line of the folder list, as WM_DRAWITEM asks for it.
void DrawFolderItem(DesktopLayout& layout, const DirListBox& folders, const DRAWITEMSTRUCT& item);

// The colours of a label, an option button or a frame's caption
// (WM_CTLCOLORSTATIC) set into `dc`; returns the brush of the background.
HBRUSH StaticColours(HDC dc, const Control* control);

// A new colour scheme (WM_SYSCOLORCHANGE), which only top-level windows hear
// of: passes it on to the screen's controls and repaints them all.
void FollowColourScheme(HWND screen, WPARAM wParam, LPARAM lParam);

}  // namespace rt::win32
