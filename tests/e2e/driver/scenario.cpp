#include "scenario.h"

#include <fstream>
#include <iterator>

#include "wide_text.h"

namespace e2e {
namespace {

Step Wide(const scenario::Step& step) {
  if (step.kind == StepKind::Mark) {
    throw ScenarioError(step.line,
                        "mark changes the world of the native tests: the scenario runs "
                        "natively only");
  }
  std::vector<std::wstring> texts;
  for (const std::string& text : step.texts) texts.push_back(Utf8ToWide(text));
  return Step{.line = step.line,
              .kind = step.kind,
              .source = Utf8ToWide(step.source),
              .argument = Utf8ToWide(step.argument),
              .title = Utf8ToWide(step.title),
              .text = Utf8ToWide(step.text),
              .texts = std::move(texts),
              .keys = step.keys,
              .letter = static_cast<wchar_t>(step.letter),
              .status = step.status,
              .milliseconds = step.milliseconds,
              .count = step.count};
}

}  // namespace

std::vector<Step> ReadScenario(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ScenarioError(0, "cannot read " + WideToUtf8(file.wstring()));
  const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<Step> steps;
  for (const scenario::Step& step : scenario::ParseScenario(content)) steps.push_back(Wide(step));
  return steps;
}

}  // namespace e2e
