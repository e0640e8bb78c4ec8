// copy_bench's temporary folder, under TMPDIR (or /tmp); it goes away with
// the object.
#pragma once

#include <filesystem>

namespace copy_bench {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();

  const fs::path& path() const { return path_; }

  // Writes the file system's dirty data and metadata out, so that no copy
  // pays for the write-back of an earlier one (see also Bench).
  void sync() const;

 private:
  fs::path path_;
};

}  // namespace copy_bench
