// Steps on the screen while the copy runs: its progress bar, and its answers
// to other programs.
#pragma once

#include <windows.h>

#include <chrono>

#include "verdict.h"

namespace e2e {

// The progress bar stands part-way: its position above 0 and below its range.
Verdict ProgressPartWay(HWND screen);
// For as long as the progress bar is shown, the screen answers a message
// that another program sends it within `limit`, again and again; a WM_CLOSE
// sent to it once meanwhile is answered and not acted on.
Verdict AnswersWhileCopying(HWND screen, std::chrono::milliseconds limit);

}  // namespace e2e
