// libFuzzer target for the path and wildcard handling of the file functions.
//
// An input is one flag byte, then a pattern, a line break and a name (no line
// break: the name is the pattern again). Each input goes through the text
// functions (rtcUpperCaseVar, rtcTrimVar, WildcardMatch) and the path rules
// that both sides of the runtime read paths by (windows_path.h), whose
// properties are checked in both widths, and through the file functions on
// a drive table of temporary folders: rtcDir(pattern) and its continuation,
// FolderExists(name) and rtcFileCopy(pattern, name). Run-time errors are expected; a crash, a hang,
// a sanitizer report or a broken property is a finding.
//
// The drives live two levels below the temporary folder, each level holding
// a marker entry that lies outside every drive:
//
//   path-fuzz-NNNNNN/OUTSIDE.MARK/         (an empty folder)
//   path-fuzz-NNNNNN/drives/OUTSIDE.MARK   (a file)
//   path-fuzz-NNNNNN/drives/c, drives/d    (drives C: and D:)
//   path-fuzz-NNNNNN/drives/e              (drive E:, not ready: missing)
//
// After each input no entry may have come or gone beside the drives, no
// listing may name a marker, and a copy that failed must have left the drives
// as they were. A copy that succeeded is undone by laying the drives anew.
// The temporary folder is removed when the process ends, even on a finding.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <system_error>

#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/posix/drive_table.h"
#include "runtime/text.h"
#include "runtime/windows_path.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kMarker = "OUTSIDE.MARK";

void Require(bool holds, const char* what, std::string_view a = {}, std::string_view b = {}) {
  if (holds) return;
  std::fprintf(stderr, "path_fuzz: %s\n  a: \"%.*s\"\n  b: \"%.*s\"\n", what,
               static_cast<int>(a.size()), a.data(), static_cast<int>(b.size()), b.data());
  std::abort();
}

// ---- The sandbox ----

// Every entry below a folder: path relative to it, with type, size, mode and
// modification time, so that any change shows.
using Snapshot = std::map<std::string, std::string>;

Snapshot Take(const fs::path& folder) {
  Snapshot snapshot;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    struct stat info {};
    ::lstat(it->path().c_str(), &info);
    snapshot[it->path().lexically_relative(folder)] =
        std::to_string(info.st_mode) + " " + std::to_string(info.st_size) + " " +
        std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
  }
  return snapshot;
}

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

// Removes `folder` once this process has ended, however it ended: libFuzzer
// leaves on a finding, a timeout or a signal without running destructors. A
// child process waits for the end of a pipe that only this process holds,
// then runs rm.
void RemoveAtExit(const std::string& folder) {
  int ends[2];
  Require(::pipe2(ends, O_CLOEXEC) == 0, "could not make a pipe");
  const char* const argv[] = {"rm", "-rf", "--", folder.c_str(), nullptr};
  const pid_t pid = ::fork();
  Require(pid >= 0, "could not fork");
  if (pid == 0) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::signal(signal, SIG_IGN);
    ::close(ends[1]);
    char byte;
    while (::read(ends[0], &byte, 1) != 0 && errno == EINTR) {
    }
    ::execvp(argv[0], const_cast<char* const*>(argv));
    ::_exit(127);
  }
  ::close(ends[0]);  // the writing end stays open until this process ends
}

// A new temporary folder, named the same on every run that finds the first
// name free: a random name would reach the paths the code under test
// compares and walks, and make one run explore otherwise than the next.
std::string MakeFolderOfOurOwn() {
  const char* base = std::getenv("TMPDIR");
  const std::string prefix = std::string(base && *base ? base : "/tmp") + "/path-fuzz-";
  for (int number = 0; number < 1000000; ++number) {
    std::string folder = std::to_string(1000000 + number);  // always seven digits
    folder = prefix + folder.substr(1);
    if (::mkdir(folder.c_str(), 0700) == 0) return folder;
    Require(errno == EEXIST, "could not make a temporary folder", folder);
  }
  Require(false, "no temporary folder name is free", prefix);
  return {};
}

