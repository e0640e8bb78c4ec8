#include "scenario_fixture.h"

#include <sys/stat.h>

#include "app/setup_program.h"
#include "runtime/posix/drive_table.h"

void ScenarioTest::SetUp() {
  std::string pattern = (fs::temp_directory_path() / "setup-test-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  root_ = pattern;
  fs::create_directories(drive('C') / "Program Files");
  drive('D');
}

void ScenarioTest::TearDown() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

fs::path ScenarioTest::drive(char letter) {
  auto [it, added] = drives_.emplace(letter, root_ / (std::string("drive_") + letter));
  if (added) fs::create_directories(it->second);
  return it->second;
}

void ScenarioTest::addEmptyDrive(char letter) {
  drives_[letter] = root_ / (std::string("missing_") + letter);
}

int ScenarioTest::run(const std::string& scenario, const std::string& currentDir,
                      std::string& failure, const std::function<rt::ExitStatus()>& program) {
  mountDrives(currentDir);
  user = std::make_unique<rt::ScriptedUser>(scenario);
  for (const auto& [name, action] : marks) user->onMark(name, action);
  try {
    return user->run(program ? program : setup::RunSetup);
  } catch (const rt::ScriptFailure& parted) {
    failure = parted.message;
    return -1;
  }
}

void ScenarioTest::mountDrives(const std::string& currentDir) {
  std::map<char, rt::posix::Drive> table;
  for (const auto& [letter, folder] : drives_)
    table[letter] = {folder.string(), letter == 'D' ? "QUORVAN" : ""};
  std::map<std::string, std::string> shareTable;
  for (const auto& [name, folder] : shares) shareTable[name] = folder.string();
  rt::posix::MountDrives(table, currentDir, shareTable);
  if (!programPath.empty()) rt::posix::SetProgramPath(programPath);
}

int ScenarioTest::runText(const std::string& scenario, const std::string& currentDir) {
  std::string failure;
  const int status = run(scenario, currentDir, failure);
  if (!failure.empty()) ADD_FAILURE() << failure;
  return status;
}

std::string ScenarioTest::runExpectingFailure(const std::string& scenario,
                                              const std::string& currentDir) {
  std::string failure;
  run(scenario, currentDir, failure);
  EXPECT_FALSE(failure.empty()) << "the scenario ran through";
  return failure;
}

int ScenarioTest::runFile(const std::string& name, const std::string& currentDir) {
  return runText(Read(fs::path(SCENARIO_DIR) / name), currentDir);
}

int ScenarioTest::runCommand(const std::vector<std::string>& arguments, const std::string& scenario,
                             const std::string& currentDir) {
  std::string failure;
  const int status =
      run(scenario, currentDir, failure, [&] { return setup::StartSetup(arguments); });
  if (!failure.empty()) ADD_FAILURE() << failure;
  return status;
}

std::map<std::string, std::string> ScenarioTest::snapshot(const fs::path& skip) const {
  std::map<std::string, std::string> entries;
  for (auto it = fs::recursive_directory_iterator(root_); it != fs::recursive_directory_iterator();
       ++it) {
    if (!skip.empty() && it->path() == skip) {
      it.disable_recursion_pending();
      continue;
    }
    struct stat info {};
    ::lstat(it->path().c_str(), &info);
    entries[fs::relative(it->path(), root_).string()] =
        S_ISDIR(info.st_mode)
            ? "folder"
            : std::to_string(info.st_size) + " bytes, mode " + std::to_string(info.st_mode) +
                  ", changed " + std::to_string(info.st_mtim.tv_sec) + "." +
                  std::to_string(info.st_mtim.tv_nsec);
  }
  return entries;
}
