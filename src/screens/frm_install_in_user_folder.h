// Installation into an existing folder the user picks from a drive list and
// a folder list.
#pragma once

#include <string>

#include "runtime/error.h"
#include "runtime/screen.h"
#include "screens/screen_registry.h"

namespace setup {

class frmInstallInUserFolder : public rt::Screen {
 public:
  explicit frmInstallInUserFolder(ScreenRegistry& screens);

  // The folder the lists open on, from /D=, made with its parents when the
  // screen loads; "" for drive C.
  void openOn(std::string folder) { startFolder_ = std::move(folder); }

 private:
  void Form_Load() override;
  void dirDirectory_Change();
  void dirDirectory_OpenFailed(const std::string& path, const rt::RuntimeError& error);
  void drvDrive_Change();
  void cmdGo_Click();

  ScreenRegistry& screens_;

  rt::OptionButton& Option1 = control<rt::OptionButton>("Option1");
  rt::OptionButton& Option2 = control<rt::OptionButton>("Option2");
  rt::CommandButton& cmdGo = control<rt::CommandButton>("cmdGo");
  rt::DirListBox& dirDirectory = control<rt::DirListBox>("dirDirectory");
  rt::DriveListBox& drvDrive = control<rt::DriveListBox>("drvDrive");
  rt::Label& lblDirName = control<rt::Label>("lblDirName");
  std::string startFolder_;
};

}  // namespace setup
