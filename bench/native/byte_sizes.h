// Byte sizes for copy_bench, and how the benchmark shows them.
#pragma once

#include <cstdint>
#include <string>

namespace copy_bench {

inline constexpr uint64_t KiB = 1024;
inline constexpr uint64_t MiB = 1024 * KiB;
inline constexpr uint64_t GiB = 1024 * MiB;

// "1.5 MiB", "64 KiB": one decimal, none when it is 0.
std::string SizeText(double bytes);

}  // namespace copy_bench
