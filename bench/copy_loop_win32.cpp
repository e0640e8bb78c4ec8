// copy-loop.exe: the yardstick of setup.exe's copy under Wine. A plain loop
// that lists the ordinary files of a folder, as setup.exe does, creates the
// target folder and copies each file into it with CopyFileExW, refusing to
// overwrite. Prints the seconds it took, from the listing to the last copy.
//
//   copy-loop.exe SOURCE-FOLDER TARGET-FOLDER
//
// Exit status 0 when every file was copied, 1 when one was not, 2 for a wrong
// command line.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/win32/handles.h"

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The names of the folder's files that are neither hidden nor system files.
std::vector<std::wstring> OrdinaryFiles(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  const rt::win32::FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (!find) return names;
  do {
    if (!(found.dwFileAttributes &
          (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
      names.emplace_back(found.cFileName);
  } while (FindNextFileW(find.get(), &found));
  return names;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: copy-loop SOURCE-FOLDER TARGET-FOLDER\n", stderr);
    return 2;
  }
  const std::wstring source = argv[1], target = argv[2];
  LARGE_INTEGER started, ended;
  QueryPerformanceCounter(&started);
  const std::vector<std::wstring> names = OrdinaryFiles(source);
  if (!CreateDirectoryW(target.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    std::fprintf(stderr, "copy-loop: could not create the target folder (error %lu)\n",
                 GetLastError());
    return 1;
  }
  for (const std::wstring& name : names) {
    if (!CopyFileExW((source + L"\\" + name).c_str(), (target + L"\\" + name).c_str(), nullptr,
                     nullptr, nullptr, COPY_FILE_FAIL_IF_EXISTS)) {
      std::fprintf(stderr, "copy-loop: could not copy %ls (error %lu)\n", name.c_str(),
                   GetLastError());
      return 1;
    }
  }
  QueryPerformanceCounter(&ended);
  std::printf("%zu files in %.6f s\n", names.size(), Seconds(started, ended));
  return 0;
}
