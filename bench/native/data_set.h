// copy_bench's data sets: files of random bytes made for a run, and the check
// of a copy of them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace copy_bench {

namespace fs = std::filesystem;

struct DataSet {
  std::string title;
  fs::path source;
  std::vector<std::string> names;  // in ascending order
  uint64_t fileSize;
  double timeTarget;  // the most the installer may take, in times cp's time
};

// `count` files of `size` bytes named PREFIX0001.EXT and so on (or NAME.EXT
// when there is one) in folder `name` under `root`.
DataSet MakeDataSet(const fs::path& root, const std::string& name, const std::string& title,
                    int count, uint64_t size, const std::string& prefix, double timeTarget);

// The copy holds every file of the set, of its size, with the same first and
// last bytes, and nothing else (no temporary file left behind).
void VerifyCopy(const DataSet& set, const fs::path& copy);

}  // namespace copy_bench
