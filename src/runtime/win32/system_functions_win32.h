// The few system facilities newer than Windows Vista that the program uses:
// it looks for each as it runs instead of importing it, and takes the older
// way where the system lacks it. Everything else it calls is in Windows Vista.
#pragma once

#include <windows.h>

namespace rt::win32 {

// DLLs load from the system folder only where the system can be told so
// (SetDefaultDllDirectories: Windows 8, and Windows Vista and 7 with update
// KB2533623), and never from the current folder (SetDllDirectoryW).
void LoadDllsFromSystemFolder();

// Loads the common controls, version 6 as the manifest asks: from the system
// folder only where the system takes LOAD_LIBRARY_SEARCH_SYSTEM32 (the same
// update); else by name, which the manifest's activation context resolves to
// the version in the system's side-by-side store before any folder is searched.
HMODULE LoadCommonControls();

// Sets the calling thread's error mode to `mode` and returns the one before:
// SetThreadErrorMode (Windows 7), else the process's mode (SetErrorMode),
// which for a program of one thread is the same.
DWORD SetThreadErrorModeOrProcess(DWORD mode);

// FindFirstFileExW of `pattern` without the short names (FindExInfoBasic,
// Windows 7); with them where the system refuses that level.
HANDLE FindFirstFileBasic(const wchar_t* pattern, WIN32_FIND_DATAW& data);

// For tests: from now on the functions above act as on Windows Vista as
// shipped, which has none of the newer facilities (true), or as the system
// allows (false). Returns the setting before.
bool PretendWindowsVista(bool vista);

}  // namespace rt::win32
