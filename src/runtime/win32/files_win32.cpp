// File functions on Windows: the wide APIs, with long paths in the "\\?\" form.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "runtime/desktop.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/text.h"
#include "runtime/win32/handles.h"
#include "runtime/win32/wide.h"

namespace rt {
namespace {

using Details = std::vector<std::pair<std::string, std::string>>;
using win32::Narrow;
using win32::Widen;

constexpr int kHidden = 2;  // the attribute bits of rtcDir beyond vbNormal
constexpr int kSystem = 4;

// ---- Errors ----

std::string SystemReason(DWORD error) {
  wchar_t text[512];
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, 512, nullptr);
  while (length > 0 &&
         (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' '))
    --length;
  if (length == 0) return "System error " + std::to_string(error) + ".";
  return Narrow(std::wstring_view(text, length));
}

[[noreturn]] void Fail(const std::string& action, const Details& details, DWORD error) {
  if (error == ERROR_NOT_READY)
    throw RuntimeError("the drive is not ready", details, "The drive is not ready.");
  throw RuntimeError(action, details, SystemReason(error));
}

// No "insert a disk" box from the system while a drive is probed.
class CriticalErrorsQuiet {
 public:
  CriticalErrorsQuiet() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &saved_); }
  CriticalErrorsQuiet(const CriticalErrorsQuiet&) = delete;
  CriticalErrorsQuiet& operator=(const CriticalErrorsQuiet&) = delete;
  ~CriticalErrorsQuiet() { ::SetThreadErrorMode(saved_, nullptr); }

 private:
  DWORD saved_ = 0;
};

// ---- Paths ----

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

bool HasDrivePrefix(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
}

// An upper-case drive letter, or 0 when `c` is none.
wchar_t DriveLetter(wchar_t c) {
  if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - L'a' + L'A');
  return c >= L'A' && c <= L'Z' ? c : 0;
}

std::wstring RootOf(wchar_t letter) {
  return {letter, L':', L'\\'};
}

std::wstring GetFullPath(const std::wstring& path) {
  const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  full.resize(::GetFullPathNameW(path.c_str(), size, full.data(), nullptr));
  return full;
}

// "C:\a\" becomes "C:\a"; a root keeps its separator.
std::wstring WithoutTrailingSeparator(std::wstring full) {
  while (full.size() > 3 && full.back() == L'\\' && full[full.size() - 2] != L':') full.pop_back();
  return full;
}

// The full path of a Windows path: separators as '\', doubled ones single
// (the leading pair of a network path stays), no trailing one below a root.
std::wstring FullPath(const std::string& path) {
  const std::wstring wide = Widen(path);
  std::wstring cleaned;
  for (size_t i = 0; i < wide.size(); ++i) {
    const wchar_t c = IsSeparator(wide[i]) ? L'\\' : wide[i];
    if (c == L'\\' && i > 1 && cleaned.back() == L'\\') continue;
    cleaned.push_back(c);
  }
  return WithoutTrailingSeparator(GetFullPath(cleaned.empty() ? L"." : cleaned));
}

// The form the APIs take: a path too long for the plain form gets "\\?\".
std::wstring ApiPath(const std::wstring& full) {
  constexpr size_t kPlainLimit = MAX_PATH - 12;  // CreateDirectoryW keeps room for an 8.3 name
  if (full.size() < kPlainLimit || full.starts_with(L"\\\\?\\")) return full;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

wchar_t DriveLetterOf(std::wstring_view full) {
  if (full.starts_with(L"\\\\?\\")) full.remove_prefix(4);
  return full.size() >= 2 && full[1] == L':' ? DriveLetter(full[0]) : 0;
}

bool DrivePresent(wchar_t letter) {
  return letter && (::GetLogicalDrives() & (1u << (letter - L'A')));
}

bool RootReadable(wchar_t letter) {
  const CriticalErrorsQuiet quiet;
  return ::GetFileAttributesW(RootOf(letter).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Raises when the drive of a full path is missing or not ready; a network
// path has no drive to check.
void CheckDrive(wchar_t letter, const Details& details) {
  if (!letter) return;
  Details all{{"Drive", std::string{static_cast<char>(letter), ':'}}};
  all.insert(all.end(), details.begin(), details.end());
  if (!DrivePresent(letter))
    throw RuntimeError("the drive does not exist", all, "Device unavailable.");
  if (!RootReadable(letter))
    throw RuntimeError("the drive is not ready", all, "The drive is not ready.");
}

// ---- Folder listings ----

struct Entry {
  std::string name;
  DWORD attributes;
};

// The entries of a folder (no "." or ".."); the error code, or 0.
DWORD ReadFolder(const std::wstring& full, std::vector<Entry>& entries) {
  const std::wstring search = ApiPath(full + (full.back() == L'\\' ? L"*" : L"\\*"));
  const CriticalErrorsQuiet quiet;
  WIN32_FIND_DATAW data;
  const win32::FindHandle find(::FindFirstFileExW(search.c_str(), FindExInfoBasic, &data,
                                                  FindExSearchNameMatch, nullptr, 0));
  if (!find) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? 0 : error;  // an empty root
  }
  do {
    const std::wstring_view name = data.cFileName;
    if (name != L"." && name != L"..") entries.push_back({Narrow(name), data.dwFileAttributes});
  } while (::FindNextFileW(find.get(), &data));
  const DWORD error = ::GetLastError();
  return error == ERROR_NO_MORE_FILES ? 0 : error;
}

// Sorts names ascending without regard to letter case; equal ones in byte order.
void SortNames(std::vector<std::string>& names) {
  std::vector<std::pair<std::string, std::string>> keyed;
  keyed.reserve(names.size());
  for (auto& name : names) keyed.emplace_back(rtcUpperCaseVar(name), std::move(name));
  std::sort(keyed.begin(), keyed.end());
  names.clear();
  for (auto& entry : keyed) names.push_back(std::move(entry.second));
}

struct Listing {
  std::vector<std::string> names;
  size_t next = 0;
};

Listing& LastListing() {
  static Listing listing;
  return listing;
}

std::string NextListed() {
  Listing& listing = LastListing();
  return listing.next < listing.names.size() ? listing.names[listing.next++] : std::string{};
}

// ---- Copying ----

// A file written under a temporary name; removed again unless kept.
class TempFile {
 public:
  explicit TempFile(std::wstring path) : path_(std::move(path)) {}
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (kept_) return;
    ::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path_.c_str());
  }

  const std::wstring& path() const { return path_; }
  void keep() { kept_ = true; }

 private:
  std::wstring path_;
  bool kept_ = false;
};

