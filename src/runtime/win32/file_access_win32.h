// What the file functions of the Windows side share: a path of the runtime
// made full, and the run-time error that reports a failed call.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "runtime/win32/system_functions_win32.h"
#include "runtime/win32/system_reason.h"

namespace rt::win32 {

// Labelled values of a run-time error ({"File", "D:\\readme.txt"}).
using Details = std::vector<std::pair<std::string, std::string>>;

// The full path of a path in the runtime's UTF-8 (windows_path::FullPath),
// against the process's current folders; raises when it is not valid.
std::wstring FullPath(const std::string& path, const Details& details);

// Raises the run-time error for an operation on `full` that failed with
// `error`: the drive's, when the drive is gone, else the action's.
[[noreturn]] void Fail(const std::string& action, const Details& details, DWORD error,
                       const std::wstring& full);

// No "insert a disk" box from the system while a drive is used.
class CriticalErrorsQuiet {
 public:
  CriticalErrorsQuiet() : saved_(SetThreadErrorModeOrProcess(SEM_FAILCRITICALERRORS)) {}
  CriticalErrorsQuiet(const CriticalErrorsQuiet&) = delete;
  CriticalErrorsQuiet& operator=(const CriticalErrorsQuiet&) = delete;
  ~CriticalErrorsQuiet() { SetThreadErrorModeOrProcess(saved_); }

 private:
  DWORD saved_;
};

}  // namespace rt::win32
