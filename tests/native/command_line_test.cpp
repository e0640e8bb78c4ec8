// The command line: an installation with no one at the screen (/S), its
// target (/D=), its log (/LOG=), the usage (/?) and the exit statuses.
#include "app/command_line.h"

#include "scenario_fixture.h"

namespace {

class CommandLine : public ScenarioTest {
 protected:
  // An installation CD on D:, and a hard disk E:.
  void SetUp() override {
    ScenarioTest::SetUp();
    Write(drive('D') / "README.TXT", "read me\n");
    Write(drive('D') / "QRVDATA.DAT", std::string(1000, 'q'));
    Write(drive('D') / "setup.exe", "MZ the installer itself");
    Write(drive('D') / "DOCS" / "MANUAL.TXT", "manual");
    drive('E');
  }
  void expectProductIn(const fs::path& folder) {
    EXPECT_EQ(Read(folder / "README.TXT"), "read me\n");
    EXPECT_EQ(Read(folder / "QRVDATA.DAT"), std::string(1000, 'q'));
    EXPECT_EQ(Read(folder / "setup.exe"), "MZ the installer itself");
    EXPECT_FALSE(fs::exists(folder / "DOCS"));
  }
  // The log of a run from D:\ that copies the CD into `target`.
  static std::string installedLog(const std::string& target) {
    return "Start: setup 1.00\r\nSource: D:\\\r\nTarget: " + target + "\r\n" +  //
           "Copied: " + target + "\\QRVDATA.DAT (1000 bytes)\r\n" +             //
           "Copied: " + target + "\\README.TXT (8 bytes)\r\n" +                 //
           "Copied: " + target + "\\setup.exe (23 bytes)\r\n" +                 //
           "Message: Installation completed successfully.\r\n" +
           "End: 3 files copied, installed, exit status 0\r\n";
  }
  // A message box step of a scenario for a text of several lines.
  static std::string boxStep(const std::string& kind, std::string text) {
    for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2)
      text.replace(at, 1, "\\n");
    return kind + " setup | " + text + "\n";
  }
};

TEST_F(CommandLine, SilentInstallMakesTheDefaultFolderShowsNothingAndWritesNoLog) {
  auto before = snapshot();
  EXPECT_EQ(runCommand({"/S"}), 0);  // the scenario: no screen, no box, then status 0
  expectProductIn(defaultFolder());
  auto after = snapshot();
  for (const char* added :
       {"drive_C/Program Files/Quorvan2005", "drive_C/Program Files/Quorvan2005/QRVDATA.DAT",
        "drive_C/Program Files/Quorvan2005/README.TXT",
        "drive_C/Program Files/Quorvan2005/setup.exe"})
    EXPECT_EQ(after.erase(added), 1u) << added;
  EXPECT_EQ(after, before);
}

TEST_F(CommandLine, SwitchesInAnyCaseAndOrderMakeTheFolderWithItsParentsAndAppendToTheLog) {
  const std::string target = "E:\\somewhere\\new folder";
  const std::vector<std::string> arguments{"/log=E:\\setup.log", "/d=" + target, "/s"};
  EXPECT_EQ(runCommand(arguments), 0);
  expectProductIn(drive('E') / "somewhere" / "new folder");
  EXPECT_EQ(Read(drive('E') / "setup.log"), installedLog(target));
  // A second run replaces the files and adds its lines to the log.
  EXPECT_EQ(runCommand(arguments), 0);
  EXPECT_EQ(Read(drive('E') / "setup.log"), installedLog(target) + installedLog(target));
}

