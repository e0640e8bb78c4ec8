// What rtcDir and the folder list show of a folder, on real files,
// natively and under Wine (files_fixture.h).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files_fixture.h"
#include "runtime/files.h"

namespace {

TEST_F(FilesTest, DirListsOrdinaryFilesOnlyAndFoldersOnRequest) {
  Write(H() / "b.txt", "b");
  Write(H() / "a.txt", "a");
  Write(H() / ".hidden", "h");
  Hide(H() / ".hidden");
  fs::create_directory(H() / "sub");
  fs::create_directory(H() / ".cache");
  Hide(H() / ".cache");
  MakeSystemEntry(H() / "pipe");

  EXPECT_EQ(DirAll("H:\\*.*", rt::vbNormal), (Names{"a.txt", "b.txt"}));
  EXPECT_EQ(DirAll("H:\\*.*", rt::vbDirectory), (Names{"a.txt", "b.txt", "sub"}));
  EXPECT_EQ(DirAll("h:/?.TXT", rt::vbNormal), (Names{"a.txt", "b.txt"}));
  EXPECT_EQ(rt::ListFolders("H:\\"), (Names{"sub"}));
}

TEST_F(FilesTest, DirListsLinksAsWhatTheyLeadTo) {
  SKIP_ON_WINDOWS("mingw's library cannot make links, nor can Wine 8");
  Write(H() / "a.txt", "a");
  fs::create_directory(H() / "sub");
  fs::create_symlink(H() / "a.txt", H() / "link.txt");
  fs::create_symlink(H() / "gone", H() / "broken");
  fs::create_directory_symlink(H() / "sub", H() / "Alias");

  EXPECT_EQ(DirAll("H:\\*.*", rt::vbNormal), (Names{"a.txt", "link.txt"}));
  EXPECT_EQ(DirAll("H:\\*.*", rt::vbDirectory), (Names{"a.txt", "Alias", "link.txt", "sub"}));
  EXPECT_EQ(rt::ListFolders("H:\\"), (Names{"Alias", "sub"}));
}

TEST_F(FilesTest, DirProbesAnExactNameIgnoringLetterCase) {
  fs::create_directories(H() / "Program Files" / "Quorvan2005");
  Write(H() / "Program Files" / "readme.txt", "r");

  EXPECT_EQ(rt::rtcDir("H:\\Program Files\\Quorvan2005", rt::vbDirectory), "Quorvan2005");
  EXPECT_EQ(rt::rtcDir("h:\\PROGRAM FILES\\quorvan2005", rt::vbDirectory), "Quorvan2005");
  EXPECT_EQ(rt::rtcDir("H:\\Program Files\\README.TXT", rt::vbDirectory), "readme.txt");
  EXPECT_EQ(rt::rtcDir("H:\\Program Files\\Quorvan", rt::vbDirectory), "");
  EXPECT_EQ(rt::rtcDir("H:\\Program Files\\Quorvan2005", rt::vbNormal), "");
  EXPECT_EQ(rt::rtcDir("H:\\Nowhere\\Quorvan2005", rt::vbDirectory), "");
  EXPECT_TRUE(rt::FolderExists("h:\\program files\\QUORVAN2005\\"));
  EXPECT_FALSE(rt::FolderExists("H:\\Program Files\\readme.txt"));
  EXPECT_FALSE(rt::FolderExists("H:\\Program Files\\Nowhere"));
}

TEST_F(FilesTest, DirContinuesInAStableOrder) {
  // A Windows folder cannot hold two names that differ only in letter case.
  Names written{"Gamma.txt", "beta.txt", "alpha.txt"};
  if (kCaseSensitiveHost) written.push_back("Alpha.txt");
  for (const auto& name : written) Write(H() / name, name);

  EXPECT_EQ(rt::rtcDir("H:\\*.txt", rt::vbNormal), kCaseSensitiveHost ? "Alpha.txt" : "alpha.txt");
  if (kCaseSensitiveHost) {
    EXPECT_EQ(rt::rtcDir(), "alpha.txt");
  }
  EXPECT_EQ(rt::rtcDir(), "beta.txt");
  EXPECT_EQ(rt::rtcDir(), "Gamma.txt");
  EXPECT_EQ(rt::rtcDir(), "");
  EXPECT_EQ(rt::rtcDir(), "");
  EXPECT_EQ(rt::rtcDir("H:\\b*", rt::vbNormal), "beta.txt");
  EXPECT_EQ(rt::rtcDir(), "");
}

TEST_F(FilesTest, DoubledSeparatorsNameTheSameFolder) {
  Write(D() / "setup.lst", "l");
  fs::create_directory(D() / "sub");
  Write(D() / "sub" / "x.txt", "x");

  EXPECT_EQ(DirAll("D:\\\\*.*", rt::vbNormal), (Names{"setup.lst"}));
  EXPECT_EQ(DirAll("D:\\sub\\\\*.*", rt::vbNormal), (Names{"x.txt"}));
  EXPECT_EQ(DirAll("D:/sub//*.*", rt::vbNormal), (Names{"x.txt"}));
  rt::rtcFileCopy("D:\\\\sub\\\\x.txt", "H:\\\\x.txt");
  EXPECT_EQ(Read(H() / "x.txt"), "x");
}

}  // namespace
