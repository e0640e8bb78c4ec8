// Folders on Linux: what one holds (rtcDir and the folder list), whether one
// exists, and making one. Which entries a listing shows, and in what order,
// is listing.h's.
#include <dirent.h>
#include <sys/stat.h>

#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/listing.h"
#include "runtime/posix/file_access_posix.h"

namespace rt {

namespace posix {

int ReadFolder(const std::string& host, std::vector<FolderEntry>& entries) {
  const UniqueDir dir(::opendir(host.c_str()));
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

}  // namespace posix

using posix::Details;
using posix::Fail;
using posix::Resolve;
using posix::Resolved;

std::string rtcDir(const std::string& pattern, int attributes) {
  ClearListing();
  const Details details{{"Pattern", pattern}};
  const SplitPattern split(pattern);
  const Resolved where = Resolve(split.folder, details);
  std::vector<FolderEntry> entries;
  const int error = posix::ReadFolder(where.host, entries);
  if (error == ENOENT || error == ENOTDIR) return {};
  if (error) Fail("could not list a folder", details, error);
  return StartListing(entries, split.name, attributes);
}

std::string rtcDir() {
  return NextListed();
}

std::vector<std::string> ListFolders(const std::string& folder) {
  const Details details{{"Folder", folder}};
  const Resolved where = Resolve(folder, details);
  std::vector<FolderEntry> entries;
  if (const int error = posix::ReadFolder(where.host, entries))
    Fail("could not list a folder", details, error);
  return VisibleFolders(entries);
}

bool FolderExists(const std::string& path) {
  return posix::IsFolder(Resolve(path, {{"Folder", path}}).host);
}

void rtcMakeDir(const std::string& path) {
  const Details details{{"Folder", path}};
  const Resolved where = Resolve(path, details);
  if (::mkdir(where.host.c_str(), 0777) == 0) return;
  if (errno == ENOENT)
    throw RuntimeError("could not create a folder", details, "The folder above it does not exist.");
  Fail("could not create a folder", details, errno);
}

}  // namespace rt
