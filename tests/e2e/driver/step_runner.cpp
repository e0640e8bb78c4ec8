#include "step_runner.h"

#include <cstdlib>
#include <thread>
#include <vector>

#include "bystander.h"
#include "control_steps.h"
#include "copy_steps.h"
#include "drawn_text_steps.h"
#include "keyboard.h"
#include "label_size_steps.h"
#include "list_steps.h"
#include "message_box_steps.h"
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

bool IsMessageStep(StepKind kind) {
  return kind == StepKind::Message || kind == StepKind::Warning || kind == StepKind::Report ||
         kind == StepKind::Outcome || kind == StepKind::ShowsMessage;
}

}  // namespace

std::optional<std::wstring> StepRunner::run(const Step& step) {
  measured_.clear();
  return waitFor(step, checkFor(step));
}

std::optional<std::wstring> StepRunner::waitFor(const Step& step, const Check& check) {
  const auto deadline = std::chrono::steady_clock::now() + options_.stepTimeout;
  for (;;) {
    // The end of the program, or a message box, that the step does not expect
    // fails it at once.
    if (step.kind != StepKind::Exit && step.kind != StepKind::Outcome) {
      if (const auto status = process_.exitStatus()) {
        return L"the program to keep running, but it ended with status " + std::to_wstring(*status);
      }
    }
    // A program started to show nothing must show nothing, ever: a window
    // of its own, or a message box, stays until someone answers it.
    if (options_.noWindows) {
      if (!VisibleTopLevelWindows(process_.id()).empty()) {
        return L"no window of the program, but it shows:\n" + DescribeWindows(process_.id());
      }
    }
    // A closing screen hands the activation to the screen below; no other
    // program's window may get it while the program runs.
    if (step.kind != StepKind::Exit && step.kind != StepKind::Outcome &&
        BystanderActivations() > 0) {
      return L"the activation to stay with the program, but another program's window was "
             L"activated";
    }
    // A screenshot may show a message box; keys go to whatever has the focus.
    // A box that keys have just answered may still be on its way out.
    if (!IsMessageStep(step.kind) && step.kind != StepKind::Shot && step.kind != StepKind::Keys) {
      if (const auto box = OpenMessageBox(process_.id())) {
        if (box->window != typedInto_ || std::chrono::steady_clock::now() > deadline) {
          return L"no message box, but the box " + Quoted(box->title) + L" shows " +
                 Quoted(box->text);
        }
        std::this_thread::sleep_for(options_.pollInterval);
        continue;
      }
    }
    Verdict verdict = check();
    if (verdict.state == Verdict::Holds) {
      heldAt_ = verdict.heldAt.value_or(std::chrono::steady_clock::now());
      measured_ = std::move(verdict.measured);
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
      return onScreen([&step](HWND screen) { return ShowsText(screen, step.text); });
    case StepKind::Hidden:
      return onScreen([&step](HWND screen) { return HasHiddenText(screen, step.text); });
    case StepKind::Click:
      return onScreen([&argument](HWND screen) { return ClickButton(screen, argument); });
    case StepKind::Close:
      return onScreen(CloseScreen);
    case StepKind::Disabled:
      return [this, &argument] { return screenDisabled(argument); };

    case StepKind::Message:
    case StepKind::Warning:
    case StepKind::Report:
    case StepKind::ShowsMessage:
      return [this, &step] { return AnswerMessageBox(process_.id(), step); };

    case StepKind::Drive:
      return onScreen([&step](HWND screen) { return ChooseDrive(screen, step.letter); });
    case StepKind::Folder:
      return onScreen([&argument](HWND screen) { return OpenFolder(screen, argument); });
    case StepKind::ShowsDrive:
      return onScreen([&step](HWND screen) { return ShowsDrive(screen, step.letter); });
    case StepKind::DriveEntry:
      return onScreen([&argument](HWND screen) { return ShowsDriveEntry(screen, argument); });
    case StepKind::ShowsFolder:
      return onScreen([&argument](HWND screen) { return ShowsFolder(screen, argument); });
    case StepKind::FolderHighlight:
      return onScreen(
          [&argument](HWND screen) { return FolderHighlight(screen, argument == L"focused"); });

    case StepKind::Shot:
      return [this, &argument] { return saveShot(argument); };
    case StepKind::Keys:
      return [this, &step] { return typeKeys(step.keys); };
    case StepKind::Focus:
      return onScreen([&argument](HWND screen) { return FocusOn(screen, argument); });
    case StepKind::Order:
      return onScreen([&step](HWND screen) { return InZOrder(screen, step.texts); });

    case StepKind::Measure:
      return onScreen([&step](HWND screen) {
        return MeasureLabel(screen, step.text, _wtoi(step.title.c_str()));
      });
    case StepKind::Legible:
      return onScreen([&step](HWND screen) { return LegibleText(screen, step.text); });
    case StepKind::SchemeColours:
      return onScreen([&step](HWND screen) { return InSchemeColours(screen, step.text); });
    case StepKind::TaskbarButtons:
      return [this, &step] { return TaskbarButtons(process_.id(), step.count); };

    case StepKind::Progress:
      return onScreen(ProgressPartWay);
    case StepKind::Responsive:
      return onScreen([&step](HWND screen) {
        return AnswersWhileCopying(screen, std::chrono::milliseconds(step.milliseconds));
      });

    case StepKind::Exit:
      return [this, &step] { return exitedWith(step.status); };
    case StepKind::Outcome:
      return [this] { return EndOfInstallation(process_, lastBox_); };

    case StepKind::Mark:  // refused when the scenario is read
      break;
  }
  return [] { return Verdict::failed(L"a step the driver knows"); };
}

StepRunner::Check StepRunner::onScreen(std::function<Verdict(HWND)> action) const {
  return [this, action = std::move(action)] { return actOnScreen(action); };
}

HWND StepRunner::currentScreen() const {
  return screenTitle_.empty() ? nullptr : ScreenTitled(process_.id(), screenTitle_);
}

Verdict StepRunner::actOnScreen(const std::function<Verdict(HWND)>& action) const {
  if (screenTitle_.empty()) return Verdict::failed(L"a screen step before this one");
  HWND screen = currentScreen();
  if (!screen) return Verdict::waiting(L"the screen " + Quoted(screenTitle_) + L" visible");
  Verdict verdict = action(screen);
  if (verdict.state != Verdict::Holds) {
    verdict.expected += L" on the screen " + Quoted(screenTitle_);
  }
  return verdict;
}

Verdict StepRunner::screenOnTop(const std::wstring& title) {
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

Verdict StepRunner::screenDisabled(const std::wstring& title) const {
  HWND window = ScreenTitled(process_.id(), title);
  if (window && !IsWindowEnabled(window)) return Verdict::holds();
  return Verdict::waiting(L"a disabled screen titled " + Quoted(title));
}

Verdict StepRunner::saveShot(const std::wstring& name) const {
  if (options_.shotsFolder.empty()) return Verdict::holds();
  if (HWND screen = currentScreen()) WaitUntilTaken(screen);
  std::this_thread::sleep_for(kPaintTime);
  const auto file = options_.shotsFolder / (name + L".bmp");
  if (!SaveScreenshot(file)) {
    return Verdict::failed(L"a screenshot saved as " + Quoted(file.wstring()));
  }
  return Verdict::holds();
}

Verdict StepRunner::typeKeys(const std::vector<scenario::KeyPress>& keys) {
  const auto box = OpenMessageBox(process_.id());
  typedInto_ = box ? box->window : nullptr;
  const int events = TypeKeys(keys);
  // Each look of the window's thread into its queue takes one message; a key
  // event makes up to two (the key, its character). When every look has
  // been made, the keys are taken.
  if (HWND screen = currentScreen()) {
    for (int i = 0; i < 2 * events; ++i) WaitUntilTaken(screen);
  }
  return Verdict::holds();
}

Verdict StepRunner::exitedWith(long long wanted) const {
  const auto status = process_.exitStatus();
  const std::wstring expected = L"the program ended with status " + std::to_wstring(wanted);
  if (!status) return Verdict::waiting(expected);
  // Statuses above 2^31 read as negative numbers too.
  if (static_cast<long long>(*status) == wanted ||
      static_cast<long long>(static_cast<int>(*status)) == wanted) {
    return Verdict::holds();
  }
  return Verdict::failed(expected + L", but it ended with status " +
                         std::to_wstring(static_cast<int>(*status)));
}

std::wstring StepRunner::outcome() const {
  return OutcomeOf(lastBox_);
}

}  // namespace e2e
