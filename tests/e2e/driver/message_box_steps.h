// Steps on the installer's message boxes: a box to read and answer, and the
// end of an installation, which a box tells.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "verdict.h"

namespace e2e {

struct MessageBoxView;
class SetupProcess;
struct Step;

// The box that a `message`, `warning`, `report` or `shows-message` step
// expects: its title, text and icon. Presses OK, but for `shows-message`,
// whose box the user answers.
Verdict AnswerMessageBox(DWORD processId, const Step& step);

// Either the success message and status 0, or the error report and status
// 1. Answers the box and keeps it in `lastBox`, then waits for the end.
Verdict EndOfInstallation(const SetupProcess& process, std::optional<MessageBoxView>& lastBox);
// The status and the text of the box that `EndOfInstallation` answered.
std::wstring OutcomeOf(const std::optional<MessageBoxView>& lastBox);

}  // namespace e2e
