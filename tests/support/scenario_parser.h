// The scenario grammar (tests/scenarios/README.md), read once for both
// players: the scripted user of the native tests and the driver under Wine.
// Portable C++ over UTF-8 text.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace scenario {

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
  ShowsFolder,
  Order,
  Shot,
  Mark,
  Exit,
  // Only real windows can play these.
  Keys,
  Focus,
  FolderHighlight,
  ShowsMessage,
  Measure,
  DriveEntry,
  Legible,
  Progress,
  Responsive,
  SchemeColours,
  TaskbarButtons,
  Outcome,
};

// A key a `keys` step types, with the modifiers held around it.
enum class Key { Tab, Space, Return, Escape, Up, Down, Left, Right };
struct KeyPress {
  Key key;
  bool shift = false;
  bool alt = false;
};

struct Step {
  int line = 0;
  StepKind kind = StepKind::Exit;
  std::string source;              // the line as written, without the blanks around it
  std::string argument;            // the rest of the line after the keyword
  std::string title;               // message, warning, shows-message: the box's title;
                                   // measure: the points
  std::string text;                // text, hidden, report, and after the title: the text,
                                   // "\n" made a line break
  std::vector<std::string> texts;  // order: the controls' texts, topmost first
  std::vector<KeyPress> keys;      // keys
  char letter = 0;                 // drive and shows-drive: the drive letter, lower case
  long long status = 0;            // exit
  long long milliseconds = 0;      // responsive
  long long count = 0;             // taskbar-buttons
};

class ScenarioError : public std::runtime_error {
 public:
  ScenarioError(int line, const std::string& what)
      : std::runtime_error("line " + std::to_string(line) + ": " + what) {}
};

// Parses the text of a scenario. Throws ScenarioError for a step it does not
// know, a malformed argument, or a scenario that does not end with `exit` or
// `outcome`.
std::vector<Step> ParseScenario(std::string_view content);

// Whether only real windows can play the step (the scripted user refuses it).
bool NeedsRealWindows(StepKind kind);

}  // namespace scenario
