// Installation into an existing folder the user picks from a drive list and
// a folder list.
#pragma once

#include "app/screen_registry.h"
#include "runtime/screen.h"

namespace setup {

class frmInstallInUserFolder : public rt::Screen {
 public:
  explicit frmInstallInUserFolder(ScreenRegistry& screens);

 private:
  void Form_Load() override;
  void dirDirectory_Change();
  void drvDrive_Change();
  void cmdGo_Click();

  rt::OptionButton& Option1 = control<rt::OptionButton>("Option1");
  rt::OptionButton& Option2 = control<rt::OptionButton>("Option2");
  rt::CommandButton& cmdGo = control<rt::CommandButton>("cmdGo");
  rt::DirListBox& dirDirectory = control<rt::DirListBox>("dirDirectory");
  rt::DriveListBox& drvDrive = control<rt::DriveListBox>("drvDrive");
  rt::Label& lblDirName = control<rt::Label>("lblDirName");
};

}  // namespace setup
