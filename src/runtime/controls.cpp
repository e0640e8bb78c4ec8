#include "runtime/controls.h"

#include <algorithm>

#include "runtime/desktop.h"
#include "runtime/screen.h"

namespace rt {

bool Control::canTakeFocus() const {
  return visible_ && kind() != ControlKind::Label && kind() != ControlKind::Frame &&
         kind() != ControlKind::ProgressBar;
}

void Control::setCaption(std::string caption) {
  caption_ = std::move(caption);
  changed();
}

void Control::setVisible(bool visible) {
  visible_ = visible;
  changed();
}

void Control::reset() {
  caption_ = layout_.caption ? layout_.caption : "";
  visible_ = (layout_.notes & kHidden) == 0;
  changed();
}

void Control::changed() {
  if (screen_.loaded()) desktop().update(*this);
}

void OptionButton::setValue(bool value) {
  if (value) {
    const std::string_view frame = layout().container ? layout().container : "";
    for (const auto& other : screen().controls()) {
      auto* option = As<OptionButton>(other.get());
      if (option && option != this && option->value_ &&
          frame == (option->layout().container ? option->layout().container : "")) {
        option->value_ = false;
        option->changed();
      }
    }
  }
  value_ = value;
  changed();
}

void OptionButton::reset() {
  value_ = (layout().notes & kSelected) != 0;
  Control::reset();
}

void ProgressBar::setMax(std::uint64_t max) {
  max_ = max;
  value_ = std::min(value_, max_);
  changed();
}

void ProgressBar::setValue(std::uint64_t value) {
  value_ = std::min(value, max_);
  changed();
}

unsigned ProgressBar::filled(unsigned steps) const {
  if (max_ == 0) return steps;
  // Both scaled down alike until value * steps cannot overflow.
  std::uint64_t value = value_, max = max_;
  while (max > UINT32_MAX) {
    value >>= 1;
    max >>= 1;
  }
  return static_cast<unsigned>(value * steps / max);
}

void ProgressBar::reset() {
  max_ = 0;
  value_ = 0;
  Control::reset();
}

}  // namespace rt
