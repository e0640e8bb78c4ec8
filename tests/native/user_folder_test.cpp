// Installation into a folder of the user's choosing, with the scripted user.
#include "scenario_fixture.h"

namespace {

class UserFolder : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    Write(drive('D') / "README.TXT", "read me\n");
    Write(drive('D') / "QRVDATA.DAT", "data");
    Write(drive('D') / "DOCS" / "MANUAL.TXT", "manual");
    fs::create_directories(drive('E') / "Target");
    addEmptyDrive('F');
  }
  const std::string openScreen = R"(screen Intro
click Click here to install the QUORVAN system
screen Option
click Install in a different folder
screen Install in User Folder
)";
};

TEST_F(UserFolder, PickedDriveAndFolderReceiveTheProduct) {
  EXPECT_EQ(runFile("user_folder_install.scn"), 0);
  EXPECT_EQ(Read(drive('E') / "Target" / "README.TXT"), "read me\n");
  EXPECT_EQ(Read(drive('E') / "Target" / "QRVDATA.DAT"), "data");
  EXPECT_FALSE(fs::exists(drive('E') / "Target" / "DOCS"));
  EXPECT_FALSE(fs::exists(drive('C') / "README.TXT"));
}

TEST_F(UserFolder, ContinueAtOnceInstallsIntoTheRootOfC) {
  EXPECT_EQ(runFile("user_folder_root.scn"), 0);
  EXPECT_EQ(Read(drive('C') / "README.TXT"), "read me\n");
  EXPECT_EQ(Read(drive('C') / "QRVDATA.DAT"), "data");
}

TEST_F(UserFolder, OpenedFromDriveCStartsAtItsRoot) {
  Write(drive('C') / "CD" / "README.TXT", "from c");
  EXPECT_EQ(runText(openScreen + R"(shows-drive C
shows-folder C:\
text C:\
folder Program Files
text C:\Program Files
folder c:\
text C:\
click No, terminate the installation.
click Continue (proceed or stop)
message setup | Installation terminating -- ended by user.
exit 0
)",
                    "C:\\CD"),
            0);
}

TEST_F(UserFolder, DriveErrorGoesBackToTheDriveStillShownAndReopeningStartsOnC) {
  EXPECT_EQ(runFile("user_folder_drive_error.scn"), 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(drive('E') / "Target"), fs::directory_iterator{}),
            0);
}

TEST_F(UserFolder, GuardRefusesTheSourceFolderInAnyLetterCase) {
  fs::rename(drive('D') / "DOCS", drive('D') / "Quorvan");
  Write(drive('D') / "Quorvan" / "README.TXT", "cd copy");
  EXPECT_EQ(runText(openScreen + R"(drive D
folder Quorvan
text D:\Quorvan
click Continue (proceed or stop)
message setup | Cannot install QUORVAN from source-file folder to same folder.  Installation cannot proceed.
screen Install in User Folder
click No, terminate the installation.
click Continue (proceed or stop)
message setup | Installation terminating -- ended by user.
exit 0
)",
                    "D:\\QUORVAN"),
            0);
  EXPECT_EQ(Read(drive('D') / "Quorvan" / "README.TXT"), "cd copy");
}

TEST_F(UserFolder, SourceFolderUnderAnotherNameIsLeftIntact) {
  // E:\Link is the CD's root under another name: each file meets itself.
  fs::create_directory_symlink(drive('D'), drive('E') / "Link");
  EXPECT_EQ(runText(openScreen + R"(drive E
folder Link
click Continue (proceed or stop)
message setup | Installation completed successfully.
exit 0
)"),
            0);
  EXPECT_EQ(Read(drive('D') / "README.TXT"), "read me\n");
  EXPECT_EQ(Read(drive('D') / "QRVDATA.DAT"), "data");
}

TEST_F(UserFolder, TargetRemovedBeforeTheCopyEndsWithTheReport) {
  marks["target removed"] = [this] { fs::remove(drive('E') / "Target"); };
  EXPECT_EQ(runText(openScreen + R"(drive E
folder Target
mark target removed
click Continue (proceed or stop)
report E:\Target\QRVDATA.DAT
exit 1
)"),
            1);
  const auto& report = user->messages().back().text;
  EXPECT_NE(report.find("0 files were copied before this one. The installation is incomplete."),
            std::string::npos)
      << report;
}

TEST_F(UserFolder, StartedFromANetworkShareTheListsOpenOnTheSystemDrive) {
  shares["\\\\srv\\share"] = root() / "share";
  Write(root() / "share" / "cd" / "README.TXT", "from the share");
  EXPECT_EQ(runFile("user_folder_from_share.scn", "\\\\srv\\share\\cd"), 0);
  EXPECT_EQ(Read(drive('E') / "Target" / "README.TXT"), "from the share");
  EXPECT_FALSE(fs::exists(drive('E') / "Target" / "QRVDATA.DAT"));
}

TEST_F(UserFolder, AFolderThatCannotBeOpenedIsToldOfAndTheListsStay) {
  // The folder is listed, then gone before it is opened. (A folder that
  // denies its listing gives the same box with its own reason: the Wine
  // test of user_folder_unlistable.scn.)
  fs::create_directories(drive('E') / "Target" / "Gone");
  marks["folder removed"] = [this] { fs::remove(drive('E') / "Target" / "Gone"); };
  std::string scenario = Read(fs::path(SCENARIO_DIR) / "user_folder_unlistable.scn");
  const auto replaceAll = [&](const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = scenario.find(from, at)) != std::string::npos; at += to.size())
      scenario.replace(at, from.size(), to);
  };
  replaceAll("folder Locked", "folder Gone");
  replaceAll("Locked\\nReason: Access is denied.", "Gone\\nReason: Path not found.");
  scenario.insert(scenario.find("folder Gone"), "mark folder removed\n");
  EXPECT_EQ(runText(scenario), 0);
  EXPECT_EQ(Read(drive('E') / "Target" / "README.TXT"), "read me\n");
}

}  // namespace
