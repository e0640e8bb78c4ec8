// The tests' own file work, beside the program's: the same two functions on
// both sides (test_files_posix.cpp here; tests/runtime/test_drives_win32.cpp
// under Windows, where every name is taken as it stands).
#pragma once

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

// Writes `content` to `file`, making the folders above it; returns `file`.
fs::path Write(const fs::path& file, const std::string& content);
// The whole content of `file` ("" when there is none).
std::string Read(const fs::path& file);
