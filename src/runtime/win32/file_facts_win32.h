// What the Win32 file layer asks the system about an open file, beyond its
// size and times: its identity, its volume's file system, and the rename
// that gives a new copy its final name.
#pragma once

#include <windows.h>

#include <string>

#include "runtime/copy_rules.h"

namespace rt::win32 {

// The file's 128-bit identity where the system gives one (Windows 8 and
// later: FileIdInfo), else its 64-bit file index; the error code, or 0.
DWORD IdentityOf(HANDLE file, FileIdentity& identity);

// The name of the file system that holds the file ("NTFS", "FAT32"); empty
// when the system does not say.
std::wstring FileSystemOf(HANDLE file);

// Gives the open file `file` (opened with DELETE access) the name `target`
// ("\\?\" form), replacing a file of that name when `replace`, else failing
// with ERROR_ALREADY_EXISTS; the error code, or 0. Through the rename call
// in use: the system's, unless a test put in another.
DWORD Rename(HANDLE file, const std::wstring& target, bool replace);

// The system's own rename (SetFileInformationByHandle, FileRenameInfo).
using RenameCall = DWORD (*)(HANDLE file, const std::wstring& target, bool replace);
DWORD SystemRename(HANDLE file, const std::wstring& target, bool replace);

// Rename goes through `call` from now on; returns the call used before.
// Wine lets a rename do what Windows refuses: tests put in a stricter one.
RenameCall UseRenameCall(RenameCall call);

}  // namespace rt::win32
