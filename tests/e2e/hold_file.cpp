// setup-e2e-hold-file: holds a file open with no sharing, as another program
// that has it in use would.
//
//   setup-e2e-hold-file.exe FILE
//
// Prints "holding" once the file is open, then keeps it open for two minutes
// or until the program is ended. Exit status 1 when the file cannot be opened.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: setup-e2e-hold-file FILE\n", stderr);
    return 2;
  }
  const HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot open the file (error %lu)\n", GetLastError());
    return 1;
  }
  std::puts("holding");
  std::fflush(stdout);
  Sleep(120 * 1000);
  CloseHandle(file);
  return 0;
}
