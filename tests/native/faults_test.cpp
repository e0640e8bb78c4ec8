// Faults met during an installation: each ends with the error report and a
// non-zero status (or succeeds where it should), leaves every destination as
// it was or as a complete copy, leaves no temporary file and writes nothing
// outside the target folder.
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "install/copy_setup_files.h"
#include "runtime/desktop.h"
#include "runtime/files.h"
#include "runtime/program.h"
#include "scenario_fixture.h"
#include "screens/confirmation.h"
#include "screens/frm_intro.h"
#include "screens/project.h"
#include "screens/screen_registry.h"

namespace {

constexpr uid_t kNobody = 65534;

// Gives every entry under `folder` to `nobody`, as a user's own files are
// theirs (links themselves, not what they lead to).
void GiveToNobody(const fs::path& folder) {
  ASSERT_EQ(::lchown(folder.c_str(), kNobody, kNobody), 0) << folder;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    ASSERT_EQ(::lchown(entry.path().c_str(), kNobody, kNobody), 0) << entry.path();
}

// Whether an ordinary user may pass through every folder above `folder`.
bool OthersMayReach(const fs::path& folder) {
  for (fs::path above = folder.parent_path(); !above.empty() && above != above.root_path();
       above = above.parent_path()) {
    if ((fs::status(above).permissions() & fs::perms::others_exec) == fs::perms::none) return false;
  }
  return true;
}

// Runs the wizard as RunSetup does, with `watcher` hearing each copy.
rt::ExitStatus RunSetupWatched(setup::CopyObserver& watcher) {
  setup::ScreenRegistry screens;
  screens.copyWatcher = &watcher;
  return rt::ThunRTMain({setup::kProjectName, setup::kAppTitle, setup::kLocale,
                         [&]() -> rt::Screen& { return screens.get<setup::frmIntro>(); }});
}

// In a child process: once the first piece of a file named `name` is
// written, writes a byte to `told` and waits there to be killed.
class StopsInTheMiddleOf : public setup::CopyObserver {
 public:
  StopsInTheMiddleOf(std::string name, int told) : name_(std::move(name)), told_(told) {}
  void fileBegun(const std::string& /*source*/, const std::string& destination) override {
    inFile_ = destination.ends_with("\\" + name_);
  }
  void progressed(std::uint64_t /*bytesDone*/) override {
    if (!inFile_) return;
    (void)!::write(told_, "!", 1);
    for (;;) ::pause();
  }

 private:
  std::string name_;
  int told_;
  bool inFile_ = false;
};

class Faults : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    fs::permissions(root(), fs::perms::all);
    Write(drive('D') / "A-FIRST.TXT", "first file\n");
    Write(drive('D') / "M-MIDDLE.DAT", std::string(300000, 'm'));
    Write(drive('D') / "Z-LAST.TXT", "last file\n");
    fs::create_directories(target());
    before_ = snapshot(target());
  }
  void TearDown() override {
    EXPECT_EQ(snapshot(target()), before_) << "something was written outside the target";
    for (const auto& entry : fs::directory_iterator(target()))
      EXPECT_EQ(entry.path().filename().string().rfind("~setup", 0), std::string::npos)
          << "temporary file left: " << entry.path();
    ScenarioTest::TearDown();
  }
  fs::path target() { return drive('E') / "Target"; }
  void refreshSnapshot() { before_ = snapshot(target()); }

  // The user installs into E:\Target; the scenario ends with `ending`.
  static std::string installInto(const std::string& ending) {
    return R"(screen Intro
click Click here to install the QUORVAN system
screen Option
click Install in a different folder
screen Install in User Folder
drive E
folder Target
click Continue (proceed or stop)
)" + ending;
  }
  static std::string reportThenExit(const std::string& fragment) {
    return "report " + fragment + "\nexit 1\n";
  }
  static constexpr const char* kSucceeds =
      "message setup | Installation completed successfully.\nexit 0\n";

  // Runs the installation in a child process, as an ordinary user when
  // asked (root gives the drives to `nobody` and runs as `nobody`; anyone
  // else runs as themselves) and with a limit on the size of files it
  // writes; returns the exit status and puts the error report, if any, in
  // `report`.
  int installInChild(const std::string& ending, bool unprivileged, rlim_t fileSizeLimit = 0) {
    const bool becomeNobody = unprivileged && ::geteuid() == 0;
    if (becomeNobody) {
      if (!OthersMayReach(root())) {
        ADD_FAILURE() << "nobody cannot reach " << root() << ": set TMPDIR to a folder others "
                      << "may pass through";
        return -1;
      }
      GiveToNobody(root());
    }
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
      close(pipeFds[0]);
      if (fileSizeLimit) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
      }
      if (becomeNobody &&
          (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
        _exit(101);
      std::string failure;
      const int status = run(installInto(ending), "D:\\", failure);
      const std::string said =
          failure.empty() && !user->messages().empty() ? user->messages().back().text : failure;
      (void)!::write(pipeFds[1], said.data(), said.size());
      _exit(failure.empty() ? status : 100);
    }
    close(pipeFds[1]);
    report.clear();
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
      report.append(buffer, got);
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Runs the copy engine itself from D:\ with a destination rule of the
  // test's own, so that a fault can strike between two files; the user is
  // told of its end as on the screens.
  int copyWithRule(const setup::DestinationRule& rule, const std::string& scenario) {
    std::string failure;
    const int status = run(scenario, "D:\\", failure, [&] {
      setup::CopyObserver none;
      try {
        rt::RaiseEvent([&] { setup::AnnounceCopy(setup::CopySetupFiles("", rule, none)); });
      } catch (const rt::ProgramEnded& ended) {
        return ended.status;
      }
      ADD_FAILURE() << "the copy returned without ending the program";
      return rt::ExitStatus::Ended;
    });
    EXPECT_EQ(failure, "");
    return status;
  }
  setup::DestinationRule intoTarget() {
    return [this](const std::string& name) { return "E:\\Target\\" + name; };
  }

  std::string report;

 private:
  std::map<std::string, std::string> before_;
};

