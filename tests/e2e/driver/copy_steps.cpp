#include "copy_steps.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <thread>

#include "process_windows.h"

namespace e2e {
namespace {

// The screen's progress bar, while it is shown.
HWND ProgressBarOf(HWND screen) {
  return FirstVisibleControl(screen, PROGRESS_CLASSW);
}

}  // namespace

Verdict ProgressPartWay(HWND screen) {
  HWND bar = ProgressBarOf(screen);
  LRESULT position = 0, range = 0;
  if (!bar || !SendWithTimeout(bar, PBM_GETPOS, 0, 0, &position) ||
      !SendWithTimeout(bar, PBM_GETRANGE, FALSE, 0, &range) || position <= 0 || position >= range) {
    return Verdict::waiting(L"a progress bar part-way, its position above 0 and below its range");
  }
  return Verdict::holds(L"position " + std::to_wstring(position) + L" of " +
                        std::to_wstring(range));
}

Verdict AnswersWhileCopying(HWND screen, std::chrono::milliseconds limit) {
  constexpr auto kBetweenLooks = std::chrono::milliseconds(20);
  constexpr UINT kGiveUpMs = 10000;
  if (!ProgressBarOf(screen)) return Verdict::waiting(L"a progress bar, while the copy runs");
  std::chrono::milliseconds longest{0};
  int looks = 0;
  while (IsWindow(screen) && ProgressBarOf(screen)) {
    const auto sent = std::chrono::steady_clock::now();
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(screen, WM_NULL, 0, 0, SMTO_NORMAL, kGiveUpMs, &answer);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - sent);
    longest = std::max(longest, took);
    // Once, what "End task" sends: the screen must not close mid-copy.
    if (looks++ == 0) SendMessageTimeoutW(screen, WM_CLOSE, 0, 0, SMTO_NORMAL, kGiveUpMs, &answer);
    if (took > limit) {
      return Verdict::failed(L"the screen to answer within " + std::to_wstring(limit.count()) +
                             L" ms while the copy runs, but it took " +
                             std::to_wstring(took.count()) + L" ms");
    }
    std::this_thread::sleep_for(kBetweenLooks);
  }
  return Verdict::holds(std::to_wstring(looks) +
                        L" answers while the bar was shown, the longest in " +
                        std::to_wstring(longest.count()) + L" ms");
}

}  // namespace e2e
