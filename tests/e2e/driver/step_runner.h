// Runs the steps of a scenario against the installer's windows.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "message_box.h"
#include "scenario.h"
#include "setup_process.h"

namespace e2e {

struct RunOptions {
  std::chrono::milliseconds stepTimeout{15000};
  std::filesystem::path shotsFolder;           // empty: shot steps are skipped
  bool noWindows = false;                      // any window of the program fails the step
  std::chrono::milliseconds pollInterval{50};  // between two looks at the windows
};

class StepRunner {
 public:
  StepRunner(SetupProcess& process, RunOptions options)
      : process_(process), options_(std::move(options)) {}

  // Waits until the step's state holds and does its action. Returns what was
  // expected when it did not come in time; nothing when the step passed.
  std::optional<std::wstring> run(const Step& step);

  // After an `outcome` step: the exit status and the text of the last box.
  std::wstring outcome() const;
  // When the last step's state was seen to hold: for a click or a message
  // box, the moment before the button is pressed.
  std::chrono::steady_clock::time_point heldAt() const { return heldAt_; }
  // What the last step measured, for the report; empty when nothing.
  const std::wstring& measured() const { return measured_; }

 private:
  struct Verdict {
    enum State { Holds, Waiting, Failed };
    State state;
    std::wstring expected;  // what is still missing

    static Verdict holds() { return {Holds, {}}; }
    static Verdict waiting(std::wstring expected) { return {Waiting, std::move(expected)}; }
    static Verdict failed(std::wstring expected) { return {Failed, std::move(expected)}; }
  };
  using Check = std::function<Verdict()>;

  std::optional<std::wstring> waitFor(const Step& step, const Check& check);
  Check checkFor(const Step& step);

  // The screen the steps act on, or nullptr while it is not visible.
  HWND currentScreen() const;
  Verdict actOnScreen(const std::function<Verdict(HWND)>& action) const;
  Verdict screenOnTop(const std::wstring& title);
  Verdict answerMessageBox(const Step& step) const;
  Verdict chooseDrive(HWND screen, wchar_t letter) const;
  Verdict openFolder(HWND screen, const std::wstring& name) const;
  Verdict saveShot(const std::wstring& name) const;
  Verdict endOfInstallation();
  Verdict typeKeys(const std::vector<scenario::KeyPress>& keys) const;
  Verdict focusOn(HWND screen, const std::wstring& name) const;
  Verdict inOrder(HWND screen, const std::vector<std::wstring>& texts) const;
  Verdict folderHighlight(HWND screen, bool focused) const;
  Verdict measureLabel(HWND screen, const Step& step) const;
  Verdict legibleText(HWND screen, const std::wstring& text) const;
  Verdict progressPartWay(HWND screen) const;
  Verdict answersWhileCopying(HWND screen, std::chrono::milliseconds limit);
  Verdict inSchemeColours(HWND screen, const std::wstring& text) const;
  Verdict taskbarButtons(long long wanted) const;

  SetupProcess& process_;
  RunOptions options_;
  std::wstring screenTitle_;
  std::optional<MessageBoxView> lastBox_;  // the outcome step's box, answered
  mutable std::chrono::steady_clock::time_point heldAt_;
  mutable HWND typedInto_ = nullptr;  // the message box that the last keys went to
  mutable std::wstring measured_;
};

}  // namespace e2e
