// The time that work takes, by a clock that only goes forward.
#pragma once

#include <cstdint>

namespace rt {

// Milliseconds since some fixed moment (the system's start, say); a tick of
// the system's timer (up to 16 ms) at a time.
std::uint64_t MonotonicMilliseconds();

}  // namespace rt
