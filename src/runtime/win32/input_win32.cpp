// The user's input on the Windows desktop: what a click, a choice or Enter in
// a screen's control does to the control, and the events it raises.
#include <string>
#include <vector>

#include "runtime/controls.h"
#include "runtime/program.h"
#include "runtime/win32/desktop_win32.h"
#include "runtime/win32/screen_window_win32.h"

namespace rt::win32 {
namespace {

// An entry of a control's list, from the index a list window gives; nullptr
// for none (-1) or one out of range.
template <class Entry>
const Entry* EntryAt(const std::vector<Entry>& entries, LRESULT index) {
  if (index < 0 || static_cast<size_t>(index) >= entries.size()) return nullptr;
  return &entries[static_cast<size_t>(index)];
}

}  // namespace

void Win32Desktop::command(ScreenWindow& window, int id, int notification) {
  Screen& screen = *window.screen;
  if (id == IDOK) {  // Enter: presses the focused button, opens the focused folder list's entry
    HWND focus = GetFocus();
    const int focusId = focus ? GetDlgCtrlID(focus) : 0;
    Control* focused = ControlOfId(screen, focusId);
    if (!focused) return;
    if (As<DirListBox>(focused))
      command(window, focusId, LBN_DBLCLK);
    else if (focused->kind() == ControlKind::Button)
      RaiseEvent(focused->Click);
    return;
  }
  Control* control = ControlOfId(screen, id);
  if (!control) return;
  HWND hwnd = GetDlgItem(window.hwnd.get(), id);

  if (auto* option = As<OptionButton>(control)) {
    if (notification == BN_CLICKED) RaiseEvent([option] { option->setValue(true); });
  } else if (auto* drives = As<DriveListBox>(control)) {
    // While the list is dropped, the arrows move its highlight only; the
    // drive is taken when it closes on a choice. Closed, it takes each one.
    bool take = false;
    if (notification == CBN_SELCHANGE) {
      take = !SendMessageW(hwnd, CB_GETDROPPEDSTATE, 0, 0);
    } else if (notification == CBN_SELENDOK) {
      window.driveChosen = true;
    } else if (notification == CBN_SELENDCANCEL) {
      window.driveChosen = false;
      SendMessageW(hwnd, CB_SETCURSEL, ListIndex(drives->selectedIndex()), 0);
    } else if (notification == CBN_CLOSEUP) {
      take = window.driveChosen;
      window.driveChosen = false;
    }
    const auto* entry = EntryAt(drives->entries(), SendMessageW(hwnd, CB_GETCURSEL, 0, 0));
    if (take && entry) {
      const char letter = entry->letter;
      RaiseEvent([drives, letter] { drives->setDrive(std::string{letter, ':', '\\'}); });
    }
  } else if (auto* folders = As<DirListBox>(control)) {
    const auto* entry = EntryAt(folders->entries(), SendMessageW(hwnd, LB_GETCURSEL, 0, 0));
    if (notification == LBN_DBLCLK && entry) {
      const std::string path = entry->path;
      RaiseEvent([folders, path] { folders->open(path); });
    }
  } else if (control->kind() == ControlKind::Button && notification == BN_CLICKED) {
    RaiseEvent(control->Click);
  }
}

}  // namespace rt::win32
