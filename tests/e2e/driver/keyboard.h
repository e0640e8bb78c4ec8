// Real key events, as a keyboard makes them: they go to the window that has
// the focus, through the system's input queue.
#pragma once

#include <optional>
#include <string>

namespace e2e {

// Types KEYS, names separated by blanks ("Tab", "Shift+Tab", "Alt+Down",
// "Space", "Return", "Escape", "Up", "Down", "Left", "Right"). Returns how
// many key events it sent (a key and its modifiers, down and up).
int TypeKeys(const std::wstring& keys);

// The first key name in KEYS that TypeKeys does not know.
std::optional<std::wstring> UnknownKey(const std::wstring& keys);

}  // namespace e2e
