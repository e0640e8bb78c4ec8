// A scenario as the driver plays it: the steps that the shared parser reads,
// their texts made wide for the window functions.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/scenario_parser.h"

namespace e2e {

using scenario::ScenarioError;
using scenario::StepKind;

// The fields of scenario::Step, in wide text.
struct Step {
  int line = 0;
  StepKind kind = StepKind::Exit;
  std::wstring source;
  std::wstring argument;
  std::wstring title;
  std::wstring text;
  std::vector<std::wstring> texts;
  std::vector<scenario::KeyPress> keys;
  wchar_t letter = 0;
  long long status = 0;
  long long milliseconds = 0;
  long long count = 0;
};

// Reads a scenario file (UTF-8). Throws ScenarioError for one that the parser
// refuses, and for a `mark` step, which only the native tests can play.
std::vector<Step> ReadScenario(const std::filesystem::path& file);

}  // namespace e2e
