// The installer's process, started by the driver and ended by it on failure.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "win32_handles.h"

namespace e2e {

class SetupProcess {
 public:
  // Starts `exe` with `folder` as its current folder and `arguments` after
  // its name on the command line. Throws std::runtime_error.
  SetupProcess(const std::wstring& exe, const std::wstring& folder,
               const std::wstring& arguments = {});
  // Ends the process if it still runs: no test leaves it behind.
  ~SetupProcess();
  SetupProcess(const SetupProcess&) = delete;
  SetupProcess& operator=(const SetupProcess&) = delete;

  DWORD id() const { return id_; }
  // The exit status once the process has ended.
  std::optional<DWORD> exitStatus() const;
  void kill();

 private:
  KernelHandle process_;
  DWORD id_ = 0;
};

}  // namespace e2e
