#include "screens/frm_intro.h"

#include "runtime/program.h"
#include "screens/frm_option.h"

namespace setup {
namespace {

using enum rt::ControlKind;
using rt::kCentred, rt::kPlain;

// Rows in z-order, from the top: the tab order, each label before what it names.
// clang-format off
constexpr rt::ControlLayout kLayout[] = {
  // control       kind    caption                                      left   top   width height tab font frame    notes
  {"Label1",      Label,  "QUORVAN Installation / Setup Program",       1320, 1080, 7575,  735,  0, 18, nullptr, kCentred},
  {"cmdInstall",  Button, "Click here to install the QUORVAN system",   3600, 3840, 3255,  615,  1,  0, nullptr, kPlain},
  {"Label2",      Label,  "This program will install the QUORVAN 2005 system in folder "
                          "c:\\Program Files\\Quorvan2005\\ or other folder of your choice.",
                                                                        2400, 2160, 5775,  855,  2, 12, nullptr, kPlain},
  {"cmdStop",     Button, "Click here to exit.",                        3600, 4680, 3255,  495,  3,  0, nullptr, kPlain},
};
// clang-format on

}  // namespace

frmIntro::frmIntro(ScreenRegistry& screens) : rt::Screen("Intro", kLayout), screens_(screens) {
  cmdInstall.Click = [this] { cmdInstall_Click(); };
  cmdStop.Click = [this] { cmdStop_Click(); };
}

void frmIntro::Form_Load() {
  setWindowState(rt::vbMaximized);
}

void frmIntro::cmdInstall_Click() {
  screens_.get<frmOption>().Show(rt::vbModal);
}

void frmIntro::cmdStop_Click() {
  rt::End();
}

}  // namespace setup