class Sandbox {
 public:
  Sandbox() {
    const std::string folder = MakeFolderOfOurOwn();
    RemoveAtExit(folder);
    root_ = folder;
    fs::create_directories(root_ / kMarker);
    fs::create_directories(drives());
    std::ofstream(drives() / kMarker) << "outside";
    layDrives();
    rootNames_ = Names(root_);
    drivesNames_ = Names(drives());
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  fs::path drives() const { return root_ / "drives"; }
  const Snapshot& laid() const { return laid_; }

  std::map<char, rt::posix::Drive> table() const {
    return {{'C', {drives() / "c", ""}},
            {'D', {drives() / "d", "QUORVAN"}},
            {'E', {drives() / "e", ""}}};
  }

  // Drive C: a hard disk with a default folder; D: an installation CD.
  void layDrives() {
    for (const char* drive : {"c", "d", "e"}) fs::remove_all(drives() / drive);
    const fs::path c = drives() / "c", d = drives() / "d";
    write(c / "Program Files" / "Quorvan2005" / "readme.txt", "old");
    write(c / "Data" / "a.txt", "a");
    write(c / "Data" / "B.TXT", "b");
    write(c / "setup.exe", "MZ");
    write(d / "README.TXT", "read me");
    write(d / "QRVDATA.DAT", "data");
    write(d / "Café.txt", "café");
    write(d / ".hidden", "hidden");
    write(d / "DOCS" / "MANUAL.TXT", "manual");
    fs::create_directories(d / "Quorvan");
    laid_ = Take(drives());
  }

  // Nothing came or went beside the drives, and the outer marker folder is empty.
  void checkOutside(std::string_view input) const {
    Require(Names(root_) == rootNames_, "an entry came or went beside the drives' folder", input);
    Require(Names(drives()) == drivesNames_, "an entry came or went beside the drives", input);
    Require(fs::is_empty(root_ / kMarker), "the outer marker folder was written to", input);
  }

 private:
  static void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
  }

  fs::path root_;
  std::set<std::string> rootNames_, drivesNames_;
  Snapshot laid_;
};

Sandbox& TheSandbox() {
  static Sandbox sandbox;
  return sandbox;
}

// ---- Checks ----

void CheckText(const std::string& pattern, const std::string& name) {
  const std::string upper = rt::rtcUpperCaseVar(name);
  Require(upper.size() == name.size(), "upper-casing changed the length", name, upper);
  Require(rt::rtcUpperCaseVar(upper) == upper, "upper-casing is not idempotent", name, upper);
  Require(rt::SameNameIgnoringCase(name, upper), "a name differs from its upper case", name, upper);

  const std::string trimmed = rt::rtcTrimVar(name);
  Require(trimmed.empty() || (trimmed.front() != ' ' && trimmed.back() != ' '),
          "trimming left a blank", name, trimmed);
  Require(name.find(trimmed) != std::string::npos, "trimming made up text", name, trimmed);
  Require(rt::rtcTrimVar(trimmed) == trimmed, "trimming is not idempotent", name, trimmed);

  rt::WildcardMatch(pattern, name);  // any answer will do; it must only come
  Require(rt::WildcardMatch("*", name) && rt::WildcardMatch("*.*", name), "* missed a name", name);
  Require(rt::WildcardMatch(name, name), "a name does not match itself", name);
  Require(rt::WildcardMatch(name, upper), "a name does not match its upper case", name, upper);
}

// ---- The path rules ----

// The current folders the normaliser is given: the process's is the flag
// byte's, or a share; each drive stands at its root but H: in H:\Work.
std::wstring gProcessFolder;
std::wstring ProcessFolder() {
  return gProcessFolder;
}
std::wstring DriveFolder(wchar_t letter) {
  return letter == L'H' ? std::wstring(L"H:\\Work") : std::wstring{letter, L':', L'\\'};
}
std::wstring AskedNothing() {
  Require(false, "a full path asked for the current folder");
  return {};
}
std::wstring AskedNothingOf(wchar_t) {
  return AskedNothing();
}

// The same current folders in UTF-8, for the rules in that width.
std::string ProcessFolderBytes() {
  return rt::windows_path::Bytes(gProcessFolder);
}
std::string DriveFolderBytes(char letter) {
  return rt::windows_path::Bytes(DriveFolder(static_cast<wchar_t>(letter)));
}

