#include "runtime/posix/scripted_user.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "runtime/program.h"
#include "runtime/screen.h"
#include "runtime/text.h"

namespace rt {
namespace {

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out.push_back('\n');
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// Splits "TITLE | TEXT" at the first " | ".
std::pair<std::string, std::string> TitleAndText(const std::string& argument) {
  const auto bar = argument.find(" | ");
  if (bar == std::string::npos) return {"", Unescape(argument)};
  return {argument.substr(0, bar), Unescape(argument.substr(bar + 3))};
}

// Steps that only real windows can play: keys, focus, what is drawn.
bool IsWindowsOnlyStep(const std::string& keyword) {
  return keyword == "keys" || keyword == "focus" || keyword == "folder-highlight" ||
         keyword == "shows-message" || keyword == "measure";
}

bool IsMessageStep(const std::string& keyword) {
  return keyword == "message" || keyword == "warning" || keyword == "report";
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

ScriptedUser::ScriptedUser(const std::string& scenario) {
  std::istringstream in(scenario);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    const auto stop = line.find_last_not_of(" \t\r");
    line = line.substr(start, stop - start + 1);
    const auto space = line.find(' ');
    Step step{number, line.substr(0, space), ""};
    if (space != std::string::npos) step.argument = line.substr(line.find_first_not_of(' ', space));
    steps_.push_back(step);
  }
}

int ScriptedUser::run(const std::function<int()>& program) {
  SetDesktop(this);
  struct Leave {
    ~Leave() { SetDesktop(nullptr); }
  } leave;
  const int status = program();
  if (const Step* left = nextStep()) fail(left, "the program has ended, but the scenario goes on");
  return status;
}

const ScriptedUser::Step* ScriptedUser::nextStep() {
  while (next_ < steps_.size() && steps_[next_].keyword == "shot") ++next_;
  return next_ < steps_.size() ? &steps_[next_] : nullptr;
}

void ScriptedUser::fail(const Step* step, const std::string& what) const {
  std::string message;
  if (step)
    message = "scenario line " + std::to_string(step->line) + " (" + step->keyword + " " +
              step->argument + "): ";
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
  progressBars_.push_back({control.screen().Caption(), 0, {}, false});
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
  if (IsWindowsOnlyStep(step.keyword))
    fail(&step, "this step needs real windows: the scenario runs under Wine only");
  if (IsMessageStep(step.keyword)) fail(&step, "no message box is shown");
  if (step.keyword == "exit") fail(&step, "the program has not ended");
  if (step.keyword == "screen") {
    Screen* top = topScreen();
    if (!top || top->Caption() != step.argument)
      fail(&step, "that screen is not the one open on top");
    if (!top->enabled()) fail(&step, "the screen is disabled");
    if (top->WindowState() != vbMaximized) fail(&step, "the screen is not maximised");
    current_ = top;
    return;
  }
  if (step.keyword == "mark") {
    const auto action = marks_.find(step.argument);
    if (action == marks_.end()) fail(&step, "the test has no action for this mark");
    action->second();
    return;
  }
  if (step.keyword == "disabled") {
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
  if (step.keyword == "text" || step.keyword == "hidden") {
    const Control* control = FindByCaption(screen, Unescape(step.argument));
    if (!control) fail(&step, "no control shows that text");
    if (control->Visible() != (step.keyword == "text"))
      fail(&step, control->Visible() ? "the control is visible" : "the control is hidden");
  } else if (step.keyword == "click") {
    Control* control = FindByCaption(screen, step.argument);
    if (!control || !control->Visible() ||
        (control->kind() != ControlKind::Button && control->kind() != ControlKind::Option))
      fail(&step, "no visible button or option button has that caption");
    if (auto* option = dynamic_cast<OptionButton*>(control))
      RaiseEvent([option] { option->setValue(true); });
    else
      RaiseEvent(control->Click);
  } else if (step.keyword == "order") {
    // The controls stand in the layout's order, which is their z-order.
    size_t next = 0;
    std::string want = step.argument;
    std::vector<std::string> texts;
    for (size_t bar; (bar = want.find(" | ")) != std::string::npos; want = want.substr(bar + 3))
      texts.push_back(want.substr(0, bar));
    texts.push_back(want);
    for (const auto& control : screen.controls())
      if (next < texts.size() && control->Caption() == texts[next]) ++next;
    if (next < texts.size()) fail(&step, "\"" + texts[next] + "\" is out of order");
  } else if (step.keyword == "close") {
    RaiseEvent([&screen] { screen.closedByUser(); });
  } else if (step.keyword == "drive" || step.keyword == "shows-drive") {
    auto* drives = FindOfKind<DriveListBox>(screen);
    if (!drives) fail(&step, "the screen has no drive list");
    const char letter =
        static_cast<char>(std::toupper(static_cast<unsigned char>(step.argument[0])));
    if (step.keyword == "shows-drive") {
      const std::string want{static_cast<char>(std::tolower(static_cast<unsigned char>(letter))),
                             ':'};
      if (drives->Drive() != want) fail(&step, "the drive list shows " + drives->Drive());
      return;
    }
    const auto& entries = drives->entries();
    if (std::none_of(entries.begin(), entries.end(),
                     [&](const auto& entry) { return entry.letter == letter; }))
      fail(&step, "the drive list has no such drive");
    RaiseEvent([drives, letter] { drives->setDrive(std::string{letter, ':', '\\'}); });
  } else if (step.keyword == "folder" || step.keyword == "shows-folder") {
    auto* folders = FindOfKind<DirListBox>(screen);
    if (!folders) fail(&step, "the screen has no folder list");
    if (step.keyword == "shows-folder") {
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
    RaiseEvent([folders, path] { folders->setPath(path); });
  } else {
    fail(&step, "unknown step");
  }
}

void ScriptedUser::messageBox(const std::string& prompt, int buttons, const std::string& title) {
  messages_.push_back({title, prompt, buttons});
  const std::string shown = "the program shows a message box \"" + title + "\": \"" + prompt + "\"";
  const Step* step = nextStep();
  if (!step || !IsMessageStep(step->keyword)) fail(step, shown);
  ++next_;
  if (step->keyword == "report") {
    if (title != AppTitle() || buttons != vbCritical ||
        prompt.find(Unescape(step->argument)) == std::string::npos)
      fail(step, shown + " (buttons " + std::to_string(buttons) + ")");
    return;
  }
  const auto [wantTitle, wantText] = TitleAndText(step->argument);
  const int wantButtons = step->keyword == "warning" ? vbExclamation : vbOKOnly;
  if (title != wantTitle || prompt != wantText || buttons != wantButtons)
    fail(step, shown + " (buttons " + std::to_string(buttons) + ")");
}

void ScriptedUser::end(int status) {
  const Step* step = nextStep();
  const std::string ended = "the program ends with exit status " + std::to_string(status);
  if (!step || step->keyword != "exit" || step->argument != std::to_string(status))
    fail(step, ended);
  ++next_;
  throw ProgramEnded{status};
}

}  // namespace rt
