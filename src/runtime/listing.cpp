#include "runtime/listing.h"

#include <algorithm>
#include <utility>

#include "runtime/files.h"
#include "runtime/text.h"
#include "runtime/windows_path.h"

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

SplitPattern::SplitPattern(const std::string& pattern) {
  size_t split = pattern.size();
  while (split > 0 && !windows_path::IsSeparator(pattern[split - 1])) --split;
  if (split == 0 && windows_path::HasDrivePrefix(pattern)) split = 2;
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
