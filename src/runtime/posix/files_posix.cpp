// File functions on Linux: drive letters map to host folders (drive_table.h),
// and names resolve without regard to letter case, as on Windows.
#include <dirent.h>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/listing.h"
#include "runtime/posix/drive_table.h"
#include "runtime/posix/file_access_posix.h"
#include "runtime/text.h"

namespace rt {
namespace {

using posix::Details;
using posix::Fail;
using posix::Resolve;
using posix::Resolved;
using posix::UniqueFd;

// ---- Errors ----

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

Details WithDrive(char letter, const Details& details) {
  Details all{{"Drive", std::string{letter, ':'}}};
  all.insert(all.end(), details.begin(), details.end());
  return all;
}

// ---- Handles ----

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

// A new file for a copy. Where the file system allows, it has no name until
// it is whole, so that a failure or a kill leaves nothing behind; elsewhere
// it has a temporary name and is removed again unless kept.
class TempFile {
 public:
  TempFile(std::string path, UniqueFd fd) : path_(std::move(path)), fd_(std::move(fd)) {}
  TempFile(TempFile&& other) noexcept
      : path_(std::exchange(other.path_, {})), fd_(std::move(other.fd_)), kept_(other.kept_) {}
  TempFile& operator=(TempFile&&) = delete;
  ~TempFile() {
    fd_.reset();
    if (!kept_ && !path_.empty()) ::unlink(path_.c_str());
  }

  UniqueFd& fd() { return fd_; }
  bool named() const { return !path_.empty(); }
  const std::string& path() const { return path_; }

  // Names an unnamed file `path`, which must not exist; the error number, or 0.
  int Link(const std::string& path) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0)
      return errno;
    path_ = path;
    return 0;
  }
  void keep() { kept_ = true; }

 private:
  std::string path_;
  UniqueFd fd_;
  bool kept_ = false;
};

// ---- Drives and paths ----

struct MountedDrives {
  std::map<char, posix::Drive> drives;
  std::map<std::string, std::string> shares;  // host folders by upper-case "\\SRV\SHARE"
  std::map<char, std::vector<std::string>> currentFolders;  // names below each root
  char currentDrive = 0;                  // 0 while the current folder is on a share
  std::string currentShare;               // "\\srv\share\" of the current folder on a share
  std::vector<std::string> shareFolders;  // names below that share's root
  std::string programPath;
};

MountedDrives& Mounted() {
  static MountedDrives mounted;
  return mounted;
}

char Upper(char c) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool IsFolder(const std::string& host) {
  struct stat info {};
  return ::stat(host.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsReady(const posix::Drive& drive) {
  return IsFolder(drive.hostFolder);
}

// The drive of `letter`, raising when it is not in the table or not ready.
const posix::Drive& ReadyDrive(char letter, const Details& details) {
  const auto& drives = Mounted().drives;
  const auto found = drives.find(letter);
  if (found == drives.end())
    throw RuntimeError("the drive does not exist", WithDrive(letter, details),
                       "Device unavailable.");
  if (!IsReady(found->second))
    throw RuntimeError("the drive is not ready", WithDrive(letter, details),
                       "The drive is not ready.");
  return found->second;
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
  UniqueDir dir(::opendir(folder.c_str()));
  if (!dir) return nullptr;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir.get())) names.emplace_back(entry->d_name);
  SortNames(names);
  index = FolderIndex{folder, info.st_ino, info.st_mtim, {}};
  for (auto& name : names) index.byUpperName.emplace(rtcUpperCaseVar(name), std::move(name));
  return &index;
}

// Records a name this process has just put into `folder`.
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

// Splits the part of a path after its root into names, starting from
// `names`; "." stays and ".." goes up, never above the root.
void AppendNames(std::string_view rest, std::vector<std::string>& names) {
  size_t start = 0;
  while (start <= rest.size()) {
    size_t stop = start;
    while (stop < rest.size() && !IsSeparator(rest[stop])) ++stop;
    const std::string_view name = rest.substr(start, stop - start);
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.emplace_back(name);
    }
    start = stop + 1;
  }
}

