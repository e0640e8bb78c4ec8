// Run-time errors: what failed, on which paths, and the system's reason.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace rt {

class RuntimeError {
 public:
  // action: what failed, in plain words ("could not copy a file").
  // details: labelled values such as {"File", "D:\\readme.txt"}.
  // reason: the system's own explanation ("Access is denied.").
  RuntimeError(std::string action, std::vector<std::pair<std::string, std::string>> details,
               std::string reason);

  const std::string& action() const { return action_; }
  const std::vector<std::pair<std::string, std::string>>& details() const { return details_; }
  const std::string& reason() const { return reason_; }
  const std::vector<std::string>& notes() const { return notes_; }

  // Adds a sentence of context from a caller that lets the error go on.
  void addNote(std::string note) { notes_.push_back(std::move(note)); }

  // The report shown to the user when no trap takes the error.
  std::string report() const;

 private:
  std::string action_;
  std::vector<std::pair<std::string, std::string>> details_;
  std::string reason_;
  std::vector<std::string> notes_;
};

// Arms an error trap for a handler's body: a run-time error raised inside
// `body` goes to `recovery` instead of ending the program. Nothing else is caught.
template <class Body, class Recovery>
void OnError(Body&& body, Recovery&& recovery) {
  try {
    body();
  } catch (const RuntimeError& error) {
    recovery(error);
  }
}

}  // namespace rt
