// What one look at the installer's windows found for a step.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace e2e {

struct Verdict {
  enum State { Holds, Waiting, Failed };
  using Moment = std::chrono::steady_clock::time_point;

  State state;
  std::wstring expected;  // what is still missing
  std::wstring measured;  // what a step that holds measured, for the report; empty when nothing
  // When the state was seen to hold, for a step that then pressed a button:
  // the moment before the press. Nothing: the moment of the verdict.
  std::optional<Moment> heldAt;

  static Verdict holds(std::wstring measured = {}) { return {Holds, {}, std::move(measured), {}}; }
  static Verdict holdsSince(Moment heldAt) { return {Holds, {}, {}, heldAt}; }
  static Verdict waiting(std::wstring expected) { return {Waiting, std::move(expected), {}, {}}; }
  static Verdict failed(std::wstring expected) { return {Failed, std::move(expected), {}, {}}; }
};

}  // namespace e2e
