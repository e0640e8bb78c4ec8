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

#include <chrono>
#include <fstream>
#include <thread>

#include "install/copy_setup_files.h"
#include "runtime/desktop.h"
#include "runtime/files.h"
#include "runtime/program.h"
#include "scenario_fixture.h"
#include "screens/confirmation.h"

namespace {

constexpr uid_t kNobody = 65534;

// Everything below a folder: relative path -> size and modification time.
std::map<std::string, std::string> Snapshot(const fs::path& folder, const fs::path& skip) {
  std::map<std::string, std::string> entries;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator();
       ++it) {
    if (it->path() == skip) {
      it.disable_recursion_pending();
      continue;
    }
    struct stat info {};
    lstat(it->path().c_str(), &info);
    entries[fs::relative(it->path(), folder).string()] =
        S_ISDIR(info.st_mode)
            ? "folder"
            : std::to_string(info.st_size) + " bytes, changed " +
                  std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
  }
  return entries;
}

class Faults : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    fs::permissions(root(), fs::perms::all);
    write(drive('D') / "A-FIRST.TXT", "first file\n");
    write(drive('D') / "M-MIDDLE.DAT", std::string(300000, 'm'));
    write(drive('D') / "Z-LAST.TXT", "last file\n");
    fs::create_directories(target());
    fs::permissions(target(), fs::perms::all);
    before_ = Snapshot(root(), target());
  }
  void TearDown() override {
    EXPECT_EQ(Snapshot(root(), target()), before_) << "something was written outside the target";
    for (const auto& entry : fs::directory_iterator(target()))
      EXPECT_EQ(entry.path().filename().string().rfind("~setup", 0), std::string::npos)
          << "temporary file left: " << entry.path();
    ScenarioTest::TearDown();
  }
  fs::path target() { return drive('E') / "Target"; }
  void refreshSnapshot() { before_ = Snapshot(root(), target()); }

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

  // Runs the installation in a child process, as the unprivileged user when
  // asked and with a limit on the size of files it writes; returns the exit
  // status and puts the error report, if any, in `report`.
  int installInChild(const std::string& ending, bool unprivileged, rlim_t fileSizeLimit = 0) {
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
      if (unprivileged &&
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
  EXPECT_EQ(installInChild(reportThenExit("M-MIDDLE.DAT"), true), 1);
  EXPECT_NE(report.find("Reason: Access is denied."), std::string::npos) << report;
  EXPECT_NE(report.find("1 file was copied before this one."), std::string::npos) << report;
  EXPECT_EQ(read(target() / "A-FIRST.TXT"), "first file\n");
  EXPECT_FALSE(fs::exists(target() / "M-MIDDLE.DAT"));
}

TEST_F(Faults, TargetThatCannotBeWrittenIsReportedAndLeftEmpty) {
  fs::permissions(target(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
  refreshSnapshot();
  EXPECT_EQ(installInChild(reportThenExit("E:\\Target\\A-FIRST.TXT"), true), 1);
  EXPECT_NE(report.find("Reason: Access is denied."), std::string::npos) << report;
  EXPECT_TRUE(fs::is_empty(target()));
}

TEST_F(Faults, FileSizeLimitInTheMiddleOfAFileKeepsTheOlderCopy) {
  write(target() / "M-MIDDLE.DAT", "an older copy");
  EXPECT_EQ(installInChild(reportThenExit("M-MIDDLE.DAT"), false, 100000), 1);
  EXPECT_NE(report.find("too large"), std::string::npos) << report;
  EXPECT_EQ(read(target() / "M-MIDDLE.DAT"), "an older copy");
}

TEST_F(Faults, DestinationNameTakenByAFolderIsReported) {
  fs::create_directories(target() / "M-MIDDLE.DAT" / "inside");
  EXPECT_EQ(runText(installInto(reportThenExit("E:\\Target\\M-MIDDLE.DAT"))), 1);
  EXPECT_TRUE(fs::is_directory(target() / "M-MIDDLE.DAT" / "inside"));
}

TEST_F(Faults, ReadOnlyDestinationIsReplacedAndLeftWritable) {
  write(target() / "Z-LAST.TXT", "old and read-only");
  fs::permissions(target() / "Z-LAST.TXT", fs::perms::owner_read | fs::perms::group_read);
  fs::permissions(drive('D') / "Z-LAST.TXT", fs::perms::owner_read | fs::perms::others_read);
  refreshSnapshot();
  EXPECT_EQ(runText(installInto(kSucceeds)), 0);
  EXPECT_EQ(read(target() / "Z-LAST.TXT"), "last file\n");
  EXPECT_NE(fs::status(target() / "Z-LAST.TXT").permissions() & fs::perms::owner_write,
            fs::perms::none);
}

TEST_F(Faults, LinkAtTheDestinationIsReplacedAndItsFileUntouched) {
  const fs::path outside = write(drive('C') / "precious.txt", "outside the target");
  fs::create_symlink(outside, target() / "A-FIRST.TXT");
  refreshSnapshot();
  EXPECT_EQ(runText(installInto(kSucceeds)), 0);
  EXPECT_FALSE(fs::is_symlink(target() / "A-FIRST.TXT"));
  EXPECT_EQ(read(target() / "A-FIRST.TXT"), "first file\n");
  EXPECT_EQ(read(outside), "outside the target");
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
  EXPECT_EQ(read(drive('D') / "M-MIDDLE.DAT"), std::string(300000, 'm'));
  EXPECT_EQ(read(drive('D') / "A-FIRST.TXT"), "first file\n");
}

TEST_F(Faults, HardNamesAreCopiedWhole) {
  const std::string longest(255, 'n');
  write(drive('D') / "with spaces  and end .txt", "spaces");
  write(drive('D') / "Größe café ŝablono.txt", "non-ascii");
  write(drive('D') / longest, "longest");
  refreshSnapshot();
  EXPECT_EQ(copyWithRule(intoTarget(), kSucceeds), 0);
  EXPECT_EQ(read(target() / "with spaces  and end .txt"), "spaces");
  EXPECT_EQ(read(target() / "Größe café ŝablono.txt"), "non-ascii");
  EXPECT_EQ(read(target() / longest), "longest");
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
  EXPECT_EQ(read(target() / "SMALL9999.DAT"), "file 9999");
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
  {
    std::ofstream big(drive('D') / "M-MIDDLE.DAT", std::ios::binary);
    const std::string block(1 << 20, 'b');
    for (int i = 0; i < 1024; ++i) big << block;
  }
  write(target() / "M-MIDDLE.DAT", "an older copy");
  refreshSnapshot();
  const pid_t child = fork();
  if (child == 0) {
    std::string failure;
    _exit(run(installInto(kSucceeds), "D:\\", failure));
  }
  // Wait until the copy of the large file is under way (the child holds a
  // file in the target open under a temporary name), then kill.
  const fs::path descriptors = fs::path("/proc") / std::to_string(child) / "fd";
  bool copying = false;
  for (int wait = 0; wait < 20000 && !copying; ++wait) {
    std::error_code gone;  // descriptors come and go under our eyes
    for (const auto& entry : fs::directory_iterator(descriptors, gone)) {
      const std::string file = fs::read_symlink(entry.path(), gone).string();
      copying = copying || (!gone && file.rfind(target().string() + "/", 0) == 0 &&
                            file.find("M-MIDDLE.DAT") == std::string::npos);
    }
    if (!copying) std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_TRUE(copying) << "the copy was never seen under way";
  const auto size = fs::file_size(target() / "M-MIDDLE.DAT");
  EXPECT_TRUE(size == 13 || size == (std::uintmax_t{1} << 30)) << size;
  // Windows removes the temporary file of a killed copy, which was marked
  // for deletion; here it stays until the next copy into the folder.
  mountDrives("D:\\");
  rt::rtcFileCopy("D:\\A-FIRST.TXT", "E:\\Target\\A-FIRST.TXT");
  // TearDown: no temporary file is left.
}

}  // namespace
