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
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/setup_program.h"
#include "runtime/error.h"
#include "runtime/posix/drive_table.h"
#include "support/scripted_user.h"

namespace {

namespace fs = std::filesystem;

constexpr uint64_t KiB = 1024;
constexpr uint64_t MiB = 1024 * KiB;
constexpr uint64_t GiB = 1024 * MiB;
constexpr double kPeakMemoryTarget = 16.0 * MiB;
constexpr size_t kManyFiles = 100;

// What the user does: the steps of tests/scenarios/user_folder_install.scn
// without the checks of what the screens show.
constexpr const char* kScenario = R"(screen Intro
click Click here to install the QUORVAN system
screen Option
click Install in a different folder
screen Install in User Folder
drive E
folder Target
click Continue (proceed or stop)
message setup | Installation completed successfully.
exit 0
)";

// ---- Stopping ----

volatile sig_atomic_t gStopSignal = 0;

struct Stopped {};

void OnStopSignal(int signal) {
  gStopSignal = signal;
}

// Without SA_RESTART, so that a wait for a child returns at once.
void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

void ThrowIfStopped() {
  if (gStopSignal) throw Stopped{};
}

// ---- The temporary folder ----

class TempFolder {
 public:
  TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/copy-bench-XXXXXX";
    if (!::mkdtemp(pattern.data()))
      throw std::runtime_error("could not make a temporary folder: " +
                               std::string(std::strerror(errno)));
    path_ = pattern;
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
    sync();
  }

  const fs::path& path() const { return path_; }

  // Writes the file system's dirty data and metadata out, so that no copy
  // pays for the write-back of an earlier one (see also Bench).
  void sync() const {
    struct Folder {
      int fd;
      ~Folder() {
        if (fd >= 0) ::close(fd);
      }
    } folder{::open(path_.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (folder.fd >= 0) ::syncfs(folder.fd);
  }

 private:
  fs::path path_;
};

// ---- Data sets ----

struct DataSet {
  std::string title;
  fs::path source;
  std::vector<std::string> names;  // in ascending order
  uint64_t fileSize;
  double timeTarget;  // the most the installer may take, in times cp's time
};

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

// `count` files of `size` bytes named PREFIX0001.EXT and so on (or NAME.EXT
// when there is one) in folder `name` under `root`.
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

std::string SizeText(double bytes) {
  const char* unit = bytes >= GiB ? "GiB" : bytes >= MiB ? "MiB" : "KiB";
  const double value = bytes / (bytes >= GiB ? GiB : bytes >= MiB ? MiB : KiB);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  std::string shown = text;
  if (shown.ends_with(".0")) shown.resize(shown.size() - 2);
  return shown + " " + unit;
}

// Reads `length` bytes at `offset`; "" when the file cannot be read.
std::string ReadPart(const fs::path& path, uint64_t offset, uint64_t length) {
  std::ifstream in(path, std::ios::binary);
  std::string part(length, '\0');
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(part.data(), static_cast<std::streamsize>(length));
  return in ? part : std::string{};
}

// The copy holds every file of the set, of its size, with the same first and
// last bytes, and nothing else (no temporary file left behind).
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

// ---- Child processes ----

struct ChildRun {
  double seconds;      // from start to end, as the caller waits
  double cpuSeconds;   // user and system time of the child
  uint64_t peakBytes;  // VmHWM at the child's exit
};

// The peak resident size of a process, from /proc; 0 when unknown.
uint64_t PeakResidentBytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmHWM:")) return std::stoull(line.substr(6)) * KiB;
  return 0;
}

// Runs `args` (the program looked up in PATH) in `folder` and waits for it;
// raises unless it exits with status 0.
//
// The peak memory comes from the child's VmHWM, read while it stops on its
// way out (PTRACE_O_TRACEEXIT): the ru_maxrss of wait4 is no use here, as the
// kernel carries the peak of the process that ran exec (this program) over
// into the new program's figure.
ChildRun RunChild(const std::vector<std::string>& args, const fs::path& folder) {
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("could not fork: " + std::string(std::strerror(errno)));
  if (pid == 0) {
    if (::chdir(folder.c_str()) == 0 && ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) == 0)
      ::execvp(argv[0], argv.data());
    ::_exit(127);
  }

  int status = 0;
  rusage usage{};
  uint64_t peakBytes = 0;
  bool tracingExit = false;
  for (;;) {
    if (::wait4(pid, &status, 0, &usage) != pid) {
      if (errno != EINTR) throw std::runtime_error("lost the child " + args[0]);
      if (gStopSignal) ::kill(pid, SIGKILL);
      continue;
    }
    if (!WIFSTOPPED(status)) break;
    int signal = WSTOPSIG(status);
    if (signal == SIGTRAP && status >> 16 == PTRACE_EVENT_EXIT) {
      peakBytes = PeakResidentBytes(pid);
      signal = 0;
    } else if (signal == SIGTRAP && !tracingExit) {  // the stop after exec
      ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL);
      tracingExit = true;
      signal = 0;
    }
    ::ptrace(PTRACE_CONT, pid, nullptr, signal);
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  ThrowIfStopped();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error(args[0] + " failed (status " + std::to_string(status) + ")");
  const auto cpu = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
  return {took.count(), cpu(usage.ru_utime) + cpu(usage.ru_stime), peakBytes};
}

