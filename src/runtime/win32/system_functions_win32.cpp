#include "runtime/win32/system_functions_win32.h"

#include <utility>

namespace rt::win32 {
namespace {

// The function `name` of kernel32.dll as the type `Function`, or nullptr
// where this system has none. GetProcAddress gives every function one type;
// the caller names its true one.
template <class Function>
Function* Kernel32Function(const char* name) {
  const FARPROC found = ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name);
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(found));
}

struct NewerFunctions {
  decltype(&::SetDefaultDllDirectories) setDefaultDllDirectories =
      Kernel32Function<decltype(::SetDefaultDllDirectories)>("SetDefaultDllDirectories");
  decltype(&::SetThreadErrorMode) setThreadErrorMode =
      Kernel32Function<decltype(::SetThreadErrorMode)>("SetThreadErrorMode");
};

bool pretendVista = false;
bool basicLevelRefused = false;  // learnt from the system's first refusal

const NewerFunctions& Newer() {
  static const NewerFunctions found;
  static const NewerFunctions none{nullptr, nullptr};
  return pretendVista ? none : found;
}

HANDLE FindFirstFileAt(const wchar_t* pattern, FINDEX_INFO_LEVELS level, WIN32_FIND_DATAW& data) {
  if (pretendVista && level == FindExInfoBasic) {
    ::SetLastError(ERROR_INVALID_PARAMETER);  // what a system refuses an unknown level with
    return INVALID_HANDLE_VALUE;
  }
  return ::FindFirstFileExW(pattern, level, &data, FindExSearchNameMatch, nullptr, 0);
}

}  // namespace

void LoadDllsFromSystemFolder() {
  if (const auto setDefaultDllDirectories = Newer().setDefaultDllDirectories)
    setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  ::SetDllDirectoryW(L"");
}

HMODULE LoadCommonControls() {
  // The LOAD_LIBRARY_SEARCH_* flags come with SetDefaultDllDirectories.
  if (Newer().setDefaultDllDirectories)
    return ::LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return ::LoadLibraryW(L"comctl32.dll");
}

DWORD SetThreadErrorModeOrProcess(DWORD mode) {
  DWORD before = 0;
  if (const auto setThreadErrorMode = Newer().setThreadErrorMode;
      setThreadErrorMode && setThreadErrorMode(mode, &before))
    return before;
  return ::SetErrorMode(mode);
}

HANDLE FindFirstFileBasic(const wchar_t* pattern, WIN32_FIND_DATAW& data) {
  if (!basicLevelRefused) {
    const HANDLE find = FindFirstFileAt(pattern, FindExInfoBasic, data);
    if (find != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_INVALID_PARAMETER) return find;
  }
  const HANDLE find = FindFirstFileAt(pattern, FindExInfoStandard, data);
  // The same search at the older level worked: the system refused the level.
  if (find != INVALID_HANDLE_VALUE) basicLevelRefused = true;
  return find;
}

bool PretendWindowsVista(bool vista) {
  basicLevelRefused = false;
  return std::exchange(pretendVista, vista);
}

}  // namespace rt::win32
