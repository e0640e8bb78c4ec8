#include "bystander.h"

#include <windows.h>

#include <atomic>

namespace e2e {
namespace {

std::atomic<int> activations{0};

LRESULT CALLBACK BystanderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) ++activations;
  return DefWindowProcW(window, message, wParam, lParam);
}

DWORD WINAPI RunBystander(void* ready) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = BystanderProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"SetupE2EBystander";
  RegisterClassW(&windowClass);
  // Off the screen, so that no screenshot shows it.
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"another program", WS_POPUP, -40,
                                -40, 20, 20, nullptr, nullptr, windowClass.hInstance, nullptr);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  SetEvent(static_cast<HANDLE>(ready));
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}

}  // namespace

void StartBystander() {
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (HANDLE thread = CreateThread(nullptr, 0, RunBystander, ready, 0, nullptr))
    CloseHandle(thread);
  WaitForSingleObject(ready, 5000);
  CloseHandle(ready);
}

int BystanderActivations() {
  return activations.load();
}

}  // namespace e2e
