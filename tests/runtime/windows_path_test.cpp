// How the Win32 file layer makes a path full, as text: the same on both
// sides, with current folders made up for each case.
#include "runtime/windows_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace rt::windows_path;

// The process stands in D:\CD; drive H: stands in H:\Work, every other
// drive at its root.
std::wstring InCd() {
  return L"D:\\CD";
}
std::wstring OnAShare() {
  return L"\\\\server\\share\\setup";
}
std::wstring DriveFolder(wchar_t letter) {
  return letter == L'H' ? std::wstring(L"H:\\Work") : std::wstring{letter, L':', L'\\'};
}
std::wstring NotAsked() {
  ADD_FAILURE() << "a full path asked for the current folder";
  return L"X:\\";
}
std::wstring NotAskedOf(wchar_t) {
  return NotAsked();
}

std::wstring Full(const std::wstring& path, CurrentFolders current = {InCd, DriveFolder}) {
  return FullPath(path, current).value_or(L"<none>");
}

TEST(WindowsPathTest, AFullPathAsksForNoCurrentFolder) {
  const CurrentFolders none{NotAsked, NotAskedOf};
  EXPECT_EQ(Full(L"C:\\Program Files\\Quorvan2005", none), L"C:\\Program Files\\Quorvan2005");
  EXPECT_EQ(Full(L"c:/program files/", none), L"C:\\program files");
  EXPECT_EQ(Full(L"C:\\", none), L"C:\\");
  EXPECT_EQ(Full(L"\\\\server\\share\\a", none), L"\\\\server\\share\\a");
}

TEST(WindowsPathTest, RelativePathsStartFromTheRightCurrentFolder) {
  EXPECT_EQ(Full(L"setup.lst"), L"D:\\CD\\setup.lst");
  EXPECT_EQ(Full(L""), L"D:\\CD");
  EXPECT_EQ(Full(L"."), L"D:\\CD");
  EXPECT_EQ(Full(L"\\readme.txt"), L"D:\\readme.txt");  // the root of the current drive
  // Drive-relative: each drive keeps a current folder of its own.
  EXPECT_EQ(Full(L"H:*.*"), L"H:\\Work\\*.*");
  EXPECT_EQ(Full(L"h:"), L"H:\\Work");
  EXPECT_EQ(Full(L"H:..\\x"), L"H:\\x");
  EXPECT_EQ(Full(L"E:a.txt"), L"E:\\a.txt");
  EXPECT_EQ(Full(L"H:\\a"), L"H:\\a");
  // Standing on a share, the root of "\x" is the share.
  EXPECT_EQ(Full(L"\\x", {OnAShare, DriveFolder}), L"\\\\server\\share\\x");
  EXPECT_EQ(Full(L"..\\..\\..\\x", {OnAShare, DriveFolder}), L"\\\\server\\share\\x");
}

TEST(WindowsPathTest, DotsAndDoubledSeparatorsGoButNeverAboveTheRoot) {
  EXPECT_EQ(Full(L"C:\\a\\\\b//c\\"), L"C:\\a\\b\\c");
  EXPECT_EQ(Full(L"D:\\\\"), L"D:\\");
  EXPECT_EQ(Full(L"C:\\a\\.\\b\\..\\c"), L"C:\\a\\c");
  EXPECT_EQ(Full(L"C:\\.."), L"C:\\");
  EXPECT_EQ(Full(L"C:\\..\\..\\escape"), L"C:\\escape");
  EXPECT_EQ(Full(L"..\\..\\.."), L"D:\\");
  EXPECT_EQ(Full(L"\\\\server\\share\\..\\..\\x"), L"\\\\server\\share\\x");
  EXPECT_EQ(Full(L"\\\\server\\share\\a\\..\\"), L"\\\\server\\share\\");
  EXPECT_EQ(Full(L"\\\\server"), L"\\\\server\\");
}