TEST_F(CommandLine, SilentRunFromTheTargetIsRefusedAndCopiesNothing) {
  Write(defaultFolder() / "setup.exe", "MZ");
  Write(defaultFolder() / "QUORVAN.INI", "kept");
  const auto before = snapshot();
  EXPECT_EQ(runCommand({"/S", "/LOG=E:\\setup.log"}, "exit 1", "c:\\program files\\QUORVAN2005"),
            1);
  auto after = snapshot();
  EXPECT_EQ(Read(drive('E') / "setup.log"),
            "Start: setup 1.00\r\nSource: C:\\Program Files\\Quorvan2005\r\n"
            "Target: c:\\Program Files\\Quorvan2005\r\n"
            "Message: Cannot install QUORVAN from source-file folder to same folder.  Installation "
            "cannot proceed.\r\n"
            "End: 0 files copied, refused, exit status 1\r\n");
  after.erase("drive_E/setup.log");
  EXPECT_EQ(after, before);
}

TEST_F(CommandLine, SilentCopyThatFailsLogsTheReportAndEndsWithStatus1) {
  fs::create_directories(drive('E') / "t" / "README.TXT");  // a folder in a file's place
  EXPECT_EQ(runCommand({"/S", "/D=E:\\t", "/LOG=E:\\setup.log"}, "exit 1"), 1);
  // The report names the source as the copy was given it, bare or in full.
  std::string log = Read(drive('E') / "setup.log");
  const size_t file = log.find("  File: "), end = log.find("\r\n", file);
  ASSERT_NE(file, std::string::npos);
  EXPECT_TRUE(log.substr(file, end - file).ends_with("README.TXT")) << log;
  log.replace(file, end - file, "  File: README.TXT");
  EXPECT_EQ(log,
            "Start: setup 1.00\r\nSource: D:\\\r\nTarget: E:\\t\r\n"
            "Copied: E:\\t\\QRVDATA.DAT (1000 bytes)\r\n"
            "Error: Run-time error: could not copy a file.\r\n"
            "  File: README.TXT\r\n  Destination: E:\\t\\README.TXT\r\n"
            "  Reason: The destination is a folder.\r\n"
            "  1 file was copied before this one. The installation is incomplete.\r\n"
            "End: 1 file copied, failed, exit status 1\r\n");
  // With no /S the same report shows in its box as well.
  EXPECT_EQ(runCommand({"/LOG=E:\\setup2.log", "/D=E:\\t"},
                       "screen Intro\nclick Click here to install the QUORVAN system\n"
                       "screen Option\nclick Install in a different folder\n"
                       "screen Install in User Folder\nclick Continue (proceed or stop)\n"
                       "report The destination is a folder.\nexit 1"),
            1);
  EXPECT_NE(Read(drive('E') / "setup2.log").find("Error: Run-time error: could not copy a file."),
            std::string::npos);
}

TEST_F(CommandLine, ALogThatCannotBeOpenedEndsWithStatus1BeforeAnythingIsMade) {
  const auto before = snapshot();
  EXPECT_EQ(runCommand({"/S", "/LOG=E:\\no such folder\\setup.log"}, "exit 1"), 1);
  EXPECT_EQ(snapshot(), before);
}

TEST_F(CommandLine, ACommandLineThatCannotBeUnderstoodEndsWithStatus2AndChangesNothing) {
  const auto before = snapshot();
  const std::vector<std::vector<std::string>> wrong{{"/S", "/LOG=E:\\setup.log", "/X"},
                                                    {"/S", "/D="},
                                                    {"/S", "/D=somewhere\\relative"},
                                                    {"/D=Q:\\no such drive", "/S"},
                                                    {"/S", "/D=E:\\a|b"},
                                                    {"/S", "/LOG="},
                                                    {"/S", "/S"},
                                                    {"/S", "/D=E:\\a", "/D=E:\\b"},
                                                    {"/S", "/LOG=E:\\setup.log", "/D=E:"},
                                                    {"/?", "/S", "/LOG=E:\\setup.log"}};
  for (const auto& arguments : wrong) {
    EXPECT_EQ(runCommand(arguments, "exit 2"), 2) << arguments.back();
    EXPECT_EQ(snapshot(), before) << arguments.back();
  }
  // With no /S, a box says what is wrong; /? shows the usage.
  EXPECT_EQ(
      runCommand({"/D=E:\\x", "/Unknown"},
                 boxStep("warning", "Unknown switch: /Unknown\n\n" + setup::kUsage) + "exit 2"),
      2);
  EXPECT_EQ(runCommand({"/?"}, boxStep("message", setup::kUsage) + "exit 2"), 2);
  EXPECT_EQ(snapshot(), before);
}

