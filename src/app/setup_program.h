// The program: hands the project to the runtime, which shows frmIntro.
#pragma once

#include <string>
#include <vector>

namespace setup {

// Runs the installer on the desktop in use. Returns the exit status where the
// desktop lets the end of the program return (the scripted user).
int RunSetup();

// The process's start, given the program's arguments (its name left out):
// with none, the wizard as RunSetup runs it; else the command line (/S, /D=,
// /LOG=, /?) says how. Returns as RunSetup does.
int StartSetup(const std::vector<std::string>& arguments);

}  // namespace setup
