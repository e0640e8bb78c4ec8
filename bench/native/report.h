// What copy_bench prints: every run as it comes, then a Markdown table.
#pragma once

#include <string>
#include <vector>

#include "child_process.h"
#include "copy_sides.h"
#include "measure.h"

namespace copy_bench {

void PrintRun(const std::string& round, Side side, const ChildRun& run);

void PrintTable(const std::vector<Result>& results);

}  // namespace copy_bench
