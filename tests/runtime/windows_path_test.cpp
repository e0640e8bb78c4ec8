// How the runtime reads a Windows path, as text: the same on both sides, in
// both widths (UTF-8 for the runtime's texts, UTF-16 for the Win32 APIs),
// with current folders made up for each case. One table holds the paths and
// the full paths they make; each test below checks its rows of it.
#include "runtime/windows_path.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <type_traits>

namespace {

using namespace rt::windows_path;
using namespace std::string_view_literals;

// The process stands in D:\CD, or in \\server\share\setup; drive H: stands
// in H:\Work, every other drive at its root. A full path asks for none.
enum class From { kNothing, kCd, kShare };

enum class Rule { kFull, kRelative, kDots, kNames, kLiteral, kDeviceRoot, kNul };

struct Row {
  Rule rule;
  From from;
  std::string_view path;
  const char* full;  // nullptr: FullPath gives nothing
};

constexpr Row kTable[] = {
    // A full path asks for no current folder.
    {Rule::kFull, From::kNothing, "C:\\Program Files\\Quorvan2005",
     "C:\\Program Files\\Quorvan2005"},
    {Rule::kFull, From::kNothing, "c:/program files/", "C:\\program files"},
    {Rule::kFull, From::kNothing, "C:\\", "C:\\"},
    {Rule::kFull, From::kNothing, "\\\\server\\share\\a", "\\\\server\\share\\a"},
    // Relative paths start from the right current folder.
    {Rule::kRelative, From::kCd, "setup.lst", "D:\\CD\\setup.lst"},
    {Rule::kRelative, From::kCd, "", "D:\\CD"},
    {Rule::kRelative, From::kCd, ".", "D:\\CD"},
    {Rule::kRelative, From::kCd, "\\readme.txt", "D:\\readme.txt"},  // the current drive's root
    // Drive-relative: each drive keeps a current folder of its own.
    {Rule::kRelative, From::kCd, "H:*.*", "H:\\Work\\*.*"},
    {Rule::kRelative, From::kCd, "h:", "H:\\Work"},
    {Rule::kRelative, From::kCd, "H:..\\x", "H:\\x"},
    {Rule::kRelative, From::kCd, "E:a.txt", "E:\\a.txt"},
    {Rule::kRelative, From::kCd, "H:\\a", "H:\\a"},
    // Standing on a share, the root of "\x" is the share.
    {Rule::kRelative, From::kShare, "\\x", "\\\\server\\share\\x"},
    {Rule::kRelative, From::kShare, "..\\..\\..\\x", "\\\\server\\share\\x"},
    // Dots and doubled separators go, but never above the root.
    {Rule::kDots, From::kCd, "C:\\a\\\\b//c\\", "C:\\a\\b\\c"},
    {Rule::kDots, From::kCd, "D:\\\\", "D:\\"},
    {Rule::kDots, From::kCd, "C:\\a\\.\\b\\..\\c", "C:\\a\\c"},
    {Rule::kDots, From::kCd, "C:\\..", "C:\\"},
    {Rule::kDots, From::kCd, "C:\\..\\..\\escape", "C:\\escape"},
    {Rule::kDots, From::kCd, "..\\..\\..", "D:\\"},
    {Rule::kDots, From::kCd, "\\\\server\\share\\..\\..\\x", "\\\\server\\share\\x"},
    {Rule::kDots, From::kCd, "\\\\server\\share\\a\\..\\", "\\\\server\\share\\"},
    {Rule::kDots, From::kCd, "\\\\server", "\\\\server\\"},
    // /D=E:\x\..\y names E:\y, as GetFullPathNameW reads it: the folder list
    // opens there and the installation goes there.
    {Rule::kDots, From::kNothing, "E:\\x\\..\\y", "E:\\y"},
    {Rule::kDots, From::kNothing, "e:\\x\\.\\..\\y\\.", "E:\\y"},
    // The system's own clean-up drops a final dot or blank and reads
    // "a:b.txt" as drive A: or "aux" as a device; the runtime names files as
    // they stand.
    {Rule::kNames, From::kCd, "C:\\dir\\trailing.", "C:\\dir\\trailing."},
    {Rule::kNames, From::kCd, "C:\\dir\\trailing ", "C:\\dir\\trailing "},
    {Rule::kNames, From::kCd, "C:\\dots...\\ blank \\x", "C:\\dots...\\ blank \\x"},
    {Rule::kNames, From::kCd, "C:\\...\\. \\x", "C:\\...\\. \\x"},
    {Rule::kNames, From::kCd, "D:\\a:b.txt", "D:\\a:b.txt"},
    {Rule::kNames, From::kCd, "a:b.txt", "A:\\b.txt"},  // but first in a path, "a:" is a drive
    {Rule::kNames, From::kCd, "C:\\aux", "C:\\aux"},
    {Rule::kNames, From::kCd, "CON.txt", "D:\\CD\\CON.txt"},
    {Rule::kNames, From::kCd, "C:\\Café\\日本語", "C:\\Café\\日本語"},
    // Literal paths are taken as they stand.
    {Rule::kLiteral, From::kNothing, "\\\\?\\C:\\a\\..\\b.", "\\\\?\\C:\\a\\..\\b."},
    {Rule::kLiteral, From::kNothing, "\\\\?\\UNC\\server\\share\\a",
     "\\\\?\\UNC\\server\\share\\a"},
    {Rule::kLiteral, From::kNothing, "//?/C:/a", "\\\\?\\C:\\a"},
    // "\\?\" is literal only with its fourth character: "\\?" or "\\." alone
    // is the root of the device namespace, which the system makes "\\.\"
    // (GetFullPathName); neither is a server, and "\\?" never becomes literal.
    {Rule::kDeviceRoot, From::kNothing, "\\\\?", "\\\\.\\"},
    {Rule::kDeviceRoot, From::kNothing, "//?", "\\\\.\\"},
    {Rule::kDeviceRoot, From::kNothing, "\\\\.", "\\\\.\\"},
    {Rule::kDeviceRoot, From::kNothing, "\\/.", "\\\\.\\"},
    // With more after it, "?" is a server's name like any other.
    {Rule::kDeviceRoot, From::kNothing, "\\\\?x", "\\\\?x\\"},
    // A path holding a NUL is none.
    {Rule::kNul, From::kCd, "C:\\..\0\\x"sv, nullptr},
    {Rule::kNul, From::kCd, "\\\\?\\C:\\a\0"sv, nullptr},
};

template <class Char>
std::basic_string<Char> Text(std::string_view text) {
  if constexpr (std::is_same_v<Char, char>) {
    return std::string(text);
  } else {
    return Widened(text);
  }
}

template <class Char>
std::basic_string<Char> InCd() {
  return Text<Char>("D:\\CD");
}
template <class Char>
std::basic_string<Char> OnAShare() {
  return Text<Char>("\\\\server\\share\\setup");
}
template <class Char>
std::basic_string<Char> DriveFolder(Char letter) {
  if (letter == Char{'H'}) return Text<Char>("H:\\Work");
  return {letter, Char{':'}, Char{'\\'}};
}
template <class Char>
std::basic_string<Char> NotAsked() {
  ADD_FAILURE() << "a full path asked for the current folder";
  return Text<Char>("X:\\");
}
template <class Char>
std::basic_string<Char> NotAskedOf(Char) {
  return NotAsked<Char>();
}

template <class Char>
CurrentFolders<Char> Current(From from) {
  if (from == From::kNothing) return {NotAsked<Char>, NotAskedOf<Char>};
  return {from == From::kShare ? OnAShare<Char> : InCd<Char>, DriveFolder<Char>};
}

// The full path of a row's path in both widths, which must agree; "<none>"
// when there is none.
std::string Full(const Row& row) {
  const auto narrow = FullPath(row.path, Current<char>(row.from));
  const auto wide = FullPath(Widened(row.path), Current<wchar_t>(row.from));
  EXPECT_EQ(narrow.has_value(), wide.has_value()) << row.path;
  if (narrow && wide) {
    EXPECT_EQ(*narrow, Bytes(*wide)) << row.path;
  }
  return narrow.value_or("<none>");
}

void ExpectRows(Rule rule) {
  int rows = 0;
  for (const Row& row : kTable) {
    if (row.rule != rule) continue;
    EXPECT_EQ(Full(row), row.full ? row.full : "<none>") << row.path;
    ++rows;
  }
  EXPECT_GT(rows, 0);
}

TEST(WindowsPathTest, AFullPathAsksForNoCurrentFolder) {
  ExpectRows(Rule::kFull);
}

TEST(WindowsPathTest, RelativePathsStartFromTheRightCurrentFolder) {
  ExpectRows(Rule::kRelative);
}

TEST(WindowsPathTest, DotsAndDoubledSeparatorsGoButNeverAboveTheRoot) {
  ExpectRows(Rule::kDots);
}

TEST(WindowsPathTest, EveryOtherNameIsKeptAsItStands) {
  ExpectRows(Rule::kNames);
  // In UTF-16 proper as well.
  EXPECT_EQ(FullPath(L"C:\\Café\\日本語", Current<wchar_t>(From::kCd)).value_or(L""),
            L"C:\\Café\\日本語");
}

TEST(WindowsPathTest, LiteralPathsAreTakenAsTheyStand) {
  ExpectRows(Rule::kLiteral);
  EXPECT_EQ(PlainForm(L"\\\\?\\UNC\\server\\share\\a"), L"\\\\server\\share\\a");
  EXPECT_EQ(PlainForm(L"\\\\?\\C:\\a"), L"C:\\a");
  EXPECT_EQ(PlainForm(L"C:\\a"), L"C:\\a");
}

TEST(WindowsPathTest, TwoSeparatorsAndAQuestionMarkAloneAreTheDeviceRoot) {
  ExpectRows(Rule::kDeviceRoot);
}

TEST(WindowsPathTest, APathHoldingANulIsNone) {
  ExpectRows(Rule::kNul);
}

TEST(WindowsPathTest, TheSystemFormOfAFullPath) {
  EXPECT_EQ(ApiPath(L"C:\\a"), L"\\\\?\\C:\\a");
  EXPECT_EQ(ApiPath(L"\\\\server\\share\\a"), L"\\\\?\\UNC\\server\\share\\a");
  EXPECT_EQ(ApiPath(L"\\\\?\\UNC\\server\\share\\a"), L"\\\\?\\UNC\\server\\share\\a");
  EXPECT_EQ(RootLength(L"C:\\a"), 3u);
  EXPECT_EQ(RootLength("\\\\server\\share\\a"), 15u);
  EXPECT_EQ(RootLength(L"\\\\server\\share"), 14u);
  EXPECT_EQ(DriveLetterOf(L"\\\\?\\e:\\a"), L'E');
  EXPECT_EQ(DriveLetterOf("e:\\a"), 'E');
  EXPECT_EQ(DriveLetterOf(L"\\\\server\\share"), 0);
  EXPECT_EQ(DriveLetterOf(L"1:\\"), 0);
  EXPECT_EQ(FolderOf(L"C:\\a\\b"), L"C:\\a\\");
  EXPECT_EQ(FolderOf(L"C:\\b"), L"C:\\");
}

// The folder of a program's file, at a root with its separator.
TEST(WindowsPathTest, TheFolderOfAFile) {
  EXPECT_EQ(FolderOfFile("D:\\CD\\setup.exe"), "D:\\CD");
  EXPECT_EQ(FolderOfFile("D:\\setup.exe"), "D:\\");
  EXPECT_EQ(FolderOfFile("\\\\srv\\share\\setup.exe"), "\\\\srv\\share\\");
  EXPECT_EQ(FolderOfFile("\\\\srv\\share\\cd\\setup.exe"), "\\\\srv\\share\\cd");
}

// What the command line takes for a full path on a drive (/D=, /LOG=).
TEST(WindowsPathTest, AFullPathOnADriveHoldsOnlyWhatANameMay) {
  EXPECT_TRUE(IsFullDrivePath("e:\\x"));
  EXPECT_TRUE(IsFullDrivePath("E:/"));
  EXPECT_FALSE(IsFullDrivePath("E:"));
  EXPECT_FALSE(IsFullDrivePath("E:x"));
  EXPECT_FALSE(IsFullDrivePath("\\\\srv\\share\\x"));
  EXPECT_FALSE(IsFullDrivePath("1:\\x"));
  EXPECT_TRUE(IsNetworkPath("//srv/share"));
  EXPECT_FALSE(IsNetworkPath("\\x"));
  EXPECT_TRUE(ValidNameCharacters("\\Program Files\\Café.txt"));
  for (const char* wrong : {"a|b", "a<b", "a>b", "a:b", "a\"b", "a?b", "a*b", "a\tb"})
    EXPECT_FALSE(ValidNameCharacters(wrong)) << wrong;
  EXPECT_EQ(DriveLetter('q'), 'Q');
  EXPECT_EQ(DriveLetter(L'Q'), L'Q');
  EXPECT_EQ(DriveLetter('1'), 0);
}

}  // namespace