// The system's copy engine runs on a worker thread while this thread keeps
// the windows painted and answering: the copy still takes no input, but a
// long file does not make the program look hung. (The engine's progress
// routine would do, but not every system calls it.)
struct CopyJob {
  const wchar_t* from;
  const wchar_t* to;
  BOOL copied = FALSE;
  DWORD error = 0;
};

DWORD WINAPI RunCopyJob(LPVOID parameter) {
  auto& job = *static_cast<CopyJob*>(parameter);
  job.copied = ::CopyFileExW(job.from, job.to, nullptr, nullptr, nullptr, COPY_FILE_FAIL_IF_EXISTS);
  job.error = job.copied ? 0 : ::GetLastError();
  return 0;
}

// CopyFileExW(from, to, COPY_FILE_FAIL_IF_EXISTS); the error code, or 0.
DWORD CopyWhilePainting(const std::wstring& from, const std::wstring& to) {
  constexpr DWORD kAnswerEvery = 200;  // milliseconds
  CopyJob job{from.c_str(), to.c_str()};
  const win32::FileHandle worker(::CreateThread(nullptr, 0, &RunCopyJob, &job, 0, nullptr));
  if (!worker) {
    RunCopyJob(&job);
    return job.error;
  }
  const HANDLE handle = worker.get();
  while (::MsgWaitForMultipleObjects(1, &handle, FALSE, kAnswerEvery, QS_PAINT) != WAIT_OBJECT_0)
    desktop().keepAlive();
  return job.error;
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

// Copies `source` into a new file in `folder` under a name no one uses.
TempFile CopyToTemp(const std::wstring& source, const std::wstring& folder,
                    const Details& details) {
  static std::atomic<unsigned> counter{0};
  const std::wstring from = ApiPath(source);
  for (;;) {
    const std::wstring path =
        ApiPath(folder + L"\\~setup" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(counter++) + L".tmp");
    const DWORD error = CopyWhilePainting(from, path);
    if (error == 0) return TempFile(path);
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;  // not ours
    const TempFile partial(path);
    Fail("could not copy a file", details, error);
  }
}

}  // namespace

std::string rtcDir(const std::string& pattern, int attributes) {
  LastListing() = {};
  const Details details{{"Pattern", pattern}};
  size_t split = pattern.find_last_of("\\/");
  if (split == std::string::npos) split = HasDrivePrefix(pattern) ? 1 : std::string::npos;
  const std::wstring folder = FullPath(pattern.substr(0, split + 1));
  std::string name = pattern.substr(split + 1);
  if (name.empty()) name = "*";
  CheckDrive(DriveLetterOf(folder), details);

  std::vector<Entry> entries;
  const DWORD error = ReadFolder(folder, entries);
  if (error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY || error == ERROR_INVALID_NAME)
    return {};
  if (error) Fail("could not list a folder", details, error);

  const bool wildcards = name.find_first_of("*?") != std::string::npos;
  Listing listing;
  for (const auto& entry : entries) {
    if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & vbDirectory)) continue;
    if ((entry.attributes & FILE_ATTRIBUTE_SYSTEM) && !(attributes & kSystem)) continue;
    if ((entry.attributes & FILE_ATTRIBUTE_HIDDEN) && !(attributes & kHidden)) continue;
    if (wildcards ? WildcardMatch(name, entry.name) : SameNameIgnoringCase(name, entry.name))
      listing.names.push_back(entry.name);
  }
  SortNames(listing.names);
  LastListing() = std::move(listing);
  return NextListed();
}

