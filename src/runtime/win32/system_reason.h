// The system's own words for an error code, as the run-time errors give them.
#pragma once

#include <windows.h>

#include <string>

namespace rt::win32 {

// "Access is denied." for ERROR_ACCESS_DENIED; "System error N." when the
// system has no text for N.
std::string SystemReason(DWORD error);

}  // namespace rt::win32
