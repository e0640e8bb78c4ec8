// The drive list and the folder list: what they show and how they change.
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/folders.h"
#include "runtime/listing.h"
#include "runtime/text.h"
#include "runtime/windows_path.h"

namespace rt {
namespace {

char DriveLetterOf(const std::string& path) {
  if (!windows_path::HasDrivePrefix(path))
    throw RuntimeError("could not select a drive", {{"Drive", path}},
                       "The drive name is not valid.");
  return windows_path::DriveLetter(path[0]);
}

// The folder the lists start on: the current folder, or the root of the
// system's drive when the current folder has no drive (a network share).
std::string StartFolder() {
  std::string current = rtcCurrentDir();
  return windows_path::HasDrivePrefix(current) ? current : SystemDriveRoot();
}

// The lines of a folder list on `folder` (a clean full path): the path from
// the root down to it, then its sub-folders. Raises when it cannot be listed.
std::vector<DirListBox::Entry> FolderEntries(const std::string& folder) {
  std::vector<DirListBox::Entry> entries;
  const std::string root = folder.substr(0, 3);
  entries.push_back({std::string{LowerAscii(root[0])} + ":\\", root, 0, true});
  std::string sofar = root;
  int depth = 0;
  for (size_t start = 3; start < folder.size();) {
    size_t stop = folder.find('\\', start);
    if (stop == std::string::npos) stop = folder.size();
    const std::string name = folder.substr(start, stop - start);
    sofar += (sofar.back() == '\\' ? "" : "\\") + name;
    entries.push_back({name, sofar, ++depth, true});
    start = stop + 1;
  }
  for (const auto& name : ListFolders(folder))
    entries.push_back(
        {name, folder + (folder.back() == '\\' ? "" : "\\") + name, depth + 1, false});
  return entries;
}

}  // namespace

std::string DriveListBox::Drive() const {
  return std::string{LowerAscii(letter_), ':'};
}

void DriveListBox::setDrive(const std::string& path) {
  const char letter = DriveLetterOf(path);
  if (AvailableDrives().find(letter) == std::string::npos)
    throw RuntimeError("could not select a drive", {{"Drive", path}}, "Device unavailable.");
  if (letter == letter_) return;
  letter_ = letter;
  changed();
  if (Change) Change();
}

int DriveListBox::selectedIndex() const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].letter == letter_) return static_cast<int>(i);
  return -1;
}

void DriveListBox::reset() {
  entries_.clear();
  for (char letter : AvailableDrives()) {
    std::string text{LowerAscii(letter), ':'};
    const std::string label = VolumeLabel(letter);
    if (!label.empty()) text += " [" + label + "]";
    entries_.push_back({letter, text});
  }
  letter_ = DriveLetterOf(StartFolder());
  Control::reset();
}

void DirListBox::setPath(const std::string& path) {
  DriveLetterOf(path);  // raises when the path names no drive
  const std::string folder = FullFolderPath(path);
  if (!FolderExists(folder))
    throw RuntimeError("could not open a folder", {{"Folder", folder}}, "Path not found.");
  if (folder == path_) return;
  entries_ = FolderEntries(folder);
  path_ = folder;
  changed();
  if (Change) Change();
}

void DirListBox::open(const std::string& path) {
  if (!OpenFailed) return setPath(path);
  OnError([&] { setPath(path); }, [&](const RuntimeError& error) { OpenFailed(path, error); });
}

int DirListBox::currentIndex() const {
  int index = -1;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].open) index = static_cast<int>(i);
  return index;
}

void DirListBox::reset() {
  path_ = StartFolder();
  entries_ = FolderEntries(path_);
  Control::reset();
}

}  // namespace rt
