// The program's life: start-up, message boxes, events, and the end.
#pragma once

#include <functional>
#include <string>

namespace rt {

class Screen;
class RuntimeError;

// How the program ends. Every end goes through End or ReportAndEnd, which
// hand the status to the desktop in use. The desktop's end() throws
// ProgramEnded, on Windows as in the native tests: it unwinds to the code
// that started the program (ThunRTMain, or the code that reads the command
// line), every destructor on the way runs, and the status comes back as a
// return value, which the process entry returns from wWinMain. On Windows an
// end met inside a window procedure is held there, never thrown through the
// system's frames, and thrown again once the system's call has returned to
// the loop that dispatched the message. The one end that does not unwind is
// the terminate handler's: a failure that no handler took reports itself in
// a box and leaves the process with InternalFailure.
enum class ExitStatus : int {
  Ended = 0,            // installed, or left by the user before any copy
  Failed = 1,           // the copy failed or was refused, or a run-time error was reported
  NotUnderstood = 2,    // a command line not understood, or one that asks for the usage only
  InternalFailure = 3,  // a failure the program cannot handle (the terminate handler)
};

// The number the process leaves with.
constexpr int ExitCode(ExitStatus status) {
  return static_cast<int>(status);
}

// What a desktop's end() throws.
struct ProgramEnded {
  ExitStatus status;
};

struct ProjectDescriptor {
  std::string name;   // project name
  std::string title;  // application title, shown on message boxes that name none
  int locale;
  std::function<Screen&()> startupScreen;
};

// Shows the start-up screen and runs the event loop until no screen is open,
// then ends the program. Returns the status the program ended with, every
// screen unloaded.
ExitStatus ThunRTMain(const ProjectDescriptor& project);

const std::string& AppTitle();

constexpr int vbOKOnly = 0;
constexpr int vbCritical = 16;
constexpr int vbExclamation = 48;

// A modal message box owned by the active screen; an empty title means the
// application title.
void rtcMsgBox(const std::string& prompt, int buttons = vbOKOnly, const std::string& title = {});

// Ends the program at once, as described above.
[[noreturn]] void End(ExitStatus status = ExitStatus::Ended);

// Lets the desktop paint and answer the system during long work in a
// handler; input is not acted on. Call it at least every 100 ms.
void KeepResponsive();

// Runs an event handler for the desktop. A run-time error that no trap took
// ends the program with a report and ExitStatus::Failed.
void RaiseEvent(const std::function<void()>& handler);

// Shows the report of an untrapped error and ends the program with
// ExitStatus::Failed.
[[noreturn]] void ReportAndEnd(const RuntimeError& error);

}  // namespace rt
