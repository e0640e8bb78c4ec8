// The file functions on real files: drives are temporary host folders.
#include "runtime/files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/error.h"
#include "runtime/posix/drive_table.h"

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

void Write(const fs::path& path, const std::string& text) {
  std::ofstream(path) << text;
}

std::string Read(const fs::path& path) {
  std::ostringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

unsigned Mode(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

ino_t Inode(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info.st_ino;
}

// Every name a listing gives: the first match, then the rest one by one.
Names DirAll(const std::string& pattern, int attributes) {
  Names names;
  for (auto name = rt::rtcDir(pattern, attributes); !name.empty() && names.size() < 100;
       name = rt::rtcDir())
    names.push_back(name);
  return names;
}

Names Entries(const fs::path& folder) {
  Names names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// The run-time error `action` raises; a failure when it raises none.
rt::RuntimeError Raised(const std::function<void()>& action) {
  try {
    action();
  } catch (const rt::RuntimeError& error) {
    return error;
  }
  ADD_FAILURE() << "no run-time error was raised";
  return rt::RuntimeError("", {}, "");
}

// Makes writes beyond `bytes` fail (EFBIG) while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : oldHandler_(::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t oldHandler_;
};

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "files_test.XXXXXX").string();
    ASSERT_NE(::mkdtemp(name.data()), nullptr);
    root_ = name;
    fs::create_directories(C());
    fs::create_directories(D());
    Mount("C:\\");
  }
  void TearDown() override { fs::remove_all(root_); }

  void Mount(const std::string& currentDir) {
    rt::posix::MountDrives({{'C', {C().string(), "SYSTEM"}},
                            {'D', {D().string(), "QUORVAN"}},
                            {'E', {(root_ / "no-disc").string(), "EMPTY"}}},
                           currentDir);
  }
  fs::path C() const { return root_ / "c"; }
  fs::path D() const { return root_ / "d"; }

  fs::path root_;
};

TEST_F(FilesTest, DirListsOrdinaryFilesOnlyAndFoldersOnRequest) {
  Write(C() / "b.txt", "b");
  Write(C() / "a.txt", "a");
  Write(C() / ".hidden", "h");
  fs::create_directory(C() / "sub");
  fs::create_directory(C() / ".cache");
  ASSERT_EQ(::mkfifo((C() / "pipe").c_str(), 0644), 0);
  fs::create_symlink(C() / "a.txt", C() / "link.txt");
  fs::create_symlink(C() / "gone", C() / "broken");
  fs::create_directory_symlink(C() / "sub", C() / "Alias");

  EXPECT_EQ(DirAll("C:\\*.*", rt::vbNormal), (Names{"a.txt", "b.txt", "link.txt"}));
  EXPECT_EQ(DirAll("C:\\*.*", rt::vbDirectory),
            (Names{"a.txt", "Alias", "b.txt", "link.txt", "sub"}));
  EXPECT_EQ(DirAll("c:/?.TXT", rt::vbNormal), (Names{"a.txt", "b.txt"}));
  EXPECT_EQ(rt::ListFolders("C:\\"), (Names{"Alias", "sub"}));
}

TEST_F(FilesTest, DirProbesAnExactNameIgnoringLetterCase) {
  fs::create_directories(C() / "Program Files" / "Quorvan2005");
  Write(C() / "Program Files" / "readme.txt", "r");

  EXPECT_EQ(rt::rtcDir("C:\\Program Files\\Quorvan2005", rt::vbDirectory), "Quorvan2005");
  EXPECT_EQ(rt::rtcDir("c:\\PROGRAM FILES\\quorvan2005", rt::vbDirectory), "Quorvan2005");
  EXPECT_EQ(rt::rtcDir("C:\\Program Files\\README.TXT", rt::vbDirectory), "readme.txt");
  EXPECT_EQ(rt::rtcDir("C:\\Program Files\\Quorvan", rt::vbDirectory), "");
  EXPECT_EQ(rt::rtcDir("C:\\Program Files\\Quorvan2005", rt::vbNormal), "");
  EXPECT_EQ(rt::rtcDir("C:\\Nowhere\\Quorvan2005", rt::vbDirectory), "");
  EXPECT_TRUE(rt::FolderExists("c:\\program files\\QUORVAN2005\\"));
  EXPECT_FALSE(rt::FolderExists("C:\\Program Files\\readme.txt"));
}

TEST_F(FilesTest, DirContinuesInAStableOrder) {
  for (const char* name : {"Gamma.txt", "beta.txt", "alpha.txt", "Alpha.txt"})
    Write(C() / name, name);

  EXPECT_EQ(rt::rtcDir("C:\\*.txt", rt::vbNormal), "Alpha.txt");
  EXPECT_EQ(rt::rtcDir(), "alpha.txt");
  EXPECT_EQ(rt::rtcDir(), "beta.txt");
  EXPECT_EQ(rt::rtcDir(), "Gamma.txt");
  EXPECT_EQ(rt::rtcDir(), "");
  EXPECT_EQ(rt::rtcDir(), "");
  EXPECT_EQ(rt::rtcDir("C:\\b*", rt::vbNormal), "beta.txt");
  EXPECT_EQ(rt::rtcDir(), "");
}

