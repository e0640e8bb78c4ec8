// The file copy on Linux, which does what the Windows copy (copy_win32.cpp)
// does and no more: one buffer, read and written in turn, into a file of a
// temporary name in a work folder, renamed into its place once it is whole
// (files.h). This side is a test vehicle for the program's logic; it
// is not built for speed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/copy_rules.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/listing.h"
#include "runtime/posix/file_access_posix.h"

namespace rt {
namespace {

using posix::Details;
using posix::Fail;
using posix::UniqueFd;

// A new file under a temporary name, removed again unless it is kept under
// its final name. The system cannot remove it when the process is killed,
// as Windows does: the next copy into its folder does (RemoveLeftoverCopies).
class PendingFile {
 public:
  PendingFile(std::string path, UniqueFd fd) : path_(std::move(path)), fd_(std::move(fd)) {}
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() {
    fd_.reset();
    if (!kept_) ::unlink(path_.c_str());
  }

  int fd() const { return fd_.get(); }

  // Closes the file, and gives it the host path `target`, replacing a file
  // of that name; the error number, or 0. A late write error shows when the
  // file closes (on a network drive), before it takes the destination's place.
  int KeepAs(const std::string& target) {
    if (const int error = fd_.close()) return error;
    if (::rename(path_.c_str(), target.c_str()) != 0) return errno;
    kept_ = true;
    return 0;
  }

 private:
  std::string path_;
  UniqueFd fd_;
  bool kept_ = false;
};

// A name that no earlier call of this process gave: "~setup<process>-<n>.tmp".
std::string NewTemporaryName() {
  static unsigned long counter = 0;
  return TemporaryCopyName(static_cast<unsigned long>(::getpid()), counter++);
}

// Makes a pending file of a name no one uses in the host folder `folder`,
// to take a destination's place; the error number, or 0.
int CreateTempFile(const std::string& folder, std::optional<PendingFile>& made) {
  constexpr int kTries = 100;
  for (int tries = 0; tries < kTries; ++tries) {
    const std::string path = folder + "/" + NewTemporaryName();
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd) {
      made.emplace(path, std::move(fd));
      return 0;
    }
    if (errno != EEXIST) return errno;  // else not ours
  }
  return EEXIST;
}

// Removes the temporary files in the host folder `folder`.
void RemoveTemporaryFiles(const std::string& folder) {
  std::vector<FolderEntry> entries;
  if (posix::ReadFolder(folder, entries) != 0) return;
  for (const FolderEntry& entry : entries)
    if (!entry.folder && IsTemporaryCopyName(entry.name))
      ::unlink((folder + "/" + entry.name).c_str());
}

// Removes from the host folder `destination` what killed copies left:
// temporary files, and work folders with the temporary files in them. A
// link of such a name is left alone. Unlike Windows, which keeps the file
// of a copy still running open without sharing, the host would remove that
// too: the tests copy into a folder from one process at a time.
void RemoveLeftoverCopies(const std::string& destination) {
  std::vector<FolderEntry> entries;
  if (posix::ReadFolder(destination, entries) != 0) return;
  for (const FolderEntry& entry : entries) {
    if (!IsTemporaryCopyName(entry.name)) continue;
    const std::string path = destination + "/" + entry.name;
    struct stat own {};
    if (!entry.folder) {
      ::unlink(path.c_str());
    } else if (::lstat(path.c_str(), &own) == 0 && S_ISDIR(own.st_mode)) {
      RemoveTemporaryFiles(path);
      ::rmdir(path.c_str());
    }
  }
}

// The work folders of the open batch: by host destination folder, the host
// folder the copies are written in (the destination itself when no folder
// could be made in it).
std::vector<std::pair<std::string, std::string>>& WorkFolders() {
  static std::vector<std::pair<std::string, std::string>> folders;
  return folders;
}

// The host folder that copies into the host folder `destination` are
// written in, as on Windows (work_folders_win32.h).
std::string WorkFolderIn(const std::string& destination) {
  auto& folders = WorkFolders();
  for (const auto& [folder, work] : folders)
    if (folder == destination) return work;
  RemoveLeftoverCopies(destination);
  std::string work = destination;
  constexpr int kTries = 100;
  for (int tries = 0; tries < kTries; ++tries) {
    const std::string path = destination + "/" + NewTemporaryName();
    if (::mkdir(path.c_str(), 0777) == 0) {
      work = path;
      break;
    }
    if (errno != EEXIST) break;  // else not ours
  }
  folders.emplace_back(destination, work);
  return work;
}

// Copies all of `in` (`size` bytes when it began) to `out` through one
// buffer, telling `progress` of each piece written; the error number, or 0.
int CopyContents(int in, int out, std::uint64_t size, CopyProgress* progress) {
  // Larger buffers leave the processor's cache and copy more slowly.
  constexpr std::uint64_t kLargestBuffer = 64 << 10;
  const auto bufferSize = static_cast<size_t>(std::clamp<std::uint64_t>(size, 1, kLargestBuffer));
  const auto buffer = std::make_unique_for_overwrite<char[]>(bufferSize);
  for (;;) {
    const ssize_t got = ::read(in, buffer.get(), bufferSize);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return 0;
    for (ssize_t written = 0; written < got;) {
      const ssize_t now = ::write(out, buffer.get() + written, static_cast<size_t>(got - written));
      if (now > 0)
        written += now;
      else if (now == 0 || errno != EINTR)
        return now == 0 ? EIO : errno;
    }
    if (progress) progress->written(static_cast<std::uint64_t>(got));
  }
}

}  // namespace

