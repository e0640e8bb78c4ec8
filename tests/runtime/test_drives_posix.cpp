#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "runtime/posix/drive_table.h"
#include "test_drives.h"

TestDrives::TestDrives() {
  std::string name = (fs::temp_directory_path() / "runtime_test.XXXXXX").string();
  if (::mkdtemp(name.data()) == nullptr) return;
  root_ = name;
  fs::create_directories(root_ / "h");
  fs::create_directories(root_ / "d");
  setCurrentFolder("H:\\");
  ready_ = true;
}

TestDrives::~TestDrives() {
  std::error_code ignored;
  if (!root_.empty()) fs::remove_all(root_, ignored);
}

fs::path TestDrives::operator()(char letter) const {
  return root_ / std::string(1, static_cast<char>(std::tolower(letter)));
}

bool TestDrives::setCurrentFolder(const std::string& windowsPath) {
  rt::posix::MountDrives({{'H', {(*this)('H').string(), "SYSTEM"}},
                          {'D', {(*this)('D').string(), "QUORVAN"}},
                          {'E', {(root_ / "no-disc").string(), "EMPTY"}}},
                         windowsPath);
  return true;
}

void WriteEmptyBytes(const fs::path& file, std::uint64_t size) {
  Write(file, "");
  fs::resize_file(file, size);
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

bool Writable(const fs::path& file) {
  return (fs::status(file).permissions() & fs::perms::owner_write) != fs::perms::none;
}

std::uint64_t FileIdentity(const fs::path& file) {
  struct stat info {};
  return ::lstat(file.c_str(), &info) == 0 ? info.st_ino : 0;
}

void Hide(const fs::path&) {}  // a leading dot hides a name here

void MakeSystemEntry(const fs::path& entry) {
  ::mkfifo(entry.c_str(), 0644);
}
