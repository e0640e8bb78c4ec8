// What the file functions of the Linux side share: where a Windows path
// leads on the host, file descriptors that close themselves, and the
// run-time error of a failed call.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

namespace rt::posix {

// Labelled values of a run-time error ({"File", "D:\\readme.txt"}).
using Details = std::vector<std::pair<std::string, std::string>>;

// Raises the run-time error of `action`, with the reason for errno `error`.
[[noreturn]] void Fail(const std::string& action, Details details, int error);

struct Resolved {
  std::string root;                // "C:\" or "\\srv\share\"
  std::vector<std::string> names;  // folders and file below the root
  std::string host;                // the path on the host file system
  bool exists = true;              // whether the last name was found
};

// Where a Windows path leads: its root (raising when a drive is missing or
// not ready, or a share not found), and the host path with each name
// matched as the file system spells it.
Resolved Resolve(const std::string& path, const Details& details);

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