bool IsNetworkPath(std::string_view path) {
  return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

// The share a network path begins with: its root ("\\srv\share\") and host
// folder; `rest` is left with what follows. Raises when it is not mapped.
std::string ShareRoot(std::string_view& rest, std::string& host, const Details& details) {
  std::vector<std::string> parts;
  size_t at = 2;
  while (parts.size() < 2 && at <= rest.size()) {
    size_t stop = at;
    while (stop < rest.size() && !IsSeparator(rest[stop])) ++stop;
    parts.emplace_back(rest.substr(at, stop - at));
    at = stop + 1;
  }
  rest.remove_prefix(std::min(at, rest.size()));
  const std::string root =
      "\\\\" + parts[0] + (parts.size() > 1 ? "\\" + parts[1] : std::string{}) + "\\";
  const auto& shares = Mounted().shares;
  const auto found = shares.find(rtcUpperCaseVar(root.substr(0, root.size() - 1)));
  if (parts.size() < 2 || parts[0].empty() || parts[1].empty() || found == shares.end() ||
      !IsFolder(found->second))
    throw RuntimeError("the network path was not found", details,
                       "The network path was not found.");
  host = found->second;
  return root;
}

std::string WindowsPath(const std::string& root, const std::vector<std::string>& names) {
  std::string path = root;
  for (size_t i = 0; i < names.size(); ++i) path += (i ? "\\" : "") + names[i];
  return path;
}

// ---- Folder listings ----

// The entries of a host folder (no "." or ".."); the error number, or 0.
// Anything but an ordinary file or a folder counts as a system file, and a
// name that starts with a dot as hidden.
int ReadFolder(const std::string& host, std::vector<FolderEntry>& entries) {
  UniqueDir dir(::opendir(host.c_str()));
  if (!dir) return errno;
  errno = 0;
  while (const dirent* item = ::readdir(dir.get())) {
    const std::string name = item->d_name;
    if (name == "." || name == "..") continue;
    // The folder says which entries are folders; a link is taken for what
    // it leads to.
    bool folder = item->d_type == DT_DIR;
    bool ordinary = item->d_type == DT_REG;
    std::uint64_t size = 0;
    if (!folder) {  // a file's size, which the folder does not hold here
      struct stat info {};
      const bool known = ::fstatat(::dirfd(dir.get()), name.c_str(), &info, 0) == 0;
      folder = known && S_ISDIR(info.st_mode);
      ordinary = known && S_ISREG(info.st_mode);
      if (ordinary) size = static_cast<std::uint64_t>(info.st_size);
    }
    entries.push_back({name, folder, name[0] == '.', !folder && !ordinary, size});
    errno = 0;
  }
  return errno;
}

// ---- Copying ----

// Copies `length` bytes from the current position of `in` to that of `out`:
// in the kernel where it can, else through a fixed buffer. Returns 0 or the
// error number.
int CopyBytes(int in, int out, off_t length, CopyProgress* progress) {
  // Small enough pieces for the progress to be heard several times a second.
  constexpr size_t kKernelChunk = size_t{8} << 20;
  constexpr size_t kBufferSize = size_t{1} << 20;
  enum class Method { CopyRange, SendFile, ReadWrite } method = Method::CopyRange;
  std::unique_ptr<char[]> buffer;
  off_t copied = 0;
  while (copied < length) {
    const auto chunk = static_cast<size_t>(std::min<off_t>(length - copied, kKernelChunk));
    ssize_t done = 0;
    if (method == Method::CopyRange) {
      done = ::copy_file_range(in, nullptr, out, nullptr, chunk, 0);
    } else if (method == Method::SendFile) {
      done = ::sendfile(out, in, nullptr, chunk);
    } else {
      if (!buffer) buffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
      done = ::read(in, buffer.get(), std::min(chunk, kBufferSize));
      for (ssize_t written = 0; done > 0 && written < done;) {
        const ssize_t now =
            ::write(out, buffer.get() + written, static_cast<size_t>(done - written));
        if (now < 0 && errno != EINTR) return errno;
        if (now > 0) written += now;
      }
    }
    if (done > 0) {
      copied += done;
      if (progress) progress->written(static_cast<std::uint64_t>(done));
      continue;
    }
    const int error = done < 0 ? errno : 0;
    if (error == EINTR) continue;
    // Some file systems refuse the kernel-side methods, or end them early.
    const bool unsupported =
        error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL || error == 0;
    if (method != Method::ReadWrite && unsupported) {
      method = method == Method::CopyRange ? Method::SendFile : Method::ReadWrite;
      continue;
    }
    return error ? error : EIO;  // the file ended before its size
  }
  return 0;
}

// Copies `in` (described by `info`) to the empty `out`, data region by data
// region, so that the holes of a sparse file stay holes. Returns 0 or the
// error number.
int CopyContents(int in, int out, const struct stat& info, CopyProgress* progress) {
  const off_t size = info.st_size;
  // A file with blocks for all its bytes has no hole to look for.
  if (info.st_blocks * 512 >= size) return CopyBytes(in, out, size, progress);
  for (off_t data = 0; data < size;) {
    data = ::lseek(in, data, SEEK_DATA);
    if (data < 0 && errno == ENXIO) break;  // only a hole is left
    if (data < 0) return ::lseek(in, 0, SEEK_SET) < 0 ? errno : CopyBytes(in, out, size, progress);
    off_t hole = ::lseek(in, data, SEEK_HOLE);
    if (hole < 0 || hole > size) hole = size;
    if (::lseek(in, data, SEEK_SET) < 0 || ::lseek(out, data, SEEK_SET) < 0) return errno;
    if (const int error = CopyBytes(in, out, hole - data, progress)) return error;
    data = hole;
  }
  return ::ftruncate(out, size) == 0 ? 0 : errno;
}

// A temporary name in `folder` that no one uses yet, for `attempt` to take:
// it returns 0, EEXIST to try the next name, or another error number.
template <class Attempt>
int TakeTemporaryName(const std::string& folder, const Attempt& attempt) {
  constexpr int kTries = 100;
  static const std::string process = std::to_string(::getpid());
  static unsigned counter = 0;
  for (int tries = 0; tries < kTries; ++tries) {
    const int error =
        attempt(folder + "/~setup" + process + "-" + std::to_string(counter++) + ".tmp");
    if (error != EEXIST) return error;
  }
  return EEXIST;
}

[[noreturn]] void FailInFolder(const Details& details, int error) {
  if (error == ENOENT)
    throw RuntimeError("could not copy a file", details, "The destination folder does not exist.");
  Fail("could not copy a file", details, error);
}

// A new, empty file in `folder`: unnamed where the file system allows.
TempFile CreateTempFile(const std::string& folder, const Details& details) {
  UniqueFd unnamed(::open(folder.c_str(), O_WRONLY | O_TMPFILE | O_CLOEXEC, 0600));
  if (unnamed) return TempFile({}, std::move(unnamed));
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) FailInFolder(details, errno);
  std::optional<TempFile> made;
  const int error = TakeTemporaryName(folder, [&](const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd) return errno;
    made.emplace(path, std::move(fd));
    return 0;
  });
  if (error) FailInFolder(details, error);
  return std::move(*made);
}

