#include <chrono>

#include "runtime/clock.h"

namespace rt {

std::uint64_t MonotonicMilliseconds() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace rt
