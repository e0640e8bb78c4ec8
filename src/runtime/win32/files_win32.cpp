// File functions on Windows: the wide APIs, always with "\\?\" paths. The
// runtime makes each path full itself, so that the system takes every name
// as it stands: "trailing." is not "trailing", "aux" is a file and not a
// device, and "a:b.txt" inside a folder is not a path on drive A:.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/listing.h"
#include "runtime/text_file.h"
#include "runtime/win32/handles.h"
#include "runtime/win32/system_reason.h"
#include "runtime/win32/wide.h"

namespace rt {
namespace {

using Details = std::vector<std::pair<std::string, std::string>>;
using win32::Narrow;
using win32::SystemReason;
using win32::Widen;

// ---- Paths ----

std::wstring Decimal(unsigned long value) {
  std::wstring digits;
  do digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + value % 10));
  while ((value /= 10) != 0);
  return digits;
}

// An upper-case drive letter, or 0 when `c` is none.
wchar_t DriveLetter(wchar_t c) {
  if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - L'a' + L'A');
  return c >= L'A' && c <= L'Z' ? c : 0;
}

bool HasDrivePrefix(std::wstring_view path) {
  return path.size() >= 2 && path[1] == L':' && DriveLetter(path[0]);
}

std::wstring CurrentFolder() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(size, L'\0');
  folder.resize(size ? ::GetCurrentDirectoryW(size, folder.data()) : 0);
  if (folder.starts_with(L"\\\\?\\UNC\\")) folder.replace(0, 8, L"\\\\");
  if (folder.starts_with(L"\\\\?\\")) folder.erase(0, 4);
  return folder;
}

// The current folder of drive `letter` ("C:\Setup"); this asks no disk.
std::wstring CurrentFolderOf(wchar_t letter) {
  const wchar_t drive[] = {letter, L':', 0};
  const DWORD size = ::GetFullPathNameW(drive, 0, nullptr, nullptr);
  std::wstring full(size, L'\0');
  full.resize(size ? ::GetFullPathNameW(drive, size, full.data(), nullptr) : 0);
  if (full.empty()) return {letter, L':', L'\\'};
  if (full.starts_with(L"\\\\?\\")) full.erase(0, 4);
  return full;
}

// The length of a full path's root: "C:\" or "\\server\share\".
size_t RootLength(std::wstring_view full) {
  if (!full.starts_with(L"\\\\")) return 3;
  size_t end = 2;
  for (int part = 0; part < 2 && end < full.size(); ++part) {
    end = full.find(L'\\', end);
    end = end == std::wstring_view::npos ? full.size() : end + 1;
  }
  return end;
}

// The full path of a Windows path: relative ones resolved against the
// current folders, separators '\', doubled ones single, "." and ".." gone
// (never above the root), and no trailing separator below a root. Unlike
// the system's own clean-up, every other name is kept exactly: a final dot
// or blank stays, and a colon or a device name inside a folder is a name.
std::wstring FullPath(const std::string& path, const Details& details) {
  // No Windows name holds a NUL, and the system would cut the path short there.
  if (path.find('\0') != std::string::npos)
    throw RuntimeError("the path is not valid", details,
                       "The file name, folder name or volume label syntax is incorrect.");
  std::wstring rest = Widen(path);
  for (auto& c : rest)
    if (c == L'/') c = L'\\';
  if (rest.starts_with(L"\\\\?\\")) return rest;

  std::wstring full;
  if (rest.starts_with(L"\\\\")) {  // a network path: its root is the share
    full = rest.substr(0, RootLength(rest));
    rest.erase(0, full.size());
    if (!full.ends_with(L'\\')) full += L'\\';
  } else if (HasDrivePrefix(rest)) {
    const wchar_t letter = DriveLetter(rest[0]);
    full = rest.size() > 2 && rest[2] == L'\\' ? std::wstring{letter, L':', L'\\'}
                                               : CurrentFolderOf(letter);
    rest.erase(0, 2);
  } else {
    full = CurrentFolder();
    if (rest.starts_with(L'\\')) full.resize(RootLength(full));
  }
  const size_t root = RootLength(full);
  if (full.size() < root) full += L'\\';

  size_t start = 0;
  while (start <= rest.size()) {
    size_t stop = rest.find(L'\\', start);
    if (stop == std::wstring::npos) stop = rest.size();
    const std::wstring_view name = std::wstring_view(rest).substr(start, stop - start);
    if (name == L"..") {
      if (full.size() > root)
        full.resize(std::max(full.find_last_of(L'\\', full.size() - 2), root - 1) + 1);
    } else if (!name.empty() && name != L".") {
      if (!full.ends_with(L'\\')) full += L'\\';
      full += name;
      full += L'\\';
    }
    start = stop + 1;
  }
  if (full.size() > root && full.ends_with(L'\\')) full.pop_back();
  return full;
}

