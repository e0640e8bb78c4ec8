// The program: hands the project to the runtime, which shows frmIntro.
#pragma once

namespace setup {

// Runs the installer on the desktop in use. Returns the exit status where the
// desktop lets the end of the program return (the scripted user).
int RunSetup();

}  // namespace setup
