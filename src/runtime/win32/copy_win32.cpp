// The file copy on Windows: written in a work folder under a temporary
// name that the system removes unless it is kept, and given the
// destination's name in one step once it is whole (files.h).
#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "runtime/copy_rules.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/win32/file_access_win32.h"
#include "runtime/win32/file_facts_win32.h"
#include "runtime/win32/handles.h"
#include "runtime/win32/wide.h"
#include "runtime/win32/work_folders_win32.h"
#include "runtime/windows_path.h"

namespace rt {
namespace {

using win32::CriticalErrorsQuiet;
using win32::Details;
using win32::Fail;
using win32::FullPath;
using windows_path::ApiPath;
using windows_path::DriveLetterOf;
using windows_path::FolderOf;

constexpr const char* kTooLargeForFat =
    "The file is too large for the file system of the destination: FAT32 holds no file of 4 GiB "
    "or more.";

// A new file under a temporary name, which the system removes when its
// handle closes, also when the process is killed, until it is kept under its
// final name: no failure leaves a half-written file, and no file stands
// under a destination's name until it is whole.
class PendingFile {
 public:
  PendingFile(std::wstring path, win32::FileHandle file)
      : path_(std::move(path)), file_(std::move(file)) {
    MarkForDeletion(true);
  }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() {
    if (kept_) return;
    file_.reset();
    if (!markedForDeletion_) ::DeleteFileW(path_.c_str());  // a system that could not mark it
  }

  HANDLE handle() const { return file_.get(); }

  // Keeps the file under the full name `target`, replacing a file of that
  // name when `replace`; the error code, or 0. On failure the file stays
  // pending.
  DWORD KeepAs(const std::wstring& target, bool replace) {
    if (markedForDeletion_ && !MarkForDeletion(false)) return ::GetLastError();
    if (const DWORD error = win32::Rename(file_.get(), ApiPath(target), replace)) {
      MarkForDeletion(true);
      return error;
    }
    kept_ = true;
    return 0;
  }

 private:
  bool MarkForDeletion(bool marked) {
    FILE_DISPOSITION_INFO disposition{marked};
    if (!::SetFileInformationByHandle(file_.get(), FileDispositionInfo, &disposition,
                                      sizeof disposition))
      return false;
    markedForDeletion_ = marked;
    return true;
  }

