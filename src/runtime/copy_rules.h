// Decisions of a file copy that rest on what the system says about the
// files, kept apart from the asking so that they can be tried with made-up
// answers: whether two files are one, whether a file can go onto a
// destination's file system at all, and which names are the copy's own
// temporary files. Also the one step of a copy batch that each side does.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/text.h"

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

// A copy is written under a temporary name, "~setup" PROCESS "-" COUNTER
// ".tmp" (decimal numbers), in a work folder of such a name inside the
// destination's folder, and takes its final name only when it is whole. A
// process killed before the system could mark the new file for deletion, or
// before it removed its work folder, leaves them there; the next copy into
// that folder removes them. True for such a name, in any letter case (a FAT
// volume may show it upper-cased), and for no name a user would give a file
// of their own by chance.
constexpr std::string_view kTemporaryCopyPrefix = "~setup";
constexpr std::string_view kTemporaryCopySuffix = ".tmp";

inline std::string TemporaryCopyName(unsigned long process, unsigned long counter) {
  return std::string(kTemporaryCopyPrefix) + std::to_string(process) + "-" +
         std::to_string(counter) + std::string(kTemporaryCopySuffix);
}

inline bool IsTemporaryCopyName(std::string_view name) {
  const auto startsWith = [](std::string_view text, std::string_view start) {
    if (text.size() < start.size()) return false;
    for (std::size_t i = 0; i < start.size(); ++i)
      if (LowerAscii(text[i]) != start[i]) return false;
    return true;
  };
  const auto digits = [](std::string_view& text) {
    const std::size_t count = std::min(text.find_first_not_of("0123456789"), text.size());
    text.remove_prefix(count);
    return count > 0 && count <= 10;
  };
  if (!startsWith(name, kTemporaryCopyPrefix)) return false;
  name.remove_prefix(kTemporaryCopyPrefix.size());
  if (!digits(name) || !name.starts_with('-')) return false;
  name.remove_prefix(1);
  return digits(name) && name.size() == kTemporaryCopySuffix.size() &&
         startsWith(name, kTemporaryCopySuffix);
}

// Removes the work folders that the copies made since the last call wrote
// in, with nothing in them: each side's, when the outermost CopyBatch ends.
void RemoveWorkFolders();

}  // namespace rt
