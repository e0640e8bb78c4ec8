// A scripted user in place of the screen: runs a scenario (see
// tests/scenarios/README.md) against the program's screens and message boxes,
// and records what the program showed and how it ended.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "runtime/desktop.h"
#include "support/scenario_parser.h"

namespace rt {

class Screen;

// A step that does not fit what is on the screen. Not a std::exception, so
// that no handler of the program mistakes it for one of its own failures.
struct ScriptFailure {
  std::string message;
};

struct MessageRecord {
  std::string title;
  std::string text;
  int buttons;
};

class ScriptedUser : public Desktop {
 public:
  explicit ScriptedUser(std::string scenario) : scenario_(std::move(scenario)) {}

  // Runs the program with this user as the desktop in use and returns the
  // number its process would leave with. Throws ScriptFailure when the
  // program and the scenario part, or when the scenario cannot be read or
  // needs real windows.
  int run(const std::function<ExitStatus()>& program);

  // What the test does to the world at a `mark NAME` step.
  void onMark(const std::string& name, std::function<void()> action) {
    marks_[name] = std::move(action);
  }

  const std::vector<MessageRecord>& messages() const { return messages_; }
  // Every repaint asked for: the screen's title and whether its lblCopying
  // notice was visible at that moment.
  const std::vector<std::pair<std::string, bool>>& refreshes() const { return refreshes_; }
  // Every progress bar a screen showed: on which screen, its range, the
  // values it went through, and whether it was taken away again.
  struct ProgressRecord {
    std::string screen;
    int left, top, width, height;  // in twips
    std::uint64_t max = 0;
    std::vector<std::uint64_t> values;
    bool removed = false;
  };
  const std::vector<ProgressRecord>& progressBars() const { return progressBars_; }

  void open(Screen& screen) override;
  void close(Screen& screen) override;
  void add(Control& control) override;
  void remove(Control& control) override;
  void show(Screen&) override {}
  void hide(Screen&) override {}
  void setEnabled(Screen&, bool) override {}
  void update(Control& control) override;
  void refresh(Screen& screen) override;
  void runUntil(const std::function<bool()>& done) override;
  void messageBox(const std::string& prompt, int buttons, const std::string& title) override;
  [[noreturn]] void end(ExitStatus status) override;

 private:
  using Step = scenario::Step;

  const Step* nextStep();  // skips the shots
  [[noreturn]] void fail(const Step* step, const std::string& what) const;
  std::string describeScreen() const;
  Screen* topScreen() const;
  Screen& activeScreen(const Step& step) const;
  void perform(const Step& step);
  void act(const Step& step);

  std::string scenario_;
  std::map<std::string, std::function<void()>> marks_;
  std::vector<Step> steps_;
  size_t next_ = 0;
  std::vector<Screen*> open_;
  Screen* current_ = nullptr;
  std::vector<MessageRecord> messages_;
  std::vector<std::pair<std::string, bool>> refreshes_;
  std::vector<ProgressRecord> progressBars_;
  const Control* shownBar_ = nullptr;
};

}  // namespace rt
