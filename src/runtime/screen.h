// Screens: top-level windows built from a layout table, shown modelessly or
// modally, one instance per screen type.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "runtime/controls.h"

namespace rt {

constexpr int vbModal = 1;
constexpr int vbNormalState = 0;
constexpr int vbMaximized = 2;

// Client area of every screen before it maximises itself, in twips.
constexpr int kDesignWidthTwips = 4680;
constexpr int kDesignHeightTwips = 3090;

class Screen {
 public:
  Screen(std::string caption, std::span<const ControlLayout> layout);
  virtual ~Screen() = default;
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  const std::string& Caption() const { return caption_; }
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }
  // The control of that name, or nullptr.
  Control* find(std::string_view name) const;
  // The control of that name and kind; a screen binds its controls with it.
  // Raises a run-time error when the screen has no such control.
  template <class T>
  T& control(std::string_view name) const {
    if (auto* found = As<T>(find(name))) return *found;
    NoSuchControl(name);
  }

  // A control that is not in the layout table, made at run time on top of
  // the others (a progress bar while a copy runs), and taken away again.
  // Only the last one added can be removed; loading the screen removes all.
  ProgressBar& addProgressBar(const ControlLayout& layout);
  void removeControl(Control& control);

  // Loads the screen if it is not loaded (design-time state, then Form_Load)
  // and shows it. With vbModal the other screens are disabled and the call
  // returns only when this screen has been hidden or unloaded.
  void Show(int modal = 0);
  void Hide();
  // Closes the window; the instance stays and loads afresh when shown again.
  void Unload();
  // Repaints the screen at once.
  void Refresh();
  int WindowState() const { return windowState_; }
  void setWindowState(int state);

  bool loaded() const { return loaded_; }
  bool visible() const { return visible_; }
  bool enabled() const { return enabled_; }

  // The desktop calls this when the user closes the window.
  void closedByUser() { Unload(); }

 protected:
  virtual void Form_Load() {}

 private:
  [[noreturn]] void NoSuchControl(std::string_view name) const;
  void removeAddedControls();
  void load();
  void setEnabled(bool enabled);
  // Enables again the screens a modal Show disabled; done before this screen
  // goes, so that the screen below is ready to take the activation.
  void releaseModal();

  std::string caption_;
  std::vector<std::unique_ptr<Control>> controls_;
  size_t designedControls_ = 0;  // the layout table's; the rest were added
  int windowState_ = vbNormalState;
  bool loaded_ = false;
  bool visible_ = false;
  bool enabled_ = true;
  std::vector<Screen*> disabledByModal_;
};

// True while any screen is loaded.
bool AnyScreenLoaded();
// Unloads every screen; used when the program ends.
void UnloadAllScreens();

}  // namespace rt
