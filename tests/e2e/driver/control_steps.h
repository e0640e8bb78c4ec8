// Steps on the controls of a screen and on the program's windows: texts,
// buttons, the focus, the z-order, the taskbar.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "verdict.h"

namespace e2e {

// A visible control of the screen shows the text.
Verdict ShowsText(HWND screen, const std::wstring& text);
// A control of the screen without WS_VISIBLE has the text.
Verdict HasHiddenText(HWND screen, const std::wstring& text);
// Clicks the enabled button of that caption, once the screen is enabled.
Verdict ClickButton(HWND screen, const std::wstring& caption);
// Closes the screen as its system menu does, once it is enabled.
Verdict CloseScreen(HWND screen);
// The keyboard focus is on a control of the screen that has the name.
Verdict FocusOn(HWND screen, const std::wstring& name);
// The screen's controls show the texts in this z-order, from the top.
Verdict InZOrder(HWND screen, const std::vector<std::wstring>& texts);
// The process has `wanted` windows with a taskbar button.
Verdict TaskbarButtons(DWORD processId, long long wanted);

}  // namespace e2e
