// One instance of each screen, created the first time it is asked for and
// kept until the program ends.
#pragma once

#include <memory>
#include <tuple>

namespace setup {

class CopyObserver;

class frmIntro;
class frmOption;
class frmCreateDefaultFolder;
class frmInstallInDefaultFolder;
class frmInstallInUserFolder;

class ScreenRegistry {
 public:
  ScreenRegistry();
  ~ScreenRegistry();
  ScreenRegistry(const ScreenRegistry&) = delete;
  ScreenRegistry& operator=(const ScreenRegistry&) = delete;

  // Hears every copy the screens run, besides the screen itself (the
  // installation log); nullptr for none.
  CopyObserver* copyWatcher = nullptr;

  // The screen's instance; include the screen's header to call it.
  template <class T>
  T& get() {
    auto& slot = std::get<std::unique_ptr<T>>(screens_);
    if (!slot) slot = std::make_unique<T>(*this);
    return *slot;
  }

 private:
  std::tuple<std::unique_ptr<frmIntro>, std::unique_ptr<frmOption>,
             std::unique_ptr<frmCreateDefaultFolder>, std::unique_ptr<frmInstallInDefaultFolder>,
             std::unique_ptr<frmInstallInUserFolder>>
      screens_;
};

}  // namespace setup
