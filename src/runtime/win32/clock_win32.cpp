#include <windows.h>

#include "runtime/clock.h"

namespace rt {

std::uint64_t MonotonicMilliseconds() {
  return ::GetTickCount64();
}

}  // namespace rt
