#include "scenario_parser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <sstream>

namespace scenario {
namespace {

struct Keyword {
  std::string_view word;
  StepKind kind;
  bool takesArgument;
  bool needsRealWindows;
};

constexpr std::array kKeywords = {
    Keyword{"screen", StepKind::Screen, true, false},
    Keyword{"text", StepKind::Text, true, false},
    Keyword{"hidden", StepKind::Hidden, true, false},
    Keyword{"click", StepKind::Click, true, false},
    Keyword{"close", StepKind::Close, false, false},
    Keyword{"disabled", StepKind::Disabled, true, false},
    Keyword{"message", StepKind::Message, true, false},
    Keyword{"warning", StepKind::Warning, true, false},
    Keyword{"report", StepKind::Report, true, false},
    Keyword{"drive", StepKind::Drive, true, false},
    Keyword{"folder", StepKind::Folder, true, false},
    Keyword{"shows-drive", StepKind::ShowsDrive, true, false},
    Keyword{"shows-folder", StepKind::ShowsFolder, true, false},
    Keyword{"order", StepKind::Order, true, false},
    Keyword{"shot", StepKind::Shot, true, false},
    Keyword{"mark", StepKind::Mark, true, false},
    Keyword{"exit", StepKind::Exit, true, false},
    Keyword{"keys", StepKind::Keys, true, true},
    Keyword{"focus", StepKind::Focus, true, true},
    Keyword{"folder-highlight", StepKind::FolderHighlight, true, true},
    Keyword{"shows-message", StepKind::ShowsMessage, true, true},
    Keyword{"measure", StepKind::Measure, true, true},
    Keyword{"drive-entry", StepKind::DriveEntry, true, true},
    Keyword{"legible", StepKind::Legible, true, true},
    Keyword{"progress", StepKind::Progress, true, true},
    Keyword{"responsive", StepKind::Responsive, true, true},
    Keyword{"scheme-colours", StepKind::SchemeColours, true, true},
    Keyword{"taskbar-buttons", StepKind::TaskbarButtons, true, true},
    Keyword{"outcome", StepKind::Outcome, false, true},
};

constexpr std::array<std::pair<std::string_view, Key>, 8> kKeyNames = {{
    {"Tab", Key::Tab},
    {"Space", Key::Space},
    {"Return", Key::Return},
    {"Escape", Key::Escape},
    {"Up", Key::Up},
    {"Down", Key::Down},
    {"Left", Key::Left},
    {"Right", Key::Right},
}};

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trimmed(std::string_view text) {
  const auto start = text.find_first_not_of(kBlanks);
  if (start == std::string_view::npos) return {};
  return text.substr(start, text.find_last_not_of(kBlanks) - start + 1);
}

// "\n" stands for a line break.
std::string WithLineBreaks(std::string_view text) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      result += '\n';
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

std::vector<std::string> SplitAtBars(std::string_view text) {
  std::vector<std::string> parts;
  for (size_t start = 0;;) {
    const size_t bar = text.find(" | ", start);
    parts.emplace_back(text.substr(start, bar - start));
    if (bar == std::string_view::npos) return parts;
    start = bar + 3;
  }
}

void SplitTitleAndText(Step& step) {
  const auto bar = step.argument.find(" | ");
  if (bar == std::string::npos) throw ScenarioError(step.line, "expected \"TITLE | TEXT\"");
  step.title = step.argument.substr(0, bar);
  step.text = WithLineBreaks(std::string_view(step.argument).substr(bar + 3));
}

char DriveLetter(const Step& step) {
  std::string_view letter = step.argument;
  if (letter.size() == 2 && letter[1] == ':') letter.remove_suffix(1);
  const char c = letter.size() == 1
                     ? static_cast<char>(std::tolower(static_cast<unsigned char>(letter[0])))
                     : '\0';
  if (c < 'a' || c > 'z')
    throw ScenarioError(step.line, "expected a drive letter, found \"" + step.argument + "\"");
  return c;
}

long long Number(const Step& step, const std::string& what) {
  try {
    size_t used = 0;
    const long long number = std::stoll(step.argument, &used);
    if (used == step.argument.size()) return number;
  } catch (const std::exception&) {
  }
  throw ScenarioError(step.line, "expected " + what + ", found \"" + step.argument + "\"");
}

// Key names separated by blanks, each after any of "Shift+" and "Alt+".
std::vector<KeyPress> Keys(const Step& step) {
  std::vector<KeyPress> keys;
  std::istringstream names(step.argument);
  for (std::string word; names >> word;) {
    KeyPress press{Key::Tab};
    std::string_view name = word;
    for (;;) {
      if (name.starts_with("Shift+")) {
        press.shift = true;
        name.remove_prefix(6);
      } else if (name.starts_with("Alt+")) {
        press.alt = true;
        name.remove_prefix(4);
      } else {
        break;
      }
    }
    const auto* known = std::find_if(kKeyNames.begin(), kKeyNames.end(),
                                     [&](const auto& key) { return key.first == name; });
    if (known == kKeyNames.end()) throw ScenarioError(step.line, "unknown key \"" + word + "\"");
    press.key = known->second;
    keys.push_back(press);
  }
  return keys;
}

const Keyword* Find(std::string_view word) {
  for (const Keyword& keyword : kKeywords)
    if (keyword.word == word) return &keyword;
  return nullptr;
}

Step ParseStep(int line, std::string_view source) {
  const auto space = source.find(' ');
  const std::string_view word = source.substr(0, space);
  const Keyword* keyword = Find(word);
  if (!keyword) throw ScenarioError(line, "unknown step \"" + std::string(word) + "\"");
  Step step;
  step.line = line;
  step.kind = keyword->kind;
  step.source = source;
  if (space != std::string_view::npos)
    step.argument = source.substr(source.find_first_not_of(' ', space));
  if (keyword->takesArgument && step.argument.empty())
    throw ScenarioError(line, std::string(word) + " needs an argument");
  if (!keyword->takesArgument && !step.argument.empty())
    throw ScenarioError(line, std::string(word) + " takes no argument");
  switch (step.kind) {
    case StepKind::Text:
    case StepKind::Hidden:
    case StepKind::Report:
    case StepKind::Legible:
    case StepKind::SchemeColours:
      step.text = WithLineBreaks(step.argument);
      break;
    case StepKind::Message:
    case StepKind::Warning:
    case StepKind::ShowsMessage:
    case StepKind::Measure:
      SplitTitleAndText(step);
      break;
    case StepKind::Order:
      step.texts = SplitAtBars(step.argument);
      break;
    case StepKind::Keys:
      step.keys = Keys(step);
      break;
    case StepKind::FolderHighlight:
      if (step.argument != "focused" && step.argument != "unfocused")
        throw ScenarioError(line, "folder-highlight takes \"focused\" or \"unfocused\"");
      break;
    case StepKind::Drive:
    case StepKind::ShowsDrive:
      step.letter = DriveLetter(step);
      break;
    case StepKind::Exit:
      step.status = Number(step, "an exit status");
      break;
    case StepKind::Progress:
      if (step.argument != "part-way") throw ScenarioError(line, "progress takes \"part-way\"");
      break;
    case StepKind::Responsive:
      step.milliseconds = Number(step, "milliseconds");
      break;
    case StepKind::TaskbarButtons:
      step.count = Number(step, "a number of windows");
      break;
    default:
      break;
  }
  return step;
}

bool IsLast(const Step& step) {
  return step.kind == StepKind::Exit || step.kind == StepKind::Outcome;
}

}  // namespace

std::vector<Step> ParseScenario(std::string_view content) {
  if (content.starts_with("\xEF\xBB\xBF")) content.remove_prefix(3);  // a byte order mark
  std::vector<Step> steps;
  int line = 0;
  for (size_t start = 0; start < content.size();) {
    const size_t end = std::min(content.find('\n', start), content.size());
    const std::string_view source = Trimmed(content.substr(start, end - start));
    start = end + 1;
    ++line;
    if (source.empty() || source.front() == '#') continue;
    if (!steps.empty() && IsLast(steps.back()))
      throw ScenarioError(line, "a step after " + steps.back().source);
    steps.push_back(ParseStep(line, source));
  }
  if (steps.empty() || !IsLast(steps.back()))
    throw ScenarioError(line, "the scenario does not end with exit or outcome");
  return steps;
}

bool NeedsRealWindows(StepKind kind) {
  for (const Keyword& keyword : kKeywords)
    if (keyword.kind == kind) return keyword.needsRealWindows;
  return false;
}

}  // namespace scenario
