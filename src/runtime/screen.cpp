#include "runtime/screen.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "runtime/desktop.h"
#include "runtime/error.h"

namespace rt {
namespace {

// The loaded screens, in the order they were loaded.
std::vector<Screen*>& LoadedScreens() {
  static std::vector<Screen*> screens;
  return screens;
}

std::unique_ptr<Control> MakeControl(Screen& screen, const ControlLayout& layout) {
  switch (layout.kind) {
    case ControlKind::Button:
      return std::make_unique<CommandButton>(screen, layout);
    case ControlKind::Label:
      return std::make_unique<Label>(screen, layout);
    case ControlKind::Frame:
      return std::make_unique<Frame>(screen, layout);
    case ControlKind::Option:
      return std::make_unique<OptionButton>(screen, layout);
    case ControlKind::DriveList:
      return std::make_unique<DriveListBox>(screen, layout);
    case ControlKind::FolderList:
      return std::make_unique<DirListBox>(screen, layout);
    case ControlKind::ProgressBar:
      return std::make_unique<ProgressBar>(screen, layout);
  }
  return nullptr;  // not reached: every kind is above
}

// What is wrong with one row of a screen's layout table, given the rows
// above it; "" when nothing is.
std::string LayoutFault(std::span<const ControlLayout> above, const ControlLayout& row) {
  if (!row.name || !*row.name) return "The control has no name.";
  const auto named = [&](const char* name) {
    return std::find_if(above.begin(), above.end(), [&](const ControlLayout& other) {
      return std::string_view(other.name) == name;
    });
  };
  if (named(row.name) != above.end()) return "Another control of the screen has this name.";
  if (row.container) {
    const auto frame = named(row.container);
    if (frame == above.end())
      return std::string("The frame ") + row.container + " is not above the control.";
    if (frame->kind != ControlKind::Frame)
      return std::string("The control ") + row.container + " that holds it is not a frame.";
  }
  const bool label = row.kind == ControlKind::Label;
  if ((row.notes & (kCentred | kSingleLine | kBordered)) && !label)
    return "Only a label is centred, kept on one line or bordered.";
  if ((row.notes & kSelected) && row.kind != ControlKind::Option)
    return "Only an option button starts selected.";
  if (row.width < 0 || row.height < 0 || row.fontPoints < 0)
    return "The control has a negative size.";
  return {};
}

}  // namespace

Screen::Screen(std::string caption, std::span<const ControlLayout> layout)
    : caption_(std::move(caption)) {
  // The table is checked once, here: a control that is named, found and
  // bound later is sure to be there, of its kind, in its frame.
  for (size_t row = 0; row < layout.size(); ++row) {
    const std::string fault = LayoutFault(layout.first(row), layout[row]);
    if (!fault.empty())
      throw RuntimeError(
          "the screen's layout is not valid",
          {{"Screen", caption_}, {"Control", layout[row].name ? layout[row].name : ""}}, fault);
  }
  for (const auto& row : layout) controls_.push_back(MakeControl(*this, row));
  designedControls_ = controls_.size();
}

void Screen::NoSuchControl(std::string_view name) const {
  throw RuntimeError("could not find a control", {{caption_, std::string(name)}}, {});
}

ProgressBar& Screen::addProgressBar(const ControlLayout& layout) {
  auto bar = std::make_unique<ProgressBar>(*this, layout);
  ProgressBar& added = *bar;
  controls_.push_back(std::move(bar));
  added.reset();
  if (loaded_) desktop().add(added);
  return added;
}

void Screen::removeControl(Control& control) {
  if (controls_.size() <= designedControls_ || controls_.back().get() != &control) return;
  if (loaded_) desktop().remove(control);
  controls_.pop_back();
}

void Screen::removeAddedControls() {
  while (controls_.size() > designedControls_) removeControl(*controls_.back());
}

Control* Screen::find(std::string_view name) const {
  for (const auto& control : controls_)
    if (name == control->name()) return control.get();
  return nullptr;
}

void Screen::load() {
  windowState_ = vbNormalState;
  enabled_ = true;
  desktop().open(*this);
  loaded_ = true;
  LoadedScreens().push_back(this);
  for (const auto& control : controls_) control->reset();
  Form_Load();
}

void Screen::Show(int modal) {
  if (!loaded_) load();
  if (!visible_) {
    visible_ = true;
    desktop().show(*this);
  }
  if (modal != vbModal) return;

  for (Screen* other : LoadedScreens()) {
    if (other != this && other->enabled_) {
      other->setEnabled(false);
      disabledByModal_.push_back(other);
    }
  }
  desktop().runUntil([this] { return !visible_; });
  releaseModal();
}

void Screen::releaseModal() {
  for (Screen* other : disabledByModal_)
    if (other->loaded_) other->setEnabled(true);
  disabledByModal_.clear();
}

void Screen::Hide() {
  if (!visible_) return;
  releaseModal();
  visible_ = false;
  desktop().hide(*this);
}

void Screen::Unload() {
  if (!loaded_) return;
  auto& loaded = LoadedScreens();
  loaded.erase(std::remove(loaded.begin(), loaded.end(), this), loaded.end());
  releaseModal();
  removeAddedControls();
  loaded_ = false;
  visible_ = false;
  desktop().close(*this);
}

void Screen::Refresh() {
  if (loaded_) desktop().refresh(*this);
}

void Screen::setWindowState(int state) {
  windowState_ = state;
  if (visible_) desktop().show(*this);
}

void Screen::setEnabled(bool enabled) {
  enabled_ = enabled;
  desktop().setEnabled(*this, enabled);
}

bool AnyScreenLoaded() {
  return !LoadedScreens().empty();
}

void UnloadAllScreens() {
  while (!LoadedScreens().empty()) LoadedScreens().back()->Unload();
}

}  // namespace rt