// Puts a whole copy in the place of `target` (a host path in `folder`) in one
// step; the error number, or 0. A new destination takes the unnamed file's
// name at once; an existing one is replaced by a rename.
int PutInPlace(TempFile& copy, const std::string& folder, const std::string& target) {
  if (!copy.named()) {
    const int error = copy.Link(target);
    if (error != EEXIST) return error;
    if (const int named =
            TakeTemporaryName(folder, [&](const std::string& path) { return copy.Link(path); }))
      return named;
  }
  return ::rename(copy.path().c_str(), target.c_str()) == 0 ? 0 : errno;
}

}  // namespace

namespace posix {

void Fail(const std::string& action, Details details, int error) {
  throw RuntimeError(action, std::move(details), ReasonFor(error));
}

// Where a Windows path leads: its root (raising when a drive is missing or
// not ready, or a share not found), and the host path with each name
// matched as the file system spells it.
Resolved Resolve(const std::string& path, const Details& details) {
  // No Windows name holds a NUL, and the host would cut the path short there.
  if (path.find('\0') != std::string::npos)
    throw RuntimeError("the path is not valid", details,
                       "The file name, folder name or volume label syntax is incorrect.");
  MountedDrives& mounted = Mounted();
  Resolved out;
  std::string_view rest = path;
  std::vector<std::string> names;
  if (IsNetworkPath(rest)) {
    out.root = ShareRoot(rest, out.host, details);
  } else if (HasDrivePrefix(rest) || mounted.currentShare.empty()) {
    char letter = mounted.currentDrive;
    if (HasDrivePrefix(rest)) {
      letter = Upper(rest[0]);
      rest.remove_prefix(2);
    }
    out.root = {letter, ':', '\\'};
    out.host = ReadyDrive(letter, details).hostFolder;
    if (rest.empty() || !IsSeparator(rest[0])) names = mounted.currentFolders[letter];
  } else {  // relative to a current folder on a share
    std::string_view share = mounted.currentShare;
    out.root = ShareRoot(share, out.host, details);
    if (rest.empty() || !IsSeparator(rest[0])) names = mounted.shareFolders;
  }
  AppendNames(rest, names);
  for (const auto& name : names) {
    out.names.push_back(MatchEntry(out.host, name, out.exists));
    out.host += "/" + out.names.back();
  }
  return out;
}

void MountDrives(std::map<char, Drive> drives, const std::string& currentDir,
                 std::map<std::string, std::string> shares) {
  MountedDrives mounted;
  for (auto& [letter, drive] : drives) {
    mounted.drives[Upper(letter)] = std::move(drive);
    mounted.currentFolders[Upper(letter)] = {};
  }
  for (auto& [name, host] : shares) mounted.shares[rtcUpperCaseVar(name)] = std::move(host);
  const bool onDrive = HasDrivePrefix(currentDir) && mounted.drives.count(Upper(currentDir[0]));
  if (!onDrive && !IsNetworkPath(currentDir))
    throw RuntimeError("could not set the current folder", {{"Folder", currentDir}},
                       "Device unavailable.");
  if (onDrive) mounted.currentDrive = Upper(currentDir[0]);
  Mounted() = std::move(mounted);
  CachedIndex() = {};  // the folders are read anew on the new table
  ClearListing();
  if (onDrive) {
    std::vector<std::string> names;
    AppendNames(std::string_view(currentDir).substr(2), names);
    if (IsReady(Mounted().drives[Mounted().currentDrive]))
      names = Resolve(currentDir, {{"Folder", currentDir}}).names;
    Mounted().currentFolders[Mounted().currentDrive] = names;
  } else {
    rtcChangeDir(currentDir);
  }
  const std::string folder = rtcCurrentDir();
  Mounted().programPath = folder + (folder.ends_with('\\') ? "" : "\\") + "setup.exe";
}

void SetProgramPath(const std::string& path) {
  Mounted().programPath = path;
}

}  // namespace posix

