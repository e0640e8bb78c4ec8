// Real key events, as a keyboard makes them: they go to the window that has
// the focus, through the system's input queue.
#pragma once

#include <vector>

#include "support/scenario_parser.h"

namespace e2e {

// Types the keys of a `keys` step, each with its modifiers held around it.
// Returns how many key events it sent (a key and its modifiers, down and up).
int TypeKeys(const std::vector<scenario::KeyPress>& keys);

}  // namespace e2e
