#include "child_process.h"

#include <signal.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "byte_sizes.h"
#include "stop_signal.h"

namespace copy_bench {

namespace {

// The peak resident size of a process, from /proc; 0 when unknown.
uint64_t PeakResidentBytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmHWM:")) return std::stoull(line.substr(6)) * KiB;
  return 0;
}

}  // namespace

ChildRun RunChild(const std::vector<std::string>& args, const std::filesystem::path& folder) {
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
      if (StopSignal()) ::kill(pid, SIGKILL);
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

}  // namespace copy_bench
