#include "scenario.h"

#include <array>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>

#include "keyboard.h"
#include "wide_text.h"

namespace e2e {
namespace {

struct Keyword {
  std::wstring_view word;
  StepKind kind;
  bool takesArgument;
};

constexpr std::array kKeywords = {
    Keyword{L"screen", StepKind::Screen, true},
    Keyword{L"text", StepKind::Text, true},
    Keyword{L"hidden", StepKind::Hidden, true},
    Keyword{L"click", StepKind::Click, true},
    Keyword{L"close", StepKind::Close, false},
    Keyword{L"disabled", StepKind::Disabled, true},
    Keyword{L"message", StepKind::Message, true},
    Keyword{L"warning", StepKind::Warning, true},
    Keyword{L"report", StepKind::Report, true},
    Keyword{L"drive", StepKind::Drive, true},
    Keyword{L"folder", StepKind::Folder, true},
    Keyword{L"shows-drive", StepKind::ShowsDrive, true},
    Keyword{L"drive-entry", StepKind::DriveEntry, true},
    Keyword{L"shows-folder", StepKind::ShowsFolder, true},
    Keyword{L"keys", StepKind::Keys, true},
    Keyword{L"focus", StepKind::Focus, true},
    Keyword{L"order", StepKind::Order, true},
    Keyword{L"folder-highlight", StepKind::FolderHighlight, true},
    Keyword{L"shows-message", StepKind::ShowsMessage, true},
    Keyword{L"measure", StepKind::Measure, true},
    Keyword{L"shot", StepKind::Shot, true},
    Keyword{L"exit", StepKind::Exit, true},
    Keyword{L"outcome", StepKind::Outcome, false},
};

// A message box's text: "\n" stands for a line break.
std::wstring WithLineBreaks(std::wstring_view text) {
  std::wstring result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'n') {
      result += L'\n';
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

std::wstring_view TrimmedRight(std::wstring_view text) {
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\t' || text.back() == L'\r')) {
    text.remove_suffix(1);
  }
  return text;
}

wchar_t DriveLetter(const Step& step) {
  std::wstring_view letter = step.argument;
  if (letter.size() == 2 && letter[1] == L':') letter.remove_suffix(1);
  if (letter.size() != 1 || !std::iswalpha(letter[0])) {
    throw ScenarioError(step.line,
                        "expected a drive letter, found \"" + WideToUtf8(step.argument) + "\"");
  }
  return static_cast<wchar_t>(std::towlower(letter[0]));
}

void SplitTitleAndText(Step& step) {
  const auto bar = step.argument.find(L" | ");
  if (bar == std::wstring::npos) throw ScenarioError(step.line, "expected \"TITLE | TEXT\"");
  step.title = step.argument.substr(0, bar);
  step.text = WithLineBreaks(std::wstring_view(step.argument).substr(bar + 3));
}

long long ExitStatus(const Step& step) {
  try {
    size_t used = 0;
    const long long status = std::stoll(step.argument, &used);
    if (used == step.argument.size()) return status;
  } catch (const std::exception&) {
  }
  throw ScenarioError(step.line,
                      "expected an exit status, found \"" + WideToUtf8(step.argument) + "\"");
}

Step ParseStep(int line, std::wstring_view source) {
  const auto space = source.find(L' ');
  const std::wstring_view word = source.substr(0, space);
  const std::wstring_view rest =
      space == std::wstring_view::npos ? std::wstring_view{} : source.substr(space + 1);
  for (const Keyword& keyword : kKeywords) {
    if (keyword.word != word) continue;
    Step step;
    step.line = line;
    step.kind = keyword.kind;
    step.source = source;
    step.argument = rest;
    if (keyword.takesArgument && step.argument.empty()) {
      throw ScenarioError(line, WideToUtf8(word) + " needs an argument");
    }
    if (!keyword.takesArgument && !step.argument.empty()) {
      throw ScenarioError(line, WideToUtf8(word) + " takes no argument");
    }
    switch (step.kind) {
      case StepKind::Message:
      case StepKind::Warning:
      case StepKind::ShowsMessage:
      case StepKind::Measure:
        SplitTitleAndText(step);
        break;
      case StepKind::Keys:
        if (const auto unknown = UnknownKey(step.argument))
          throw ScenarioError(line, "unknown key \"" + WideToUtf8(*unknown) + "\"");
        break;
      case StepKind::Order:
        for (size_t start = 0;;) {
          const size_t bar = step.argument.find(L" | ", start);
          step.texts.push_back(step.argument.substr(start, bar - start));
          if (bar == std::wstring::npos) break;
          start = bar + 3;
        }
        break;
      case StepKind::FolderHighlight:
        if (step.argument != L"focused" && step.argument != L"unfocused")
          throw ScenarioError(line, "folder-highlight takes \"focused\" or \"unfocused\"");
        break;
      case StepKind::Drive:
      case StepKind::ShowsDrive:
        step.letter = DriveLetter(step);
        break;
      case StepKind::Exit:
        step.status = ExitStatus(step);
        break;
      default:
        break;
    }
    return step;
  }
  if (word == L"mark") {
    throw ScenarioError(line,
                        "mark changes the world of the native tests: the scenario runs "
                        "natively only");
  }
  throw ScenarioError(line, "unknown step \"" + WideToUtf8(word) + "\"");
}

bool IsLast(const Step& step) {
  return step.kind == StepKind::Exit || step.kind == StepKind::Outcome;
}

}  // namespace

std::vector<Step> ParseScenario(const std::string& content) {
  std::wstring text = Utf8ToWide(content);
  if (!text.empty() && text.front() == L'\xFEFF') text.erase(0, 1);
  std::vector<Step> steps;
  std::wistringstream lines(text);
  std::wstring raw;
  int line = 0;
  while (std::getline(lines, raw)) {
    ++line;
    const std::wstring_view source = TrimmedRight(raw);
    if (source.empty() || source.front() == L'#') continue;
    if (!steps.empty() && IsLast(steps.back())) {
      throw ScenarioError(line, "a step after " + WideToUtf8(steps.back().source));
    }
    steps.push_back(ParseStep(line, source));
  }
  if (steps.empty() || !IsLast(steps.back())) {
    throw ScenarioError(line, "the scenario does not end with exit or outcome");
  }
  return steps;
}

std::vector<Step> ReadScenario(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ScenarioError(0, "cannot read " + WideToUtf8(file.wstring()));
  const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return ParseScenario(content);
}

}  // namespace e2e
