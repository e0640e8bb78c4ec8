// Windows paths as text: how the Win32 file layer makes a path full before
// it hands it to the system in the "\\?\" form. Nothing here asks the
// system; the current folders come from the caller, which asks for them
// only when a path is relative.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace rt::windows_path {

// Where relative paths start from. Both answer with full paths in plain
// form ("D:\CD", "\\server\share\x"), without the "\\?\" prefix.
// Plain functions, not closures: the Win32 layer passes its two lookups.
struct CurrentFolders {
  std::wstring (*process)();                // the process's current folder
  std::wstring (*ofDrive)(wchar_t letter);  // drive `letter`'s ('A'-'Z') own
};

// An upper-case drive letter, or 0 when `c` is none.
wchar_t DriveLetter(wchar_t c);

// True when `path` begins with a drive letter and a colon ("c:").
bool HasDrivePrefix(std::wstring_view path);

// `path` without a leading "\\?\" or with "\\?\UNC\" turned back into "\\".
std::wstring PlainForm(std::wstring path);

// The length of a full path's root: "C:\" or "\\server\share\".
std::size_t RootLength(std::wstring_view full);

// The full path of a Windows path: relative ones resolved against the
// current folders, separators '\', doubled ones single, "." and ".." gone
// (never above the root), and no trailing separator below a root. Unlike
// the system's own clean-up, every other name is kept exactly: a final dot
// or blank stays, and a colon or a device name inside a folder is a name.
// A path that begins with "\\?\" is taken as it stands; "\\?" or "\\." with
// nothing after it is the root of the device namespace, "\\.\", as the
// system makes it. Nothing, when the path holds a NUL, which no Windows
// name does.
std::optional<std::wstring> FullPath(std::wstring_view path, const CurrentFolders& current);

// The form the APIs take a full path in: "\\?\C:\a" or "\\?\UNC\server\share\a".
std::wstring ApiPath(const std::wstring& full);

// The drive letter of a full path, or 0 for a network path.
wchar_t DriveLetterOf(std::wstring_view full);

// The folder part of a full path, with its separator: "C:\a\" of "C:\a\b".
std::wstring FolderOf(const std::wstring& full);

}  // namespace rt::windows_path
