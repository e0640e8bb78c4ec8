#include "runtime/listing.h"

#include <algorithm>
#include <utility>

#include "runtime/files.h"
#include "runtime/text.h"

namespace rt {
namespace {

struct Listing {
  std::vector<std::string> names;
  size_t next = 0;
  ListingTotals totals;
};

Listing& LastListing() {
  static Listing listing;
  return listing;
}

}  // namespace

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool HasDrivePrefix(std::string_view path) {
  const auto letter = static_cast<unsigned char>(path.size() >= 2 ? path[0] : 0);
  return path.size() >= 2 && path[1] == ':' &&
         ((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z'));
}

std::string FolderOfFile(const std::string& path) {
  size_t end = path.size();
  while (end > 0 && !IsSeparator(path[end - 1])) --end;
  if (end == 0) return {};
  std::string folder = path.substr(0, end - 1);
  const bool driveRoot = folder.size() == 2 && HasDrivePrefix(folder);
  const bool shareRoot = folder.size() > 2 && IsSeparator(folder[0]) && IsSeparator(folder[1]) &&
                         std::count_if(folder.begin() + 2, folder.end(), IsSeparator) == 1;
  if (driveRoot || shareRoot) folder += '\\';
  return folder;
}

SplitPattern::SplitPattern(const std::string& pattern) {
  size_t split = pattern.size();
  while (split > 0 && !IsSeparator(pattern[split - 1])) --split;
  if (split == 0 && HasDrivePrefix(pattern)) split = 2;
  folder = pattern.substr(0, split);
  name = split < pattern.size() ? pattern.substr(split) : std::string(1, '*');
}

void SortNames(std::vector<std::string>& names) {
  std::vector<std::pair<std::string, std::string>> keyed;
  keyed.reserve(names.size());
  for (auto& name : names) keyed.emplace_back(rtcUpperCaseVar(name), std::move(name));
  std::sort(keyed.begin(), keyed.end());
  names.clear();
  for (auto& entry : keyed) names.push_back(std::move(entry.second));
}

std::string StartListing(const std::vector<FolderEntry>& entries, const std::string& name,
                         int attributes) {
  const bool wildcards = name.find_first_of("*?") != std::string::npos;
  Listing listing;
  for (const auto& entry : entries) {
    if (entry.folder && !(attributes & vbDirectory)) continue;
    if (entry.system && !(attributes & vbSystem)) continue;
    if (entry.hidden && !(attributes & vbHidden)) continue;
    if (wildcards ? WildcardMatch(name, entry.name) : SameNameIgnoringCase(name, entry.name)) {
      listing.names.push_back(entry.name);
      listing.totals.bytes += entry.size;
    }
  }
  listing.totals.entries = listing.names.size();
  SortNames(listing.names);
  LastListing() = std::move(listing);
  return NextListed();
}

std::string NextListed() {
  Listing& listing = LastListing();
  return listing.next < listing.names.size() ? listing.names[listing.next++] : std::string{};
}

ListingTotals rtcDirTotals() {
  return LastListing().totals;
}

void ClearListing() {
  LastListing() = {};
}

std::vector<std::string> VisibleFolders(const std::vector<FolderEntry>& entries) {
  std::vector<std::string> names;
  for (const auto& entry : entries)
    if (entry.folder && !entry.hidden && !entry.system) names.push_back(entry.name);
  SortNames(names);
  return names;
}

}  // namespace rt
