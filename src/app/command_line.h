// The command line of an installation with no one at the screen.
#pragma once

#include <string>
#include <vector>

namespace setup {

struct CommandLine {
  bool silent = false;  // /S: no window, no message box
  bool usage = false;   // /?
  std::string folder;   // /D=: the target folder; "" for the default
  std::string logFile;  // /LOG=: the log to append to; "" for none
};

// Reads the arguments (the program's name left out). Switches are
// case-insensitive, in any order, each at most once. Returns "" when the
// command line is understood, else what is wrong with it.
std::string ParseCommandLine(const std::vector<std::string>& arguments, CommandLine& commandLine);

// The text of /?.
extern const std::string kUsage;

}  // namespace setup
