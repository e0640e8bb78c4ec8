#include "screens/frm_option.h"

#include "runtime/files.h"
#include "screens/frm_create_default_folder.h"
#include "screens/frm_install_in_default_folder.h"
#include "screens/frm_install_in_user_folder.h"
#include "screens/project.h"

namespace setup {
namespace {

using enum rt::ControlKind;
using rt::kPlain;

// Rows in z-order, from the top: the tab order, each label before what it names.
// clang-format off
constexpr rt::ControlLayout kLayout[] = {
  // control             kind    caption                                   left   top   width height tab font frame    notes
  {"Label1",            Label,  "Click here to install QUORVAN in the default folder, "
                                "c:\\Program Files\\Quorvan2005\\ :",      360,  360, 5175,  735,  0, 12, nullptr, kPlain},
  {"cmdInstallDefault", Button, "Install in default folder",              5880,  480, 2055,  495,  1,  0, nullptr, kPlain},
  {"Label2",            Label,  "Click here to install QUORVAN in a different folder:",
                                                                           240, 1560, 5295,  615,  2, 12, nullptr, kPlain},
  {"cmdInstallCustom",  Button, "Install in a different folder",          5880, 1560, 2055,  495,  3,  0, nullptr, kPlain},
};
// clang-format on

}  // namespace

frmOption::frmOption(ScreenRegistry& screens) : rt::Screen("Option", kLayout), screens_(screens) {
  cmdInstallDefault.Click = [this] { cmdInstallDefault_Click(); };
  cmdInstallCustom.Click = [this] { cmdInstallCustom_Click(); };
}

void frmOption::Form_Load() {
  setWindowState(rt::vbMaximized);
}

// Probes the default folder afresh on every click: any entry of that name,
// folder or ordinary file, counts as present.
void frmOption::cmdInstallDefault_Click() {
  if (rt::rtcDir(DefaultInstallDir, rt::vbDirectory).empty())
    screens_.get<frmCreateDefaultFolder>().Show(rt::vbModal);
  else
    screens_.get<frmInstallInDefaultFolder>().Show(rt::vbModal);
}

void frmOption::cmdInstallCustom_Click() {
  screens_.get<frmInstallInUserFolder>().Show(rt::vbModal);
}

}  // namespace setup
