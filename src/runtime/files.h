// File functions with Windows path semantics. Paths are UTF-8 texts in
// Windows form ("c:\Program Files\Quorvan2005\readme.txt"); every function
// raises rt::RuntimeError when the system refuses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rt {

// Attributes of rtcDir.
constexpr int vbNormal = 0;      // ordinary files: no folders, hidden or system files
constexpr int vbHidden = 2;      // hidden files as well
constexpr int vbSystem = 4;      // system files as well
constexpr int vbDirectory = 16;  // folders as well as ordinary files

// Lists the entries matching `pattern` (a folder followed by a name that may
// hold the wildcards * and ?). Returns the bare name of the first match, or ""
// when nothing matches; names come in a stable order (ascending, ignoring
// letter case). A doubled separator in the folder part still names the folder.
std::string rtcDir(const std::string& pattern, int attributes);

// Continues the last listing: the next match, or "" when they have run out.
std::string rtcDir();

// What the last listing found in all, from the folder's own entries: the
// number of matches and the sum of their sizes in bytes.
struct ListingTotals {
  std::size_t entries = 0;
  std::uint64_t bytes = 0;
};
ListingTotals rtcDirTotals();

// The process's current folder as a full path ("D:\" at a root, "C:\Setup" below it).
std::string rtcCurrentDir();

// The current folder of one drive ("C:"); raises when the drive is not ready.
std::string rtcCurrentDirOfDrive(char driveLetter);

// Makes the folder `path` the process's current folder, and its drive the
// current drive; raises when it cannot be.
void rtcChangeDir(const std::string& path);

// The folder that holds the program's own file, as a full path: "D:\" for
// D:\setup.exe, "C:\CD" for C:\CD\setup.exe, "\\srv\share\" for a share's root.
std::string ProgramFolder();

// The root of the drive the system runs from ("C:\").
std::string SystemDriveRoot();

// Creates one folder.
void rtcMakeDir(const std::string& path);

// Copies one file. A relative source resolves against the current folder. No
// failure, nor a kill, leaves a half-written file under a destination's name:
// the copy is written under a temporary name in a work folder of its own
// inside the destination's folder, and takes its place in one step once it
// is whole, so a destination is as it was, absent, or the whole copy. The
// system removes an unfinished copy; one that a kill left all the same, and
// a work folder a kill left, are removed by the first copy into that folder
// that follows.
// A read-only destination is replaced too, and the copy is left writable;
// a replaced destination keeps its name's letter case, and a link is
// replaced, never its target. Copying a file onto itself leaves it
// untouched. On Windows a file of 4 GiB or more is refused before anything
// is written when the destination is FAT32, which cannot hold it.
// What a copy keeps of its source, on both sides alike: its bytes and its
// last-write time. Nothing else: it is a new, writable file, with none of
// the source's attributes or permissions, and its other times are its own.
// `progress`, when given, hears of the bytes as they are written, after each
// piece of a few MiB at most.
class CopyProgress {
 public:
  virtual void written(std::uint64_t bytes) = 0;

 protected:
  ~CopyProgress() = default;
};
void rtcFileCopy(const std::string& source, const std::string& destination,
                 CopyProgress* progress = nullptr);

// Copies made while a CopyBatch lives share one work folder in each
// destination folder: the first of them makes it, and the end of the
// outermost batch removes it. A copy outside any batch makes and removes its
// own. A new name costs a search through its whole folder on FAT, and under
// Wine on most hosts: in a work folder of one entry, a copy into a folder of
// thousands of files pays for that search once, when it takes its name.
class CopyBatch {
 public:
  CopyBatch();
  CopyBatch(const CopyBatch&) = delete;
  CopyBatch& operator=(const CopyBatch&) = delete;
  ~CopyBatch();
};

// True when `path` names an existing folder; raises when its drive is not ready.
bool FolderExists(const std::string& path);

// The names of the sub-folders of `folder` that a user sees (no hidden or
// system folders), in the order of rtcDir.
std::vector<std::string> ListFolders(const std::string& folder);

// The drives present, as upper-case letters in order ("CD").
std::string AvailableDrives();

// The volume label of a drive, or "" when it has none or is not ready.
std::string VolumeLabel(char driveLetter);

}  // namespace rt
