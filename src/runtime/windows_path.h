// Windows paths as text: the one place that says how the runtime reads a
// path, for both sides of the file layer, the folder list and the command
// line. A path is made full here before the Win32 layer hands it to the
// system in the "\\?\" form, and before the POSIX layer looks it up in its
// drive table. Nothing here asks the system; the current folders come from
// the caller, which asks for them only when a path is relative.
//
// Each rule takes a path in either width: UTF-8 (the runtime's texts) or
// UTF-16 (the wide Win32 APIs). The rules look at ASCII characters only, so
// a name in any script, or a byte that is not UTF-8, is kept as it is.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/text.h"

namespace rt::windows_path {

// Labelled values of a run-time error ({"Folder", "E:\\x"}).
using Details = std::vector<std::pair<std::string, std::string>>;

// Where relative paths start from. Both answer with full paths in plain
// form ("D:\CD", "\\server\share\x"), without the "\\?\" prefix.
// Plain functions, not closures: each side passes its two lookups.
template <class Char>
struct CurrentFolders {
  std::basic_string<Char> (*process)();             // the process's current folder
  std::basic_string<Char> (*ofDrive)(Char letter);  // drive `letter`'s ('A'-'Z') own
};

// The separators of a Windows path: '\' and '/'.
template <class Char>
constexpr bool IsSeparator(Char c) {
  return c == Char{'\\'} || c == Char{'/'};
}

// An upper-case drive letter, or 0 when `c` is none.
template <class Char>
constexpr Char DriveLetter(Char c) {
  c = UpperAscii(c);
  return c >= Char{'A'} && c <= Char{'Z'} ? c : Char{};
}

// True when `path` begins with a drive letter and a colon ("c:").
bool HasDrivePrefix(std::string_view path);
bool HasDrivePrefix(std::wstring_view path);

// True when `path` begins with two separators: a path on a share ("\\srv\share\x").
bool IsNetworkPath(std::string_view path);

// True for a full path on a drive: a drive letter, a colon and a separator ("E:\x").
bool IsFullDrivePath(std::string_view path);

// False when `text` holds a character that no Windows name can: a control
// character or one of <>:"|?*. Separators are allowed.
bool ValidNameCharacters(std::string_view text);

// `path` without a leading "\\?\" or with "\\?\UNC\" turned back into "\\".
std::wstring PlainForm(std::wstring path);

// The length of a full path's root: "C:\" or "\\server\share\".
std::size_t RootLength(std::string_view full);
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
std::optional<std::string> FullPath(std::string_view path, const CurrentFolders<char>& current);
std::optional<std::wstring> FullPath(std::wstring_view path,
                                     const CurrentFolders<wchar_t>& current);

// FullPath, or the run-time error "the path is not valid", with `details`,
// where it gives nothing.
std::string ValidFullPath(std::string_view path, const CurrentFolders<char>& current,
                          const Details& details);
std::wstring ValidFullPath(std::wstring_view path, const CurrentFolders<wchar_t>& current,
                           const Details& details);

// The form the APIs take a full path in: "\\?\C:\a" or "\\?\UNC\server\share\a".
std::wstring ApiPath(const std::wstring& full);

// The drive letter of a full path, or 0 for a network path.
char DriveLetterOf(std::string_view full);
wchar_t DriveLetterOf(std::wstring_view full);

// The folder part of a full path, with its separator: "C:\a\" of "C:\a\b".
std::wstring FolderOf(const std::wstring& full);

// The folder part of a full file path: "C:\CD" of "C:\CD\setup.exe"; at a
// root with its separator: "D:\" of "D:\setup.exe", "\\srv\share\" of
// "\\srv\share\setup.exe".
std::string FolderOfFile(const std::string& path);

// The rules are written once, in UTF-16. A UTF-8 text goes through them byte
// for byte, each byte one character: they look at ASCII only, so every other
// byte comes back as it went in. Widened makes such a text, Bytes takes it back.
std::wstring Widened(std::string_view bytes);
std::string Bytes(std::wstring_view wide);

}  // namespace rt::windows_path
