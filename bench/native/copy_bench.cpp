// Times the installer's copy procedure against cp(1) on the same files.
//
//   copy_bench [--quick] [--runs N]
//
// Makes three data sets in a temporary folder (20 files of 5 MiB, 5,000 files
// of 4 KiB, one file of 1 GiB, or of 64 MiB with --quick) and copies each of
// them twice over: with the real installer, run natively with a scripted user
// who opens "Install in User Folder", picks the folder Target on drive E: and
// presses Continue, and with a plain `cp` of the same files. Each copy is a
// child process of its own, so its time and its peak memory (VmHWM) are its
// own. Both sides run once untimed to warm the page cache, then N times (3
// unless --runs says otherwise; up to 5 N for a data set that copies in well
// under a second) in alternating order; the best time counts. Prints every
// run, then a Markdown table. The temporary folder goes away at the end, also
// on failure or on SIGINT, SIGTERM or SIGHUP. Run it on a quiet machine.
//
// The parts: data_set (the files and the check of a copy), copy_sides (the
// installer and cp), child_process (a timed child and its peak memory),
// measure (the rounds), report (what it prints), temp_folder, stop_signal and
// byte_sizes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "byte_sizes.h"
#include "copy_sides.h"
#include "data_set.h"
#include "measure.h"
#include "report.h"
#include "runtime/error.h"
#include "stop_signal.h"
#include "temp_folder.h"

namespace copy_bench {

namespace {

struct Options {
  bool quick = false;
  int runs = 3;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--quick") {
      options.quick = true;
    } else if (arg == "--runs" && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
      options.runs = std::atoi(argv[++i]);
    } else {
      throw std::invalid_argument("usage: copy_bench [--quick] [--runs N]");
    }
  }
  return options;
}

// The data sets, each made just before its runs and removed after them. The
// many small files come first and the largest file last: on a virtual machine
// whose host hands memory back lazily, copying stays fast only while the page
// cache reuses memory it touched not long ago, and every copy kept takes more.
struct Plan {
  std::string name, title;
  int count;
  uint64_t size;
  std::string prefix;
  double timeTarget;
};

int Benchmark(const Options& options) {
  CatchStopSignals();
  TempFolder temp;
  const Bench bench{temp, fs::read_symlink("/proc/self/exe")};
  fs::create_directories(bench.cDrive());
  std::printf("Working in %s\n", temp.path().c_str());

  const uint64_t hugeSize = options.quick ? 64 * MiB : GiB;
  const Plan plans[] = {{"small", "5,000 files of 4 KiB", 5000, 4 * KiB, "F", 1.2},
                        {"large", "20 files of 5 MiB", 20, 5 * MiB, "DATA", 1.05},
                        {"huge", "1 file of " + SizeText(static_cast<double>(hugeSize)), 1,
                         hugeSize, "ARCHIVE", 1.05}};
  std::vector<Result> results;
  for (const auto& plan : plans) {
    std::printf("\n%s (%s):\n", plan.title.c_str(),
                SizeText(static_cast<double>(plan.size * plan.count)).c_str());
    std::fflush(stdout);
    const DataSet set = MakeDataSet(temp.path(), plan.name, plan.title, plan.count, plan.size,
                                    plan.prefix, plan.timeTarget);
    results.push_back(Measure(bench, set, options.runs));
    fs::remove_all(set.source);
  }
  PrintTable(results);
  return 0;
}

int Run(int argc, char** argv) {
  try {
    if (argc == 5 && std::string(argv[1]) == kInstallFlag)
      return Install(argv[2], argv[3], argv[4]);
    return Benchmark(ParseOptions(argc, argv));
  } catch (const Stopped&) {
    std::fprintf(stderr, "copy_bench: stopped by signal %d\n", StopSignal());
    return 128 + StopSignal();
  } catch (const rt::RuntimeError& error) {
    std::fprintf(stderr, "copy_bench: %s\n", error.report().c_str());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "copy_bench: %s\n", error.what());
  }
  return 1;
}

}  // namespace

}  // namespace copy_bench

int main(int argc, char** argv) {
  return copy_bench::Run(argc, argv);
}