TEST_F(CommandLine, WithoutSilentTheUserFolderScreenOpensOnTheFolderOfD) {
  const std::string target = "E:\\Other Place\\Quorvan";
  EXPECT_EQ(runCommand({"/D=" + target, "/LOG=E:\\setup.log"},
                       Read(fs::path(SCENARIO_DIR) / "user_folder_from_command_line.scn")),
            0);
  expectProductIn(drive('E') / "Other Place" / "Quorvan");
  EXPECT_EQ(Read(drive('E') / "setup.log"), installedLog(target));
}

// "E:\x\..\y" names E:\y, as Windows reads it: the screen shows E:\y, the
// files go there, and E:\x is not made on the way.
TEST_F(CommandLine, DotsInTheFolderOfDAreReadAsWindowsReadsThem) {
  EXPECT_EQ(runCommand({"/D=E:\\x\\..\\y"}, R"(screen Intro
click Click here to install the QUORVAN system
screen Option
click Install in a different folder
screen Install in User Folder
shows-folder E:\y
text E:\y
click Continue (proceed or stop)
message setup | Installation completed successfully.
exit 0
)"),
            0);
  expectProductIn(drive('E') / "y");
  EXPECT_EQ(runCommand({"/S", "/D=e:\\a\\.\\..\\b\\"}), 0);
  expectProductIn(drive('E') / "b");
  EXPECT_FALSE(fs::exists(drive('E') / "x"));
  EXPECT_FALSE(fs::exists(drive('E') / "a"));
}

TEST_F(CommandLine, SilentInstallCopiesTheProgramsFolderWhereverItIsStarted) {
  // An elevated prompt starts in the system folder; the program lies on D:.
  Write(drive('C') / "Windows" / "notepad.exe", "MZ not the product");
  programPath = "D:\\setup.exe";
  EXPECT_EQ(runCommand({"/S", "/D=E:\\x", "/LOG=E:\\setup.log"}, "exit 0", "C:\\Windows"), 0);
  expectProductIn(drive('E') / "x");
  EXPECT_FALSE(fs::exists(drive('E') / "x" / "notepad.exe"));
  EXPECT_EQ(Read(drive('E') / "setup.log"), installedLog("E:\\x"));
  // The wizard takes the folder it was started in, as ever.
  EXPECT_EQ(runCommand({"/LOG=E:\\wizard.log"}, Read(fs::path(SCENARIO_DIR) / "intro_stop.scn"),
                       "C:\\Windows"),
            0);
  EXPECT_TRUE(
      Read(drive('E') / "wizard.log").starts_with("Start: setup 1.00\r\nSource: C:\\Windows\r\n"));
}

TEST_F(CommandLine, SilentInstallFromANetworkShareAndItsSameFolderGuard) {
  shares["\\\\srv\\cd"] = drive('D');
  EXPECT_EQ(runCommand({"/S", "/D=E:\\x", "/LOG=E:\\setup.log"}, "exit 0", "\\\\srv\\cd"), 0);
  expectProductIn(drive('E') / "x");
  std::string log = installedLog("E:\\x");
  log.replace(log.find("D:\\"), 3, "\\\\srv\\cd\\");
  EXPECT_EQ(Read(drive('E') / "setup.log"), log);
  // The program in the default folder, started from the share: refused.
  Write(defaultFolder() / "setup.exe", "MZ");
  programPath = "C:\\Program Files\\Quorvan2005\\setup.exe";
  const auto before = snapshot();
  EXPECT_EQ(runCommand({"/S"}, "exit 1", "\\\\srv\\cd"), 1);
  EXPECT_EQ(snapshot(), before);
}

}  // namespace
