#include "screens/frm_install_in_user_folder.h"

#include "runtime/error.h"
#include "runtime/folders.h"
#include "runtime/program.h"
#include "screens/confirmation.h"

namespace setup {
namespace {

using enum rt::ControlKind;
using rt::kBordered, rt::kHidden, rt::kPlain, rt::kSelected, rt::kSingleLine;

// Rows in z-order, from the top: the tab order; "Drive:" and "Folder:" just
// before the lists they name; the frame before its options, "Yes" before "No".
// clang-format off
constexpr rt::ControlLayout kLayout[] = {
  // control           kind        caption                 left   top   width height tab font frame     notes
  {"Label1",          Label,      "Select the drive and folder in which you wish to install the QUORVAN system:",
                                                             240,  120, 8055,  495,  5, 12, nullptr,  kPlain},
  {"lblDrive",        Label,      "Drive:",                 120,  720, 1935,  255,  2,  0, nullptr,  kPlain},
  {"drvDrive",        DriveList,  nullptr,                  720,  720, 4095,  315,  0,  0, nullptr,  kPlain},
  {"lblDirName",      Label,      nullptr,                  720, 1080, 4095,  255,  3,  0, nullptr,  kBordered | kSingleLine},
  {"lblDirectories",  Label,      "Folder:",                120, 1080,  495,  255,  4,  0, nullptr,  kPlain},
  {"dirDirectory",    FolderList, nullptr,                  720, 1440, 4095, 7515,  1,  0, nullptr,  kPlain},
  {"cmdGo",           Button,     kContinueCaption,        4920, 2160, 3855,  735,  6,  0, nullptr,  kPlain},
  {"Frame1",          Frame,      "Select option:",        4920,  720, 3855, 1215,  7,  0, nullptr,  kPlain},
  {"Option1",         Option,     "Yes, proceed to install.",
                                                             480,  360, 3855,  375,  9,  0, "Frame1", kSelected},
  {"Option2",         Option,     "No, terminate the installation.",
                                                             480,  840, 3975,  255,  8,  0, "Frame1", kPlain},
  {"lblCopying",      Label,      kCopyingNotice,          4920, 3120, 3855, 1095, 10, 12, nullptr,  kHidden},
};
// clang-format on

}  // namespace

frmInstallInUserFolder::frmInstallInUserFolder(ScreenRegistry& screens)
    : rt::Screen("Install in User Folder", kLayout), screens_(screens) {
  dirDirectory.Change = [this] { dirDirectory_Change(); };
  dirDirectory.OpenFailed = [this](const std::string& path, const rt::RuntimeError& error) {
    dirDirectory_OpenFailed(path, error);
  };
  drvDrive.Change = [this] { drvDrive_Change(); };
  cmdGo.Click = [this] { cmdGo_Click(); };
}

// Starts on drive C. When the installer runs from another drive, selecting C
// runs drvDrive_Change, which shows drive C's current folder. A folder given
// with /D= is made, and the lists then go to its drive and to it.
void frmInstallInUserFolder::Form_Load() {
  setWindowState(rt::vbMaximized);
  dirDirectory.setPath("c:\\");
  drvDrive.setDrive("c:\\");
  if (!startFolder_.empty()) {
    rt::MakeFolders(startFolder_);
    drvDrive.setDrive(startFolder_);
    dirDirectory.setPath(startFolder_);
  }
  lblDirName.setCaption(dirDirectory.Path());
}

void frmInstallInUserFolder::dirDirectory_Change() {
  lblDirName.setCaption(dirDirectory.Path());
}

// A folder the user opens in the list that cannot be shown (gone, or
// denying its listing): the list stays where it was, and the user is told.
void frmInstallInUserFolder::dirDirectory_OpenFailed(const std::string& path,
                                                     const rt::RuntimeError& error) {
  rt::rtcMsgBox("The folder cannot be opened.\n\nFolder: " + path + "\nReason: " + error.reason(),
                rt::vbExclamation);
}

// The screen's error trap: a drive that cannot be shown is reported, and the
// drive list goes back to the drive of the folder still shown.
void frmInstallInUserFolder::drvDrive_Change() {
  rt::OnError([&] { dirDirectory.setPath(drvDrive.Drive()); },
              [&](const rt::RuntimeError&) {
                rt::rtcMsgBox("Drive error!", rt::vbExclamation, "Error");
                drvDrive.setDrive(dirDirectory.Path());
              });
}

void frmInstallInUserFolder::cmdGo_Click() {
  if (Option1.Value()) {
    // The target is whatever the label shows, read afresh for every file.
    InstallFrom(
        *this, lblDirName.Caption(),
        [this](const std::string& name) { return lblDirName.Caption() + "\\" + name; },
        screens_.copyWatcher);
    return;  // the chosen folder is the one the installer runs from
  }
  if (Option2.Value()) TerminateInstallation();
}

}  // namespace setup
