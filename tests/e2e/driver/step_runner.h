// Runs the steps of a scenario against the installer's windows: waits for
// each step's state to hold, on the screen the steps act on.
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
#include "verdict.h"

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
  using Check = std::function<Verdict()>;

  std::optional<std::wstring> waitFor(const Step& step, const Check& check);
  Check checkFor(const Step& step);
  // A check of the screen the steps act on.
  Check onScreen(std::function<Verdict(HWND)> action) const;

  // The screen the steps act on, or nullptr while it is not visible.
  HWND currentScreen() const;
  Verdict actOnScreen(const std::function<Verdict(HWND)>& action) const;
  Verdict screenOnTop(const std::wstring& title);
  Verdict screenDisabled(const std::wstring& title) const;
  Verdict saveShot(const std::wstring& name) const;
  Verdict typeKeys(const std::vector<scenario::KeyPress>& keys);
  Verdict exitedWith(long long wanted) const;

  SetupProcess& process_;
  RunOptions options_;
  std::wstring screenTitle_;
  std::optional<MessageBoxView> lastBox_;  // the outcome step's box, answered
  std::chrono::steady_clock::time_point heldAt_;
  HWND typedInto_ = nullptr;  // the message box that the last keys went to
  std::wstring measured_;
};

}  // namespace e2e
