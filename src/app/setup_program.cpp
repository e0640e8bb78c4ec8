#include "app/setup_program.h"

#include <optional>

#include "app/command_line.h"
#include "app/install_log.h"
#include "install/copy_setup_files.h"
#include "runtime/files.h"
#include "runtime/folders.h"
#include "runtime/program.h"
#include "runtime/watched_desktop.h"
#include "screens/confirmation.h"
#include "screens/frm_install_in_user_folder.h"
#include "screens/frm_intro.h"
#include "screens/project.h"
#include "screens/screen_registry.h"

namespace setup {
namespace {

rt::ExitStatus RunWizard(ScreenRegistry& screens) {
  const rt::ProjectDescriptor project{kProjectName, kAppTitle, kLocale,
                                      [&]() -> rt::Screen& { return screens.get<frmIntro>(); }};
  return rt::ThunRTMain(project);
}

// /S: the copy of the confirmation screens with no one at the screen and no
// screen at all. The default folder is made when absent, as "Yes, create it"
// does; a folder of /D= is made with its parents. Ends the program: with
// ExitStatus::Failed when the installer runs from the target folder itself.
[[noreturn]] void InstallUnattended(const std::string& folder, CopyObserver& watcher) {
  CopyResult result;
  if (folder.empty()) {
    if (rt::rtcDir(DefaultInstallDir, rt::vbDirectory).empty()) rt::rtcMakeDir(DefaultInstallDir);
    result = CopySetupFiles(DefaultInstallDir, DefaultDestination, watcher);
  } else {
    rt::MakeFolders(folder);
    result = CopySetupFiles(
        folder, [&](const std::string& name) { return folder + "\\" + name; }, watcher);
  }
  AnnounceCopy(result);
  rt::End(rt::ExitStatus::Failed);
}

rt::ExitStatus Run(const std::vector<std::string>& arguments) {
  CommandLine commandLine;
  const std::string problem = ParseCommandLine(arguments, commandLine);
  rt::WatchedDesktop watched(rt::desktop(), commandLine.silent);
  if (!problem.empty() || commandLine.usage) {
    // Nothing is done, and nothing is written.
    if (!commandLine.silent)
      rt::rtcMsgBox(problem.empty() ? kUsage : problem + "\n\n" + kUsage,
                    problem.empty() ? rt::vbOKOnly : rt::vbExclamation);
    rt::End(rt::ExitStatus::NotUnderstood);
  }

  std::optional<InstallLog> log;
  rt::RaiseEvent([&] {
    // The wizard copies the folder it was started in. With /S the medium is
    // the folder that holds the program, wherever it was started (an
    // elevated prompt starts in the system folder, a deployment tool
    // anywhere): that folder becomes the current folder once the log is
    // open, so that the log's path keeps the meaning it had at the start.
    const std::string source = commandLine.silent ? rt::ProgramFolder() : rt::rtcCurrentDir();
    if (!commandLine.logFile.empty()) {
      const std::string target =
          commandLine.folder.empty() ? DefaultInstallDir : commandLine.folder;
      log.emplace(commandLine.logFile, source, commandLine.silent ? target : "");
      watched.watch(&*log);
    }
    if (commandLine.silent) rt::rtcChangeDir(source);
  });
  CopyObserver noWatcher;
  CopyObserver* watcher = log ? &*log : nullptr;

  if (commandLine.silent) {
    rt::RaiseEvent([&] { InstallUnattended(commandLine.folder, watcher ? *watcher : noWatcher); });
    return rt::ExitStatus::Failed;  // not reached: the installation ends the program
  }
  ScreenRegistry screens;
  screens.copyWatcher = watcher;
  if (!commandLine.folder.empty()) screens.get<frmInstallInUserFolder>().openOn(commandLine.folder);
  return RunWizard(screens);
}

}  // namespace

rt::ExitStatus RunSetup() {
  ScreenRegistry screens;
  return RunWizard(screens);
}

rt::ExitStatus StartSetup(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return RunSetup();
  try {
    return Run(arguments);
  } catch (const rt::ProgramEnded& ended) {
    return ended.status;
  }
}

}  // namespace setup
