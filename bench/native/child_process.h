// A child process of copy_bench, timed, and its peak memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace copy_bench {

struct ChildRun {
  double seconds;      // from start to end, as the caller waits
  double cpuSeconds;   // user and system time of the child
  uint64_t peakBytes;  // VmHWM at the child's exit
};

// Runs `args` (the program looked up in PATH) in `folder` and waits for it;
// raises unless it exits with status 0.
//
// The peak memory comes from the child's VmHWM, read while it stops on its
// way out (PTRACE_O_TRACEEXIT): the ru_maxrss of wait4 is no use here, as the
// kernel carries the peak of the process that ran exec (this program) over
// into the new program's figure.
ChildRun RunChild(const std::vector<std::string>& args, const std::filesystem::path& folder);

}  // namespace copy_bench
