// The listing rules of rtcDir and of the folder list, the same on every
// system: which entries a listing shows, how a name pattern matches, and
// their order. Each side of the runtime reads a folder into FolderEntry
// values; the rules here pick and sort them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/files.h"

namespace rt {

struct FolderEntry {
  std::string name;
  bool folder = false;
  bool hidden = false;
  bool system = false;     // a system file, or an entry that is neither file nor folder
  std::uint64_t size = 0;  // bytes, for a file
};

// A pattern split at its last separator: "C:\a\*.txt" gives "C:\a\" and
// "*.txt"; "C:*.txt" gives "C:" and "*.txt". An empty name stands for "*".
struct SplitPattern {
  explicit SplitPattern(const std::string& pattern);
  std::string folder;
  std::string name;
};

// Sorts names ascending without regard to letter case; equal ones in byte order.
void SortNames(std::vector<std::string>& names);

// Starts a new listing with the entries that `name` (wildcards * and ?, or
// one exact name, letter case ignored) and the rtcDir attributes select.
// Returns the first name, or "" when none is selected.
std::string StartListing(const std::vector<FolderEntry>& entries, const std::string& name,
                         int attributes);

// The next name of the last listing, or "" when they have run out.
std::string NextListed();

// Forgets the last listing: a listing that failed leaves nothing to continue.
void ClearListing();

// The sub-folders a user sees (no hidden or system folders), in listing order.
std::vector<std::string> VisibleFolders(const std::vector<FolderEntry>& entries);

}  // namespace rt
