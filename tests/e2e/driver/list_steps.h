// Steps on the screen's drive list (a combo box) and folder list (a list box).
#pragma once

#include <windows.h>

#include <string>

#include "verdict.h"

namespace e2e {

// Picks the drive in the drive list, as a user would.
Verdict ChooseDrive(HWND screen, wchar_t letter);
// Opens the folder list's entry of that name, as a double click does.
Verdict OpenFolder(HWND screen, const std::wstring& name);
// The drive list's selected entry is the drive's.
Verdict ShowsDrive(HWND screen, wchar_t letter);
// The drive list's selected entry reads `entry`.
Verdict ShowsDriveEntry(HWND screen, const std::wstring& entry);
// The folder list is on the folder (the list's text; letter case aside).
Verdict ShowsFolder(HWND screen, const std::wstring& folder);
// The screen shows the folder list's selected entry as a focused list or an
// unfocused one draws it.
Verdict FolderHighlight(HWND screen, bool focused);

}  // namespace e2e
