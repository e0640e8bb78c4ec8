#include "screens/frm_install_in_default_folder.h"

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
  {"Label1",      Label,  "The default directory, c:\\Program Files\\Quorvan2005 already exists.  Do "
                          "you wish to install the QUORVAN system into it?  If so, any existing files "
                          "having the same names as new files will be overwritten.",
                                                                           360,  360, 9615, 1095,  0, 12, nullptr,  kPlain},
  {"Frame1",      Frame,  "Select option:",                               720, 1680, 8415, 1335,  1,  0, nullptr,  kPlain},
  {"Option1",     Option, "Yes, proceed to install.",                     480,  360, 7815,  375,  2,  0, "Frame1", kSelected},
  {"Option2",     Option, "No, terminate the installation.",              480,  840, 7695,  375,  3,  0, "Frame1", kPlain},
  {"cmdGo",       Button, kContinueCaption,                               720, 3240, 3855,  735,  4,  0, nullptr,  kPlain},
  {"lblCopying",  Label,  kCopyingNotice,                                 720, 4200, 3855, 1095,  5, 12, nullptr,  kHidden},
};
// clang-format on

}  // namespace

frmInstallInDefaultFolder::frmInstallInDefaultFolder(ScreenRegistry& screens)
    : rt::Screen("Install in Default Folder", kLayout), screens_(screens) {
  cmdGo.Click = [this] { cmdGo_Click(); };
}

void frmInstallInDefaultFolder::Form_Load() {
  setWindowState(rt::vbMaximized);
}

void frmInstallInDefaultFolder::cmdGo_Click() {
  if (Option1.Value()) {
    InstallFrom(*this, DefaultInstallDir, DefaultDestination, screens_.copyWatcher);
    return;  // the installer runs from the default folder: the screen stays open
  }
  if (Option2.Value()) TerminateInstallation();
}

}  // namespace setup
