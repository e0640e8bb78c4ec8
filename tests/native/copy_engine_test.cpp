// The copy engine on its own, with no screen: what it returns and what its
// observer hears, on real files.
#include <algorithm>
#include <thread>

#include "install/copy_setup_files.h"
#include "scenario_fixture.h"

namespace {

using Outcome = setup::CopyResult::Outcome;

// Writes down what the engine tells, in order.
struct Recorder : setup::CopyObserver {
  std::vector<std::string> events;
  std::uint64_t bytesDone = 0;
  int ticks = 0;
  std::function<void()> onProgress;

  void started(const std::string& sourceDir, const std::string& guardText) override {
    events.push_back("started " + sourceDir + " | " + guardText);
  }
  void listed(std::size_t files, std::uint64_t bytes) override {
    events.push_back("listed " + std::to_string(files) + " files, " + std::to_string(bytes) +
                     " bytes");
  }
  void fileBegun(const std::string& source, const std::string& destination) override {
    events.push_back("begun " + source + " -> " + destination);
  }
  void progressed(std::uint64_t done) override {
    EXPECT_GT(done, bytesDone) << "the bytes done only grow";
    bytesDone = done;
    if (onProgress) onProgress();
  }
  void fileCopied(const std::string& destination) override {
    events.push_back("copied " + destination);
  }
  void finished() override { events.push_back("finished"); }
  void tick() override {
    ++ticks;
    if (events.empty() || events.back() != "tick") events.push_back("tick");
  }
};

class CopyEngine : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    write(drive('D') / "B.TXT", "bee");
    write(drive('D') / "a.dat", std::string(70000, 'a'));
    write(drive('D') / ".hidden", "not listed");
    fs::create_directories(drive('D') / "SUB");
    fs::create_directories(drive('E') / "T");
  }
  setup::CopyResult copy(const std::string& guard = "E:\\T") {
    mountDrives("D:\\");
    return setup::CopySetupFiles(
        guard, [](const std::string& name) { return "E:\\T\\" + name; }, recorder);
  }
  Recorder recorder;
};

TEST_F(CopyEngine, CopiedTellsTheListingTheFilesAndTheBytesInOrder) {
  const auto result = copy();
  EXPECT_EQ(result.outcome, Outcome::Copied);
  EXPECT_EQ(result.sourceDir, "D:\\");
  EXPECT_EQ(result.filesCopied, 2);
  EXPECT_FALSE(result.error);
  const std::vector<std::string> told{"started D:\\ | E:\\T",
                                      "listed 2 files, 70003 bytes",
                                      "begun D:\\a.dat -> E:\\T\\a.dat",
                                      "copied E:\\T\\a.dat",
                                      "begun D:\\B.TXT -> E:\\T\\B.TXT",
                                      "copied E:\\T\\B.TXT",
                                      "finished"};
  EXPECT_EQ(recorder.events, told);
  EXPECT_EQ(recorder.bytesDone, 70003u);
  EXPECT_EQ(read(drive('E') / "T" / "a.dat"), std::string(70000, 'a'));
}

TEST_F(CopyEngine, RefusedWhenStartedFromTheTargetCopiesAndListsNothing) {
  const auto result = copy("  d:\\ ");
  EXPECT_EQ(result.outcome, Outcome::Refused);
  EXPECT_EQ(recorder.events, std::vector<std::string>{"started D:\\ |   d:\\ "});
  EXPECT_TRUE(fs::is_empty(drive('E') / "T"));
}

TEST_F(CopyEngine, FailedCarriesTheErrorAndTheFilesDone) {
  fs::create_directories(drive('E') / "T" / "B.TXT");  // a folder in the second file's place
  const auto result = copy();
  EXPECT_EQ(result.outcome, Outcome::Failed);
  EXPECT_EQ(result.filesCopied, 1);
  ASSERT_TRUE(result.error);
  const std::string report = result.error->report();
  EXPECT_NE(report.find("Destination: E:\\T\\B.TXT"), std::string::npos) << report;
  EXPECT_NE(report.find("1 file was copied before this one."), std::string::npos) << report;
  EXPECT_EQ(recorder.events.back(), "begun D:\\B.TXT -> E:\\T\\B.TXT");
}

TEST_F(CopyEngine, TicksComeAcrossSmallFilesAndWithinALargeOne) {
  // Small files: the destination rule takes a millisecond a file.
  for (int i = 0; i < 300; ++i) write(drive('D') / ("S" + std::to_string(i)), "s");
  mountDrives("D:\\");
  auto slowly = [](const std::string& name) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return "E:\\T\\" + name;
  };
  EXPECT_EQ(setup::CopySetupFiles("", slowly, recorder).outcome, Outcome::Copied);
  EXPECT_GE(recorder.ticks, 2) << "300 ms of small files with no tick";

  // One large file whose pieces (of 64 KiB) take 20 ms each: ticks come
  // between them.
  fs::remove_all(drive('D'));
  write(drive('D') / "LARGE.BIN", std::string(size_t{512} << 10, 'l'));
  recorder = {};
  recorder.onProgress = [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); };
  EXPECT_EQ(copy().outcome, Outcome::Copied);
  const auto& events = recorder.events;
  const auto begun =
      std::find(events.begin(), events.end(), "begun D:\\LARGE.BIN -> E:\\T\\LARGE.BIN");
  const auto copied = std::find(events.begin(), events.end(), "copied E:\\T\\LARGE.BIN");
  ASSERT_LT(begun, copied);
  EXPECT_NE(std::find(begun, copied, "tick"), copied) << "160 ms in one file with no tick";
}

}  // namespace