void CheckWindowsPath(const std::string& text) {
  namespace wp = rt::windows_path;
  const wp::CurrentFolders<wchar_t> current{ProcessFolder, DriveFolder};
  const std::wstring path = wp::Widened(text);
  const auto full = wp::FullPath(path, current);
  Require(!full == (text.find('\0') != std::string::npos), "a NUL was not refused", text);
  const auto narrow = wp::FullPath(text, {ProcessFolderBytes, DriveFolderBytes});
  Require(!narrow == !full && (!full || *narrow == wp::Bytes(*full)),
          "the two widths read the path apart", text, narrow.value_or("<none>"));
  if (!full) return;
  const std::string shown = wp::Bytes(*full);
  Require(full->find(L'/') == std::wstring::npos, "a '/' was left", text, shown);
  Require(wp::PlainForm(wp::ApiPath(*full)) == wp::PlainForm(*full),
          "the system form names another path", text, shown);
  std::wstring slashed = path;
  for (auto& c : slashed)
    if (c == L'/') c = L'\\';
  // Only a path that begins with "\\?\" is literal, and it stays as it is;
  // no other path may become one ("\\?" alone is the device root "\\.\").
  if (slashed.starts_with(L"\\\\?\\")) {
    Require(*full == slashed, "a literal path was changed", text, shown);
    return;
  }
  Require(!full->starts_with(L"\\\\?\\"), "a path was made literal", text, shown);
  // It is full: made full again it stays the same, and asks for no current folder.
  Require(wp::FullPath(*full, wp::CurrentFolders<wchar_t>{AskedNothing, AskedNothingOf}) == full,
          "a full path changed when made full again", text, shown);
  // It keeps the root it started from.
  std::wstring root;
  if (slashed == L"\\\\?" || slashed == L"\\\\.") {
    root = L"\\\\.\\";
  } else if (slashed.starts_with(L"\\\\")) {
    root = slashed.substr(0, wp::RootLength(slashed));
  } else if (wp::HasDrivePrefix(slashed)) {
    root = {wp::DriveLetter(slashed[0]), L':', L'\\'};
  } else {
    root = gProcessFolder.substr(0, wp::RootLength(gProcessFolder));
  }
  Require(full->starts_with(root) || *full + L'\\' == root, "the path left its root", text, shown);
  // Below the root: single separators, no "." or "..", no separator at the end.
  const size_t rootLength = wp::RootLength(*full);
  Require(full->size() <= rootLength || full->back() != L'\\', "a separator ends the path", text,
          shown);
  for (size_t start = rootLength; start < full->size();) {
    const size_t stop = std::min(full->find(L'\\', start), full->size());
    const std::wstring_view name = std::wstring_view(*full).substr(start, stop - start);
    Require(!name.empty() && name != L"." && name != L"..", "an empty, . or .. name was left", text,
            shown);
    start = stop + 1;
  }
}

void CheckListing(const std::string& pattern, int attributes) {
  try {
    int count = 0;
    for (std::string name = rt::rtcDir(pattern, attributes); !name.empty() && count < 1000;
         name = rt::rtcDir(), ++count) {
      Require(name != "." && name != "..", "a listing gave . or ..", pattern, name);
      Require(!rt::SameNameIgnoringCase(name, kMarker), "a listing reached outside the drives",
              pattern, name);
    }
  } catch (const rt::RuntimeError&) {
  }
}

// The flag byte: which attributes rtcDir gets, and where the process stands.
struct Flags {
  int attributes;
  const char* currentDir;
};

constexpr uint8_t kOnAShare = 32;  // for the normaliser: the process stands on a share

Flags Decode(uint8_t byte) {
  static constexpr const char* kCurrentDirs[] = {"D:\\", "C:\\Data",
                                                 "C:\\Program Files\\Quorvan2005", "E:\\"};
  constexpr int kHidden = 2, kSystem = 4;  // the other attributes rtcDir knows
  return {byte & (rt::vbDirectory | kHidden | kSystem), kCurrentDirs[(byte >> 6) & 3]};
}

}  // namespace

// Lays the drives before the first input, and replaces a file once, so that
// what the copy does only once per process (naming its temporary files
// after the process number) is done before the fuzzer counts coverage.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Sandbox& sandbox = TheSandbox();
  rt::posix::MountDrives(sandbox.table(), "D:\\");
  rt::rtcFileCopy("D:\\README.TXT", "C:\\Data\\a.txt");
  sandbox.layDrives();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const Flags flags = Decode(data[0]);
  const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t split = input.find('\n');
  const std::string pattern = input.substr(0, split);
  const std::string name = split == std::string::npos ? pattern : input.substr(split + 1);

  CheckText(pattern, name);
  gProcessFolder = (data[0] & kOnAShare) ? L"\\\\server\\share\\setup"
                                         : rt::windows_path::Widened(flags.currentDir);
  CheckWindowsPath(pattern);
  CheckWindowsPath(name);

  Sandbox& sandbox = TheSandbox();
  rt::posix::MountDrives(sandbox.table(), flags.currentDir);
  CheckListing(pattern, flags.attributes);
  try {
    rt::FolderExists(name);
  } catch (const rt::RuntimeError&) {
  }
  bool copied = false;
  try {
    rt::rtcFileCopy(pattern, name);
    copied = true;
  } catch (const rt::RuntimeError&) {
  }
  sandbox.checkOutside(input);
  if (copied) {
    sandbox.layDrives();
  } else {
    Require(Take(sandbox.drives()) == sandbox.laid(), "a failed copy changed the drives", pattern,
            name);
  }
  return 0;
}
