// Two decisions of a file copy that rest on what the system says about the
// files, kept apart from the asking so that they can be tried with made-up
// answers: whether two files are one, and whether a file can go onto a
// destination's file system at all.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace rt {

// What tells one file from another. Windows gives a 128-bit file id with a
// 64-bit volume serial where it can (FileIdInfo); elsewhere only a 64-bit
// file index with a 32-bit serial, which ReFS does not keep unique.
struct FileIdentity {
  enum class Kind { kNone, kIndex64, kId128 };
  Kind kind = Kind::kNone;
  std::uint64_t volume = 0;
  std::array<std::uint8_t, 16> id{};  // a 64-bit index in the first 8 bytes, little-endian
};

// True only when both identities are known, of the same kind, and equal. Two
// kinds never match: the same file, asked twice, answers alike.
inline bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.kind != FileIdentity::Kind::kNone && a.kind == b.kind && a.volume == b.volume &&
         a.id == b.id;
}

// The largest file FAT12, FAT16 and FAT32 hold: 4 GiB less one byte.
constexpr std::uint64_t kLargestFatFile = 0xFFFFFFFFu;

// True when a file of `size` bytes cannot be stored on the file system named
// `fileSystem` (as the system names it: "NTFS", "FAT32", "exFAT", ...).
inline bool TooLargeForFileSystem(std::uint64_t size, std::wstring_view fileSystem) {
  return size > kLargestFatFile && fileSystem.starts_with(L"FAT");
}

}  // namespace rt
