// Screenshots of the whole screen, saved as BMP files.
#pragma once

#include <filesystem>

namespace e2e {

// Saves what the screen shows as a 24-bit BMP. False if it could not.
bool SaveScreenshot(const std::filesystem::path& file);

}  // namespace e2e