  std::wstring path_;
  win32::FileHandle file_;
  bool markedForDeletion_ = false;
  bool kept_ = false;
};

// Creates the file `path` ("\\?\" form), which must not exist yet, as a
// pending file; the error code, or 0.
DWORD CreatePendingFile(const std::wstring& path, std::optional<PendingFile>& made) {
  win32::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                       nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return ::GetLastError();
  made.emplace(path, std::move(file));
  return 0;
}

bool NameTaken(DWORD error) {
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// Makes a pending file of a name no one uses in `folder` (which ends in
// '\'), to take a destination's place; the error code, or 0.
DWORD CreateTempFile(const std::wstring& folder, std::optional<PendingFile>& made) {
  constexpr int kTries = 100;
  for (int tries = 0; tries < kTries; ++tries) {
    const DWORD error = CreatePendingFile(ApiPath(folder + win32::NewTemporaryName()), made);
    if (!NameTaken(error)) return error;  // else not ours
  }
  return ERROR_FILE_EXISTS;
}

// Copies all of `in` (`size` bytes when it began) to `out` through one
// buffer, telling `progress` of each piece written; the error code, or 0.
DWORD CopyContents(HANDLE in, HANDLE out, ULONGLONG size, CopyProgress* progress) {
  // Larger buffers leave the processor's cache and copy more slowly.
  constexpr ULONGLONG kLargestBuffer = 64 << 10;
  const auto bufferSize = static_cast<DWORD>(std::clamp<ULONGLONG>(size, 1, kLargestBuffer));
  const auto buffer = std::make_unique_for_overwrite<char[]>(bufferSize);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(in, buffer.get(), bufferSize, &read, nullptr)) return ::GetLastError();
    if (read == 0) return 0;
    for (DWORD written = 0, now = 0; written < read; written += now)
      if (!::WriteFile(out, buffer.get() + written, read - written, &now, nullptr))
        return ::GetLastError();
    if (progress) progress->written(read);
  }
}

// What the copy needs to know of an existing destination.
struct Existing {
  DWORD attributes = 0;   // the entry's own: a link's, not its target's
  FileIdentity identity;  // of what the name leads to (kNone: a link that leads nowhere)
  std::wstring name;      // the entry's own name, in its own letter case
};

// Opens an existing entry to read facts of it, the entry itself when
// `itself`, else what a link leads to.
win32::FileHandle OpenToRead(const std::wstring& full, bool itself) {
  return win32::FileHandle(::CreateFileW(
      ApiPath(full).c_str(), FILE_READ_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | (itself ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr));
}

// The name of the entry `full` as its folder holds it: "readme.txt" when
// `full` ends in "README.TXT". The name of `full` when the system gives no
// other, or when the name holds a character that a search reads as a wildcard.
std::wstring OwnName(const std::wstring& full) {
  std::wstring name = full.substr(full.find_last_of(L'\\') + 1);
  if (name.find_first_of(L"*?<>\"") != std::wstring::npos) return name;
  WIN32_FIND_DATAW data;
  const win32::FindHandle find = win32::FindFirst(ApiPath(full), data);
  if (find && ::CompareStringOrdinal(data.cFileName, -1, name.c_str(), -1, TRUE) == CSTR_EQUAL)
    name = data.cFileName;
  return name;
}

// The facts of the existing entry `full`; the error code, or 0.
DWORD Inspect(const std::wstring& full, Existing& existing) {
  const win32::FileHandle own = OpenToRead(full, true);
  FILE_BASIC_INFO basic{};
  if (!own || !::GetFileInformationByHandleEx(own.get(), FileBasicInfo, &basic, sizeof basic))
    return ::GetLastError();
  existing.attributes = basic.FileAttributes;
  existing.name = OwnName(full);
  if (!(existing.attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return win32::IdentityOf(own.get(), existing.identity);
  if (const win32::FileHandle target = OpenToRead(full, false))
    win32::IdentityOf(target.get(), existing.identity);
  return 0;
}

// Sets the attributes of the entry `full` itself, whose attributes were
// `was`: a link's own when it is one, never its target's.
bool SetOwnAttributes(const std::wstring& full, DWORD was, DWORD attributes) {
  constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                              FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                              FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                              FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD settable =
      (attributes & kSettable) ? attributes & kSettable : DWORD{FILE_ATTRIBUTE_NORMAL};
  // An ordinary entry through its name: Windows lets its owner do this to a
  // read-only file, and so does Wine, which would ask the host for write
  // access to the file itself if it were opened for FILE_WRITE_ATTRIBUTES.
  if (!(was & FILE_ATTRIBUTE_REPARSE_POINT))
    return ::SetFileAttributesW(ApiPath(full).c_str(), settable);
  // A link through a handle to the link itself: by name, the system would
  // set its target's.
  const win32::FileHandle entry(
      ::CreateFileW(ApiPath(full).c_str(), FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  FILE_BASIC_INFO basic{};  // times of 0 stay as they are
  basic.FileAttributes = settable;
  return entry && ::SetFileInformationByHandle(entry.get(), FileBasicInfo, &basic, sizeof basic);
}

}  // namespace

void rtcFileCopy(const std::string& source, const std::string& destination,
                 CopyProgress* progress) {
  const std::string action = "could not copy a file";
  const Details details{{"File", source}, {"Destination", destination}};
  const std::wstring from = FullPath(source, details);
  const std::wstring to = FullPath(destination, details);
  const CriticalErrorsQuiet quiet;

  const win32::FileHandle in(::CreateFileW(
      ApiPath(from).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!in) Fail(action, details, ::GetLastError(), from);
  // Size, kind and time only: the file's identity, which asks the volume for
  // its serial number, is wanted only when the destination exists.
  FILE_STANDARD_INFO standard{};
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandleEx(in.get(), FileStandardInfo, &standard, sizeof standard) ||
      !::GetFileInformationByHandleEx(in.get(), FileBasicInfo, &basic, sizeof basic))
    Fail(action, details, ::GetLastError(), from);
  if (standard.Directory) throw RuntimeError(action, details, "The file is not an ordinary file.");
  const auto copyInto = [&](PendingFile& file) {
    // FAT32 takes no file of 4 GiB or more: say so before writing any of it.
    const auto size = static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
    if (size > kLargestFatFile && TooLargeForFileSystem(size, win32::FileSystemOf(file.handle())))
      throw RuntimeError(action, details, kTooLargeForFat);
    if (const DWORD error = CopyContents(in.get(), file.handle(), size, progress)) {
      win32::RaiseIfDriveGone(DriveLetterOf(from), details);
      Fail(action, details, error, to);
    }
    FILETIME written{basic.LastWriteTime.LowPart, static_cast<DWORD>(basic.LastWriteTime.HighPart)};
    ::SetFileTime(file.handle(), nullptr, nullptr, &written);
  };

  // Every copy is written under a temporary name in the work folder and
  // takes the destination's name in one step once it is whole. Most
  // destinations are new: the copy takes the name as `to` spells it, and
  // only when the name is taken is the destination looked at. An existing
  // one stays as it is until the whole copy replaces it, and keeps the name
  // it had, where Windows would name it as `to` spells it.
  const CopyBatch batch;  // unless the caller's is open
  const std::wstring folder = FolderOf(to);
  std::optional<PendingFile> copy;
  if (const DWORD error = CreateTempFile(win32::WorkFolderIn(folder), copy))
    Fail(action, details, error, to);
  copyInto(*copy);
  const DWORD taken = copy->KeepAs(to, false);
  if (!taken) return;
  Existing existing;
  if (Inspect(to, existing) != 0) Fail(action, details, taken, to);
  FileIdentity original;
  if (const DWORD failed = win32::IdentityOf(in.get(), original))
    Fail(action, details, failed, from);
  if (SameFile(original, existing.identity)) return;  // the copy goes again
  if (existing.attributes & FILE_ATTRIBUTE_DIRECTORY)
    throw RuntimeError(action, details, "The destination is a folder.");
  const std::wstring target = folder + existing.name;
  // Windows replaces no read-only file: the destination is unlocked for the
  // replace and locked again if it fails. A link's own attributes are the
  // ones read and set; its target is never touched.
  const DWORD old = existing.attributes;
  const bool unlock = old & FILE_ATTRIBUTE_READONLY;
  if (unlock && !SetOwnAttributes(target, old, old & ~DWORD{FILE_ATTRIBUTE_READONLY}))
    Fail(action, details, ::GetLastError(), to);
  if (const DWORD error = copy->KeepAs(target, true)) {
    if (unlock) SetOwnAttributes(target, old, old);
    Fail(action, details, error, to);
  }
}

}  // namespace rt
