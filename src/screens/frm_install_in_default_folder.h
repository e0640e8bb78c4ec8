// Confirmation when the default folder is present: install into it?
#pragma once

#include "runtime/screen.h"
#include "screens/screen_registry.h"

namespace setup {

class frmInstallInDefaultFolder : public rt::Screen {
 public:
  explicit frmInstallInDefaultFolder(ScreenRegistry& screens);

 private:
  void Form_Load() override;
  void cmdGo_Click();

  ScreenRegistry& screens_;

  rt::CommandButton& cmdGo = control<rt::CommandButton>("cmdGo");
  rt::OptionButton& Option2 = control<rt::OptionButton>("Option2");
  rt::OptionButton& Option1 = control<rt::OptionButton>("Option1");
};

}  // namespace setup
