// setup-e2e-driver: starts setup.exe and plays a scenario against its windows.
//
//   setup-e2e-driver.exe --exe D:\setup.exe --cwd D:\ [--shots FOLDER]
//                        [--timeout SECONDS] [--args "ARGUMENTS"] [--no-windows]
//                        [--poll MILLISECONDS] [--times] SCENARIO
//
// --args puts ARGUMENTS on setup.exe's command line; with --no-windows a
// window of setup.exe, at any moment, fails the step being played. --poll
// sets the time between two looks at the windows (50 ms). --times adds a
// line to each passed step: when its state was seen to hold, in milliseconds
// since the driver started (for a click or a message box, just before the
// button is pressed). The copy benchmark times the copy with it.
//
// Exit status 0 when every step passed, 1 when one failed (setup.exe is ended
// then), 2 for a wrong command line or scenario.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bystander.h"
#include "process_windows.h"
#include "scenario.h"
#include "setup_process.h"
#include "step_runner.h"
#include "wide_text.h"

namespace {

struct Arguments {
  std::wstring exe;
  std::wstring folder;
  std::wstring setupArguments;
  std::filesystem::path scenario;
  e2e::RunOptions options;
  bool printTimes = false;
};

void Print(std::wstring_view text) {
  const std::string utf8 = e2e::WideToUtf8(text);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fflush(stdout);
}

std::optional<Arguments> ParseArguments(int argc, wchar_t** argv) {
  Arguments arguments;
  for (int i = 1; i < argc; ++i) {
    const std::wstring_view argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == L"--exe" && hasValue) {
      arguments.exe = argv[++i];
    } else if (argument == L"--cwd" && hasValue) {
      arguments.folder = argv[++i];
    } else if (argument == L"--shots" && hasValue) {
      arguments.options.shotsFolder = argv[++i];
    } else if (argument == L"--args" && hasValue) {
      arguments.setupArguments = argv[++i];
    } else if (argument == L"--no-windows") {
      arguments.options.noWindows = true;
    } else if (argument == L"--timeout" && hasValue) {
      arguments.options.stepTimeout = std::chrono::seconds(_wtoi(argv[++i]));
    } else if (argument == L"--poll" && hasValue) {
      arguments.options.pollInterval = std::chrono::milliseconds(_wtoi(argv[++i]));
    } else if (argument == L"--times") {
      arguments.printTimes = true;
    } else if (!argument.starts_with(L"--") && arguments.scenario.empty()) {
      arguments.scenario = argument;
    } else {
      return std::nullopt;
    }
  }
  if (arguments.exe.empty() || arguments.scenario.empty()) return std::nullopt;
  return arguments;
}

int Play(const Arguments& arguments) {
  std::vector<e2e::Step> steps;
  try {
    steps = e2e::ReadScenario(arguments.scenario);
  } catch (const e2e::ScenarioError& error) {
    Print(L"scenario " + arguments.scenario.wstring() + L": " + e2e::Utf8ToWide(error.what()) +
          L"\n");
    return 2;
  }

  Print(L"scenario " + arguments.scenario.wstring() + L"\n");
  const auto driverStarted = std::chrono::steady_clock::now();
  e2e::StartBystander();
  e2e::SetupProcess process(arguments.exe, arguments.folder, arguments.setupArguments);
  e2e::StepRunner runner(process, arguments.options);
  for (const e2e::Step& step : steps) {
    const auto started = std::chrono::steady_clock::now();
    const auto missing = runner.run(step);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    if (missing) {
      Print(L"FAILED line " + std::to_wstring(step.line) + L": " + step.source + L"\n" +
            L"  expected " + *missing + L"\n  found:\n" + e2e::DescribeWindows(process.id()));
      if (const auto status = process.exitStatus()) {
        Print(L"  the program had ended with status " + std::to_wstring(*status) + L"\n");
      }
      process.kill();
      return 1;
    }
    Print(L"  ok   line " + std::to_wstring(step.line) + L": " + step.source + L"  (" +
          std::to_wstring(took.count()) + L" ms)\n");
    if (step.kind == e2e::StepKind::Outcome) Print(L"  outcome: " + runner.outcome() + L"\n");
    if (!runner.measured().empty()) Print(L"  measured: " + runner.measured() + L"\n");
    if (arguments.printTimes) {
      const std::chrono::duration<double, std::milli> heldAt = runner.heldAt() - driverStarted;
      Print(L"  held line " + std::to_wstring(step.line) + L" at " +
            std::to_wstring(heldAt.count()) + L" ms\n");
    }
  }
  Print(L"passed: " + std::to_wstring(steps.size()) + L" steps\n");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  const auto arguments = ParseArguments(argc, argv);
  if (!arguments) {
    Print(
        L"usage: setup-e2e-driver --exe SETUP.EXE [--cwd FOLDER] [--shots "
        L"FOLDER] "
        L"[--timeout SECONDS] [--args ARGUMENTS] [--no-windows] [--poll MILLISECONDS] "
        L"[--times] SCENARIO\n");
    return 2;
  }
  try {
    return Play(*arguments);
  } catch (const std::exception& error) {
    Print(L"FAILED: " + e2e::Utf8ToWide(error.what()) + L"\n");
    return 1;
  }
}
