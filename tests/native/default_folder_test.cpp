// Installation into the default folder, with the scripted user on real files.
#include <sys/stat.h>

#include "scenario_fixture.h"

namespace {

class DefaultFolder : public ScenarioTest {
 protected:
  // An installation CD on D: with what must and must not be copied.
  void makeCd() {
    Write(drive('D') / "README.TXT", "read me\n");
    Write(drive('D') / "QRVDATA.DAT", std::string(100000, 'q'));
    Write(drive('D') / "setup.exe", "MZ the installer itself");
    Write(drive('D') / ".VOLUMEID", "hidden");
    Write(drive('D') / "DOCS" / "MANUAL.TXT", "manual");
    ASSERT_EQ(mkfifo((drive('D') / "PIPE").c_str(), 0644), 0);
  }
  void expectProductInstalled() {
    EXPECT_EQ(Read(defaultFolder() / "README.TXT"), "read me\n");
    EXPECT_EQ(Read(defaultFolder() / "QRVDATA.DAT"), std::string(100000, 'q'));
    EXPECT_EQ(Read(defaultFolder() / "setup.exe"), "MZ the installer itself");
    EXPECT_FALSE(fs::exists(defaultFolder() / ".VOLUMEID"));
    EXPECT_FALSE(fs::exists(defaultFolder() / "DOCS"));
    EXPECT_FALSE(fs::exists(defaultFolder() / "PIPE"));
  }
  size_t entriesIn(const fs::path& folder) {
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator{});
  }
};

TEST_F(DefaultFolder, AbsentFolderIsCreatedAndEveryOrdinaryFileCopied) {
  makeCd();
  EXPECT_EQ(runFile("default_absent.scn"), 0);
  expectProductInstalled();
  EXPECT_EQ(entriesIn(defaultFolder()), 3u);
  // The notice is painted before the copy and hidden after it.
  const std::vector<std::pair<std::string, bool>> repaints{{"Create Default Folder", true},
                                                           {"Create Default Folder", false}};
  EXPECT_EQ(user->refreshes(), repaints);
  // A bar beneath the notice counts the listed files' bytes, ends full, and
  // is gone with the copy.
  ASSERT_EQ(user->progressBars().size(), 1u);
  const auto& bar = user->progressBars()[0];
  EXPECT_EQ(bar.screen, "Create Default Folder");
  // Under the notice (840, 4200, 3855 x 1095): as wide, 120 twips below it.
  EXPECT_EQ(std::vector<int>({bar.left, bar.top, bar.width, bar.height}),
            std::vector<int>({840, 5415, 3855, 255}));
  EXPECT_EQ(bar.max, 8u + 100000u + 23u);
  ASSERT_FALSE(bar.values.empty());
  EXPECT_EQ(bar.values.front(), 0u);
  EXPECT_EQ(bar.values.back(), bar.max);
  EXPECT_TRUE(bar.removed);
}

TEST_F(DefaultFolder, PresentFolderHasSameNamedFilesReplacedAndOthersKept) {
  makeCd();
  Write(defaultFolder() / "readme.txt", "an old readme that is much longer than the new one\n");
  Write(defaultFolder() / "USER.CFG", "kept");
  EXPECT_EQ(runFile("default_present.scn"), 0);
  // Replaced under the name it had, as Windows does.
  EXPECT_EQ(Read(defaultFolder() / "readme.txt"), "read me\n");
  EXPECT_EQ(Read(defaultFolder() / "QRVDATA.DAT"), std::string(100000, 'q'));
  EXPECT_EQ(Read(defaultFolder() / "USER.CFG"), "kept");
  EXPECT_EQ(entriesIn(defaultFolder()), 4u);
}

TEST_F(DefaultFolder, EmptyPresentFolderStillCountsAsPresent) {
  makeCd();
  fs::create_directories(defaultFolder());
  EXPECT_EQ(runFile("default_present.scn"), 0);
  expectProductInstalled();
}