std::string rtcDir() {
  return NextListed();
}

std::string rtcCurrentDir() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(size, L'\0');
  folder.resize(size ? ::GetCurrentDirectoryW(size, folder.data()) : 0);
  if (folder.empty()) Fail("could not find the current folder", {}, ::GetLastError());
  if (folder.starts_with(L"\\\\?\\") && !folder.starts_with(L"\\\\?\\UNC\\")) folder.erase(0, 4);
  return Narrow(folder);
}

std::string rtcCurrentDirOfDrive(char driveLetter) {
  const wchar_t letter = DriveLetter(static_cast<unsigned char>(driveLetter));
  const Details details{{"Drive", std::string{driveLetter, ':'}}};
  if (!letter) throw RuntimeError("the drive does not exist", details, "Device unavailable.");
  CheckDrive(letter, {});
  return Narrow(WithoutTrailingSeparator(GetFullPath({letter, L':'})));
}

void rtcMakeDir(const std::string& path) {
  const Details details{{"Folder", path}};
  const std::wstring full = FullPath(path);
  CheckDrive(DriveLetterOf(full), details);
  if (!::CreateDirectoryW(ApiPath(full).c_str(), nullptr))
    Fail("could not create a folder", details, ::GetLastError());
}

void rtcFileCopy(const std::string& source, const std::string& destination) {
  const std::string action = "could not copy a file";
  const Details details{{"File", source}, {"Destination", destination}};
  const std::wstring from = FullPath(source);
  const std::wstring to = FullPath(destination);
  CheckDrive(DriveLetterOf(from), details);
  CheckDrive(DriveLetterOf(to), details);

  BY_HANDLE_FILE_INFORMATION sourceInfo{};
  if (const DWORD error = Identify(from, sourceInfo)) Fail(action, details, error);
  if (sourceInfo.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
    throw RuntimeError(action, details, "The file is not an ordinary file.");
  BY_HANDLE_FILE_INFORMATION destinationInfo{};
  if (Identify(to, destinationInfo) == 0) {
    if (SameFile(sourceInfo, destinationInfo)) return;
    if (destinationInfo.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      throw RuntimeError(action, details, "The destination is a folder.");
  }

  TempFile temp = CopyToTemp(from, to.substr(0, to.find_last_of(L'\\')), details);
  const DWORD copied = ::GetFileAttributesW(temp.path().c_str());
  if (copied == INVALID_FILE_ATTRIBUTES) Fail(action, details, ::GetLastError());
  if ((copied & FILE_ATTRIBUTE_READONLY) &&
      !SetAttributes(temp.path(), copied & ~FILE_ATTRIBUTE_READONLY))
    Fail(action, details, ::GetLastError());

  // A read-only destination is unlocked for the replace and locked again if
  // it fails. A link keeps its own attributes: its target is never touched.
  const std::wstring target = ApiPath(to);
  const DWORD old = ::GetFileAttributesW(target.c_str());
  const bool unlock = old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY) &&
                      !(old & FILE_ATTRIBUTE_REPARSE_POINT);
  if (unlock && !SetAttributes(target, old & ~FILE_ATTRIBUTE_READONLY))
    Fail(action, details, ::GetLastError());
  if (!::MoveFileExW(temp.path().c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = ::GetLastError();
    if (unlock) SetAttributes(target, old);
    Fail(action, details, error);
  }
  temp.keep();
}

bool FolderExists(const std::string& path) {
  const std::wstring full = FullPath(path);
  CheckDrive(DriveLetterOf(full), {{"Folder", path}});
  const DWORD attributes = ::GetFileAttributesW(ApiPath(full).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> ListFolders(const std::string& folder) {
  const Details details{{"Folder", folder}};
  const std::wstring full = FullPath(folder);
  CheckDrive(DriveLetterOf(full), details);
  std::vector<Entry> entries;
  if (const DWORD error = ReadFolder(full, entries))
    Fail("could not list a folder", details, error);
  std::vector<std::string> names;
  for (const auto& entry : entries)
    if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(entry.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
      names.push_back(entry.name);
  SortNames(names);
  return names;
}

std::string AvailableDrives() {
  const DWORD present = ::GetLogicalDrives();
  std::string letters;
  for (int i = 0; i < 26; ++i)
    if (present & (1u << i)) letters += static_cast<char>('A' + i);
  return letters;
}

std::string VolumeLabel(char driveLetter) {
  const wchar_t letter = DriveLetter(static_cast<unsigned char>(driveLetter));
  if (!DrivePresent(letter)) return {};
  const CriticalErrorsQuiet quiet;
  wchar_t label[MAX_PATH + 1] = {};
  if (!::GetVolumeInformationW(RootOf(letter).c_str(), label, MAX_PATH + 1, nullptr, nullptr,
                               nullptr, nullptr, 0))
    return {};
  return Narrow(label);
}

}  // namespace rt
