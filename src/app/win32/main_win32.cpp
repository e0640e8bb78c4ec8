// The process entry of the Windows program.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/setup_program.h"
#include "runtime/desktop.h"
#include "runtime/program.h"
#include "runtime/win32/desktop_win32.h"
#include "runtime/win32/system_functions_win32.h"
#include "runtime/win32/wide.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // The installer is started from folders a user can write to (a copied CD, a
  // download folder): DLLs load from the system folder only, never from there
  // (on Windows Vista and 7 without update KB2533623: not from the current folder).
  rt::win32::LoadDllsFromSystemFolder();

  rt::win32::Win32Desktop desktop(instance);
  const rt::DesktopInUse inUse(desktop);
  // The C run-time has split the command line as the shell quotes it.
  std::vector<std::string> arguments;
  for (int i = 1; i < __argc; ++i) arguments.push_back(rt::win32::Narrow(__wargv[i]));
  return rt::ExitCode(setup::StartSetup(arguments));
}
