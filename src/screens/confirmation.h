// What the three confirmation screens share.
#pragma once

#include "runtime/screen.h"

namespace setup {

// Captions that stand the same on every confirmation screen.
constexpr const char* kCopyingNotice =
    "Copying files from CD to hard drive (100MB) ... may take a couple of minutes ... please be "
    "patient.";
constexpr const char* kContinueCaption = "Continue (proceed or stop)";

// Copies the product into the default folder from `screen`; returns only when
// the installer runs from that folder itself.
void InstallIntoDefaultFolder(rt::Screen& screen);

// The no option: says so, then ends the program.
[[noreturn]] void TerminateInstallation();

}  // namespace setup
