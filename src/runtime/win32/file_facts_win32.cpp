// FileIdInfo and FILE_ID_INFO come with Windows 8; the program still runs on
// Windows Vista and 7, where the call fails and the 64-bit file index stands in.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0602
#include "runtime/win32/file_facts_win32.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

namespace rt::win32 {
namespace {

RenameCall renameCall = SystemRename;

}  // namespace

DWORD IdentityOf(HANDLE file, FileIdentity& identity) {
  identity = {};
  FILE_ID_INFO wide{};
  if (::GetFileInformationByHandleEx(file, FileIdInfo, &wide, sizeof wide)) {
    identity.kind = FileIdentity::Kind::kId128;
    identity.volume = wide.VolumeSerialNumber;
    std::copy(std::begin(wide.FileId.Identifier), std::end(wide.FileId.Identifier),
              identity.id.begin());
    return 0;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info)) return ::GetLastError();
  identity.kind = FileIdentity::Kind::kIndex64;
  identity.volume = info.dwVolumeSerialNumber;
  const std::uint64_t index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  for (std::size_t byte = 0; byte < 8; ++byte)
    identity.id[byte] = static_cast<std::uint8_t>(index >> (8 * byte));
  return 0;
}

std::wstring FileSystemOf(HANDLE file) {
  wchar_t name[MAX_PATH + 1] = {};
  if (!::GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, nullptr, name,
                                       MAX_PATH + 1))
    return {};
  return name;
}

DWORD SystemRename(HANDLE file, const std::wstring& target, bool replace) {
  // The NT form of the target: "\??\C:\a" for "\\?\C:\a".
  const std::wstring ntPath = L"\\??\\" + target.substr(4);
  const std::size_t bytes = ntPath.size() * sizeof(wchar_t);
  std::vector<std::byte> buffer(offsetof(FILE_RENAME_INFO, FileName) + bytes + sizeof(wchar_t));
  FILE_RENAME_INFO rename{};
  rename.ReplaceIfExists = replace;
  rename.FileNameLength = static_cast<DWORD>(bytes);
  std::memcpy(buffer.data(), &rename, offsetof(FILE_RENAME_INFO, FileName));
  std::memcpy(buffer.data() + offsetof(FILE_RENAME_INFO, FileName), ntPath.data(), bytes);
  if (!::SetFileInformationByHandle(file, FileRenameInfo, buffer.data(),
                                    static_cast<DWORD>(buffer.size())))
    return ::GetLastError();
  return 0;
}

DWORD Rename(HANDLE file, const std::wstring& target, bool replace) {
  return renameCall(file, target, replace);
}

RenameCall UseRenameCall(RenameCall call) {
  return std::exchange(renameCall, call);
}

}  // namespace rt::win32
