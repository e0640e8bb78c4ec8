#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>

#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/posix/drive_table.h"
#include "runtime/text_file.h"

namespace rt {
namespace {

std::map<char, std::string>& HostFolders() {
  static std::map<char, std::string> folders;
  return folders;
}

[[noreturn]] void Fail(const std::string& action, const std::string& path, int error) {
  throw RuntimeError(action, {{"File", path}}, std::strerror(error));
}

// "E:\logs\setup.log" as a host path; a relative path is taken from the
// current folder.
std::string HostPath(const std::string& path) {
  const bool full = path.size() >= 2 && path[1] == ':';
  const std::string windows = full ? path : rtcCurrentDir() + "\\" + path;
  const auto drive = HostFolders().find(static_cast<char>(std::toupper(windows[0])));
  if (drive == HostFolders().end()) Fail("could not find a file", path, ENODEV);
  std::string host = drive->second;
  for (size_t start = 2; start < windows.size();) {
    size_t end = windows.find_first_of("\\/", start);
    if (end == std::string::npos) end = windows.size();
    if (end > start) host += "/" + windows.substr(start, end - start);
    start = end + 1;
  }
  return host;
}

}  // namespace

void posix::MapHostFolders(std::map<char, std::string> folders) {
  HostFolders().clear();
  for (auto& [letter, folder] : folders)
    HostFolders()[static_cast<char>(std::toupper(letter))] = std::move(folder);
}

struct AppendedFile::Handle {
  int fd = -1;
  ~Handle() {
    if (fd >= 0) ::close(fd);
  }
};

AppendedFile::AppendedFile(const std::string& path)
    : path_(path), handle_(std::make_unique<Handle>()) {
  handle_->fd = ::open(HostPath(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (handle_->fd < 0) Fail("could not open the log", path, errno);
}

AppendedFile::~AppendedFile() = default;

void AppendedFile::append(const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(handle_->fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) Fail("could not write to the log", path_, written < 0 ? errno : ENOSPC);
    done += static_cast<size_t>(written);
  }
}

std::uint64_t rtcFileLen(const std::string& path) {
  struct stat info {};
  if (::stat(HostPath(path).c_str(), &info) != 0)
    Fail("could not read the length of a file", path, errno);
  return static_cast<std::uint64_t>(info.st_size);
}

}  // namespace rt
