// Windows' rules for a rename that replaces a file, which Wine does not
// keep, put into the file layer for every runtime test:
// - a read-only file is not replaced: access is denied (NTFS);
// - the file takes the name as the rename spells it, not the letter case
//   of the file it replaces.
// Under Wine a copy that forgot to unlock a read-only destination, or that
// renamed onto the name as the caller spelled it, would pass unseen.
#include <windows.h>

#include <string>
#include <string_view>

#include "runtime/win32/file_facts_win32.h"
#include "runtime/win32/handles.h"

namespace {

DWORD StrictRename(HANDLE file, const std::wstring& target, bool replace) {
  const size_t slash = target.find_last_of(L'\\');
  const std::wstring_view name = std::wstring_view(target).substr(slash + 1);
  WIN32_FIND_DATAW found;
  const rt::win32::FindHandle existing(name.find_first_of(L"*?<>\"") == std::wstring_view::npos
                                           ? ::FindFirstFileExW(target.c_str(), FindExInfoBasic,
                                                                &found, FindExSearchNameMatch,
                                                                nullptr, 0)
                                           : INVALID_HANDLE_VALUE);
  // A search for "name." also finds "name": only the entry of this very name,
  // in any letter case, is the one replaced.
  if (existing && ::CompareStringOrdinal(found.cFileName, -1, name.data(),
                                         static_cast<int>(name.size()), TRUE) == CSTR_EQUAL) {
    if (!replace) return ERROR_ALREADY_EXISTS;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
    // NTFS names the file as the rename spells it: the old entry goes first.
    if (name != found.cFileName &&
        !::DeleteFileW((target.substr(0, slash + 1) + found.cFileName).c_str()))
      return ::GetLastError();
  }
  return rt::win32::SystemRename(file, target, replace);
}

[[maybe_unused]] const rt::win32::RenameCall kSystemRename = rt::win32::UseRenameCall(StrictRename);

}  // namespace
