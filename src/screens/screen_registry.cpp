#include "screens/screen_registry.h"

#include "screens/frm_create_default_folder.h"
#include "screens/frm_install_in_default_folder.h"
#include "screens/frm_install_in_user_folder.h"
#include "screens/frm_intro.h"
#include "screens/frm_option.h"

namespace setup {

ScreenRegistry::ScreenRegistry() = default;
ScreenRegistry::~ScreenRegistry() = default;

}  // namespace setup
