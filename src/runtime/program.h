// The program's life: start-up, message boxes, events, and the end.
#pragma once

#include <functional>
#include <string>

namespace rt {

class Screen;
class RuntimeError;

struct ProjectDescriptor {
  std::string name;   // project name
  std::string title;  // application title, shown on message boxes that name none
  int locale;
  std::function<Screen&()> startupScreen;
};

// Shows the start-up screen and runs the event loop until no screen is open,
// then ends the program. Returns the exit status where the desktop lets the
// end return (the scripted user); on Windows it never returns.
int ThunRTMain(const ProjectDescriptor& project);

const std::string& AppTitle();

constexpr int vbOKOnly = 0;
constexpr int vbCritical = 16;
constexpr int vbExclamation = 48;

// A modal message box owned by the active screen; an empty title means the
// application title.
void rtcMsgBox(const std::string& prompt, int buttons = vbOKOnly, const std::string& title = {});

// Ends the program at once, with exit status 0 unless told otherwise.
[[noreturn]] void End(int status = 0);

// Lets the desktop paint and answer the system during long work in a
// handler; input is not acted on. Call it at least every 100 ms.
void KeepResponsive();

// Runs an event handler for the desktop. A run-time error that no trap took
// ends the program with a report and exit status 1.
void RaiseEvent(const std::function<void()>& handler);

// Shows the report of an untrapped error and ends the program with status 1.
[[noreturn]] void ReportAndEnd(const RuntimeError& error);

}  // namespace rt
