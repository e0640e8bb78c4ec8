// The project's constants.
#pragma once

namespace setup {

constexpr const char* kProjectName = "Setup1";
constexpr const char* kAppTitle = "setup";
constexpr int kLocale = 1033;             // English (United States)
constexpr const char* kVersion = "1.00";  // as in the version block

// The default target folder, with no trailing separator: probed, created and
// compared with the source folder as it stands. The start of every
// destination path in it is this and a backslash (DefaultDestination).
constexpr const char* DefaultInstallDir = "c:\\Program Files\\Quorvan2005";

}  // namespace setup
