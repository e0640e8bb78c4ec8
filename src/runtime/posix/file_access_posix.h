// What the file functions of the Linux side share: the drive table and the
// current folders, where a Windows path leads on the host, the entries of a
// host folder, file descriptors that close themselves, and the run-time
// error of a failed call.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/listing.h"
#include "runtime/posix/drive_table.h"

namespace rt::posix {

// Labelled values of a run-time error ({"File", "D:\\readme.txt"}).
using Details = std::vector<std::pair<std::string, std::string>>;

// Raises the run-time error of `action`, with the reason for errno `error`.
[[noreturn]] void Fail(const std::string& action, Details details, int error);

// The drives and shares of MountDrives, and the current folders, as full
// Windows paths with each name spelt as on the host.
struct MountedDrives {
  std::map<char, Drive> drives;               // by upper-case letter
  std::map<std::string, std::string> shares;  // host folders by upper-case "\\SRV\SHARE"
  std::map<char, std::string> driveFolders;   // each drive's current folder; absent: its root
  std::string current;                        // the process's current folder: on a drive or a share
  std::string programPath;
};
MountedDrives& Mounted();

// True when `host` is a folder on the host (a link followed).
bool IsFolder(const std::string& host);

// The drive of `letter` (upper case), raising when it is not in the table
// or not ready.
const Drive& ReadyDrive(char letter, const Details& details);

struct Resolved {
  std::string windows;  // the full Windows path: "C:\a\b", "\\srv\share\"
  std::string host;     // the path on the host file system
  bool exists = true;   // whether the last name was found
};

// Where a Windows path leads: made full (windows_path::FullPath) against the
// current folders, its root looked up (raising when a drive is missing or
// not ready, or a share not found), and each name below it matched as the
// host spells it, without regard to letter case.
Resolved Resolve(const std::string& path, const Details& details);

// Records a name that this process has just put into the host folder
// `folder`, for the name matching of Resolve.
void NoteAdded(const std::string& folder, const std::string& name);
// Forgets the folder names read so far: a new drive table reads them anew.
void ForgetFolderIndex();

// The entries of a host folder (no "." or ".."); the error number, or 0.
// Anything but an ordinary file or a folder counts as a system file, and a
// name that starts with a dot as hidden.
int ReadFolder(const std::string& host, std::vector<FolderEntry>& entries);

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Closes now and reports what close() says (a late write error shows here).
  int close() {
    const int result = ::close(std::exchange(fd_, -1));
    return result == 0 ? 0 : errno;
  }

 private:
  int fd_ = -1;
};

}  // namespace rt::posix
