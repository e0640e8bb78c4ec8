// Runs the installer natively with the scripted user, on drives that are
// temporary folders: C: (the hard disk) and D: (the installation CD).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/scripted_user.h"
#include "support/test_files.h"

class ScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The host folder that stands for a drive's root; made on first use.
  fs::path drive(char letter);
  // A drive whose folder is missing: an empty removable drive.
  void addEmptyDrive(char letter);

  // The default target folder on drive C.
  fs::path defaultFolder() { return drive('C') / "Program Files" / "Quorvan2005"; }

  // Runs the installer started from `currentDir` (on a drive, or on one of
  // `shares`) with a scenario file of tests/scenarios, or with scenario
  // text; returns the exit status.
  int runFile(const std::string& name, const std::string& currentDir = "D:\\");
  int runText(const std::string& scenario, const std::string& currentDir = "D:\\");
  // Runs a scenario that must part with the program; returns why it did.
  std::string runExpectingFailure(const std::string& scenario,
                                  const std::string& currentDir = "D:\\");

  // Runs `program` (the installer unless given) with a scripted user on the
  // drives; returns its exit status, or -1 with `failure` set when the
  // scenario and the program parted.
  int run(const std::string& scenario, const std::string& currentDir, std::string& failure,
          const std::function<rt::ExitStatus()>& program = {});

  // Starts the installer with a command line, as setup.exe does, and plays
  // the scenario (by default: no screen, no message box, exit status 0).
  int runCommand(const std::vector<std::string>& arguments, const std::string& scenario = "exit 0",
                 const std::string& currentDir = "D:\\");
  // Maps the drives for the file functions, with `currentDir` the process's
  // current folder; run() does it before it starts the program.
  void mountDrives(const std::string& currentDir = "D:\\");
  // Every entry under the drives but those under `skip`, by its path: a
  // folder, or a file's size, permissions and time of change, so that a
  // write, a new file or a file gone shows (without reading large files).
  std::map<std::string, std::string> snapshot(const fs::path& skip = {}) const;

  // Network shares (\\srv\share) and the host folders that stand for them:
  // a current folder may be on one.
  std::map<std::string, fs::path> shares;
  // Where the program's own file is (D:\setup.exe), when not in the current folder.
  std::string programPath;

  // Actions for the scenario's `mark NAME` steps.
  std::map<std::string, std::function<void()>> marks;
  std::unique_ptr<rt::ScriptedUser> user;
  fs::path root() const { return root_; }

 private:
  fs::path root_;
  std::map<char, fs::path> drives_;
};
