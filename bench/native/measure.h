// The rounds of copy_bench on one data set: each side once untimed, then in
// alternating order, and the figures they leave.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "byte_sizes.h"
#include "child_process.h"
#include "copy_sides.h"
#include "data_set.h"

namespace copy_bench {

inline constexpr double kPeakMemoryTarget = 16.0 * MiB;

struct Figures {
  std::vector<double> seconds;
  uint64_t peakBytes = 0;

  void add(const ChildRun& run, bool timed) {
    if (timed) seconds.push_back(run.seconds);
    peakBytes = std::max(peakBytes, run.peakBytes);
  }
  double best() const { return *std::min_element(seconds.begin(), seconds.end()); }
};

struct Result {
  std::string title;
  double timeTarget;
  std::map<Side, Figures> sides;
  double ratio() const { return sides.at(Side::Setup).best() / sides.at(Side::Cp).best(); }
  bool timeMet() const { return ratio() <= timeTarget; }
  bool memoryMet() const { return sides.at(Side::Setup).peakBytes < kPeakMemoryTarget; }
};

// Prints every run as it comes (report.h).
Result Measure(const Bench& bench, const DataSet& set, int runs);

}  // namespace copy_bench
