// What the three confirmation screens share: their fixed texts, the copy run
// from their Continue button with what the user sees of it, and the no option.
#pragma once

#include <string>

#include "install/copy_setup_files.h"
#include "runtime/screen.h"

namespace setup {

// Captions that stand the same on every confirmation screen.
constexpr const char* kCopyingNotice =
    "Copying files from CD to hard drive (100MB) ... may take a couple of minutes ... please be "
    "patient.";
constexpr const char* kContinueCaption = "Continue (proceed or stop)";

// What the user is told.
constexpr const char* kSameFolderMessage =
    "Cannot install QUORVAN from source-file folder to same folder.  Installation cannot proceed.";
constexpr const char* kCompletedMessage = "Installation completed successfully.";
constexpr const char* kTerminatedMessage = "Installation terminating -- ended by user.";

// The destination of a file in the default folder.
std::string DefaultDestination(const std::string& name);

// Copies the product from `screen`, whose lblCopying notice shows meanwhile
// with a progress bar beneath it; `watcher`, when given, hears the copy too.
// On success says so and ends the program; a failure ends it with the error
// report. Returns only when the guard refused, after saying so.
void InstallFrom(rt::Screen& screen, const std::string& guardText,
                 const DestinationRule& destinationOf, CopyObserver* watcher);

// What the user is told at the end of a copy: the same-folder message, then
// back to the caller; or the completion message, or the error report, and
// the end of the program.
void AnnounceCopy(const CopyResult& result);

// The no option: says so, then ends the program.
[[noreturn]] void TerminateInstallation();

}  // namespace setup
