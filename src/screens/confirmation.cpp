#include "screens/confirmation.h"

#include "app/project.h"
#include "install/copy_setup_files.h"
#include "runtime/program.h"

namespace setup {

void InstallIntoDefaultFolder(rt::Screen& screen) {
  CopySetupFiles(screen, DefaultInstallDir,
                 [](const std::string& name) { return DefaultInstallDirWithSeparator + name; });
}

void TerminateInstallation() {
  rt::rtcMsgBox("Installation terminating -- ended by user.");
  rt::End();
}

}  // namespace setup