TEST_F(DefaultFolder, AnOrdinaryFileOfThatNameCountsAsPresentAndTheCopyFails) {
  makeCd();
  Write(defaultFolder(), "not a folder");
  EXPECT_EQ(runFile("default_copy_fails.scn"), 1);
  EXPECT_EQ(Read(defaultFolder()), "not a folder");
}

TEST_F(DefaultFolder, NoOptionCreatesAndCopiesNothing) {
  makeCd();
  EXPECT_EQ(runFile("default_absent_no.scn"), 0);
  EXPECT_FALSE(fs::exists(defaultFolder()));
}

TEST_F(DefaultFolder, ProbeSeesAFolderMadeAfterTheFirstVisit) {
  makeCd();
  const std::string scenario = R"(screen Intro
click Click here to install the QUORVAN system
screen Option
click Install in default folder
screen Create Default Folder
close
screen Option
mark folder appears
click Install in default folder
screen Install in Default Folder
click No, terminate the installation.
click Continue (proceed or stop)
message setup | Installation terminating -- ended by user.
exit 0
)";
  marks["folder appears"] = [this] { fs::create_directories(defaultFolder()); };
  EXPECT_EQ(runText(scenario), 0);
  EXPECT_EQ(entriesIn(defaultFolder()), 0u);
}

TEST_F(DefaultFolder, ConfirmationScreenReloadsWithYesSelectedAndNoticeHidden) {
  makeCd();
  EXPECT_EQ(runText(R"(screen Intro
click Click here to install the QUORVAN system
screen Option
click Install in default folder
screen Create Default Folder
click No, terminate the installation
close
screen Option
click Install in default folder
screen Create Default Folder
hidden Copying files from CD to hard drive (100MB) ... may take a couple of minutes ... please be patient.
click Continue (proceed or stop)
message setup | Installation completed successfully.
exit 0
)"),
            0);
  expectProductInstalled();
}

TEST_F(DefaultFolder, GuardRefusesInAnyLetterCaseAndTheScreenStaysOpen) {
  Write(defaultFolder() / "QUORVAN.INI", "ini");
  EXPECT_EQ(runFile("default_same_folder.scn", "C:\\PROGRAM FILES\\quorvan2005"), 0);
  EXPECT_EQ(Read(defaultFolder() / "QUORVAN.INI"), "ini");
  EXPECT_EQ(entriesIn(defaultFolder()), 1u);
}

TEST_F(DefaultFolder, GuardRefusalOnTheCreateScreenLeavesTheNewFolderAndASecondTryFails) {
  // Started from the default folder, which is then removed under the
  // installer: the folder is made again, then the guard refuses.
  const std::string scenario = R"(screen Intro
mark current folder removed
click Click here to install the QUORVAN system
screen Option
click Install in default folder
screen Create Default Folder
click Continue (proceed or stop)
message setup | Cannot install QUORVAN from source-file folder to same folder.  Installation cannot proceed.
screen Create Default Folder
click Continue (proceed or stop)
report could not create a folder
exit 1
)";
  fs::create_directories(defaultFolder());
  marks["current folder removed"] = [this] { fs::remove(defaultFolder()); };
  EXPECT_EQ(runText(scenario, "c:\\Program Files\\Quorvan2005"), 1);
  EXPECT_TRUE(fs::is_directory(defaultFolder()));
}

TEST_F(DefaultFolder, FailingFolderCreationEndsWithTheReportAndCopiesNothing) {
  makeCd();
  fs::remove(drive('C') / "Program Files");
  EXPECT_EQ(runText(R"(screen Intro
click Click here to install the QUORVAN system
screen Option
click Install in default folder
screen Create Default Folder
click Continue (proceed or stop)
report c:\Program Files\Quorvan2005
exit 1
)"),
            1);
  EXPECT_FALSE(fs::exists(drive('C') / "Program Files"));
}

}  // namespace
