// A text file that a run appends to (the installation log), and the length
// of a file. Paths are in Windows form, as for the other file functions; both
// raise rt::RuntimeError when the system refuses.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace rt {

class AppendedFile {
 public:
  // Opens the file for appending, creating it when it is absent.
  explicit AppendedFile(const std::string& path);
  ~AppendedFile();
  AppendedFile(const AppendedFile&) = delete;
  AppendedFile& operator=(const AppendedFile&) = delete;

  // Writes the bytes at the end of the file, at once.
  void append(const std::string& text);

 private:
  struct Handle;
  std::string path_;
  std::unique_ptr<Handle> handle_;
};

// The length of a file in bytes.
std::uint64_t rtcFileLen(const std::string& path);

}  // namespace rt
