// A scenario: the steps of a user's session with the installer, one a line.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {

enum class StepKind {
  Screen,
  Text,
  Hidden,
  Click,
  Close,
  Disabled,
  Message,
  Warning,
  Report,
  Drive,
  Folder,
  ShowsDrive,
  DriveEntry,
  ShowsFolder,
  Keys,
  Focus,
  Order,
  FolderHighlight,
  ShowsMessage,
  Measure,
  Shot,
  Exit,
  Outcome,
};

struct Step {
  int line = 0;
  StepKind kind = StepKind::Exit;
  std::wstring source;              // the line as written
  std::wstring argument;            // the rest of the line after the keyword
  std::wstring title;               // message and warning: the box's title
  std::wstring text;                // message and warning: the box's text, "\n" made a line break
  std::vector<std::wstring> texts;  // order: the controls' texts, topmost first
  wchar_t letter = 0;               // drive and shows-drive: the drive letter, lower case
  long long status = 0;             // exit
};

class ScenarioError : public std::runtime_error {
 public:
  ScenarioError(int line, const std::string& what)
      : std::runtime_error("line " + std::to_string(line) + ": " + what) {}
};

// Reads a scenario file (UTF-8). Throws ScenarioError for a step it does not
// know or a scenario that does not end with `exit` or `outcome`.
std::vector<Step> ReadScenario(const std::filesystem::path& file);

// Parses the text of a scenario.
std::vector<Step> ParseScenario(const std::string& content);

}  // namespace e2e