TEST_F(FilesTest, DoubledSeparatorsNameTheSameFolder) {
  Write(D() / "setup.lst", "l");
  fs::create_directory(D() / "sub");
  Write(D() / "sub" / "x.txt", "x");

  EXPECT_EQ(DirAll("D:\\\\*.*", rt::vbNormal), (Names{"setup.lst"}));
  EXPECT_EQ(DirAll("D:\\sub\\\\*.*", rt::vbNormal), (Names{"x.txt"}));
  EXPECT_EQ(DirAll("D:/sub//*.*", rt::vbNormal), (Names{"x.txt"}));
}

TEST_F(FilesTest, EachDriveKeepsItsCurrentFolder) {
  fs::create_directory(D() / "CD");
  Write(D() / "CD" / "setup.lst", "l");
  Write(C() / "autoexec.bat", "a");
  Write(C() / "readme.txt", "r");
  Mount("d:\\cd");

  EXPECT_EQ(rt::rtcCurrentDir(), "D:\\CD");
  EXPECT_EQ(rt::rtcCurrentDirOfDrive('c'), "C:\\");
  EXPECT_EQ(DirAll("*.*", rt::vbNormal), (Names{"setup.lst"}));
  EXPECT_EQ(DirAll("C:*.*", rt::vbNormal), (Names{"autoexec.bat", "readme.txt"}));
  EXPECT_EQ(DirAll("\\*.*", rt::vbDirectory), (Names{"CD"}));
  EXPECT_EQ(rt::AvailableDrives(), "CDE");
  EXPECT_EQ(rt::VolumeLabel('D'), "QUORVAN");

  Mount("D:\\");
  EXPECT_EQ(rt::rtcCurrentDir(), "D:\\");
}

TEST_F(FilesTest, ADriveThatIsNotReadyRaises) {
  Write(C() / "a.txt", "a");
  EXPECT_EQ(rt::VolumeLabel('E'), "");

  const auto error = Raised([] { rt::rtcDir("E:\\*.*", rt::vbNormal); });
  EXPECT_EQ(error.action(), "the drive is not ready");
  EXPECT_EQ(error.reason(), "The drive is not ready.");
  EXPECT_EQ(Raised([] { rt::rtcCurrentDirOfDrive('E'); }).action(), "the drive is not ready");
  EXPECT_EQ(Raised([] { rt::FolderExists("E:\\"); }).action(), "the drive is not ready");
  EXPECT_EQ(Raised([] { rt::rtcFileCopy("C:\\a.txt", "E:\\a.txt"); }).action(),
            "the drive is not ready");
  EXPECT_EQ(Raised([] { rt::rtcDir("Q:\\*.*", rt::vbNormal); }).reason(), "Device unavailable.");
}

TEST_F(FilesTest, CopyResolvesARelativeSourceAgainstTheCurrentFolder) {
  fs::create_directories(C() / "Setup" / "files");
  Write(C() / "Setup" / "readme.txt", "read me");
  Write(C() / "Setup" / "files" / "data.bin", "data");
  Mount("C:\\Setup");

  rt::rtcFileCopy("readme.txt", "D:\\readme.txt");
  rt::rtcFileCopy("files\\data.bin", "D:\\data.bin");
  rt::rtcFileCopy("\\setup\\files\\..\\README.TXT", "D:\\again.txt");
  EXPECT_EQ(Read(D() / "readme.txt"), "read me");
  EXPECT_EQ(Read(D() / "data.bin"), "data");
  EXPECT_EQ(Read(D() / "again.txt"), "read me");
}

TEST_F(FilesTest, CopyReplacesAnExistingDestination) {
  Write(C() / "readme.txt", "new");
  Write(D() / "readme.txt", "an old and longer text");
  Write(D() / "locked.txt", "old");
  fs::permissions(C() / "readme.txt", fs::perms(0444));
  fs::permissions(D() / "locked.txt", fs::perms(0444));

  rt::rtcFileCopy("C:\\readme.txt", "D:\\README.TXT");
  rt::rtcFileCopy("C:\\readme.txt", "D:\\locked.txt");
  EXPECT_EQ(Read(D() / "readme.txt"), "new");
  EXPECT_EQ(Read(D() / "locked.txt"), "new");
  EXPECT_EQ(Mode(D() / "locked.txt"), 0644u);
  EXPECT_EQ(Entries(D()), (Names{"locked.txt", "readme.txt"}));
}

