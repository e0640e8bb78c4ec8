// What ends the program when an exception leaves every handler, or a function
// that must not throw. It takes the place of the C++ library's verbose
// handler, which writes to a console this windowed program does not have and
// brings a name demangler and printf into setup.exe (about 60 KiB). Linked
// into the program itself, so that the library's own is never pulled in.
#include <windows.h>

#include <exception>
#include <string>

#include "runtime/program.h"
#include "runtime/win32/wide.h"

namespace __gnu_cxx {

void __verbose_terminate_handler() {
  std::string report = "Run-time error: the program met a failure it cannot handle.";
  try {
    if (const std::exception_ptr current = std::current_exception())
      std::rethrow_exception(current);
  } catch (const std::exception& error) {
    report += std::string("\n\nReason: ") + error.what();
  } catch (...) {
  }
  MessageBoxW(nullptr, rt::win32::Widen(report).c_str(), rt::win32::Widen(rt::AppTitle()).c_str(),
              MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
  ExitProcess(static_cast<UINT>(rt::ExitCode(rt::ExitStatus::InternalFailure)));
}

}  // namespace __gnu_cxx
