#include "runtime/program.h"

#include <cstdlib>
#include <exception>
#include <utility>

#include "runtime/desktop.h"
#include "runtime/error.h"
#include "runtime/screen.h"

namespace rt {
namespace {

std::string& Title() {
  static std::string title = "setup";
  return title;
}

Desktop*& CurrentDesktop() {
  static Desktop* current = nullptr;
  return current;
}

}  // namespace

Desktop& desktop() {
  Desktop* current = CurrentDesktop();
  if (!current) throw NoDesktopInUse();
  return *current;
}

DesktopInUse::DesktopInUse(Desktop& desktop)
    : previous_(std::exchange(CurrentDesktop(), &desktop)) {}

DesktopInUse::~DesktopInUse() {
  CurrentDesktop() = previous_;
}

const std::string& AppTitle() {
  return Title();
}

ExitStatus ThunRTMain(const ProjectDescriptor& project) {
  Title() = project.title;
  try {
    RaiseEvent([&] { project.startupScreen().Show(); });
    desktop().runUntil([] { return !AnyScreenLoaded(); });
    End();
  } catch (const ProgramEnded& ended) {
    UnloadAllScreens();
    return ended.status;
  } catch (...) {
    UnloadAllScreens();
    throw;
  }
}

void rtcMsgBox(const std::string& prompt, int buttons, const std::string& title) {
  desktop().messageBox(prompt, buttons, title.empty() ? AppTitle() : title);
}

void End(ExitStatus status) {
  desktop().end(status);
  std::abort();  // a desktop's end() never returns
}

void ReportAndEnd(const RuntimeError& error) {
  desktop().messageBox(error.report(), vbCritical, AppTitle());
  desktop().end(ExitStatus::Failed);
  std::abort();  // a desktop's end() never returns
}

void KeepResponsive() {
  desktop().keepAlive();
}

void RaiseEvent(const std::function<void()>& handler) {
  if (!handler) return;
  try {
    handler();
  } catch (const RuntimeError& error) {
    ReportAndEnd(error);
  } catch (const std::exception& error) {
    ReportAndEnd(RuntimeError("an internal operation failed", {}, error.what()));
  }
}

}  // namespace rt
