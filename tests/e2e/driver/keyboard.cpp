#include "keyboard.h"

#include <windows.h>

#include <array>
#include <sstream>
#include <string_view>
#include <vector>

namespace e2e {
namespace {

struct KeyName {
  std::wstring_view name;
  WORD key;
  bool extended;
};

constexpr std::array kKeys = {
    KeyName{L"Tab", VK_TAB, false},       KeyName{L"Space", VK_SPACE, false},
    KeyName{L"Return", VK_RETURN, false}, KeyName{L"Escape", VK_ESCAPE, false},
    KeyName{L"Up", VK_UP, true},          KeyName{L"Down", VK_DOWN, true},
    KeyName{L"Left", VK_LEFT, true},      KeyName{L"Right", VK_RIGHT, true},
};

constexpr std::array<std::pair<std::wstring_view, WORD>, 2> kModifiers = {{
    {L"Shift+", VK_SHIFT},
    {L"Alt+", VK_MENU},
}};

INPUT KeyEvent(WORD key, bool extended, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = (extended ? KEYEVENTF_EXTENDEDKEY : 0) | (up ? KEYEVENTF_KEYUP : 0);
  return input;
}

// The events of one named key, its modifier held around it; false when the
// name is not known.
bool AddKey(std::wstring_view name, std::vector<INPUT>& events) {
  std::vector<WORD> held;
  for (bool found = true; found;) {
    found = false;
    for (const auto& [prefix, key] : kModifiers) {
      if (name.starts_with(prefix)) {
        held.push_back(key);
        name.remove_prefix(prefix.size());
        found = true;
      }
    }
  }
  for (const KeyName& key : kKeys) {
    if (key.name != name) continue;
    for (WORD modifier : held) events.push_back(KeyEvent(modifier, false, false));
    events.push_back(KeyEvent(key.key, key.extended, false));
    events.push_back(KeyEvent(key.key, key.extended, true));
    for (auto it = held.rbegin(); it != held.rend(); ++it)
      events.push_back(KeyEvent(*it, false, true));
    return true;
  }
  return false;
}

std::optional<std::wstring> Events(const std::wstring& keys, std::vector<INPUT>& events) {
  std::wistringstream names(keys);
  std::wstring name;
  while (names >> name) {
    if (!AddKey(name, events)) return name;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::wstring> UnknownKey(const std::wstring& keys) {
  std::vector<INPUT> events;
  return Events(keys, events);
}

int TypeKeys(const std::wstring& keys) {
  std::vector<INPUT> events;
  Events(keys, events);
  return static_cast<int>(
      SendInput(static_cast<UINT>(events.size()), events.data(), sizeof(INPUT)));
}

}  // namespace e2e
