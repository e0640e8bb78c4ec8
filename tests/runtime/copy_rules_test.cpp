// The copy's decisions on made-up answers of the system: whether two files
// are one, whether a file fits the destination's file system, and which
// leftover files are the copy's own.
#include "runtime/copy_rules.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

using rt::FileIdentity;
using Kind = FileIdentity::Kind;

FileIdentity Id128(std::uint64_t volume, std::uint64_t low, std::uint64_t high) {
  FileIdentity identity{Kind::kId128, volume, {}};
  for (std::size_t byte = 0; byte < 8; ++byte) {
    identity.id[byte] = static_cast<std::uint8_t>(low >> (8 * byte));
    identity.id[8 + byte] = static_cast<std::uint8_t>(high >> (8 * byte));
  }
  return identity;
}

FileIdentity Index64(std::uint64_t volume, std::uint64_t index) {
  FileIdentity identity = Id128(volume, index, 0);
  identity.kind = Kind::kIndex64;
  return identity;
}

// On ReFS two files may share the low 64 bits of their 128-bit ids: the
// 64-bit index alone took them for one and skipped the copy.
TEST(CopyRulesTest, FilesAreOneOnlyWhenTheirWholeIdentityIsEqual) {
  EXPECT_TRUE(rt::SameFile(Id128(0x1122334455667788, 42, 7), Id128(0x1122334455667788, 42, 7)));
  EXPECT_FALSE(rt::SameFile(Id128(1, 42, 7), Id128(1, 42, 8)));
  EXPECT_FALSE(rt::SameFile(Id128(1, 42, 7), Id128(1, 43, 7)));
  // The 64-bit serial of FileIdInfo, not only its lower half.
  EXPECT_FALSE(rt::SameFile(Id128(0x100000001, 42, 7), Id128(0x200000001, 42, 7)));

  EXPECT_TRUE(rt::SameFile(Index64(9, 42), Index64(9, 42)));
  EXPECT_FALSE(rt::SameFile(Index64(9, 42), Index64(8, 42)));
  EXPECT_FALSE(rt::SameFile(Index64(9, 42), Index64(9, 43)));
}

TEST(CopyRulesTest, AnUnknownOrMixedIdentityIsNeverTheSameFile) {
  EXPECT_FALSE(rt::SameFile(FileIdentity{}, FileIdentity{}));
  EXPECT_FALSE(rt::SameFile(Index64(9, 42), FileIdentity{}));
  // One file asked twice answers in one kind; two kinds are two file systems.
  EXPECT_FALSE(rt::SameFile(Id128(9, 42, 0), Index64(9, 42)));
}

TEST(CopyRulesTest, FatHoldsNoFileOf4GiBOrMore) {
  constexpr std::uint64_t k4GiB = std::uint64_t{1} << 32;
  EXPECT_TRUE(rt::TooLargeForFileSystem(k4GiB, L"FAT32"));
  EXPECT_TRUE(rt::TooLargeForFileSystem(k4GiB * 3, L"FAT"));
  EXPECT_FALSE(rt::TooLargeForFileSystem(k4GiB - 1, L"FAT32"));
  EXPECT_FALSE(rt::TooLargeForFileSystem(0, L"FAT32"));
  for (const auto* other : {L"NTFS", L"exFAT", L"ReFS", L"CDFS", L"UDF", L""})
    EXPECT_FALSE(rt::TooLargeForFileSystem(k4GiB * 1024, other)) << other;
}

// The next copy removes what matches: a user's own file must never match.
TEST(CopyRulesTest, OnlyTheCopysOwnTemporaryNamesAreLeftovers) {
  for (const auto* own : {"~setup4242-0.tmp", "~SETUP12-345.TMP", "~setup1-4294967295.tmp"})
    EXPECT_TRUE(rt::IsTemporaryCopyName(own)) << own;
  for (const auto* other :
       {"~setup.tmp", "~setup-1.tmp", "~setup1-.tmp", "~setup1-2.tmp.txt", "~setup1-2",
        "~setup1_2.tmp", "setup1-2.tmp", "~setupx-2.tmp", "~setup1-2x.tmp", "~setup1-2.tm",
        "~setup12345678901-2.tmp", "~setup1-2-3.tmp", "readme.txt", ""})
    EXPECT_FALSE(rt::IsTemporaryCopyName(other)) << other;
}

}  // namespace
