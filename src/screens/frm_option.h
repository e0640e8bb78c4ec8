// The choice of target: the default folder, or one of the user's choosing.
#pragma once

#include "runtime/screen.h"
#include "screens/screen_registry.h"

namespace setup {

class frmOption : public rt::Screen {
 public:
  explicit frmOption(ScreenRegistry& screens);

 private:
  void Form_Load() override;
  void cmdInstallDefault_Click();
  void cmdInstallCustom_Click();

  ScreenRegistry& screens_;
  rt::CommandButton& cmdInstallCustom = control<rt::CommandButton>("cmdInstallCustom");
  rt::CommandButton& cmdInstallDefault = control<rt::CommandButton>("cmdInstallDefault");
};

}  // namespace setup
