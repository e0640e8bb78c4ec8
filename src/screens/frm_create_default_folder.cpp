#include "screens/frm_create_default_folder.h"

#include "runtime/files.h"
#include "screens/confirmation.h"
#include "screens/project.h"

namespace setup {
namespace {

using enum rt::ControlKind;
using rt::kHidden, rt::kPlain, rt::kSelected;

// Rows in z-order, from the top: the tab order, the frame before its options,
// the options as they stand.
// clang-format off
constexpr rt::ControlLayout kLayout[] = {
  // control       kind    caption                                        left   top   width height tab font frame     notes
  {"Label1",      Label,  "The c:\\Program Files\\Quorvan2005 folder does not exist.  Do you wish for "
                          "it to be created (if not, installation will not proceed further):",
                                                                           480,  360, 8775,  735,  0, 12, nullptr,  kPlain},
  {"Frame1",      Frame,  "Select option:",                               840, 1680, 8295, 1335,  1,  0, nullptr,  kPlain},
  {"Option1",     Option, "Yes, create it, and proceed with the installation.",
                                                                           360,  360, 5535,  255,  2,  0, "Frame1", kSelected},
  {"Option2",     Option, "No, terminate the installation",               360,  840, 6015,  255,  3,  0, "Frame1", kPlain},
  {"cmdGo",       Button, kContinueCaption,                               840, 3240, 3855,  735,  4,  0, nullptr,  kPlain},
  {"lblCopying",  Label,  kCopyingNotice,                                 840, 4200, 3855, 1095,  5, 12, nullptr,  kHidden},
};
// clang-format on

}  // namespace

frmCreateDefaultFolder::frmCreateDefaultFolder(ScreenRegistry& screens)
    : rt::Screen("Create Default Folder", kLayout), screens_(screens) {
  cmdGo.Click = [this] { cmdGo_Click(); };
}

void frmCreateDefaultFolder::Form_Load() {
  setWindowState(rt::vbMaximized);
}

void frmCreateDefaultFolder::cmdGo_Click() {
  if (Option1.Value()) {
    rt::rtcMakeDir(DefaultInstallDir);
    InstallFrom(*this, DefaultInstallDir, DefaultDestination, screens_.copyWatcher);
    return;  // the installer runs from the default folder: the screen stays open
  }
  if (Option2.Value()) TerminateInstallation();
}

}  // namespace setup