std::string rtcDir(const std::string& pattern, int attributes) {
  ClearListing();
  const Details details{{"Pattern", pattern}};
  const SplitPattern split(pattern);
  const Resolved where = Resolve(split.folder, details);

  std::vector<FolderEntry> entries;
  const int error = ReadFolder(where.host, entries);
  if (error == ENOENT || error == ENOTDIR) return {};
  if (error) Fail("could not list a folder", details, error);
  return StartListing(entries, split.name, attributes);
}

std::string rtcDir() {
  return NextListed();
}

std::string rtcCurrentDir() {
  const MountedDrives& mounted = Mounted();
  if (!mounted.currentShare.empty()) return WindowsPath(mounted.currentShare, mounted.shareFolders);
  if (!mounted.currentDrive)
    throw RuntimeError("could not find the current folder", {}, "Device unavailable.");
  return WindowsPath({mounted.currentDrive, ':', '\\'},
                     mounted.currentFolders.at(mounted.currentDrive));
}

std::string rtcCurrentDirOfDrive(char driveLetter) {
  const char letter = Upper(driveLetter);
  ReadyDrive(letter, {});
  return WindowsPath({letter, ':', '\\'}, Mounted().currentFolders[letter]);
}

void rtcChangeDir(const std::string& path) {
  const Details details{{"Folder", path}};
  const Resolved where = Resolve(path, details);
  if (!IsFolder(where.host))
    throw RuntimeError("could not change the current folder", details,
                       "The system cannot find the path specified.");
  MountedDrives& mounted = Mounted();
  if (HasDrivePrefix(where.root)) {
    mounted.currentDrive = where.root[0];
    mounted.currentFolders[mounted.currentDrive] = where.names;
    mounted.currentShare.clear();
    mounted.shareFolders.clear();
  } else {
    mounted.currentDrive = 0;
    mounted.currentShare = where.root;
    mounted.shareFolders = where.names;
  }
}

