#include "support/scripted_user.h"

#include <algorithm>
#include <cctype>

#include "runtime/program.h"
#include "runtime/screen.h"
#include "runtime/text.h"

namespace rt {
namespace {

using scenario::StepKind;

bool IsMessageStep(StepKind kind) {
  return kind == StepKind::Message || kind == StepKind::Warning || kind == StepKind::Report;
}

// The scenario's steps; a scenario that cannot be read, or that needs real
// windows, fails before the program starts.
std::vector<scenario::Step> PlayableSteps(const std::string& text) {
  std::vector<scenario::Step> steps;
  try {
    steps = scenario::ParseScenario(text);
  } catch (const scenario::ScenarioError& error) {
    throw ScriptFailure{std::string("scenario ") + error.what()};
  }
  for (const auto& step : steps)
    if (scenario::NeedsRealWindows(step.kind))
      throw ScriptFailure{"scenario line " + std::to_string(step.line) + " (" + step.source +
                          "): this step needs real windows: the scenario runs under Wine only"};
  return steps;
}

Control* FindByCaption(const Screen& screen, const std::string& caption) {
  for (const auto& control : screen.controls())
    if (control->Caption() == caption) return control.get();
  return nullptr;
}

template <class T>
T* FindOfKind(const Screen& screen) {
  for (const auto& control : screen.controls())
    if (auto* found = dynamic_cast<T*>(control.get())) return found;
  return nullptr;
}

}  // namespace

int ScriptedUser::run(const std::function<ExitStatus()>& program) {
  steps_ = PlayableSteps(scenario_);
  next_ = 0;
  const DesktopInUse inUse(*this);
  const int status = ExitCode(program());
  if (const Step* left = nextStep()) fail(left, "the program has ended, but the scenario goes on");
  return status;
}

const ScriptedUser::Step* ScriptedUser::nextStep() {
  while (next_ < steps_.size() && steps_[next_].kind == StepKind::Shot) ++next_;
  return next_ < steps_.size() ? &steps_[next_] : nullptr;
}

void ScriptedUser::fail(const Step* step, const std::string& what) const {
  std::string message;
  if (step) message = "scenario line " + std::to_string(step->line) + " (" + step->source + "): ";
  throw ScriptFailure{message + what + "\n" + describeScreen()};
}

std::string ScriptedUser::describeScreen() const {
  std::string text = "On the desktop:";
  for (const Screen* screen : open_) {
    text += "\n  screen \"" + screen->Caption() + "\"" + (screen->enabled() ? "" : " (disabled)") +
            (screen->visible() ? "" : " (hidden)");
    for (const auto& control : screen->controls())
      if (!control->Caption().empty())
        text += "\n    " + std::string(control->name()) + ": \"" + control->Caption() + "\"" +
                (control->Visible() ? "" : " (hidden)");
  }
  if (open_.empty()) text += " no screen";
  return text;
}

Screen* ScriptedUser::topScreen() const {
  for (auto it = open_.rbegin(); it != open_.rend(); ++it)
    if ((*it)->visible()) return *it;
  return nullptr;
}

Screen& ScriptedUser::activeScreen(const Step& step) const {
  if (!current_) fail(&step, "no screen was named yet: start with a screen step");
  if (current_ != topScreen() || !current_->enabled())
    fail(&step, "screen \"" + current_->Caption() + "\" is not the active screen");
  return *current_;
}

void ScriptedUser::open(Screen& screen) {
  open_.push_back(&screen);
}

void ScriptedUser::close(Screen& screen) {
  open_.erase(std::remove(open_.begin(), open_.end(), &screen), open_.end());
  if (current_ == &screen) current_ = nullptr;
}

void ScriptedUser::add(Control& control) {
  const ControlLayout& box = control.layout();
  progressBars_.push_back(
      {control.screen().Caption(), box.left, box.top, box.width, box.height, 0, {}, false});
  shownBar_ = &control;
  update(control);
}

void ScriptedUser::remove(Control& control) {
  if (&control != shownBar_) return;
  progressBars_.back().removed = true;
  shownBar_ = nullptr;
}

void ScriptedUser::update(Control& control) {
  const auto* bar = dynamic_cast<const ProgressBar*>(&control);
  if (!bar || bar != shownBar_) return;
  ProgressRecord& record = progressBars_.back();
  record.max = bar->Max();
  if (record.values.empty() || record.values.back() != bar->Value())
    record.values.push_back(bar->Value());
}

void ScriptedUser::refresh(Screen& screen) {
  const Control* notice = screen.find("lblCopying");
  refreshes_.emplace_back(screen.Caption(), notice && notice->Visible());
}

void ScriptedUser::runUntil(const std::function<bool()>& done) {
  while (!done()) {
    const Step* step = nextStep();
    if (!step) fail(nullptr, "the scenario ended while the program waits for the user");
    perform(*step);
  }
}

void ScriptedUser::perform(const Step& step) {
  ++next_;
  if (IsMessageStep(step.kind)) fail(&step, "no message box is shown");
  if (step.kind == StepKind::Exit) fail(&step, "the program has not ended");
  if (step.kind == StepKind::Screen) {
    Screen* top = topScreen();
    if (!top || top->Caption() != step.argument)
      fail(&step, "that screen is not the one open on top");
    if (!top->enabled()) fail(&step, "the screen is disabled");
    if (top->WindowState() != vbMaximized) fail(&step, "the screen is not maximised");
    current_ = top;
    return;
  }
  if (step.kind == StepKind::Mark) {
    const auto action = marks_.find(step.argument);
    if (action == marks_.end()) fail(&step, "the test has no action for this mark");
    action->second();
    return;
  }
  if (step.kind == StepKind::Disabled) {
    const auto it = std::find_if(open_.begin(), open_.end(),
                                 [&](Screen* s) { return s->Caption() == step.argument; });
    if (it == open_.end()) fail(&step, "that screen is not open");
    if ((*it)->enabled()) fail(&step, "that screen is enabled");
    return;
  }
  act(step);
}

void ScriptedUser::act(const Step& step) {
  Screen& screen = activeScreen(step);
  if (step.kind == StepKind::Text || step.kind == StepKind::Hidden) {
    const Control* control = FindByCaption(screen, step.text);
    if (!control) fail(&step, "no control shows that text");
    if (control->Visible() != (step.kind == StepKind::Text))
      fail(&step, control->Visible() ? "the control is visible" : "the control is hidden");
  } else if (step.kind == StepKind::Click) {
    Control* control = FindByCaption(screen, step.argument);
    if (!control || !control->Visible() ||
        (control->kind() != ControlKind::Button && control->kind() != ControlKind::Option))
      fail(&step, "no visible button or option button has that caption");
    if (auto* option = dynamic_cast<OptionButton*>(control))
      RaiseEvent([option] { option->setValue(true); });
    else
      RaiseEvent(control->Click);
  } else if (step.kind == StepKind::Order) {
    // The controls stand in the layout's order, which is their z-order.
    size_t next = 0;
    const auto& texts = step.texts;
    for (const auto& control : screen.controls())
      if (next < texts.size() && control->Caption() == texts[next]) ++next;
    if (next < texts.size()) fail(&step, "\"" + texts[next] + "\" is out of order");
  } else if (step.kind == StepKind::Close) {
    RaiseEvent([&screen] { screen.closedByUser(); });
  } else if (step.kind == StepKind::Drive || step.kind == StepKind::ShowsDrive) {
    auto* drives = FindOfKind<DriveListBox>(screen);
    if (!drives) fail(&step, "the screen has no drive list");
    if (step.kind == StepKind::ShowsDrive) {
      if (drives->Drive() != std::string{step.letter, ':'})
        fail(&step, "the drive list shows " + drives->Drive());
      return;
    }
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(step.letter)));
    const auto& entries = drives->entries();
    if (std::none_of(entries.begin(), entries.end(),
                     [&](const auto& entry) { return entry.letter == letter; }))
      fail(&step, "the drive list has no such drive");
    RaiseEvent([drives, letter] { drives->setDrive(std::string{letter, ':', '\\'}); });
  } else if (step.kind == StepKind::Folder || step.kind == StepKind::ShowsFolder) {
    auto* folders = FindOfKind<DirListBox>(screen);
    if (!folders) fail(&step, "the screen has no folder list");
    if (step.kind == StepKind::ShowsFolder) {
      if (!SameNameIgnoringCase(folders->Path(), step.argument))
        fail(&step, "the folder list shows " + folders->Path());
      return;
    }
    const auto& entries = folders->entries();
    const auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& entry) {
      return SameNameIgnoringCase(entry.text, step.argument);
    });
    if (it == entries.end()) fail(&step, "the folder list has no such entry");
    const std::string path = it->path;
    RaiseEvent([folders, path] { folders->open(path); });
  } else {
    fail(&step, "the scripted user cannot play this step");
  }
}

void ScriptedUser::messageBox(const std::string& prompt, int buttons, const std::string& title) {
  messages_.push_back({title, prompt, buttons});
  const std::string shown = "the program shows a message box \"" + title + "\": \"" + prompt + "\"";
  const Step* step = nextStep();
  if (!step || !IsMessageStep(step->kind)) fail(step, shown);
  ++next_;
  if (step->kind == StepKind::Report) {
    if (title != AppTitle() || buttons != vbCritical ||
        prompt.find(step->text) == std::string::npos)
      fail(step, shown + " (buttons " + std::to_string(buttons) + ")");
    return;
  }
  const int wantButtons = step->kind == StepKind::Warning ? vbExclamation : vbOKOnly;
  if (title != step->title || prompt != step->text || buttons != wantButtons)
    fail(step, shown + " (buttons " + std::to_string(buttons) + ")");
}

void ScriptedUser::end(ExitStatus status) {
  const Step* step = nextStep();
  const int code = ExitCode(status);
  const std::string ended = "the program ends with exit status " + std::to_string(code);
  if (!step || step->kind != StepKind::Exit || step->status != code) fail(step, ended);
  ++next_;
  throw ProgramEnded{status};
}

}  // namespace rt
