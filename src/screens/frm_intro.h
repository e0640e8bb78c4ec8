// The welcome screen: install, or exit.
#pragma once

#include "runtime/screen.h"
#include "screens/screen_registry.h"

namespace setup {

class frmIntro : public rt::Screen {
 public:
  explicit frmIntro(ScreenRegistry& screens);

 private:
  void Form_Load() override;
  void cmdInstall_Click();
  void cmdStop_Click();

  ScreenRegistry& screens_;
  rt::CommandButton& cmdStop = control<rt::CommandButton>("cmdStop");
  rt::CommandButton& cmdInstall = control<rt::CommandButton>("cmdInstall");
};

}  // namespace setup
