#include "install/copy_setup_files.h"

#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/program.h"
#include "runtime/text.h"

namespace setup {
namespace {

constexpr const char* kSameFolderMessage =
    "Cannot install QUORVAN from source-file folder to same folder.  Installation cannot proceed.";
constexpr const char* kCompletedMessage = "Installation completed successfully.";

std::string CopiedBefore(int count) {
  return count == 1 ? "1 file was copied before this one."
                    : std::to_string(count) + " files were copied before this one.";
}

CopyObserver* observer = nullptr;

}  // namespace

void ObserveCopies(CopyObserver* newObserver) {
  observer = newObserver;
}

void CopySetupFiles(rt::Screen& caller, const std::string& guardText,
                    const DestinationRule& destinationOf) {
  const std::string SourceDir = rt::rtcCurrentDir();
  if (observer) observer->started(SourceDir, guardText);

  if (rt::rtcTrimVar(rt::rtcUpperCaseVar(SourceDir)) ==
      rt::rtcTrimVar(rt::rtcUpperCaseVar(guardText))) {
    rt::rtcMsgBox(kSameFolderMessage);
    return;
  }

  std::string name = rt::rtcDir(SourceDir + "\\*.*", rt::vbNormal);
  auto& lblCopying = caller.control<rt::Label>("lblCopying");
  lblCopying.setVisible(true);
  caller.Refresh();

  int copied = 0;
  while (!name.empty()) {
    try {
      // The entry the listing found, by its full path: a bare name such as
      // "a:b.txt" would be read as a path of its own, on another drive.
      std::string source = SourceDir;
      if (!source.ends_with('\\')) source += '\\';
      source += name;
      rt::rtcFileCopy(source, destinationOf(name));
    } catch (rt::RuntimeError& error) {
      error.addNote(CopiedBefore(copied) + " The installation is incomplete.");
      throw;
    }
    ++copied;
    if (observer) observer->copied(destinationOf(name));
    name = rt::rtcDir();
  }

  lblCopying.setVisible(false);
  caller.Refresh();
  if (observer) observer->finished();
  rt::rtcMsgBox(kCompletedMessage);
  rt::End();
}

}  // namespace setup