void RemoveWorkFolders() {
  for (const auto& [folder, work] : WorkFolders())
    if (work != folder) ::rmdir(work.c_str());
  WorkFolders().clear();
}

void rtcFileCopy(const std::string& source, const std::string& destination,
                 CopyProgress* progress) {
  const std::string action = "could not copy a file";
  const Details details{{"File", source}, {"Destination", destination}};
  const posix::Resolved from = posix::Resolve(source, details);
  const posix::Resolved to = posix::Resolve(destination, details);

  // Not blocked by a named pipe, which is no ordinary file.
  UniqueFd in(::open(from.host.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!in) Fail(action, details, errno);
  struct stat original {};
  if (::fstat(in.get(), &original) != 0) Fail(action, details, errno);
  if (!S_ISREG(original.st_mode))
    throw RuntimeError(action, details, "The file is not an ordinary file.");
  ::fcntl(in.get(), F_SETFL, 0);  // O_NONBLOCK was its only status flag

  // An existing destination stays as it is until the whole copy takes its
  // place, and keeps the name it had (Resolve matched it).
  struct stat existing {};
  if (to.exists && ::stat(to.host.c_str(), &existing) == 0) {
    if (existing.st_dev == original.st_dev && existing.st_ino == original.st_ino) return;
    if (S_ISDIR(existing.st_mode))
      throw RuntimeError(action, details, "The destination is a folder.");
  }
  const CopyBatch batch;  // unless the caller's is open
  const std::string folder = to.host.substr(0, to.host.find_last_of('/'));
  std::optional<PendingFile> copy;
  if (const int error = CreateTempFile(WorkFolderIn(folder), copy)) {
    if (error == ENOENT)
      throw RuntimeError(action, details, "The destination folder does not exist.");
    Fail(action, details, error);
  }
  const auto size = static_cast<std::uint64_t>(original.st_size);
  if (const int error = CopyContents(in.get(), copy->fd(), size, progress))
    Fail(action, details, error);
  const timespec times[2] = {{0, UTIME_OMIT}, original.st_mtim};  // the last write's, as on Windows
  ::futimens(copy->fd(), times);
  if (const int error = copy->KeepAs(to.host)) Fail(action, details, error);
  posix::NoteAdded(folder, to.host.substr(folder.size() + 1));
}

}  // namespace rt
