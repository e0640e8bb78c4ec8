// What the driver sees of another process's windows: top-level windows in
// Z-order, their controls, texts and list items.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// Visible top-level windows of the process, the topmost first.
std::vector<HWND> VisibleTopLevelWindows(DWORD processId);

std::wstring ClassNameOf(HWND window);
// The window's text as the system keeps it (no message to the window), line
// breaks as "\n".
std::wstring TextOf(HWND window);
// The window has WS_VISIBLE itself, whatever its parents are.
bool HasVisibleStyle(HWND window);
bool IsMessageBox(HWND window);
bool IsButtonClass(HWND window, LONG buttonType);

// Every control under the window (children and their children).
std::vector<HWND> ControlsOf(HWND window);
// The first control of the class ("COMBOBOX", "LISTBOX") that is visible.
HWND FirstVisibleControl(HWND window, const wchar_t* className);
// The window of the thread of `window` that has the keyboard focus.
HWND FocusOf(HWND window);

std::vector<std::wstring> ComboBoxItems(HWND comboBox);
int ComboBoxSelection(HWND comboBox);
std::vector<std::wstring> ListBoxItems(HWND listBox);

// Sends a message across processes; false if the window did not answer in time.
bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                     LRESULT* result = nullptr);
// Returns once the window's thread has taken the messages posted to it before
// the call: a handler that opened a modal loop counts as taken.
void WaitUntilTaken(HWND window);

// A description of all the process's visible windows and their controls,
// for failure messages.
std::wstring DescribeWindows(DWORD processId);

}  // namespace e2e
