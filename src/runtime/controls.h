// Controls of a screen: their design-time layout and their run-time state.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

namespace rt {

class Screen;
class RuntimeError;

enum class ControlKind { Button, Label, Frame, Option, DriveList, FolderList, ProgressBar };

// Layout notes of a control (not the attributes of rtcDir).
enum LayoutNote : unsigned {
  kPlain = 0,
  kCentred = 1u << 0,     // label text centred within its box
  kSingleLine = 1u << 1,  // label text kept on one line
  kHidden = 1u << 2,      // starts hidden
  kSelected = 1u << 3,    // option button starts selected
  kBordered = 1u << 4,    // single-line border, window-background colour
};

// One row of a screen's layout table. Positions and sizes are in twips,
// relative to the client area, or to the frame named in `container`.
struct ControlLayout {
  const char* name;
  ControlKind kind;
  const char* caption;
  int left, top, width, height;
  int tabIndex;
  int fontPoints;         // 0: the screen's standard font
  const char* container;  // frame holding the control, or nullptr
  unsigned notes;
};

class Control {
 public:
  Control(Screen& screen, const ControlLayout& layout) : screen_(screen), layout_(layout) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Screen& screen() const { return screen_; }
  const ControlLayout& layout() const { return layout_; }
  const char* name() const { return layout_.name; }
  ControlKind kind() const { return layout_.kind; }
  bool canTakeFocus() const;

  const std::string& Caption() const { return caption_; }
  void setCaption(std::string caption);
  bool Visible() const { return visible_; }
  void setVisible(bool visible);

  // Event handlers, set by the screen that owns the control.
  std::function<void()> Click;
  std::function<void()> Change;

  // Back to the design-time state; called when the screen loads.
  virtual void reset();

 protected:
  void changed();  // tells the desktop to show the new state

 private:
  Screen& screen_;
  ControlLayout layout_;
  std::string caption_;
  bool visible_ = true;
};

// The kinds with no state beyond a control's: distinct classes all the same,
// so that a screen binding a control by name and kind gets what it asks for.
template <ControlKind Kind>
class PlainControl : public Control {
 public:
  static constexpr ControlKind kKind = Kind;
  using Control::Control;
};
using CommandButton = PlainControl<ControlKind::Button>;
using Label = PlainControl<ControlKind::Label>;
using Frame = PlainControl<ControlKind::Frame>;

class OptionButton : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::Option;
  using Control::Control;
  bool Value() const { return value_; }
  // Selecting an option clears the others of its frame.
  void setValue(bool value);
  void reset() override;

 private:
  bool value_ = false;
};

// A bar that fills as work gets done: Value out of Max, both in any unit
// (bytes, say). A Max of 0 shows the bar full: there was nothing to do.
class ProgressBar : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::ProgressBar;
  using Control::Control;
  std::uint64_t Max() const { return max_; }
  std::uint64_t Value() const { return value_; }
  void setMax(std::uint64_t max);
  // Held at Max.
  void setValue(std::uint64_t value);
  // How full the bar is, in `steps` steps: 0 to steps.
  unsigned filled(unsigned steps) const;
  void reset() override;

 private:
  std::uint64_t max_ = 0;
  std::uint64_t value_ = 0;
};

// A drop-down list of the drives. It starts on the current drive.
class DriveListBox : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::DriveList;
  struct Entry {
    char letter;
    std::string text;  // "c: [SYSTEM]"
  };
  using Control::Control;
  // "c:" for the selected drive.
  std::string Drive() const;
  // Selects the drive of `path` ("d:\data" selects D) and raises Change when
  // it differs from the selected one.
  void setDrive(const std::string& path);
  const std::vector<Entry>& entries() const { return entries_; }
  int selectedIndex() const;
  void reset() override;

 private:
  char letter_ = 'C';
  std::vector<Entry> entries_;
};

// A list of folders: the path from the root down to the current folder, then
// the current folder's sub-folders.
class DirListBox : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::FolderList;
  struct Entry {
    std::string text;  // what the line shows ("c:\", "Program Files")
    std::string path;  // the folder it opens
    int depth;         // indentation level
    bool open;         // on the path to the current folder (or the current folder)
  };
  using Control::Control;
  const std::string& Path() const { return path_; }
  // Shows `path`; a bare drive ("d:") shows that drive's current folder.
  // Raises Change when the path changes. When the folder cannot be shown,
  // raises a run-time error and the list stays as it was.
  void setPath(const std::string& path);
  // The user opens the entry for `path` (a double click, or Enter): the list
  // shows it, or, when it cannot be opened (gone, or denying its listing),
  // stays as it was, with no Change, and raises OpenFailed with the error;
  // with no handler for it, the error goes on.
  void open(const std::string& path);
  std::function<void(const std::string& path, const RuntimeError& error)> OpenFailed;
  const std::vector<Entry>& entries() const { return entries_; }
  int currentIndex() const;
  void reset() override;

 private:
  std::string path_;
  std::vector<Entry> entries_;
};

// The control as the class of its kind, or nullptr when it is of another
// kind. Every control is made as the class of its layout's kind.
template <class T, class C>
T* As(C* control) {
  if constexpr (std::is_same_v<std::remove_const_t<T>, Control>)
    return control;
  else
    return control && control->kind() == T::kKind ? static_cast<T*>(control) : nullptr;
}

}  // namespace rt
