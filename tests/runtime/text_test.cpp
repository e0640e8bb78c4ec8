#include "runtime/text.h"

#include <gtest/gtest.h>

#include "runtime/error.h"

namespace {

TEST(Text, UpperCaseCoversWindowsLettersAndKeepsBrokenBytes) {
  EXPECT_EQ(rt::rtcUpperCaseVar("c:\\Program Files\\Quorvan2005"),
            "C:\\PROGRAM FILES\\QUORVAN2005");
  EXPECT_EQ(rt::rtcUpperCaseVar("d:\\café\\ŝablono"), "D:\\CAFÉ\\ŜABLONO");
  EXPECT_EQ(rt::rtcUpperCaseVar("\xff\xfe-x"), "\xff\xfe-X");
}

TEST(Text, TrimStripsOnlyOuterBlanks) {
  EXPECT_EQ(rt::rtcTrimVar("  c:\\a b  "), "c:\\a b");
  EXPECT_EQ(rt::rtcTrimVar("   "), "");
  EXPECT_EQ(rt::rtcTrimVar("\tx"), "\tx");
}

TEST(Text, WildcardsFollowWindowsRules) {
  EXPECT_TRUE(rt::WildcardMatch("*.*", "README"));
  EXPECT_TRUE(rt::WildcardMatch("*.*", ".hidden"));
  EXPECT_TRUE(rt::WildcardMatch("*.TXT", "notes.txt"));
  EXPECT_TRUE(rt::WildcardMatch("setup.*", "SETUP"));
  EXPECT_TRUE(rt::WildcardMatch("da?a*.bin", "data-01.bin"));
  EXPECT_FALSE(rt::WildcardMatch("*.txt", "notes.txt.bak"));
  EXPECT_FALSE(rt::WildcardMatch("Quorvan2005", "Quorvan2006"));
}

TEST(Text, ErrorReportSaysWhatWhereAndWhy) {
  rt::RuntimeError error("could not copy a file",
                         {{"File", "a.txt"}, {"Destination", "c:\\x\\a.txt"}}, "Access is denied.");
  error.addNote("2 files were copied before this one.");
  EXPECT_EQ(error.report(),
            "Run-time error: could not copy a file.\n\nFile: a.txt\nDestination: c:\\x\\a.txt\n"
            "Reason: Access is denied.\n\n2 files were copied before this one.");
}

}  // namespace

// Found by tests/fuzz/path_fuzz: overlong and surrogate forms were decoded as
// characters, so upper-casing rewrote their bytes and two different host
// names compared equal.
TEST(Text, UpperCaseKeepsTheBytesOfMalformedSequences) {
  EXPECT_EQ(rt::rtcUpperCaseVar("\xf0\x8a\xb5\xb5"), "\xf0\x8a\xb5\xb5");  // overlong U+AD75
  EXPECT_EQ(rt::rtcUpperCaseVar("\xe0\x81\xa1-x"), "\xe0\x81\xa1-X");      // overlong 'a'
  EXPECT_EQ(rt::rtcUpperCaseVar("\xed\xb2\x80"), "\xed\xb2\x80");          // a surrogate
  EXPECT_EQ(rt::rtcUpperCaseVar("\xf4\x90\x80\x80"), "\xf4\x90\x80\x80");  // past U+10FFFF
  EXPECT_FALSE(rt::SameNameIgnoringCase("\xe0\x81\xa1", "a"));
  EXPECT_FALSE(rt::SameNameIgnoringCase("\xed\xb2\x80", "\x80"));
}