std::string ProgramFolder() {
  return FolderOfFile(Mounted().programPath);
}

std::string SystemDriveRoot() {
  const auto& drives = Mounted().drives;
  const char letter = drives.count('C') || drives.empty() ? 'C' : drives.begin()->first;
  return {letter, ':', '\\'};
}

void rtcMakeDir(const std::string& path) {
  const Details details{{"Folder", path}};
  const Resolved where = Resolve(path, details);
  if (::mkdir(where.host.c_str(), 0777) == 0) return;
  if (errno == ENOENT)
    throw RuntimeError("could not create a folder", details, "The folder above it does not exist.");
  Fail("could not create a folder", details, errno);
}

void rtcFileCopy(const std::string& source, const std::string& destination,
                 CopyProgress* progress) {
  const std::string action = "could not copy a file";
  const Details details{{"File", source}, {"Destination", destination}};
  const Resolved from = Resolve(source, details);
  const Resolved to = Resolve(destination, details);

  UniqueFd in(::open(from.host.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!in) Fail(action, details, errno);
  struct stat sourceInfo {};
  if (::fstat(in.get(), &sourceInfo) != 0) Fail(action, details, errno);
  if (!S_ISREG(sourceInfo.st_mode))
    throw RuntimeError(action, details, "The file is not an ordinary file.");
  ::fcntl(in.get(), F_SETFL, 0);  // O_NONBLOCK was its only status flag

  struct stat destinationInfo {};
  if (to.exists && ::stat(to.host.c_str(), &destinationInfo) == 0) {
    if (destinationInfo.st_dev == sourceInfo.st_dev && destinationInfo.st_ino == sourceInfo.st_ino)
      return;  // the same file
    if (S_ISDIR(destinationInfo.st_mode))
      throw RuntimeError(action, details, "The destination is a folder.");
  }

  const std::string folder = to.host.substr(0, to.host.find_last_of('/'));
  TempFile temp = CreateTempFile(folder, details);
  if (const int error = CopyContents(in.get(), temp.fd().get(), sourceInfo, progress))
    Fail(action, details, error);
  if (::fchmod(temp.fd().get(), (sourceInfo.st_mode & 0777) | S_IWUSR) != 0)
    Fail(action, details, errno);
  // A late write error shows when a file closes (on a network drive, where
  // the file has a name): before it takes the destination's place.
  if (temp.named())
    if (const int error = temp.fd().close()) Fail(action, details, error);
  if (const int error = PutInPlace(temp, folder, to.host)) Fail(action, details, error);
  temp.keep();
  NoteAdded(folder, to.host.substr(folder.size() + 1));
}

bool FolderExists(const std::string& path) {
  return IsFolder(Resolve(path, {{"Folder", path}}).host);
}

std::vector<std::string> ListFolders(const std::string& folder) {
  const Details details{{"Folder", folder}};
  const Resolved where = Resolve(folder, details);
  std::vector<FolderEntry> entries;
  if (const int error = ReadFolder(where.host, entries))
    Fail("could not list a folder", details, error);
  return VisibleFolders(entries);
}

std::string AvailableDrives() {
  std::string letters;
  for (const auto& [letter, drive] : Mounted().drives) letters += letter;
  return letters;
}

std::string VolumeLabel(char driveLetter) {
  const auto& drives = Mounted().drives;
  const auto found = drives.find(Upper(driveLetter));
  return found != drives.end() && IsReady(found->second) ? found->second.label : std::string{};
}

}  // namespace rt
