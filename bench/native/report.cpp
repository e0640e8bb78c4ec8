#include "report.h"

#include <cstdio>

#include "byte_sizes.h"

namespace copy_bench {

void PrintRun(const std::string& round, Side side, const ChildRun& run) {
  std::printf("  %-6s %-5s %8.3f s  (cpu %.3f s)  peak %s\n", round.c_str(), Name(side),
              run.seconds, run.cpuSeconds, SizeText(static_cast<double>(run.peakBytes)).c_str());
  std::fflush(stdout);
}

void PrintTable(const std::vector<Result>& results) {
  std::printf(
      "\n| data set | runs | setup (s) | cp (s) | setup/cp | target | setup peak RSS | "
      "cp peak RSS | verdict |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---|\n");
  for (const auto& result : results) {
    const Figures& setup = result.sides.at(Side::Setup);
    const Figures& cp = result.sides.at(Side::Cp);
    std::string verdict = result.timeMet() ? "met" : "time missed";
    if (!result.memoryMet()) verdict += result.timeMet() ? ": memory missed" : ", memory missed";
    std::printf("| %s | %zu | %.3f | %.3f | %.2f | ≤ %.2f | %s | %s | %s |\n", result.title.c_str(),
                setup.seconds.size(), setup.best(), cp.best(), result.ratio(), result.timeTarget,
                SizeText(static_cast<double>(setup.peakBytes)).c_str(),
                SizeText(static_cast<double>(cp.peakBytes)).c_str(), verdict.c_str());
  }
  std::printf(
      "\nTimes: the best of the timed runs of each side, in alternating order after one "
      "untimed run of each. Peak RSS: the largest VmHWM of any run, read as the process "
      "exits. Memory target: setup under %s.\n",
      SizeText(kPeakMemoryTarget).c_str());
}

}  // namespace copy_bench
