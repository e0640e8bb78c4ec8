#include "step_runner.h"

#include <thread>
#include <vector>

#include "box_icon.h"
#include "message_box.h"
#include "process_windows.h"
#include "screenshot.h"
#include "wide_text.h"

namespace e2e {
namespace {

// Time for a screen to paint itself before a screenshot.
constexpr auto kPaintTime = std::chrono::milliseconds(300);

std::vector<HWND> Screens(DWORD processId) {
  std::vector<HWND> screens;
  for (HWND window : VisibleTopLevelWindows(processId)) {
    if (!IsMessageBox(window)) screens.push_back(window);
  }
  return screens;
}

HWND ScreenTitled(DWORD processId, const std::wstring& title) {
  for (HWND window : Screens(processId)) {
    if (TextOf(window) == title) return window;
  }
  return nullptr;
}

HWND ButtonCaptioned(HWND screen, const std::wstring& caption) {
  for (HWND control : ControlsOf(screen)) {
    if (EqualIgnoringCase(ClassNameOf(control), L"BUTTON") &&
        !IsButtonClass(control, BS_GROUPBOX) && IsWindowVisible(control) &&
        TextOf(control) == caption) {
      return control;
    }
  }
  return nullptr;
}

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

bool IsMessageStep(StepKind kind) {
  return kind == StepKind::Message || kind == StepKind::Warning || kind == StepKind::Report;
}

}  // namespace

std::optional<std::wstring> StepRunner::run(const Step& step) {
  return waitFor(step, checkFor(step));
}

std::optional<std::wstring> StepRunner::waitFor(const Step& step, const Check& check) {
  const auto deadline = std::chrono::steady_clock::now() + options_.stepTimeout;
  heldAt_ = {};
  for (;;) {
    // The end of the program, or a message box, that the step does not expect
    // fails it at once.
    if (step.kind != StepKind::Exit) {
      if (const auto status = process_.exitStatus()) {
        return L"the program to keep running, but it ended with status " + std::to_wstring(*status);
      }
    }
    // A screenshot may show a message box.
    if (!IsMessageStep(step.kind) && step.kind != StepKind::Shot) {
      if (const auto box = OpenMessageBox(process_.id())) {
        return L"no message box, but the box " + Quoted(box->title) + L" shows " +
               Quoted(box->text);
      }
    }
    const Verdict verdict = check();
    if (verdict.state == Verdict::Holds) {
      if (heldAt_ == std::chrono::steady_clock::time_point{}) {
        heldAt_ = std::chrono::steady_clock::now();
      }
      return std::nullopt;
    }
    if (verdict.state == Verdict::Failed || std::chrono::steady_clock::now() > deadline) {
      return verdict.expected;
    }
    std::this_thread::sleep_for(options_.pollInterval);
  }
}

StepRunner::Check StepRunner::checkFor(const Step& step) {
  const std::wstring& argument = step.argument;
  switch (step.kind) {
    case StepKind::Screen:
      return [this, &argument] { return screenOnTop(argument); };

    case StepKind::Text:
      return [this, &argument] {
        return actOnScreen([&](HWND screen) {
          for (HWND control : ControlsOf(screen)) {
            if (IsWindowVisible(control) && TextOf(control) == argument) return Verdict::holds();
          }
          return Verdict::waiting(L"a visible control showing " + Quoted(argument));
        });
      };

    case StepKind::Hidden:
      return [this, &argument] {
        return actOnScreen([&](HWND screen) {
          for (HWND control : ControlsOf(screen)) {
            if (!HasVisibleStyle(control) && TextOf(control) == argument) return Verdict::holds();
          }
          return Verdict::waiting(L"a hidden control with text " + Quoted(argument));
        });
      };

    case StepKind::Click:
      return [this, &argument] {
        return actOnScreen([&](HWND screen) {
          HWND button = ButtonCaptioned(screen, argument);
          if (!button || !IsWindowEnabled(button) || !IsWindowEnabled(screen)) {
            return Verdict::waiting(L"an enabled button " + Quoted(argument) +
                                    L" on an enabled screen");
          }
          heldAt_ = std::chrono::steady_clock::now();
          PostMessageW(button, BM_CLICK, 0, 0);
          WaitUntilTaken(button);
          return Verdict::holds();
        });
      };

    case StepKind::Close:
      return [this] {
        return actOnScreen([&](HWND screen) {
          if (!IsWindowEnabled(screen)) return Verdict::waiting(L"the screen enabled");
          PostMessageW(screen, WM_SYSCOMMAND, SC_CLOSE, 0);
          WaitUntilTaken(screen);
          return Verdict::holds();
        });
      };

    case StepKind::Disabled:
      return [this, &argument] {
        HWND window = ScreenTitled(process_.id(), argument);
        if (window && !IsWindowEnabled(window)) return Verdict::holds();
        return Verdict::waiting(L"a disabled screen titled " + Quoted(argument));
      };

    case StepKind::Message:
    case StepKind::Warning:
    case StepKind::Report:
      return [this, &step] { return answerMessageBox(step); };

    case StepKind::Drive:
      return [this, &step] {
        return actOnScreen([&](HWND screen) { return chooseDrive(screen, step.letter); });
      };

    case StepKind::Folder:
      return [this, &argument] {
        return actOnScreen([&](HWND screen) { return openFolder(screen, argument); });
      };

    case StepKind::ShowsDrive:
      return [this, &step] {
        return actOnScreen([&](HWND screen) {
          const Verdict missing =
              Verdict::waiting(L"drive " + DriveOf(step.letter) + L" selected in the drive list");
          HWND list = FirstVisibleControl(screen, L"COMBOBOX");
          if (!list) return missing;
          const auto items = ComboBoxItems(list);
          const int selected = ComboBoxSelection(list);
          if (selected < 0 || selected >= static_cast<int>(items.size()) ||
              !StartsWithIgnoringCase(items[selected], DriveOf(step.letter))) {
            return missing;
          }
          return Verdict::holds();
        });
      };

    case StepKind::ShowsFolder:
      return [this, &argument] {
        return actOnScreen([&](HWND screen) {
          HWND list = FirstVisibleControl(screen, L"LISTBOX");
          if (list && EqualIgnoringCase(TextOf(list), argument)) return Verdict::holds();
          return Verdict::waiting(L"the folder list on " + Quoted(argument));
        });
      };

    case StepKind::Shot:
      return [this, &argument] { return saveShot(argument); };

    case StepKind::Exit:
      return [this, &step] {
        const auto status = process_.exitStatus();
        const std::wstring expected =
            L"the program ended with status " + std::to_wstring(step.status);
        if (!status) return Verdict::waiting(expected);
        // Statuses above 2^31 read as negative numbers too.
        if (static_cast<long long>(*status) == step.status ||
            static_cast<long long>(static_cast<int>(*status)) == step.status) {
          return Verdict::holds();
        }
        return Verdict::failed(expected + L", but it ended with status " +
                               std::to_wstring(static_cast<int>(*status)));
      };
  }
  return [] { return Verdict::failed(L"a step the driver knows"); };
}

HWND StepRunner::currentScreen() const {
  return screenTitle_.empty() ? nullptr : ScreenTitled(process_.id(), screenTitle_);
}

StepRunner::Verdict StepRunner::actOnScreen(const std::function<Verdict(HWND)>& action) const {
  if (screenTitle_.empty()) return Verdict::failed(L"a screen step before this one");
  HWND screen = currentScreen();
  if (!screen) return Verdict::waiting(L"the screen " + Quoted(screenTitle_) + L" visible");
  Verdict verdict = action(screen);
  if (verdict.state != Verdict::Holds) {
    verdict.expected += L" on the screen " + Quoted(screenTitle_);
  }
  return verdict;
}

StepRunner::Verdict StepRunner::screenOnTop(const std::wstring& title) {
  const std::wstring expected = L"the screen " + Quoted(title);
  const std::vector<HWND> screens = Screens(process_.id());
  HWND screen = nullptr;
  for (HWND window : screens) {
    if (TextOf(window) == title) {
      screen = window;
      break;
    }
  }
  if (!screen) return Verdict::waiting(expected + L" visible");
  if (screens.front() != screen) {
    return Verdict::waiting(expected + L" on top, but " + Quoted(TextOf(screens.front())) +
                            L" is above it");
  }
  if (!IsWindowEnabled(screen)) return Verdict::waiting(expected + L" enabled");
  if (!IsZoomed(screen)) return Verdict::waiting(expected + L" maximised");
  screenTitle_ = title;
  return Verdict::holds();
}

StepRunner::Verdict StepRunner::answerMessageBox(const Step& step) const {
  const bool isReport = step.kind == StepKind::Report;
  const std::wstring title = isReport ? L"setup" : step.title;
  std::wstring expected = L"a message box " + Quoted(title);
  expected += isReport ? L" whose text contains " + Quoted(step.argument)
                       : L" showing " + Quoted(step.text);
  if (step.kind == StepKind::Warning) expected += L" with the exclamation icon";
  if (isReport) expected += L" with the stop icon";

  const auto box = OpenMessageBox(process_.id());
  if (!box || box->title != title) return Verdict::waiting(expected);
  const bool textFits =
      isReport ? box->text.find(step.argument) != std::wstring::npos : box->text == step.text;
  if (!textFits) return Verdict::waiting(expected);
  if (step.kind != StepKind::Message) {
    const BoxIcon wanted = isReport ? BoxIcon::Stop : BoxIcon::Exclamation;
    const BoxIcon shown = RecogniseIcon(box->icon);
    if (shown != wanted) {
      return Verdict::waiting(expected + L" (the icon shown: " + IconName(shown) + L")");
    }
  }
  heldAt_ = std::chrono::steady_clock::now();
  if (!PressOk(*box)) return Verdict::failed(expected + L" that closes when OK is pressed");
  return Verdict::holds();
}

StepRunner::Verdict StepRunner::chooseDrive(HWND screen, wchar_t letter) const {
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

StepRunner::Verdict StepRunner::openFolder(HWND screen, const std::wstring& name) const {
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

StepRunner::Verdict StepRunner::saveShot(const std::wstring& name) const {
  if (options_.shotsFolder.empty()) return Verdict::holds();
  if (HWND screen = currentScreen()) WaitUntilTaken(screen);
  std::this_thread::sleep_for(kPaintTime);
  const auto file = options_.shotsFolder / (name + L".bmp");
  if (!SaveScreenshot(file)) {
    return Verdict::failed(L"a screenshot saved as " + Quoted(file.wstring()));
  }
  return Verdict::holds();
}

}  // namespace e2e
