#include "byte_sizes.h"

#include <cstdio>

namespace copy_bench {

std::string SizeText(double bytes) {
  const char* unit = bytes >= GiB ? "GiB" : bytes >= MiB ? "MiB" : "KiB";
  const double value = bytes / (bytes >= GiB ? GiB : bytes >= MiB ? MiB : KiB);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  std::string shown = text;
  if (shown.ends_with(".0")) shown.resize(shown.size() - 2);
  return shown + " " + unit;
}

}  // namespace copy_bench
