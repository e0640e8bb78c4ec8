// A message box of the installer, as the driver reads and answers it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace e2e {

struct MessageBoxView {
  HWND window = nullptr;
  std::wstring title;
  std::wstring text;  // line breaks as "\n"
  HWND icon = nullptr;
  HWND okButton = nullptr;
};

// The process's open message box, if one is visible.
std::optional<MessageBoxView> OpenMessageBox(DWORD processId);

// Presses OK and waits for the box to go away. False if it stayed.
bool PressOk(const MessageBoxView& box);

}  // namespace e2e