// ---- The two sides ----

enum class Side { Setup, Cp };

const char* Name(Side side) {
  return side == Side::Setup ? "setup" : "cp";
}

// The copies of a data set of many files stay until all its runs are done:
// ext4 without a journal passes over the inodes freed in the last minute (five
// while their table block is dirty) when it allocates new ones, which would
// tax whichever side runs right after the removal of thousands of files. For
// the same reason, leave five minutes or more between two benchmark runs.
// The copy of a few files goes at once, so that the next run reuses its memory.
struct Bench {
  const TempFolder& temp;
  std::string self;  // this program, run again as the installer

  fs::path cDrive() const { return temp.path() / "drive_c"; }
  fs::path runs() const { return temp.path() / "runs"; }

  // Copies the set into a fresh, empty folder and checks the copy.
  ChildRun run(Side side, const DataSet& set, int round) const {
    const fs::path folder = runs() / (Name(side) + std::to_string(round));
    const fs::path target = side == Side::Setup ? folder / "Target" : folder;
    fs::create_directories(target);
    temp.sync();
    ChildRun result{};
    if (side == Side::Setup) {
      result = RunChild({self, "--install", set.source, folder, cDrive()}, set.source);
    } else {
      std::vector<std::string> args{"cp", "--"};
      args.insert(args.end(), set.names.begin(), set.names.end());
      args.push_back(target.string() + "/");
      result = RunChild(args, set.source);
    }
    VerifyCopy(set, target);
    if (set.names.size() < kManyFiles) fs::remove_all(folder);
    return result;
  }

  void removeCopies() const {
    fs::remove_all(runs());
    temp.sync();
  }
};

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

// A data set that copies in a few milliseconds gets more runs, so that a
// passing disturbance of the machine cannot spoil every one of them: as many
// as fill about a second, from `runs` up to five times that.
int RunsFor(const Result& warm, int runs) {
  const double slower =
      std::max(warm.sides.at(Side::Setup).seconds.back(), warm.sides.at(Side::Cp).seconds.back());
  const double filling = slower > 0 ? 1.0 / slower : 5.0 * runs;
  return std::clamp(static_cast<int>(filling), runs, 5 * runs);
}

void PrintRun(const std::string& round, Side side, const ChildRun& run) {
  std::printf("  %-6s %-5s %8.3f s  (cpu %.3f s)  peak %s\n", round.c_str(), Name(side),
              run.seconds, run.cpuSeconds, SizeText(static_cast<double>(run.peakBytes)).c_str());
  std::fflush(stdout);
}

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

// ---- The installer side, run as a child ----

int Install(const std::string& source, const std::string& eDrive, const std::string& cDrive) {
  rt::posix::MountDrives({{'C', {cDrive, ""}}, {'D', {source, "QUORVAN"}}, {'E', {eDrive, ""}}},
                         "D:\\");
  rt::ScriptedUser user(kScenario);
  try {
    return user.run(setup::RunSetup);
  } catch (const rt::ScriptFailure& parted) {
    std::fprintf(stderr, "copy_bench: the installer and the scenario parted: %s\n",
                 parted.message.c_str());
    return 2;
  }
}

// ---- The benchmark ----

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

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 5 && std::string(argv[1]) == "--install") return Install(argv[2], argv[3], argv[4]);
    return Benchmark(ParseOptions(argc, argv));
  } catch (const Stopped&) {
    std::fprintf(stderr, "copy_bench: stopped by signal %d\n", static_cast<int>(gStopSignal));
    return 128 + gStopSignal;
  } catch (const rt::RuntimeError& error) {
    std::fprintf(stderr, "copy_bench: %s\n", error.report().c_str());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "copy_bench: %s\n", error.what());
  }
  return 1;
}