TEST_F(FilesTest, CopyOntoItselfLeavesTheFileIntact) {
  fs::create_directory(C() / "dir");
  Write(C() / "dir" / "readme.txt", "keep me");
  fs::create_directory_symlink(C() / "dir", C() / "link");
  const ino_t inode = Inode(C() / "dir" / "readme.txt");

  for (const char* destination :
       {"C:\\DIR\\README.TXT", "C:\\dir\\readme.txt\\", "C:\\link\\readme.txt"}) {
    rt::rtcFileCopy("C:\\dir\\readme.txt", destination);
    EXPECT_EQ(Read(C() / "dir" / "readme.txt"), "keep me") << destination;
    EXPECT_EQ(Inode(C() / "dir" / "readme.txt"), inode) << destination;
  }
  EXPECT_EQ(Entries(C() / "dir"), (Names{"readme.txt"}));
}

TEST_F(FilesTest, AFailedCopyLeavesNoTempFileAndTheDestinationAsItWas) {
  Write(C() / "big.bin", std::string(64 * 1024, 'x'));
  Write(D() / "readme.txt", "old");
  fs::permissions(D() / "readme.txt", fs::perms(0444));
  fs::create_directory(D() / "folder");
  const Names before = Entries(D());

  auto error = Raised([] { rt::rtcFileCopy("C:\\big.bin", "D:\\missing\\big.bin"); });
  EXPECT_EQ(error.action(), "could not copy a file");
  EXPECT_EQ(error.details(),
            (std::vector<std::pair<std::string, std::string>>{
                {"File", "C:\\big.bin"}, {"Destination", "D:\\missing\\big.bin"}}));
  Raised([] { rt::rtcFileCopy("C:\\absent.txt", "D:\\readme.txt"); });
  Raised([] { rt::rtcFileCopy("C:\\big.bin", "D:\\Folder"); });
  {
    const FileSizeLimit limit(16 * 1024);  // the copy fails once the temp file exists
    error = Raised([] { rt::rtcFileCopy("C:\\big.bin", "D:\\readme.txt"); });
  }
  EXPECT_EQ(error.action(), "could not copy a file");
  EXPECT_EQ(Entries(D()), before);
  EXPECT_EQ(Read(D() / "readme.txt"), "old");
  EXPECT_EQ(Mode(D() / "readme.txt"), 0444u);
  EXPECT_TRUE(fs::is_empty(D() / "folder"));
}

TEST_F(FilesTest, CopyOntoASymlinkReplacesTheLinkOnly) {
  fs::create_directory(root_ / "outside");
  Write(root_ / "outside" / "target.txt", "outside");
  fs::create_symlink(root_ / "outside" / "target.txt", D() / "readme.txt");
  Write(C() / "readme.txt", "new");

  rt::rtcFileCopy("C:\\readme.txt", "D:\\readme.txt");
  EXPECT_EQ(Read(root_ / "outside" / "target.txt"), "outside");
  EXPECT_FALSE(fs::is_symlink(D() / "readme.txt"));
  EXPECT_EQ(Read(D() / "readme.txt"), "new");
}

TEST_F(FilesTest, MakeDirCreatesOneFolderWithinTheDrive) {
  rt::rtcMakeDir("C:\\Quorvan");
  rt::rtcMakeDir("C:\\..\\..\\escape");
  EXPECT_TRUE(fs::is_directory(C() / "Quorvan"));
  EXPECT_TRUE(fs::is_directory(C() / "escape"));
  EXPECT_FALSE(fs::exists(root_ / "escape"));

  const auto error = Raised([] { rt::rtcMakeDir("C:\\QUORVAN"); });
  EXPECT_EQ(error.action(), "could not create a folder");
  EXPECT_EQ(error.details().at(0).second, "C:\\QUORVAN");
  Raised([] { rt::rtcMakeDir("C:\\a\\b"); });
  EXPECT_EQ(Entries(C()), (Names{"Quorvan", "escape"}));
}

// Found by tests/fuzz/path_fuzz: the host cut a path short at a NUL byte, so
// "C:\..<NUL>" named the folder above the drive, and a copy onto
// "C:\a.txt<NUL>\b" looped for ever making a temporary file named a.txt.
TEST_F(FilesTest, APathHoldingANulByteIsRefused) {
  using namespace std::string_literals;
  Write(C() / "a.txt", "a");
  EXPECT_EQ(Raised([] { rt::rtcDir("C:\\..\0\\*"s, rt::vbDirectory); }).action(),
            "the path is not valid");
  Raised([] { rt::FolderExists("C:\\..\0"s); });
  Raised([] { rt::rtcFileCopy("C:\\a.txt"s, "C:\\new\0\\b"s); });
  EXPECT_EQ(Entries(C()), (Names{"a.txt"}));
}

}  // namespace
