#include "setup_process.h"

#include <stdexcept>

#include "wide_text.h"

namespace e2e {

namespace {

// The driver's own current folder, while one process starts in another.
class CurrentFolderFor {
 public:
  explicit CurrentFolderFor(const std::wstring& folder) {
    saved_.resize(GetCurrentDirectoryW(0, nullptr));
    saved_.resize(GetCurrentDirectoryW(static_cast<DWORD>(saved_.size()), saved_.data()));
    if (!folder.empty() && !SetCurrentDirectoryW(folder.c_str()))
      throw std::runtime_error("cannot enter " + WideToUtf8(folder) + " (error " +
                               std::to_string(GetLastError()) + ")");
  }
  ~CurrentFolderFor() { SetCurrentDirectoryW(saved_.c_str()); }
  CurrentFolderFor(const CurrentFolderFor&) = delete;
  CurrentFolderFor& operator=(const CurrentFolderFor&) = delete;

 private:
  std::wstring saved_;
};

}  // namespace

SetupProcess::SetupProcess(const std::wstring& exe, const std::wstring& folder,
                           const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  // The program inherits the folder from the driver rather than being given
  // it: Wine starts a program given a network folder (\\srv\share) as its
  // current folder in C:\windows instead, but keeps one it inherits.
  const CurrentFolderFor inFolder(folder);
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    throw std::runtime_error("cannot start " + WideToUtf8(exe) + " in " + WideToUtf8(folder) +
                             " (error " + std::to_string(GetLastError()) + ")");
  }
  KernelHandle thread(started.hThread);
  process_ = KernelHandle(started.hProcess);
  id_ = started.dwProcessId;
}

SetupProcess::~SetupProcess() {
  kill();
}

std::optional<DWORD> SetupProcess::exitStatus() const {
  if (WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) return std::nullopt;
  DWORD status = 0;
  GetExitCodeProcess(process_.get(), &status);
  return status;
}

void SetupProcess::kill() {
  if (exitStatus()) return;
  TerminateProcess(process_.get(), 255);
  WaitForSingleObject(process_.get(), 5000);
}

}  // namespace e2e
