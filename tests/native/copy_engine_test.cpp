// The copy engine on its own, with no screen: what it returns and what its
// observer hears, on real files.
#include <algorithm>

#include "install/copy_setup_files.h"
#include "scenario_fixture.h"

namespace {

using Outcome = setup::CopyResult::Outcome;

// The copy's clock, moved on by the test as the work would take time.
struct TestClock {
  std::uint64_t now = 1000;
  setup::Clock clock() {
    return [this] { return now; };
  }
};

// Writes down what the engine tells, in order.
struct Recorder : setup::CopyObserver {
  std::vector<std::string> events;
  std::uint64_t bytesDone = 0;
  std::vector<std::uint64_t> tickTimes;  // by the test's clock
  TestClock* clock = nullptr;
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
    if (clock) tickTimes.push_back(clock->now);
    if (events.empty() || events.back() != "tick") events.push_back("tick");
  }
};

// The longest time by `clock` with no tick, from `start` to the copy's end.
std::uint64_t LongestWithoutTick(const Recorder& recorder, std::uint64_t start, std::uint64_t end) {
  std::uint64_t longest = 0, last = start;
  for (const std::uint64_t at : recorder.tickTimes) {
    longest = std::max(longest, at - last);
    last = at;
  }
  return std::max(longest, end - last);
}

class CopyEngine : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    Write(drive('D') / "B.TXT", "bee");
    Write(drive('D') / "a.dat", std::string(70000, 'a'));
    Write(drive('D') / ".hidden", "not listed");
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
  EXPECT_EQ(Read(drive('E') / "T" / "a.dat"), std::string(70000, 'a'));
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

// The ticks keep to the copy's clock, which the test moves on: 30 ms for
// each file's start (the destination rule) and each piece of a file written.
TEST_F(CopyEngine, TicksComeEvery100MsAcrossEmptyFiles) {
  // Empty files: no byte is written, the ticks come between the files.
  fs::remove_all(drive('D'));
  for (int i = 0; i < 40; ++i) Write(drive('D') / ("S" + std::to_string(i)), "");
  mountDrives("D:\\");
  TestClock time;
  recorder.clock = &time;
  auto slowly = [&time](const std::string& name) {
    time.now += 30;
    return "E:\\T\\" + name;
  };
  const std::uint64_t start = time.now;
  EXPECT_EQ(setup::CopySetupFiles("", slowly, recorder, time.clock()).outcome, Outcome::Copied);
  EXPECT_EQ(time.now - start, 40u * 30) << "a file's start that took no time";
  EXPECT_LE(LongestWithoutTick(recorder, start, time.now), 100u);
}

TEST_F(CopyEngine, TicksComeEvery100MsWithinALargeFile) {
  // One file of 64 MiB, heard of in pieces of a few MiB at most (rtcFileCopy).
  fs::remove_all(drive('D'));
  fs::create_directories(drive('D'));
  Write(drive('D') / "LARGE.BIN", std::string(std::size_t{64} << 20, 'l'));
  TestClock time;
  recorder.clock = &time;
  int pieces = 0;
  recorder.onProgress = [&] {
    ++pieces;
    time.now += 30;
  };
  mountDrives("D:\\");
  const std::uint64_t start = time.now;
  EXPECT_EQ(
      setup::CopySetupFiles(
          "", [](const std::string& name) { return "E:\\T\\" + name; }, recorder, time.clock())
          .outcome,
      Outcome::Copied);
  ASSERT_GE(pieces, 8) << "64 MiB heard of in " << pieces << " pieces";
  EXPECT_LE(LongestWithoutTick(recorder, start, time.now), 100u);
  EXPECT_EQ(recorder.bytesDone, std::uint64_t{64} << 20);
}

}  // namespace
