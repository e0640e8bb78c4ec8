#include "keyboard.h"

#include <windows.h>

#include <array>

namespace e2e {
namespace {

using scenario::Key;

struct VirtualKey {
  WORD code;
  bool extended;
};

// The virtual key of each scenario::Key, in the order of its values.
constexpr std::array<VirtualKey, 8> kVirtualKeys = {{
    {VK_TAB, false},
    {VK_SPACE, false},
    {VK_RETURN, false},
    {VK_ESCAPE, false},
    {VK_UP, true},
    {VK_DOWN, true},
    {VK_LEFT, true},
    {VK_RIGHT, true},
}};
static_assert(static_cast<size_t>(Key::Right) + 1 == kVirtualKeys.size());

INPUT KeyEvent(WORD key, bool extended, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = (extended ? KEYEVENTF_EXTENDEDKEY : 0) | (up ? KEYEVENTF_KEYUP : 0);
  return input;
}

}  // namespace

int TypeKeys(const std::vector<scenario::KeyPress>& keys) {
  std::vector<INPUT> events;
  for (const scenario::KeyPress& press : keys) {
    std::vector<WORD> held;
    if (press.shift) held.push_back(VK_SHIFT);
    if (press.alt) held.push_back(VK_MENU);
    const VirtualKey key = kVirtualKeys[static_cast<size_t>(press.key)];
    for (WORD modifier : held) events.push_back(KeyEvent(modifier, false, false));
    events.push_back(KeyEvent(key.code, key.extended, false));
    events.push_back(KeyEvent(key.code, key.extended, true));
    for (auto it = held.rbegin(); it != held.rend(); ++it)
      events.push_back(KeyEvent(*it, false, true));
  }
  return static_cast<int>(
      SendInput(static_cast<UINT>(events.size()), events.data(), sizeof(INPUT)));
}

}  // namespace e2e
