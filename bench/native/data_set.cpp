#include "data_set.h"

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <stdexcept>

#include "byte_sizes.h"
#include "stop_signal.h"

namespace copy_bench {

namespace {

uint64_t NextRandom(uint64_t& state) {
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return state;
}

void WriteFile(const fs::path& path, uint64_t size, uint64_t seed) {
  std::ofstream out(path, std::ios::binary);
  std::vector<uint64_t> chunk(std::min(size, MiB) / sizeof(uint64_t));
  uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
  for (uint64_t written = 0; written < size && out; written += chunk.size() * sizeof(uint64_t)) {
    ThrowIfStopped();
    for (auto& word : chunk) word = NextRandom(state);
    out.write(reinterpret_cast<const char*>(chunk.data()),
              static_cast<std::streamsize>(chunk.size() * sizeof(uint64_t)));
  }
  if (!out.flush()) throw std::runtime_error("could not write " + path.string());
}

// Reads `length` bytes at `offset`; "" when the file cannot be read.
std::string ReadPart(const fs::path& path, uint64_t offset, uint64_t length) {
  std::ifstream in(path, std::ios::binary);
  std::string part(length, '\0');
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(part.data(), static_cast<std::streamsize>(length));
  return in ? part : std::string{};
}

}  // namespace

DataSet MakeDataSet(const fs::path& root, const std::string& name, const std::string& title,
                    int count, uint64_t size, const std::string& prefix, double timeTarget) {
  DataSet set{title, root / name, {}, size, timeTarget};
  fs::create_directory(set.source);
  const int digits = count == 1 ? 0 : static_cast<int>(std::to_string(count).size());
  for (int i = 1; i <= count; ++i) {
    std::string number = digits ? std::to_string(i) : "";
    number.insert(0, digits - number.size(), '0');
    set.names.push_back(prefix + number + (count == 1 ? ".BIN" : ".DAT"));
    WriteFile(set.source / set.names.back(), size, static_cast<uint64_t>(i));
  }
  std::sort(set.names.begin(), set.names.end());
  return set;
}

void VerifyCopy(const DataSet& set, const fs::path& copy) {
  size_t found = 0;
  for (const auto& entry : fs::directory_iterator(copy)) {
    const std::string name = entry.path().filename();
    if (!std::binary_search(set.names.begin(), set.names.end(), name) || !entry.is_regular_file() ||
        entry.file_size() != set.fileSize)
      throw std::runtime_error("the copy in " + copy.string() + " holds a wrong entry: " + name);
    ++found;
  }
  if (found != set.names.size())
    throw std::runtime_error("the copy in " + copy.string() + " misses files");
  const uint64_t sample = std::min<uint64_t>(set.fileSize, 64 * KiB);
  for (const auto& name : set.names)
    for (const uint64_t offset : {uint64_t{0}, set.fileSize - sample})
      if (ReadPart(copy / name, offset, sample) != ReadPart(set.source / name, offset, sample))
        throw std::runtime_error("the copy of " + name + " differs from the original");
}

}  // namespace copy_bench