// The form the APIs take a full path in: "\\?\C:\a" or "\\?\UNC\server\share\a".
std::wstring ApiPath(const std::wstring& full) {
  if (full.starts_with(L"\\\\?\\")) return full;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

wchar_t DriveLetterOf(std::wstring_view full) {
  if (full.starts_with(L"\\\\?\\")) full.remove_prefix(4);
  return HasDrivePrefix(full) ? DriveLetter(full[0]) : 0;
}

// The folder part of a full path, with its separator: "C:\a\" of "C:\a\b".
std::wstring FolderOf(const std::wstring& full) {
  return full.substr(0, full.find_last_of(L'\\') + 1);
}

// ---- Errors ----

// No "insert a disk" box from the system while a drive is used.
class CriticalErrorsQuiet {
 public:
  CriticalErrorsQuiet() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &saved_); }
  CriticalErrorsQuiet(const CriticalErrorsQuiet&) = delete;
  CriticalErrorsQuiet& operator=(const CriticalErrorsQuiet&) = delete;
  ~CriticalErrorsQuiet() { ::SetThreadErrorMode(saved_, nullptr); }

 private:
  DWORD saved_ = 0;
};

// What became of a drive that an operation on it just failed on: nothing
// when its root can be read, else the run-time error for a drive that does
// not exist or is not ready. The system is asked only after a failure, and
// about the drive itself, so a drive mapped a moment ago counts as it is.
void RaiseIfDriveGone(wchar_t letter, const Details& details) {
  if (!letter) return;
  const wchar_t root[] = {L'\\', L'\\', L'?', L'\\', letter, L':', L'\\', 0};
  if (::GetFileAttributesW(root) != INVALID_FILE_ATTRIBUTES) return;
  Details all{{"Drive", std::string{static_cast<char>(letter), ':'}}};
  all.insert(all.end(), details.begin(), details.end());
  if (::GetDriveTypeW(root + 4) == DRIVE_NO_ROOT_DIR)
    throw RuntimeError("the drive does not exist", all, "Device unavailable.");
  throw RuntimeError("the drive is not ready", all, "The drive is not ready.");
}

// Raises the run-time error for an operation on `full` that failed with
// `error`: the drive's, when the drive is gone, else the action's.
[[noreturn]] void Fail(const std::string& action, const Details& details, DWORD error,
                       const std::wstring& full) {
  RaiseIfDriveGone(DriveLetterOf(full), details);
  throw RuntimeError(action, details, SystemReason(error));
}

// ---- Folder listings ----

