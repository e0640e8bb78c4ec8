#include "measure.h"

#include <algorithm>
#include <initializer_list>

#include "report.h"

namespace copy_bench {

namespace {

// A data set that copies in a few milliseconds gets more runs, so that a
// passing disturbance of the machine cannot spoil every one of them: as many
// as fill about a second, from `runs` up to five times that.
int RunsFor(const Result& warm, int runs) {
  const double slower =
      std::max(warm.sides.at(Side::Setup).seconds.back(), warm.sides.at(Side::Cp).seconds.back());
  const double filling = slower > 0 ? 1.0 / slower : 5.0 * runs;
  return std::clamp(static_cast<int>(filling), runs, 5 * runs);
}

}  // namespace

Result Measure(const Bench& bench, const DataSet& set, int runs) {
  Result warm{set.title, set.timeTarget, {}};
  for (const Side side : {Side::Setup, Side::Cp}) {
    const ChildRun run = bench.run(side, set, 0);
    warm.sides[side].add(run, true);
    PrintRun("warm", side, run);
  }
  Result result{set.title, set.timeTarget, {}};
  for (const Side side : {Side::Setup, Side::Cp})
    result.sides[side].peakBytes = warm.sides[side].peakBytes;
  const int rounds = RunsFor(warm, runs);
  for (int round = 1; round <= rounds; ++round) {
    const bool setupFirst = round % 2 == 0;
    for (const Side side :
         {setupFirst ? Side::Setup : Side::Cp, setupFirst ? Side::Cp : Side::Setup}) {
      const ChildRun run = bench.run(side, set, round);
      result.sides[side].add(run, true);
      PrintRun(std::to_string(round), side, run);
    }
  }
  bench.removeCopies();
  return result;
}

}  // namespace copy_bench
