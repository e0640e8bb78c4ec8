// The drives of a file-function test, alike on both sides: H: a hard disk
// and D: a CD, each an empty folder at the start of a test, and E: a CD
// drive with no disc. Natively they are temporary folders in the runtime's
// drive table; under Wine, run_under_wine.py maps them to temporary folders
// before the tests start, and the tests empty them after each test. On
// Windows, tests/windows/run-tests.cmd maps H: and D: with subst.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_files.h"

class TestDrives {
 public:
  TestDrives();
  TestDrives(const TestDrives&) = delete;
  TestDrives& operator=(const TestDrives&) = delete;
  ~TestDrives();

  // False when the drives cannot be had (under Wine: not started by the runner).
  bool ready() const { return ready_; }
  // True for drives mapped with subst (tests/windows/run-tests.cmd): H: and
  // D: bear the label of the volume they live on, and there is no E:.
  bool substituted() const { return substituted_; }
  // The folder that holds drive `letter`'s files, for the test's own reads and writes.
  fs::path operator()(char letter) const;
  // Makes `windowsPath` the current folder, and every drive's current folder
  // its root; false when the system refuses it as a current folder.
  bool setCurrentFolder(const std::string& windowsPath);

 private:
  fs::path root_;
  bool ready_ = false;
  bool substituted_ = false;
};

// Whether the host keeps apart names that differ only in letter case.
#ifdef _WIN32
constexpr bool kCaseSensitiveHost = false;
#else
constexpr bool kCaseSensitiveHost = true;
#endif

// The entry `name` of `folder`, the name taken as it stands (std::filesystem
// would read "a:b.txt" as a path on drive A:).
inline fs::path Child(const fs::path& folder, const std::string& name) {
  auto path = folder.native();
  if (!path.empty() && path.back() != fs::path::preferred_separator)
    path += fs::path::preferred_separator;
  return fs::path(path + fs::path(name).native());
}

// Makes a file of `size` bytes without writing them.
void WriteEmptyBytes(const fs::path& file, std::uint64_t size);
// The names in a folder, sorted (a drive's label file left out).
std::vector<std::string> Entries(const fs::path& folder);
bool Writable(const fs::path& file);
// What tells one file from another on its volume (an inode, a file index).
std::uint64_t FileIdentity(const fs::path& file);
// Hides an entry whose name starts with a dot, as both sides count it.
void Hide(const fs::path& entry);
// Makes an entry that a listing counts as a system file.
void MakeSystemEntry(const fs::path& entry);
