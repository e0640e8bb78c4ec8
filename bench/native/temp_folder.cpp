#include "temp_folder.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace copy_bench {

TempFolder::TempFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/copy-bench-XXXXXX";
  if (!::mkdtemp(pattern.data()))
    throw std::runtime_error("could not make a temporary folder: " +
                             std::string(std::strerror(errno)));
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
  sync();
}

void TempFolder::sync() const {
  struct Folder {
    int fd;
    ~Folder() {
      if (fd >= 0) ::close(fd);
    }
  } folder{::open(path_.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (folder.fd >= 0) ::syncfs(folder.fd);
}

}  // namespace copy_bench