TEST_F(Faults, UnreadableSourceFileIsReportedByNameAndReason) {
  fs::permissions(drive('D') / "M-MIDDLE.DAT", fs::perms::none);
  refreshSnapshot();
  EXPECT_EQ(installInChild(reportThenExit("M-MIDDLE.DAT"), true), 1);
  EXPECT_NE(report.find("Reason: Access is denied."), std::string::npos) << report;
  EXPECT_NE(report.find("1 file was copied before this one."), std::string::npos) << report;
  EXPECT_EQ(Read(target() / "A-FIRST.TXT"), "first file\n");
  EXPECT_FALSE(fs::exists(target() / "M-MIDDLE.DAT"));
}

TEST_F(Faults, TargetThatCannotBeWrittenIsReportedAndLeftEmpty) {
  // The user's own folder, which they may list but not write to.
  fs::permissions(target(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
  refreshSnapshot();
  EXPECT_EQ(installInChild(reportThenExit("E:\\Target\\A-FIRST.TXT"), true), 1);
  EXPECT_NE(report.find("Reason: Access is denied."), std::string::npos) << report;
  EXPECT_TRUE(fs::is_empty(target()));
}

TEST_F(Faults, FileSizeLimitInTheMiddleOfAFileKeepsTheOlderCopy) {
  Write(target() / "M-MIDDLE.DAT", "an older copy");
  EXPECT_EQ(installInChild(reportThenExit("M-MIDDLE.DAT"), false, 100000), 1);
  EXPECT_NE(report.find("too large"), std::string::npos) << report;
  EXPECT_EQ(Read(target() / "M-MIDDLE.DAT"), "an older copy");
}

TEST_F(Faults, DestinationNameTakenByAFolderIsReported) {
  fs::create_directories(target() / "M-MIDDLE.DAT" / "inside");
  EXPECT_EQ(runText(installInto(reportThenExit("E:\\Target\\M-MIDDLE.DAT"))), 1);
  EXPECT_TRUE(fs::is_directory(target() / "M-MIDDLE.DAT" / "inside"));
}

// As an ordinary user, whose own read-only file it is: root would write
// into any file whatever its permissions.
TEST_F(Faults, ReadOnlyDestinationIsReplacedAndLeftWritable) {
  Write(target() / "Z-LAST.TXT", "old and read-only");
  fs::permissions(target() / "Z-LAST.TXT", fs::perms::owner_read | fs::perms::group_read);
  fs::permissions(drive('D') / "Z-LAST.TXT", fs::perms::owner_read | fs::perms::others_read);
  refreshSnapshot();
  EXPECT_EQ(installInChild(kSucceeds, true), 0) << report;
  EXPECT_EQ(Read(target() / "Z-LAST.TXT"), "last file\n");
  EXPECT_NE(fs::status(target() / "Z-LAST.TXT").permissions() & fs::perms::owner_write,
            fs::perms::none);
}

TEST_F(Faults, LinkAtTheDestinationIsReplacedAndItsFileUntouched) {
  const fs::path outside = Write(drive('C') / "precious.txt", "outside the target");
  fs::create_symlink(outside, target() / "A-FIRST.TXT");
  refreshSnapshot();
  EXPECT_EQ(runText(installInto(kSucceeds)), 0);
  EXPECT_FALSE(fs::is_symlink(target() / "A-FIRST.TXT"));
  EXPECT_EQ(Read(target() / "A-FIRST.TXT"), "first file\n");
  EXPECT_EQ(Read(outside), "outside the target");
}

TEST_F(Faults, TargetRemovedWhileTheCopyRunsIsReported) {
  auto rule = [this, files = 0](const std::string& name) mutable {
    if (++files == 2) fs::remove_all(target());
    return "E:\\Target\\" + name;
  };
  EXPECT_EQ(copyWithRule(rule, reportThenExit("E:\\Target\\M-MIDDLE.DAT")), 1);
  EXPECT_FALSE(fs::exists(target()));
  fs::create_directories(target());  // for the checks on the way out
}

TEST_F(Faults, SourceFileThatDisappearsAfterTheListingIsReported) {
  auto rule = [this](const std::string& name) {
    if (name == "M-MIDDLE.DAT") fs::remove(drive('D') / name);
    return "E:\\Target\\" + name;
  };
  EXPECT_EQ(copyWithRule(rule, reportThenExit("M-MIDDLE.DAT")), 1);
  EXPECT_NE(user->messages().back().text.find("1 file was copied before this one."),
            std::string::npos);
  EXPECT_FALSE(fs::exists(target() / "M-MIDDLE.DAT"));
  refreshSnapshot();
}

TEST_F(Faults, TheSourceFolderReachedThroughALinkLosesNothing) {
  fs::create_directory_symlink(drive('D'), target() / "CD");
  auto rule = [](const std::string& name) { return "E:\\Target\\cd\\\\" + name; };
  EXPECT_EQ(copyWithRule(rule, kSucceeds), 0);
  EXPECT_EQ(Read(drive('D') / "M-MIDDLE.DAT"), std::string(300000, 'm'));
  EXPECT_EQ(Read(drive('D') / "A-FIRST.TXT"), "first file\n");
}

TEST_F(Faults, HardNamesAreCopiedWhole) {
  const std::string longest(255, 'n');
  Write(drive('D') / "with spaces  and end .txt", "spaces");
  Write(drive('D') / "Größe café ŝablono.txt", "non-ascii");
  Write(drive('D') / longest, "longest");
  refreshSnapshot();
  EXPECT_EQ(copyWithRule(intoTarget(), kSucceeds), 0);
  EXPECT_EQ(Read(target() / "with spaces  and end .txt"), "spaces");
  EXPECT_EQ(Read(target() / "Größe café ŝablono.txt"), "non-ascii");
  EXPECT_EQ(Read(target() / longest), "longest");
}

TEST_F(Faults, TenThousandSmallFilesAndOneOver4GiBAreCopiedWhole) {
  for (int i = 0; i < 10000; ++i)
    std::ofstream(drive('D') / ("SMALL" + std::to_string(i) + ".DAT")) << "file " << i;
  {
    std::fstream big(drive('D') / "BIG.BIN", std::ios::out | std::ios::binary);
    big << "head";
    big.seekp((std::streamoff{1} << 32) + 12345);
    big << "tail beyond 4 GiB";
  }
  refreshSnapshot();
  EXPECT_EQ(copyWithRule(intoTarget(), kSucceeds), 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(target()), fs::directory_iterator{}), 10004);
  EXPECT_EQ(Read(target() / "SMALL9999.DAT"), "file 9999");
  EXPECT_EQ(fs::file_size(target() / "BIG.BIN"), fs::file_size(drive('D') / "BIG.BIN"));
  std::ifstream copy(target() / "BIG.BIN", std::ios::binary);
  std::string head(4, '\0'), tail(17, '\0');
  copy.read(head.data(), 4);
  copy.seekg((std::streamoff{1} << 32) + 12345);
  copy.read(tail.data(), 17);
  EXPECT_EQ(head, "head");
  EXPECT_EQ(tail, "tail beyond 4 GiB");
  fs::remove(target() / "BIG.BIN");
}

TEST_F(Faults, KilledInTheMiddleOfALargeFileLeavesNoHalfFileUnderItsName) {
  Write(drive('D') / "M-MIDDLE.DAT", std::string(std::size_t{32} << 20, 'b'));
  Write(target() / "M-MIDDLE.DAT", "an older copy");
  refreshSnapshot();
  // The child stops once the first piece of M-MIDDLE.DAT is written, says
  // so through the pipe, and is killed there.
  int told[2];
  ASSERT_EQ(pipe(told), 0);
  const pid_t child = fork();
  if (child == 0) {
    ::close(told[0]);
    StopsInTheMiddleOf stopper("M-MIDDLE.DAT", told[1]);
    std::string failure;
    _exit(run(installInto(kSucceeds), "D:\\", failure, [&] { return RunSetupWatched(stopper); }));
  }
  ::close(told[1]);
  char byte = 0;
  const bool copying = ::read(told[0], &byte, 1) == 1;  // else the child ended first
  ::close(told[0]);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  ASSERT_TRUE(copying) << "the copy of M-MIDDLE.DAT was never under way";
  EXPECT_TRUE(Read(target() / "M-MIDDLE.DAT") == "an older copy")
      << "M-MIDDLE.DAT now has " << fs::file_size(target() / "M-MIDDLE.DAT") << " bytes";
  // Windows removes the temporary file of a killed copy, which was marked
  // for deletion; here it stays until the next copy into the folder.
  mountDrives("D:\\");
  rt::rtcFileCopy("D:\\A-FIRST.TXT", "E:\\Target\\A-FIRST.TXT");
  // TearDown: no temporary file is left.
}

}  // namespace
