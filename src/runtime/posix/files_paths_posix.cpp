// Paths and errors of the Linux file functions: a Windows path made full by
// the rules of windows_path.h, then led to the host through the drive
// table, each name matched without regard to letter case as on Windows;
// and the run-time error of a failed call.
#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <unordered_map>

#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/listing.h"
#include "runtime/posix/file_access_posix.h"
#include "runtime/text.h"
#include "runtime/windows_path.h"

namespace rt::posix {
namespace {

std::string ReasonFor(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "Access is denied.";
    case ENOSPC:
    case EDQUOT:
      return "No space left on the disk.";
    case ENOENT:
      return "The file does not exist.";
    case EEXIST:
      return "A file or folder of that name exists already.";
    case EROFS:
      return "The disk is write-protected.";
    default:
      break;
  }
  std::string text = std::strerror(error);
  if (!text.empty() && text.back() != '.') text += '.';
  return text;
}

// The names of one host folder by their upper-case form, the first in sorted
// order for each. Finding a name without regard to letter case reads the
// folder once; the index is kept while the folder stays unchanged, and the
// copies made into it are added as they land, so that filling a folder with
// many files does not read it again for each one.
struct FolderIndex {
  std::string host;
  ino_t inode = 0;
  timespec changed{};
  std::unordered_map<std::string, std::string> byUpperName;
};

FolderIndex& CachedIndex() {
  static FolderIndex index;
  return index;
}

bool Unchanged(const FolderIndex& index, const std::string& folder, const struct stat& info) {
  return index.host == folder && index.inode == info.st_ino &&
         index.changed.tv_sec == info.st_mtim.tv_sec &&
         index.changed.tv_nsec == info.st_mtim.tv_nsec;
}

const FolderIndex* IndexOf(const std::string& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) return nullptr;
  FolderIndex& index = CachedIndex();
  if (Unchanged(index, folder, info)) return &index;
  const UniqueDir dir(::opendir(folder.c_str()));
  if (!dir) return nullptr;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir.get())) names.emplace_back(entry->d_name);
  SortNames(names);
  index = FolderIndex{folder, info.st_ino, info.st_mtim, {}};
  for (auto& name : names) index.byUpperName.emplace(rtcUpperCaseVar(name), std::move(name));
  return &index;
}

// The entry of host folder `folder` that `name` stands for: the entry of
// exactly that name, else the first one that differs only in letter case,
// else `name` itself, and then `exists` is false.
std::string MatchEntry(const std::string& folder, const std::string& name, bool& exists) {
  struct stat info {};
  exists = true;
  if (::lstat((folder + "/" + name).c_str(), &info) == 0) return name;
  if (const FolderIndex* index = IndexOf(folder)) {
    const auto found = index->byUpperName.find(rtcUpperCaseVar(name));
    if (found != index->byUpperName.end()) return found->second;
  }
  exists = false;
  return name;
}

// The host folder of the share whose root ("\\srv\share\") begins the full
// path `root`; raises when the root names no share that is mapped.
const std::string& ShareFolder(const std::string& root, const Details& details) {
  const size_t server = root.find('\\', 2);  // the end of "\\srv"
  const bool named = server > 2 && server + 2 < root.size();
  const auto& shares = Mounted().shares;
  const auto found =
      named ? shares.find(rtcUpperCaseVar(root.substr(0, root.size() - 1))) : shares.end();
  if (found == shares.end() || !IsFolder(found->second))
    throw RuntimeError("the network path was not found", details,
                       "The network path was not found.");
  return found->second;
}

// A drive's current folder for windows_path::FullPath: its root until the
// process stands in it.
std::string DriveFolder(char letter) {
  const auto& folders = Mounted().driveFolders;
  const auto found = folders.find(letter);
  return found != folders.end() ? found->second : std::string{letter, ':', '\\'};
}

}  // namespace

void Fail(const std::string& action, Details details, int error) {
  throw RuntimeError(action, std::move(details), ReasonFor(error));
}

bool IsFolder(const std::string& host) {
  struct stat info {};
  return ::stat(host.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

Resolved Resolve(const std::string& path, const Details& details) {
  constexpr windows_path::CurrentFolders<char> kCurrent{rtcCurrentDir, DriveFolder};
  const std::string full = windows_path::ValidFullPath(path, kCurrent, details);
  const size_t rootLength = windows_path::RootLength(full);
  Resolved out;
  out.windows = full.substr(0, rootLength);
  out.host = windows_path::HasDrivePrefix(full) ? ReadyDrive(full[0], details).hostFolder
                                                : ShareFolder(out.windows, details);
  for (size_t start = rootLength; start < full.size();) {
    size_t stop = full.find('\\', start);
    if (stop == std::string::npos) stop = full.size();
    const std::string name = MatchEntry(out.host, full.substr(start, stop - start), out.exists);
    out.host += "/" + name;
    out.windows += (out.windows.ends_with('\\') ? "" : "\\") + name;
    start = stop + 1;
  }
  return out;
}

void ForgetFolderIndex() {
  CachedIndex() = {};
}

void NoteAdded(const std::string& folder, const std::string& name) {
  FolderIndex& index = CachedIndex();
  struct stat info {};
  if (index.host != folder || ::stat(folder.c_str(), &info) != 0 || info.st_ino != index.inode) {
    index = {};
    return;
  }
  index.byUpperName.emplace(rtcUpperCaseVar(name), name);
  index.changed = info.st_mtim;
}

}  // namespace rt::posix
