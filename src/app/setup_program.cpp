#include "app/setup_program.h"

#include "app/project.h"
#include "app/screen_registry.h"
#include "runtime/program.h"
#include "screens/frm_create_default_folder.h"
#include "screens/frm_install_in_default_folder.h"
#include "screens/frm_install_in_user_folder.h"
#include "screens/frm_intro.h"
#include "screens/frm_option.h"

namespace setup {

ScreenRegistry::ScreenRegistry() = default;
ScreenRegistry::~ScreenRegistry() = default;

int RunSetup() {
  ScreenRegistry screens;
  const rt::ProjectDescriptor project{kProjectName, kAppTitle, kLocale,
                                      [&]() -> rt::Screen& { return screens.get<frmIntro>(); }};
  return rt::ThunRTMain(project);
}

}  // namespace setup
