#include "copy_sides.h"

#include <cstddef>
#include <cstdio>
#include <vector>

#include "app/setup_program.h"
#include "runtime/posix/drive_table.h"
#include "support/scripted_user.h"

namespace copy_bench {

namespace {

constexpr size_t kManyFiles = 100;

// What the user does: the steps of tests/scenarios/user_folder_install.scn
// without the checks of what the screens show.
constexpr const char* kScenario = R"(screen Intro
click Click here to install the QUORVAN system
screen Option
click Install in a different folder
screen Install in User Folder
drive E
folder Target
click Continue (proceed or stop)
message setup | Installation completed successfully.
exit 0
)";

}  // namespace

const char* Name(Side side) {
  return side == Side::Setup ? "setup" : "cp";
}

ChildRun Bench::run(Side side, const DataSet& set, int round) const {
  const fs::path folder = runs() / (Name(side) + std::to_string(round));
  const fs::path target = side == Side::Setup ? folder / "Target" : folder;
  fs::create_directories(target);
  temp.sync();
  ChildRun result{};
  if (side == Side::Setup) {
    result = RunChild({self, kInstallFlag, set.source, folder, cDrive()}, set.source);
  } else {
    std::vector<std::string> args{"cp", "--"};
    args.insert(args.end(), set.names.begin(), set.names.end());
    args.push_back(target.string() + "/");
    result = RunChild(args, set.source);
  }
  VerifyCopy(set, target);
  if (set.names.size() < kManyFiles) fs::remove_all(folder);
  return result;
}

void Bench::removeCopies() const {
  fs::remove_all(runs());
  temp.sync();
}

int Install(const std::string& source, const std::string& eDrive, const std::string& cDrive) {
  rt::posix::MountDrives({{'C', {cDrive, ""}}, {'D', {source, "QUORVAN"}}, {'E', {eDrive, ""}}},
                         "D:\\");
  rt::ScriptedUser user(kScenario);
  try {
    return user.run(setup::RunSetup);
  } catch (const rt::ScriptFailure& parted) {
    std::fprintf(stderr, "copy_bench: the installer and the scenario parted: %s\n",
                 parted.message.c_str());
    return 2;
  }
}

}  // namespace copy_bench