// The system's own clean-up drops a final dot or blank and reads "a:b.txt"
// as drive A: or "aux" as a device; the runtime names files as they stand.
TEST(WindowsPathTest, EveryOtherNameIsKeptAsItStands) {
  EXPECT_EQ(Full(L"C:\\dir\\trailing."), L"C:\\dir\\trailing.");
  EXPECT_EQ(Full(L"C:\\dir\\trailing "), L"C:\\dir\\trailing ");
  EXPECT_EQ(Full(L"C:\\dots...\\ blank \\x"), L"C:\\dots...\\ blank \\x");
  EXPECT_EQ(Full(L"C:\\...\\. \\x"), L"C:\\...\\. \\x");
  EXPECT_EQ(Full(L"D:\\a:b.txt"), L"D:\\a:b.txt");
  EXPECT_EQ(Full(L"a:b.txt"), L"A:\\b.txt");  // but first in a path, "a:" is a drive
  EXPECT_EQ(Full(L"C:\\aux"), L"C:\\aux");
  EXPECT_EQ(Full(L"CON.txt"), L"D:\\CD\\CON.txt");
  EXPECT_EQ(Full(L"C:\\Café\\日本語"), L"C:\\Café\\日本語");
}

TEST(WindowsPathTest, LiteralPathsAreTakenAsTheyStand) {
  const CurrentFolders none{NotAsked, NotAskedOf};
  EXPECT_EQ(Full(L"\\\\?\\C:\\a\\..\\b.", none), L"\\\\?\\C:\\a\\..\\b.");
  EXPECT_EQ(Full(L"\\\\?\\UNC\\server\\share\\a", none), L"\\\\?\\UNC\\server\\share\\a");
  EXPECT_EQ(Full(L"//?/C:/a", none), L"\\\\?\\C:\\a");
  EXPECT_EQ(PlainForm(L"\\\\?\\UNC\\server\\share\\a"), L"\\\\server\\share\\a");
  EXPECT_EQ(PlainForm(L"\\\\?\\C:\\a"), L"C:\\a");
  EXPECT_EQ(PlainForm(L"C:\\a"), L"C:\\a");
}

// "\\?\" is literal only with its fourth character: "\\?" or "\\." alone
// is the root of the device namespace, which the system makes "\\.\"
// (GetFullPathName); neither is a server, and "\\?" never becomes literal.
TEST(WindowsPathTest, TwoSeparatorsAndAQuestionMarkAloneAreTheDeviceRoot) {
  const CurrentFolders none{NotAsked, NotAskedOf};
  EXPECT_EQ(Full(L"\\\\?", none), L"\\\\.\\");
  EXPECT_EQ(Full(L"//?", none), L"\\\\.\\");
  EXPECT_EQ(Full(L"\\\\.", none), L"\\\\.\\");
  EXPECT_EQ(Full(L"\\/.", none), L"\\\\.\\");
  // With more after it, "?" is a server's name like any other.
  EXPECT_EQ(Full(L"\\\\?x", none), L"\\\\?x\\");
}

TEST(WindowsPathTest, APathHoldingANulIsNone) {
  using namespace std::string_literals;
  EXPECT_FALSE(FullPath(L"C:\\..\0\\x"s, {InCd, DriveFolder}));
  EXPECT_FALSE(FullPath(L"\\\\?\\C:\\a\0"s, {InCd, DriveFolder}));
}

TEST(WindowsPathTest, TheSystemFormOfAFullPath) {
  EXPECT_EQ(ApiPath(L"C:\\a"), L"\\\\?\\C:\\a");
  EXPECT_EQ(ApiPath(L"\\\\server\\share\\a"), L"\\\\?\\UNC\\server\\share\\a");
  EXPECT_EQ(ApiPath(L"\\\\?\\UNC\\server\\share\\a"), L"\\\\?\\UNC\\server\\share\\a");
  EXPECT_EQ(RootLength(L"C:\\a"), 3u);
  EXPECT_EQ(RootLength(L"\\\\server\\share\\a"), 15u);
  EXPECT_EQ(RootLength(L"\\\\server\\share"), 14u);
  EXPECT_EQ(DriveLetterOf(L"\\\\?\\e:\\a"), L'E');
  EXPECT_EQ(DriveLetterOf(L"\\\\server\\share"), 0);
  EXPECT_EQ(DriveLetterOf(L"1:\\"), 0);
  EXPECT_EQ(FolderOf(L"C:\\a\\b"), L"C:\\a\\");
  EXPECT_EQ(FolderOf(L"C:\\b"), L"C:\\");
}

}  // namespace