// The entries of a folder (no "." or ".."); the error code, or 0.
DWORD ReadFolder(const std::wstring& full, std::vector<FolderEntry>& entries) {
  const std::wstring search = ApiPath(full + (full.ends_with(L'\\') ? L"*" : L"\\*"));
  WIN32_FIND_DATAW data;
  const win32::FindHandle find(::FindFirstFileExW(search.c_str(), FindExInfoBasic, &data,
                                                  FindExSearchNameMatch, nullptr, 0));
  if (!find) return ::GetLastError();  // ERROR_FILE_NOT_FOUND: an empty root
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const DWORD attributes = data.dwFileAttributes;
    entries.push_back({Narrow(name), (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (attributes & FILE_ATTRIBUTE_HIDDEN) != 0,
                       (attributes & FILE_ATTRIBUTE_SYSTEM) != 0,
                       (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow});
  } while (::FindNextFileW(find.get(), &data));
  const DWORD error = ::GetLastError();
  return error == ERROR_NO_MORE_FILES ? 0 : error;
}

// ---- Copying ----

// A new file that the system removes when its handle closes, also when the
// process is killed, until it is kept: no failure leaves a half-written file.
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

  // Keeps the file under its own name; the error code, or 0.
  DWORD Keep() {
    if (markedForDeletion_ && !MarkForDeletion(false)) return ::GetLastError();
    kept_ = true;
    return 0;
  }

  // Keeps the file under the full name `target`, replacing a file of that
  // name; the error code, or 0. On failure the file stays pending.
  DWORD KeepAs(const std::wstring& target) {
    const std::wstring ntPath = L"\\??\\" + ApiPath(target).substr(4);
    const size_t bytes = ntPath.size() * sizeof(wchar_t);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + bytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->FileNameLength = static_cast<DWORD>(bytes);
    ntPath.copy(rename->FileName, ntPath.size());
    if (markedForDeletion_ && !MarkForDeletion(false)) return ::GetLastError();
    if (!::SetFileInformationByHandle(file_.get(), FileRenameInfo, rename,
                                      static_cast<DWORD>(buffer.size()))) {
      const DWORD error = ::GetLastError();
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
  static const std::wstring process = Decimal(::GetCurrentProcessId());
  static std::atomic<unsigned> counter{0};
  for (int tries = 0; tries < kTries; ++tries) {
    const std::wstring path =
        ApiPath(folder + L"~setup" + process + L"-" + Decimal(counter++) + L".tmp");
    const DWORD error = CreatePendingFile(path, made);
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

// The identity of an existing file or folder; the error code, or 0.
DWORD Identify(const std::wstring& full, BY_HANDLE_FILE_INFORMATION& info) {
  const win32::FileHandle file(::CreateFileW(ApiPath(full).c_str(), FILE_READ_ATTRIBUTES,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                             nullptr));
  if (!file || !::GetFileInformationByHandle(file.get(), &info)) return ::GetLastError();
  return 0;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// Sets attributes; FILE_ATTRIBUTE_NORMAL stands for none.
bool SetAttributes(const std::wstring& path, DWORD attributes) {
  return ::SetFileAttributesW(path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
}

}  // namespace

std::string rtcDir(const std::string& pattern, int attributes) {
  ClearListing();
  const Details details{{"Pattern", pattern}};
  const SplitPattern split(pattern);
  const std::wstring folder = FullPath(split.folder, details);
  const CriticalErrorsQuiet quiet;
  std::vector<FolderEntry> entries;
  if (const DWORD error = ReadFolder(folder, entries); error && error != ERROR_FILE_NOT_FOUND) {
    RaiseIfDriveGone(DriveLetterOf(folder), details);
    if (error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY || error == ERROR_INVALID_NAME)
      return {};
    Fail("could not list a folder", details, error, folder);
  }
  return StartListing(entries, split.name, attributes);
}

std::string rtcDir() {
  return NextListed();
}

std::string rtcCurrentDir() {
  const std::wstring folder = CurrentFolder();
  if (folder.empty())
    throw RuntimeError("could not find the current folder", {}, SystemReason(::GetLastError()));
  return Narrow(folder);
}

std::string rtcCurrentDirOfDrive(char driveLetter) {
  const wchar_t letter = DriveLetter(static_cast<unsigned char>(driveLetter));
  const Details details{{"Drive", std::string{driveLetter, ':'}}};
  if (!letter) throw RuntimeError("the drive does not exist", details, "Device unavailable.");
  const CriticalErrorsQuiet quiet;
  RaiseIfDriveGone(letter, {});
  return Narrow(CurrentFolderOf(letter));
}

void rtcMakeDir(const std::string& path) {
  const Details details{{"Folder", path}};
  const std::wstring full = FullPath(path, details);
  const CriticalErrorsQuiet quiet;
  if (!::CreateDirectoryW(ApiPath(full).c_str(), nullptr))
    Fail("could not create a folder", details, ::GetLastError(), full);
}

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
    if (const DWORD error =
            CopyContents(in.get(), file.handle(),
                         static_cast<ULONGLONG>(standard.EndOfFile.QuadPart), progress)) {
      RaiseIfDriveGone(DriveLetterOf(from), details);
      Fail(action, details, error, to);
    }
    FILETIME written{basic.LastWriteTime.LowPart, static_cast<DWORD>(basic.LastWriteTime.HighPart)};
    ::SetFileTime(file.handle(), nullptr, nullptr, &written);
  };

  // Most destinations are new: the copy is written under its own name, and
  // the system removes it again unless it is whole.
  std::optional<PendingFile> copy;
  DWORD error = CreatePendingFile(ApiPath(to), copy);
  if (!error) {
    copyInto(*copy);
    if ((error = copy->Keep())) Fail(action, details, error, to);
    return;
  }
  BY_HANDLE_FILE_INFORMATION sourceInfo{}, destinationInfo{};
  if (Identify(to, destinationInfo) != 0) Fail(action, details, error, to);
  if (!::GetFileInformationByHandle(in.get(), &sourceInfo))
    Fail(action, details, ::GetLastError(), from);
  if (SameFile(sourceInfo, destinationInfo)) return;
  if (destinationInfo.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
    throw RuntimeError(action, details, "The destination is a folder.");

  // An existing destination stays as it is until a whole copy, written
  // beside it under a temporary name, takes its place in one step.
  if ((error = CreateTempFile(FolderOf(to), copy))) Fail(action, details, error, to);
  copyInto(*copy);
  // A read-only destination is unlocked for the replace and locked again if
  // it fails. A link keeps its own attributes: its target is never touched.
  const std::wstring target = ApiPath(to);
  const DWORD old = destinationInfo.dwFileAttributes;
  const bool unlock = (old & FILE_ATTRIBUTE_READONLY) && !(old & FILE_ATTRIBUTE_REPARSE_POINT);
  if (unlock && !SetAttributes(target, old & ~DWORD{FILE_ATTRIBUTE_READONLY}))
    Fail(action, details, ::GetLastError(), to);
  if ((error = copy->KeepAs(to))) {
    if (unlock) SetAttributes(target, old);
    Fail(action, details, error, to);
  }
}

bool FolderExists(const std::string& path) {
  const Details details{{"Folder", path}};
  const std::wstring full = FullPath(path, details);
  const CriticalErrorsQuiet quiet;
  const DWORD attributes = ::GetFileAttributesW(ApiPath(full).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    RaiseIfDriveGone(DriveLetterOf(full), details);
    return false;
  }
  return attributes & FILE_ATTRIBUTE_DIRECTORY;
}

std::vector<std::string> ListFolders(const std::string& folder) {
  const Details details{{"Folder", folder}};
  const std::wstring full = FullPath(folder, details);
  const CriticalErrorsQuiet quiet;
  std::vector<FolderEntry> entries;
  if (const DWORD error = ReadFolder(full, entries); error && error != ERROR_FILE_NOT_FOUND)
    Fail("could not list a folder", details, error, full);
  return VisibleFolders(entries);
}

std::string AvailableDrives() {
  DWORD present = ::GetLogicalDrives();
  // The system may list its drives once, before a drive was mapped; the
  // drive of the current folder is there all the same.
  if (const wchar_t current = DriveLetterOf(CurrentFolder())) present |= 1u << (current - L'A');
  std::string letters;
  for (int i = 0; i < 26; ++i)
    if (present & (1u << i)) letters += static_cast<char>('A' + i);
  return letters;
}

std::string VolumeLabel(char driveLetter) {
  const wchar_t letter = DriveLetter(static_cast<unsigned char>(driveLetter));
  if (!letter) return {};
  const wchar_t root[] = {letter, L':', L'\\', 0};
  const CriticalErrorsQuiet quiet;
  wchar_t label[MAX_PATH + 1] = {};
  if (!::GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
    return {};
  return Narrow(label);
}

struct AppendedFile::Handle {
  win32::FileHandle file;
};

AppendedFile::AppendedFile(const std::string& path)
    : path_(path), handle_(std::make_unique<Handle>()) {
  const Details details{{"File", path}};
  const std::wstring full = FullPath(path, details);
  const CriticalErrorsQuiet quiet;
  handle_->file = win32::FileHandle(::CreateFileW(ApiPath(full).c_str(), FILE_APPEND_DATA,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle_->file) Fail("could not open the log", details, ::GetLastError(), full);
}

AppendedFile::~AppendedFile() = default;

void AppendedFile::append(const std::string& text) {
  DWORD written = 0;
  if (!::WriteFile(handle_->file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                   nullptr))
    throw RuntimeError("could not write to the log", {{"File", path_}},
                       SystemReason(::GetLastError()));
  if (written != text.size())
    throw RuntimeError("could not write to the log", {{"File", path_}},
                       SystemReason(ERROR_DISK_FULL));
}

std::uint64_t rtcFileLen(const std::string& path) {
  const Details details{{"File", path}};
  const std::wstring full = FullPath(path, details);
  const CriticalErrorsQuiet quiet;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(ApiPath(full).c_str(), GetFileExInfoStandard, &data))
    Fail("could not read the length of a file", details, ::GetLastError(), full);
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

}  // namespace rt
