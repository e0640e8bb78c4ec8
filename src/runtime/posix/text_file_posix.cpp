// The installation log's file, and the length of a file, on Linux.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "runtime/posix/file_access_posix.h"
#include "runtime/text_file.h"

namespace rt {

using posix::Details;
using posix::Fail;
using posix::Resolve;
using posix::Resolved;
using posix::UniqueFd;

struct AppendedFile::Handle {
  UniqueFd fd;
};

AppendedFile::AppendedFile(const std::string& path)
    : path_(path), handle_(std::make_unique<Handle>()) {
  const Details details{{"File", path}};
  const Resolved where = Resolve(path, details);
  handle_->fd =
      UniqueFd(::open(where.host.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (!handle_->fd) Fail("could not open the log", details, errno);
}

AppendedFile::~AppendedFile() = default;

void AppendedFile::append(const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t written = ::write(handle_->fd.get(), text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0)
      Fail("could not write to the log", {{"File", path_}}, written < 0 ? errno : ENOSPC);
    done += static_cast<size_t>(written);
  }
}

std::uint64_t rtcFileLen(const std::string& path) {
  const Details details{{"File", path}};
  struct stat info {};
  if (::stat(Resolve(path, details).host.c_str(), &info) != 0)
    Fail("could not read the length of a file", details, errno);
  return static_cast<std::uint64_t>(info.st_size);
}

}  // namespace rt
