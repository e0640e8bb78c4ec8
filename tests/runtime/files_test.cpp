// The file functions on real files, natively and under Wine: H: is the hard
// disk, D: the CD and E: a drive with no disc (test_drives.h). What a folder
// lists is in listing_test.cpp.
#include "runtime/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "files_fixture.h"
#include "runtime/copy_rules.h"
#include "runtime/error.h"
#include "runtime/windows_path.h"

namespace {

TEST_F(FilesTest, EachDriveKeepsItsCurrentFolder) {
  fs::create_directory(D() / "CD");
  Write(D() / "CD" / "setup.lst", "l");
  Write(H() / "autoexec.bat", "a");
  Write(H() / "readme.txt", "r");
  drives_.setCurrentFolder("D:\\CD");

  EXPECT_EQ(rt::rtcCurrentDir(), "D:\\CD");
  EXPECT_EQ(rt::rtcCurrentDirOfDrive('h'), "H:\\");
  EXPECT_EQ(DirAll("*.*", rt::vbNormal), (Names{"setup.lst"}));
  EXPECT_EQ(DirAll("H:*.*", rt::vbNormal), (Names{"autoexec.bat", "readme.txt"}));
  EXPECT_EQ(DirAll("\\*.*", rt::vbDirectory), (Names{"CD"}));
  EXPECT_EQ(DirAll("..\\CD\\.\\*.*", rt::vbNormal), (Names{"setup.lst"}));
  // Windows has a drive C: of its own, and may leave out a drive with no disc.
  EXPECT_NE(rt::AvailableDrives().find('D'), std::string::npos) << rt::AvailableDrives();
  EXPECT_NE(rt::AvailableDrives().find('H'), std::string::npos) << rt::AvailableDrives();
  if (!drives_.substituted()) {
    EXPECT_EQ(rt::VolumeLabel('H'), "SYSTEM");
  }

  drives_.setCurrentFolder("D:\\");
  EXPECT_EQ(rt::rtcCurrentDir(), "D:\\");
}

TEST_F(FilesTest, ChangeDirMovesTheCurrentFolderAndItsDrive) {
  fs::create_directory(D() / "CD");
  Write(D() / "CD" / "setup.lst", "l");
  rt::rtcChangeDir("D:\\CD");
  EXPECT_EQ(rt::rtcCurrentDir(), "D:\\CD");
  EXPECT_EQ(DirAll("*.*", rt::vbNormal), (Names{"setup.lst"}));
  EXPECT_EQ(rt::rtcCurrentDirOfDrive('H'), "H:\\");
  // A folder that is not there leaves the current folder as it was.
  EXPECT_EQ(Raised([] { rt::rtcChangeDir("D:\\missing"); }).action(),
            "could not change the current folder");
  EXPECT_EQ(Raised([] { rt::rtcChangeDir("D:\\CD\\setup.lst"); }).action(),
            "could not change the current folder");
  EXPECT_EQ(rt::rtcCurrentDir(), "D:\\CD");
  // The folder is read as the other file functions read a path.
  rt::rtcChangeDir("..");
  EXPECT_EQ(rt::rtcCurrentDir(), "D:\\");
  rt::rtcChangeDir("D:/CD//.\\");
  EXPECT_EQ(rt::rtcCurrentDir(), "D:\\CD");
  EXPECT_EQ(DirAll("d:*.*", rt::vbNormal), (Names{"setup.lst"}));  // the drive's own, too
  EXPECT_TRUE(rt::windows_path::HasDrivePrefix(rt::SystemDriveRoot())) << rt::SystemDriveRoot();
}

TEST_F(FilesTest, ADriveThatIsNotReadyRaises) {
  if (drives_.substituted()) GTEST_SKIP() << "subst makes no drive without a disc";
  Write(H() / "a.txt", "a");
  EXPECT_EQ(rt::VolumeLabel('E'), "");

  const auto error = Raised([] { rt::rtcDir("E:\\*.*", rt::vbNormal); });
  EXPECT_EQ(error.action(), "the drive is not ready");
  EXPECT_EQ(error.reason(), "The drive is not ready.");
  EXPECT_EQ(Raised([] { rt::rtcCurrentDirOfDrive('E'); }).action(), "the drive is not ready");
  EXPECT_EQ(Raised([] { rt::FolderExists("E:\\"); }).action(), "the drive is not ready");
  EXPECT_EQ(Raised([] { rt::ListFolders("E:\\"); }).action(), "the drive is not ready");
  EXPECT_EQ(Raised([] { rt::rtcMakeDir("E:\\New"); }).action(), "the drive is not ready");
  EXPECT_EQ(Raised([] { rt::rtcChangeDir("E:\\"); }).action(), "the drive is not ready");
  EXPECT_EQ(Raised([] { rt::rtcFileCopy("H:\\a.txt", "E:\\a.txt"); }).action(),
            "the drive is not ready");
  EXPECT_EQ(Raised([] { rt::rtcDir("Q:\\*.*", rt::vbNormal); }).reason(), "Device unavailable.");
  EXPECT_EQ(Raised([] { rt::rtcFileCopy("Q:\\a.txt", "H:\\a.txt"); }).action(),
            "the drive does not exist");
  EXPECT_EQ(Entries(H()), (Names{"a.txt"}));
}

TEST_F(FilesTest, CopyResolvesARelativeSourceAgainstTheCurrentFolder) {
  fs::create_directories(H() / "Setup" / "files");
  Write(H() / "Setup" / "readme.txt", "read me");
  Write(H() / "Setup" / "files" / "data.bin", "data");
  drives_.setCurrentFolder("H:\\Setup");

  rt::rtcFileCopy("readme.txt", "D:\\readme.txt");
  rt::rtcFileCopy("files\\data.bin", "D:\\data.bin");
  rt::rtcFileCopy("\\setup\\files\\..\\README.TXT", "D:\\again.txt");
  EXPECT_EQ(Read(D() / "readme.txt"), "read me");
  EXPECT_EQ(Read(D() / "data.bin"), "data");
  EXPECT_EQ(Read(D() / "again.txt"), "read me");
}

// A Linux folder on the CD may hold names that Windows would read as
// something else: a final dot or blank, a colon, a device name. Windows
// itself makes all but one with "\\?\" paths on NTFS; there "a:b.txt" is
// the stream "b.txt" of the file "a", which a copy carries as a stream.
TEST_F(FilesTest, CopyTakesEveryNameAsItStands) {
  const Names names{"a:b.txt", "aux", "CON.txt", "trailing", "trailing ", "trailing."};
  for (const auto& name : names) Write(Child(D(), name), "the bytes of " + name);
  Names listed = names;
  if (fs::exists(D() / "a")) listed.front() = "a";  // NTFS: a stream of "a"
  EXPECT_EQ(DirAll("D:\\*.*", rt::vbNormal), listed);

  for (const auto& name : names) rt::rtcFileCopy("D:\\" + name, "H:\\" + name);
  EXPECT_EQ(Entries(H()), Entries(D()));
  for (const auto& name : names) EXPECT_EQ(Read(Child(H(), name)), "the bytes of " + name) << name;
}

// Windows replaces no read-only file, and names a renamed file as the
// rename spells it; Wine does neither, so under Wine the tests rename the
// Windows way (strict_rename_win32.cpp). The copy unlocks the destination
// and keeps the name it had, as a copy onto it in place would.
TEST_F(FilesTest, CopyReplacesAnExistingDestination) {
  Write(H() / "readme.txt", "new");
  Write(D() / "readme.txt", "an old and longer text");
  Write(D() / "locked.txt", "old");
  fs::permissions(H() / "readme.txt", fs::perms(0444));
  fs::permissions(D() / "locked.txt", fs::perms(0444));

  rt::rtcFileCopy("H:\\readme.txt", "D:\\README.TXT");
  rt::rtcFileCopy("H:\\readme.txt", "D:\\locked.txt");
  EXPECT_EQ(Read(D() / "readme.txt"), "new");
  EXPECT_EQ(Read(D() / "locked.txt"), "new");
  EXPECT_TRUE(Writable(D() / "locked.txt"));
  EXPECT_TRUE(Writable(D() / "readme.txt"));
  EXPECT_EQ(Entries(D()), (Names{"locked.txt", "readme.txt"}));
}

// What a copy keeps of its source on both sides (files.h): its bytes and
// its last-write time, into a new destination and over an existing one.
TEST_F(FilesTest, CopyKeepsTheBytesAndTheLastWriteTimeOfItsSource) {
  Write(D() / "readme.txt", "the bytes");
  Write(H() / "readme.txt", "an older text");
  // Whole seconds, which every file system and both sides' clocks hold.
  const fs::file_time_type written =
      std::chrono::floor<std::chrono::seconds>(fs::last_write_time(D() / "readme.txt")) -
      std::chrono::hours(24 * 400);
  fs::last_write_time(D() / "readme.txt", written);

  rt::rtcFileCopy("D:\\readme.txt", "H:\\new.txt");
  rt::rtcFileCopy("D:\\readme.txt", "H:\\README.TXT");
  for (const char* name : {"new.txt", "readme.txt"}) {
    EXPECT_EQ(Read(H() / name), "the bytes") << name;
    EXPECT_TRUE(fs::last_write_time(H() / name) == written) << name;
  }
  EXPECT_EQ(Entries(H()), (Names{"new.txt", "readme.txt"}));
}

TEST_F(FilesTest, CopyOntoItselfLeavesTheFileIntact) {
  fs::create_directory(H() / "dir");
  Write(H() / "dir" / "readme.txt", "keep me");
  const auto identity = FileIdentity(H() / "dir" / "readme.txt");

  for (const char* destination :
       {"H:\\DIR\\README.TXT", "H:\\dir\\readme.txt\\", "h:\\dir\\.\\readme.txt"}) {
    rt::rtcFileCopy("H:\\dir\\readme.txt", destination);
    EXPECT_EQ(Read(H() / "dir" / "readme.txt"), "keep me") << destination;
    EXPECT_EQ(FileIdentity(H() / "dir" / "readme.txt"), identity) << destination;
  }
  EXPECT_EQ(Entries(H() / "dir"), (Names{"readme.txt"}));
}

TEST_F(FilesTest, CopyThroughALinkOntoItselfLeavesTheFileIntact) {
  SKIP_ON_WINDOWS("mingw's library cannot make links, nor can Wine 8");
  fs::create_directory(H() / "dir");
  Write(H() / "dir" / "readme.txt", "keep me");
  fs::create_directory_symlink(H() / "dir", H() / "link");
  const auto identity = FileIdentity(H() / "dir" / "readme.txt");

  rt::rtcFileCopy("H:\\dir\\readme.txt", "H:\\link\\readme.txt");
  EXPECT_EQ(Read(H() / "dir" / "readme.txt"), "keep me");
  EXPECT_EQ(FileIdentity(H() / "dir" / "readme.txt"), identity);
}

TEST_F(FilesTest, AFailedCopyLeavesNoTempFileAndTheDestinationAsItWas) {
  Write(H() / "big.bin", std::string(64 * 1024, 'x'));
  Write(D() / "readme.txt", "old");
  fs::permissions(D() / "readme.txt", fs::perms(0444));
  fs::create_directory(D() / "folder");
  const Names before = Entries(D());

  auto error = Raised([] { rt::rtcFileCopy("H:\\big.bin", "D:\\missing\\big.bin"); });
  EXPECT_EQ(error.action(), "could not copy a file");
  EXPECT_EQ(error.details(),
            (std::vector<std::pair<std::string, std::string>>{
                {"File", "H:\\big.bin"}, {"Destination", "D:\\missing\\big.bin"}}));
  Raised([] { rt::rtcFileCopy("H:\\absent.txt", "D:\\readme.txt"); });
  EXPECT_EQ(Raised([] { rt::rtcFileCopy("H:\\big.bin", "D:\\Folder"); }).reason(),
            "The destination is a folder.");
#ifndef _WIN32  // the disk that fills up under Wine is one of the end-to-end faults
  {
    const FileSizeLimit limit(16 * 1024);  // the copy fails once the temp file exists
    error = Raised([] { rt::rtcFileCopy("H:\\big.bin", "D:\\readme.txt"); });
  }
  EXPECT_EQ(error.action(), "could not copy a file");
#endif
  EXPECT_EQ(Entries(D()), before);
  EXPECT_EQ(Read(D() / "readme.txt"), "old");
  EXPECT_FALSE(Writable(D() / "readme.txt"));
  EXPECT_TRUE(fs::is_empty(D() / "folder"));
}

// A copy killed before its temporary file was marked for deletion leaves
// that file, and its work folder; the next copy into the folder removes
// them, and nothing else.
TEST_F(FilesTest, TheNextCopyRemovesWhatAKilledCopyLeft) {
  const fs::path target = D() / "target";
  fs::create_directory(target);
  const Names kept{"setup1-2.tmp", "~setup-notes.tmp", "~setup1-2.tmp.txt", "~setup5-5.tmp"};
  for (const auto& name : kept) Write(target / name, "the user's");
  Write(target / "~setup4242-7.tmp", "half a copy");
  Write(target / "~SETUP99-0.TMP", "");
  fs::create_directories(target / "~setup4242-3.tmp");
  Write(target / "~setup4242-3.tmp" / "~setup4242-9.tmp", "half a copy");
  fs::remove(target / "~setup5-5.tmp");
  fs::create_directories(target / "~setup5-5.tmp");  // a user's file in it keeps it
  Write(target / "~setup5-5.tmp" / "notes.txt", "the user's");
  Write(target / "~setup5-5.tmp" / "~setup5-6.tmp", "half a copy");
  Write(H() / "readme.txt", "new");

  rt::rtcFileCopy("H:\\readme.txt", "D:\\target\\readme.txt");
  Names after = kept;
  after.push_back("readme.txt");
  std::sort(after.begin(), after.end());
  EXPECT_EQ(Entries(target), after);
  EXPECT_EQ(Entries(target / "~setup5-5.tmp"), (Names{"notes.txt"}));
  EXPECT_EQ(Read(target / "readme.txt"), "new");
}

// The copies of one batch are written in one work folder in each
// destination folder, which is gone when the batch ends, also after a copy
// that failed; a later batch into the same folder makes a new one.
TEST_F(FilesTest, ABatchLeavesOnlyItsCopies) {
  fs::create_directory(D() / "a");
  fs::create_directory(D() / "b");
  Write(H() / "one.txt", "one");
  Write(H() / "two.txt", "two");
  for (int round = 0; round < 2; ++round) {
    const rt::CopyBatch batch;
    rt::rtcFileCopy("H:\\one.txt", "D:\\a\\one.txt");
    const Names during = Entries(D() / "a");
    const std::string work = during.back();  // '~' sorts last
    EXPECT_TRUE(rt::IsTemporaryCopyName(work)) << work;
    EXPECT_EQ(during.size(), round == 0 ? 2u : 3u);
    rt::rtcFileCopy("H:\\two.txt", "D:\\A\\two.txt");
    rt::rtcFileCopy("H:\\two.txt", "D:\\b\\two.txt");
    EXPECT_EQ(Entries(D() / "a"), (Names{"one.txt", "two.txt", work}));
    Raised([] { rt::rtcFileCopy("H:\\absent.txt", "D:\\b\\absent.txt"); });
    EXPECT_EQ(Entries(D() / "b").size(), 2u);
  }
  EXPECT_EQ(Entries(D() / "a"), (Names{"one.txt", "two.txt"}));
  EXPECT_EQ(Entries(D() / "b"), (Names{"two.txt"}));
  EXPECT_EQ(Read(D() / "a" / "two.txt"), "two");
}

TEST_F(FilesTest, CopyOntoASymlinkReplacesTheLinkOnly) {
  SKIP_ON_WINDOWS("mingw's library cannot make links, nor can Wine 8");
  fs::create_directory(D() / "outside");
  Write(D() / "outside" / "target.txt", "outside");
  fs::create_symlink(D() / "outside" / "target.txt", H() / "readme.txt");
  Write(D() / "readme.txt", "new");

  rt::rtcFileCopy("D:\\readme.txt", "H:\\readme.txt");
  EXPECT_EQ(Read(D() / "outside" / "target.txt"), "outside");
  EXPECT_FALSE(fs::is_symlink(H() / "readme.txt"));
  EXPECT_EQ(Read(H() / "readme.txt"), "new");
}

TEST_F(FilesTest, MakeDirCreatesOneFolderWithinTheDrive) {
  rt::rtcMakeDir("H:\\Quorvan");
  rt::rtcMakeDir("H:\\..\\..\\escape");
  EXPECT_TRUE(fs::is_directory(H() / "Quorvan"));
  EXPECT_TRUE(fs::is_directory(H() / "escape"));

  const auto error = Raised([] { rt::rtcMakeDir("H:\\QUORVAN"); });
  EXPECT_EQ(error.action(), "could not create a folder");
  EXPECT_EQ(error.details().at(0).second, "H:\\QUORVAN");
  Raised([] { rt::rtcMakeDir("H:\\a\\b"); });
  EXPECT_EQ(Entries(H()), (Names{"Quorvan", "escape"}));
}

// Past 260 characters a Windows path needs the "\\?\" form.
TEST_F(FilesTest, PathsLongerThanThePlainLimitWork) {
  std::string folder = "H:";
  fs::path host = H();
  for (int level = 0; folder.size() <= 300; ++level) {
    const std::string name = "folder " + std::to_string(level) + std::string(40, 'x');
    folder += "\\" + name;
    host /= name;
    rt::rtcMakeDir(folder);
  }
  Write(D() / "readme.txt", "read me");

  rt::rtcFileCopy("D:\\readme.txt", folder + "\\readme.txt");
  EXPECT_TRUE(rt::FolderExists(folder));
  EXPECT_EQ(DirAll(folder + "\\*.*", rt::vbNormal), (Names{"readme.txt"}));
  EXPECT_EQ(Read(host / "readme.txt"), "read me");
  // Windows takes no current folder longer than MAX_PATH from a program not
  // marked long-path aware (SetCurrentDirectory), and the current folder
  // stays; Wine takes it.
  if (drives_.setCurrentFolder(folder)) {
    EXPECT_EQ(rt::rtcCurrentDir(), folder);
  } else {
    EXPECT_EQ(rt::rtcCurrentDir(), "H:\\");
  }
}

// A copy onto FAT32 of a file of 4 GiB or more would fail for want of room
// once 4 GiB are written; it is refused before a byte is written, a new
// destination and an existing one alike. run_under_wine.py makes F: a FAT32
// volume for Wine; elsewhere there is none to try.
TEST_F(FilesTest, AFileOf4GiBOrMoreIsRefusedOntoFat32) {
  const char* fat = std::getenv("SETUP_TEST_FAT_DRIVE");
  if (fat == nullptr || *fat == 0) GTEST_SKIP() << "no FAT32 drive (SETUP_TEST_FAT_DRIVE)";
  const std::string root{fat[0], ':', '\\'};
  const fs::path folder(root);
  WriteEmptyBytes(H() / "huge.bin", (std::uint64_t{1} << 32) + 1);
  Write(H() / "small.txt", "small");
  Write(folder / "old.bin", "old");

  for (const char* name : {"huge.bin", "old.bin"}) {
    const auto error = Raised([&] { rt::rtcFileCopy("H:\\huge.bin", root + name); });
    EXPECT_EQ(error.action(), "could not copy a file");
    EXPECT_NE(error.reason().find("too large for the file system"), std::string::npos)
        << error.reason();
  }
  EXPECT_EQ(Entries(folder), (Names{"old.bin"}));
  EXPECT_EQ(Read(folder / "old.bin"), "old");
  rt::rtcFileCopy("H:\\small.txt", root + "small.txt");
  EXPECT_EQ(Read(folder / "small.txt"), "small");
  fs::remove(folder / "old.bin");
  fs::remove(folder / "small.txt");
}

// Found by tests/fuzz/path_fuzz: the host cut a path short at a NUL byte, so
// "C:\..<NUL>" named the folder above the drive, and a copy onto
// "C:\a.txt<NUL>\b" looped for ever making a temporary file named a.txt.
TEST_F(FilesTest, APathHoldingANulByteIsRefused) {
  using namespace std::string_literals;
  Write(H() / "a.txt", "a");
  EXPECT_EQ(Raised([] { rt::rtcDir("H:\\..\0\\*"s, rt::vbDirectory); }).action(),
            "the path is not valid");
  Raised([] { rt::FolderExists("H:\\..\0"s); });
  Raised([] { rt::rtcFileCopy("H:\\a.txt"s, "H:\\new\0\\b"s); });
  Raised([] { rt::rtcChangeDir("H:\\..\0"s); });
  EXPECT_EQ(Entries(H()), (Names{"a.txt"}));
}

}  // namespace
