#include "app/command_line.h"

#include "runtime/files.h"
#include "runtime/text.h"
#include "runtime/windows_path.h"
#include "screens/project.h"

namespace setup {

const std::string kUsage =
    std::string(
        "Usage: setup.exe [/S] [/D=folder] [/LOG=file] [/?]\n"
        "\n"
        "/S  Installs with no window and no message box, into ") +
    DefaultInstallDir +
    " unless /D= names another folder.\n"
    "/D=folder  The folder to install into, made with any missing folders above it. "
    "Without /S, the user-folder screen opens on it.\n"
    "/LOG=file  Appends a log of the installation to the file.\n"
    "/?  Shows this help.\n"
    "\n"
    "Exit status: 0 installed, 1 failed or refused, 2 a command line that cannot be understood, "
    "3 an internal failure.";

namespace {

// A full path on a drive that is present: "E:\folder", with no character that
// a Windows name cannot hold.
bool OnADrive(const std::string& path) {
  using namespace rt::windows_path;
  return IsFullDrivePath(path) &&
         rt::AvailableDrives().find(DriveLetter(path[0])) != std::string::npos &&
         ValidNameCharacters(std::string_view(path).substr(2));
}

// Takes the value of /D= or /LOG= into `value`; returns what is wrong, or "".
std::string TakePath(const std::string& argument, size_t nameLength, std::string& value) {
  const std::string name = argument.substr(0, nameLength);
  if (!value.empty()) return "The switch " + name + " is given twice.";
  value = argument.substr(nameLength);
  if (value.empty()) return "The switch " + name + " names no path.";
  if (!OnADrive(value)) return "The path of " + name + " is not a full path on a drive: " + value;
  return {};
}

}  // namespace

std::string ParseCommandLine(const std::vector<std::string>& arguments, CommandLine& commandLine) {
  for (const std::string& argument : arguments) {
    const std::string upper = rt::rtcUpperCaseVar(argument);
    std::string problem;
    if (upper == "/S") {
      if (commandLine.silent) problem = "The switch /S is given twice.";
      commandLine.silent = true;
    } else if (upper == "/?") {
      commandLine.usage = true;
    } else if (upper.starts_with("/D=")) {
      problem = TakePath(argument, 3, commandLine.folder);
    } else if (upper.starts_with("/LOG=")) {
      problem = TakePath(argument, 5, commandLine.logFile);
    } else {
      problem = "Unknown switch: " + argument;
    }
    if (!problem.empty()) {
      // /S counts wherever it stands: a wrong command line shows no box then.
      for (const std::string& other : arguments)
        if (rt::rtcUpperCaseVar(other) == "/S") commandLine.silent = true;
      return problem;
    }
  }
  return {};
}

}  // namespace setup
