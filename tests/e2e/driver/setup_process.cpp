#include "setup_process.h"

#include <stdexcept>

#include "wide_text.h"

namespace e2e {

SetupProcess::SetupProcess(const std::wstring& exe, const std::wstring& folder,
                           const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
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
