// The program: hands the project to the runtime, which shows frmIntro.
#pragma once

#include <string>
#include <vector>

#include "runtime/program.h"

namespace setup {

// Runs the installer on the desktop in use. Returns the status the program
// ended with (see rt::ExitStatus).
rt::ExitStatus RunSetup();

// The process's start, given the program's arguments (its name left out):
// with none, the wizard as RunSetup runs it; else the command line (/S, /D=,
// /LOG=, /?) says how. Returns as RunSetup does.
rt::ExitStatus StartSetup(const std::vector<std::string>& arguments);

}  // namespace setup
