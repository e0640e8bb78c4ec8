// Which of the system's message box icons an icon control shows.
#pragma once

#include <windows.h>

namespace e2e {

enum class BoxIcon { None, Stop, Exclamation, Information, Question, Unrecognised };

// Compares what the screen shows in the control with each system icon drawn
// the same size. None when the control is hidden.
BoxIcon RecogniseIcon(HWND iconControl);

const wchar_t* IconName(BoxIcon icon);

}  // namespace e2e
