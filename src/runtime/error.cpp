#include "runtime/error.h"

namespace rt {

RuntimeError::RuntimeError(std::string action,
                           std::vector<std::pair<std::string, std::string>> details,
                           std::string reason)
    : action_(std::move(action)), details_(std::move(details)), reason_(std::move(reason)) {}

std::string RuntimeError::report() const {
  std::string text = "Run-time error: " + action_ + ".\n";
  for (const auto& [label, value] : details_) text += "\n" + label + ": " + value;
  if (!reason_.empty()) text += "\nReason: " + reason_;
  if (!notes_.empty()) text += "\n";
  for (const auto& note : notes_) text += "\n" + note;
  return text;
}

}  // namespace rt
