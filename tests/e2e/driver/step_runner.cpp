#include "step_runner.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <thread>
#include <vector>

#include "box_icon.h"
#include "bystander.h"
#include "canvas.h"
#include "keyboard.h"
#include "legibility.h"
#include "message_box.h"
#include "process_windows.h"
#include "runtime/win32/layout_font.h"
#include "screenshot.h"
#include "wide_text.h"

namespace e2e {
namespace {

// Time for a screen to paint itself before a screenshot.
constexpr auto kPaintTime = std::chrono::milliseconds(300);

std::vector<HWND> Screens(DWORD processId) {
  std::vector<HWND> screens;
  for (HWND window : VisibleTopLevelWindows(processId)) {
    if (!IsMessageBox(window)) screens.push_back(window);
  }
  return screens;
}

HWND ScreenTitled(DWORD processId, const std::wstring& title) {
  for (HWND window : Screens(processId)) {
    if (TextOf(window) == title) return window;
  }
  return nullptr;
}

HWND ButtonCaptioned(HWND screen, const std::wstring& caption) {
  for (HWND control : ControlsOf(screen)) {
    if (EqualIgnoringCase(ClassNameOf(control), L"BUTTON") &&
        !IsButtonClass(control, BS_GROUPBOX) && IsWindowVisible(control) &&
        TextOf(control) == caption) {
      return control;
    }
  }
  return nullptr;
}

std::wstring DriveOf(wchar_t letter) {
  return std::wstring(1, letter) + L":";
}

// Selects entry `index` of a list as a user would, and tells its screen with
// the notification the list sends for that.
void Pick(HWND list, UINT select, size_t index, WORD notification) {
  SendWithTimeout(list, select, index, 0);
  PostMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), notification),
               reinterpret_cast<LPARAM>(list));
  WaitUntilTaken(list);
}

bool IsMessageStep(StepKind kind) {
  return kind == StepKind::Message || kind == StepKind::Warning || kind == StepKind::Report ||
         kind == StepKind::Outcome || kind == StepKind::ShowsMessage;
}

// What a screen reader calls the control: its own text, or for a list (which
// has none) the text of the label just before it in z-order.
std::wstring AccessibleName(HWND control) {
  const std::wstring className = ClassNameOf(control);
  if (!EqualIgnoringCase(className, L"COMBOBOX") && !EqualIgnoringCase(className, L"LISTBOX"))
    return TextOf(control);
  for (HWND before = GetWindow(control, GW_HWNDPREV); before;
       before = GetWindow(before, GW_HWNDPREV)) {
    if (!HasVisibleStyle(before)) continue;
    if (EqualIgnoringCase(ClassNameOf(before), L"STATIC")) return TextOf(before);
    break;
  }
  return {};
}

// Letters stand a pixel or two inside their advance widths, and a wrapped
// line may end in a blank: at 96 dpi, and as much more as the DPI is.
constexpr int kBearingTolerance = 10;

// The width of the pixels that differ from the window's background colour
// (that of its top-left corner), as the screen shows it.
int InkWidth(HWND window) {
  RECT box{};
  GetClientRect(window, &box);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const int width = box.right, height = box.bottom;
  if (width <= 0 || height <= 0) return 0;
  ScreenDc screen;
  Canvas shown(screen.get(), width, height);
  shown.grab(screen.get(), origin.x, origin.y);
  const uint32_t background = shown.pixel(0, 0);
  int left = width, right = -1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (shown.pixel(x, y) == background) continue;
      left = std::min(left, x);
      right = std::max(right, x);
    }
  }
  return right < left ? 0 : right - left + 1;
}

// Whether the screen shows all of the window's client area.
bool WhollyOnScreen(HWND window) {
  RECT box{};
  GetClientRect(window, &box);
  POINT corners[2] = {{box.left, box.top}, {box.right, box.bottom}};
  MapWindowPoints(window, nullptr, corners, 2);
  return corners[0].x >= 0 && corners[0].y >= 0 && corners[1].x <= GetSystemMetrics(SM_CXSCREEN) &&
         corners[1].y <= GetSystemMetrics(SM_CYSCREEN);
}

// The window of the process's thread that has the keyboard focus.
HWND FocusOf(HWND screen) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(screen, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

// The lists and the folder label use the screens' standard font size.
constexpr int kStandardPoints = 8;

// Where the screen shows `text`, in screen coordinates: a label showing it,
// the folder list's entry, the drive list's selected entry, and the entry of
// the drive list while it is dropped down.
std::vector<RECT> PlacesOf(HWND screen, const std::wstring& text) {
  std::vector<RECT> places;
  const auto add = [&](HWND control, const RECT& box) {
    POINT corners[2] = {{box.left, box.top}, {box.right, box.bottom}};
    MapWindowPoints(control, nullptr, corners, 2);
    places.push_back(RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y});
  };
  const auto addEntry = [&](HWND list) {
    const auto items = ListBoxItems(list);
    const auto entry = std::find(items.begin(), items.end(), text);
    RECT box{};
    if (entry != items.end() &&
        SendWithTimeout(list, LB_GETITEMRECT, static_cast<WPARAM>(entry - items.begin()),
                        reinterpret_cast<LPARAM>(&box)))
      add(list, box);
  };
  DWORD processId = 0;
  GetWindowThreadProcessId(screen, &processId);
  std::vector<HWND> windows = ControlsOf(screen);
  for (HWND window : VisibleTopLevelWindows(processId)) {
    if (EqualIgnoringCase(ClassNameOf(window), L"ComboLBox")) windows.push_back(window);
  }
  for (HWND control : windows) {
    if (!IsWindowVisible(control)) continue;
    const std::wstring className = ClassNameOf(control);
    RECT box{};
    if (EqualIgnoringCase(className, L"STATIC") && TextOf(control) == text) {
      GetClientRect(control, &box);
      add(control, box);
    } else if (EqualIgnoringCase(className, L"LISTBOX") ||
               EqualIgnoringCase(className, L"ComboLBox")) {
      addEntry(control);
    } else if (EqualIgnoringCase(className, L"COMBOBOX")) {
      const auto items = ComboBoxItems(control);
      const int selected = ComboBoxSelection(control);
      if (selected >= 0 && selected < static_cast<int>(items.size()) && items[selected] == text) {
        GetClientRect(control, &box);
        add(control, box);
      }
    }
  }
  return places;
}

constexpr std::wstring_view kCompleted = L"Installation completed successfully.";

// The screen's progress bar, while it is shown.
HWND ProgressBarOf(HWND screen) {
  return FirstVisibleControl(screen, PROGRESS_CLASSW);
}

}  // namespace

std::optional<std::wstring> StepRunner::run(const Step& step) {
  measured_.clear();
  return waitFor(step, checkFor(step));
}

std::optional<std::wstring> StepRunner::waitFor(const Step& step, const Check& check) {
  const auto deadline = std::chrono::steady_clock::now() + options_.stepTimeout;
  heldAt_ = {};
  for (;;) {
    // The end of the program, or a message box, that the step does not expect
    // fails it at once.
    if (step.kind != StepKind::Exit && step.kind != StepKind::Outcome) {
      if (const auto status = process_.exitStatus()) {
        return L"the program to keep running, but it ended with status " + std::to_wstring(*status);
      }
    }
    // A program started to show nothing must show nothing, ever: a window
    // of its own, or a message box, stays until someone answers it.
    if (options_.noWindows) {
      if (!VisibleTopLevelWindows(process_.id()).empty()) {
        return L"no window of the program, but it shows:\n" + DescribeWindows(process_.id());
      }
    }
    // A closing screen hands the activation to the screen below; no other
    // program's window may get it while the program runs.
    if (step.kind != StepKind::Exit && step.kind != StepKind::Outcome &&
        BystanderActivations() > 0) {
      return L"the activation to stay with the program, but another program's window was "
             L"activated";
    }
    // A screenshot may show a message box; keys go to whatever has the focus.
    // A box that keys have just answered may still be on its way out.
    if (!IsMessageStep(step.kind) && step.kind != StepKind::Shot && step.kind != StepKind::Keys) {
      if (const auto box = OpenMessageBox(process_.id())) {
        if (box->window != typedInto_ || std::chrono::steady_clock::now() > deadline) {
          return L"no message box, but the box " + Quoted(box->title) + L" shows " +
                 Quoted(box->text);
        }
        std::this_thread::sleep_for(options_.pollInterval);
        continue;
      }
    }
    const Verdict verdict = check();
    if (verdict.state == Verdict::Holds) {
      if (heldAt_ == std::chrono::steady_clock::time_point{}) {
        heldAt_ = std::chrono::steady_clock::now();
      }
      return std::nullopt;
    }
    if (verdict.state == Verdict::Failed || std::chrono::steady_clock::now() > deadline) {
      return verdict.expected;
    }
    std::this_thread::sleep_for(options_.pollInterval);
  }
}

StepRunner::Check StepRunner::checkFor(const Step& step) {
  const std::wstring& argument = step.argument;
  switch (step.kind) {
    case StepKind::Screen:
      return [this, &argument] { return screenOnTop(argument); };

    case StepKind::Text:
      return [this, &step] {
        return actOnScreen([&](HWND screen) {
          for (HWND control : ControlsOf(screen)) {
            if (IsWindowVisible(control) && TextOf(control) == step.text) return Verdict::holds();
          }
          return Verdict::waiting(L"a visible control showing " + Quoted(step.text));
        });
      };

    case StepKind::Hidden:
      return [this, &step] {
        return actOnScreen([&](HWND screen) {
          for (HWND control : ControlsOf(screen)) {
            if (!HasVisibleStyle(control) && TextOf(control) == step.text) return Verdict::holds();
          }
          return Verdict::waiting(L"a hidden control with text " + Quoted(step.text));
        });
      };

    case StepKind::Click:
      return [this, &argument] {
        return actOnScreen([&](HWND screen) {
          HWND button = ButtonCaptioned(screen, argument);
          if (!button || !IsWindowEnabled(button) || !IsWindowEnabled(screen)) {
            return Verdict::waiting(L"an enabled button " + Quoted(argument) +
                                    L" on an enabled screen");
          }
          heldAt_ = std::chrono::steady_clock::now();
          PostMessageW(button, BM_CLICK, 0, 0);
          WaitUntilTaken(button);
          return Verdict::holds();
        });
      };

    case StepKind::Close:
      return [this] {
        return actOnScreen([&](HWND screen) {
          if (!IsWindowEnabled(screen)) return Verdict::waiting(L"the screen enabled");
          PostMessageW(screen, WM_SYSCOMMAND, SC_CLOSE, 0);
          WaitUntilTaken(screen);
          return Verdict::holds();
        });
      };

    case StepKind::Disabled:
      return [this, &argument] {
        HWND window = ScreenTitled(process_.id(), argument);
        if (window && !IsWindowEnabled(window)) return Verdict::holds();
        return Verdict::waiting(L"a disabled screen titled " + Quoted(argument));
      };

    case StepKind::Message:
    case StepKind::Warning:
    case StepKind::Report:
      return [this, &step] { return answerMessageBox(step); };

    case StepKind::Drive:
      return [this, &step] {
        return actOnScreen([&](HWND screen) { return chooseDrive(screen, step.letter); });
      };

    case StepKind::Folder:
      return [this, &argument] {
        return actOnScreen([&](HWND screen) { return openFolder(screen, argument); });
      };

    case StepKind::ShowsDrive:
      return [this, &step] {
        return actOnScreen([&](HWND screen) {
          const Verdict missing =
              Verdict::waiting(L"drive " + DriveOf(step.letter) + L" selected in the drive list");
          HWND list = FirstVisibleControl(screen, L"COMBOBOX");
          if (!list) return missing;
          const auto items = ComboBoxItems(list);
          const int selected = ComboBoxSelection(list);
          if (selected < 0 || selected >= static_cast<int>(items.size()) ||
              !StartsWithIgnoringCase(items[selected], DriveOf(step.letter))) {
            return missing;
          }
          return Verdict::holds();
        });
      };

    case StepKind::DriveEntry:
      return [this, &argument] {
        return actOnScreen([&](HWND screen) {
          HWND list = FirstVisibleControl(screen, L"COMBOBOX");
          const auto items = list ? ComboBoxItems(list) : std::vector<std::wstring>{};
          const int selected = list ? ComboBoxSelection(list) : -1;
          if (selected >= 0 && selected < static_cast<int>(items.size()) &&
              items[static_cast<size_t>(selected)] == argument) {
            return Verdict::holds();
          }
          return Verdict::waiting(L"the drive list's selected entry reading " + Quoted(argument));
        });
      };

    case StepKind::ShowsFolder:
      return [this, &argument] {
        return actOnScreen([&](HWND screen) {
          HWND list = FirstVisibleControl(screen, L"LISTBOX");
          if (list && EqualIgnoringCase(TextOf(list), argument)) return Verdict::holds();
          return Verdict::waiting(L"the folder list on " + Quoted(argument));
        });
      };

    case StepKind::Shot:
      return [this, &argument] { return saveShot(argument); };

    case StepKind::Keys:
      return [this, &step] { return typeKeys(step.keys); };

    case StepKind::Focus:
      return [this, &argument] {
        return actOnScreen([&](HWND screen) { return focusOn(screen, argument); });
      };

    case StepKind::Order:
      return [this, &step] {
        return actOnScreen([&](HWND screen) { return inOrder(screen, step.texts); });
      };

    case StepKind::FolderHighlight:
      return [this, &argument] {
        return actOnScreen(
            [&](HWND screen) { return folderHighlight(screen, argument == L"focused"); });
      };

    case StepKind::ShowsMessage:
      return [this, &step] { return answerMessageBox(step); };

    case StepKind::Measure:
      return [this, &step] {
        return actOnScreen([&](HWND screen) { return measureLabel(screen, step); });
      };

    case StepKind::Legible:
      return [this, &step] {
        return actOnScreen([&](HWND screen) { return legibleText(screen, step.text); });
      };

    case StepKind::Progress:
      return [this] { return actOnScreen([&](HWND screen) { return progressPartWay(screen); }); };

    case StepKind::Responsive:
      return [this, &step] {
        return actOnScreen([&](HWND screen) {
          return answersWhileCopying(screen, std::chrono::milliseconds(step.milliseconds));
        });
      };

    case StepKind::SchemeColours:
      return [this, &step] {
        return actOnScreen([&](HWND screen) { return inSchemeColours(screen, step.text); });
      };

    case StepKind::TaskbarButtons:
      return [this, &step] { return taskbarButtons(step.count); };

    case StepKind::Exit:
      return [this, &step] {
        const auto status = process_.exitStatus();
        const std::wstring expected =
            L"the program ended with status " + std::to_wstring(step.status);
        if (!status) return Verdict::waiting(expected);
        // Statuses above 2^31 read as negative numbers too.
        if (static_cast<long long>(*status) == step.status ||
            static_cast<long long>(static_cast<int>(*status)) == step.status) {
          return Verdict::holds();
        }
        return Verdict::failed(expected + L", but it ended with status " +
                               std::to_wstring(static_cast<int>(*status)));
      };

    case StepKind::Outcome:
      return [this] { return endOfInstallation(); };

    case StepKind::Mark:  // refused when the scenario is read
      break;
  }
  return [] { return Verdict::failed(L"a step the driver knows"); };
}

HWND StepRunner::currentScreen() const {
  return screenTitle_.empty() ? nullptr : ScreenTitled(process_.id(), screenTitle_);
}

StepRunner::Verdict StepRunner::actOnScreen(const std::function<Verdict(HWND)>& action) const {
  if (screenTitle_.empty()) return Verdict::failed(L"a screen step before this one");
  HWND screen = currentScreen();
  if (!screen) return Verdict::waiting(L"the screen " + Quoted(screenTitle_) + L" visible");
  Verdict verdict = action(screen);
  if (verdict.state != Verdict::Holds) {
    verdict.expected += L" on the screen " + Quoted(screenTitle_);
  }
  return verdict;
}

StepRunner::Verdict StepRunner::screenOnTop(const std::wstring& title) {
  const std::wstring expected = L"the screen " + Quoted(title);
  const std::vector<HWND> screens = Screens(process_.id());
  HWND screen = nullptr;
  for (HWND window : screens) {
    if (TextOf(window) == title) {
      screen = window;
      break;
    }
  }
  if (!screen) return Verdict::waiting(expected + L" visible");
  if (screens.front() != screen) {
    return Verdict::waiting(expected + L" on top, but " + Quoted(TextOf(screens.front())) +
                            L" is above it");
  }
  if (!IsWindowEnabled(screen)) return Verdict::waiting(expected + L" enabled");
  if (!IsZoomed(screen)) return Verdict::waiting(expected + L" maximised");
  screenTitle_ = title;
  return Verdict::holds();
}

StepRunner::Verdict StepRunner::answerMessageBox(const Step& step) const {
  const bool isReport = step.kind == StepKind::Report;
  const std::wstring title = isReport ? L"setup" : step.title;
  std::wstring expected = L"a message box " + Quoted(title);
  expected += (isReport ? L" whose text contains " : L" showing ") + Quoted(step.text);
  if (step.kind == StepKind::Warning) expected += L" with the exclamation icon";
  if (isReport) expected += L" with the stop icon";

  const auto box = OpenMessageBox(process_.id());
  if (!box || box->title != title) return Verdict::waiting(expected);
  const bool textFits =
      isReport ? box->text.find(step.text) != std::wstring::npos : box->text == step.text;
  if (!textFits) return Verdict::waiting(expected);
  if (step.kind == StepKind::Warning || step.kind == StepKind::Report) {
    const BoxIcon wanted = isReport ? BoxIcon::Stop : BoxIcon::Exclamation;
    const BoxIcon shown = RecogniseIcon(box->icon);
    if (shown != wanted) {
      return Verdict::waiting(expected + L" (the icon shown: " + IconName(shown) + L")");
    }
  }
  heldAt_ = std::chrono::steady_clock::now();
  if (step.kind == StepKind::ShowsMessage) return Verdict::holds();  // the user answers it
  if (!PressOk(*box)) return Verdict::failed(expected + L" that closes when OK is pressed");
  return Verdict::holds();
}

StepRunner::Verdict StepRunner::chooseDrive(HWND screen, wchar_t letter) const {
  const Verdict missing = Verdict::waiting(L"drive " + DriveOf(letter) + L" in the drive list");
  HWND list = FirstVisibleControl(screen, L"COMBOBOX");
  if (!list || !IsWindowEnabled(list) || !IsWindowEnabled(screen)) return missing;
  const auto items = ComboBoxItems(list);
  for (size_t i = 0; i < items.size(); ++i) {
    if (!StartsWithIgnoringCase(items[i], DriveOf(letter))) continue;
    Pick(list, CB_SETCURSEL, i, CBN_SELCHANGE);
    return Verdict::holds();
  }
  return missing;
}

StepRunner::Verdict StepRunner::openFolder(HWND screen, const std::wstring& name) const {
  const Verdict missing = Verdict::waiting(L"the entry " + Quoted(name) + L" in the folder list");
  HWND list = FirstVisibleControl(screen, L"LISTBOX");
  if (!list || !IsWindowEnabled(list) || !IsWindowEnabled(screen)) return missing;
  const auto items = ListBoxItems(list);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] != name) continue;
    Pick(list, LB_SETCURSEL, i, LBN_DBLCLK);
    return Verdict::holds();
  }
  return missing;
}

StepRunner::Verdict StepRunner::saveShot(const std::wstring& name) const {
  if (options_.shotsFolder.empty()) return Verdict::holds();
  if (HWND screen = currentScreen()) WaitUntilTaken(screen);
  std::this_thread::sleep_for(kPaintTime);
  const auto file = options_.shotsFolder / (name + L".bmp");
  if (!SaveScreenshot(file)) {
    return Verdict::failed(L"a screenshot saved as " + Quoted(file.wstring()));
  }
  return Verdict::holds();
}

// Either the success message and status 0, or the error report and status 1.
StepRunner::Verdict StepRunner::endOfInstallation() {
  const std::wstring expected =
      L"the message " + Quoted(std::wstring(kCompleted)) + L" or the error report";
  if (const auto box = OpenMessageBox(process_.id())) {
    if (box->title != L"setup") {
      return Verdict::failed(expected + L", but the box " + Quoted(box->title) + L" shows " +
                             Quoted(box->text));
    }
    if (box->text != kCompleted && RecogniseIcon(box->icon) != BoxIcon::Stop) {
      return Verdict::waiting(expected + L", but the box shows " + Quoted(box->text) +
                              L" with the icon " + IconName(RecogniseIcon(box->icon)));
    }
    if (!PressOk(*box)) return Verdict::failed(expected + L" that closes when OK is pressed");
    lastBox_ = box;
  }
  const auto status = process_.exitStatus();
  if (!status) return Verdict::waiting(expected + L", then the end of the program");
  if (!lastBox_) {
    return Verdict::failed(expected + L", but the program ended with status " +
                           std::to_wstring(static_cast<int>(*status)) + L" without either");
  }
  const DWORD wanted = lastBox_->text == kCompleted ? 0 : 1;
  if (*status != wanted) {
    return Verdict::failed(expected + L" and status " + std::to_wstring(wanted) +
                           L", but it ended with status " +
                           std::to_wstring(static_cast<int>(*status)));
  }
  return Verdict::holds();
}

std::wstring StepRunner::outcome() const {
  if (!lastBox_) return {};
  const DWORD status = lastBox_->text == kCompleted ? 0 : 1;
  return L"status " + std::to_wstring(status) + L", box " + Quoted(lastBox_->text);
}

}  // namespace e2e

namespace e2e {

StepRunner::Verdict StepRunner::typeKeys(const std::vector<scenario::KeyPress>& keys) const {
  const auto box = OpenMessageBox(process_.id());
  typedInto_ = box ? box->window : nullptr;
  const int events = TypeKeys(keys);
  // Each look of the window's thread into its queue takes one message; a key
  // event makes up to two (the key, its character). When every look has
  // been made, the keys are taken.
  if (HWND screen = currentScreen()) {
    for (int i = 0; i < 2 * events; ++i) WaitUntilTaken(screen);
  }
  return Verdict::holds();
}

StepRunner::Verdict StepRunner::focusOn(HWND screen, const std::wstring& name) const {
  HWND focus = FocusOf(screen);
  if (focus && IsChild(screen, focus) && AccessibleName(focus) == name) return Verdict::holds();
  std::wstring found = L"nothing";
  if (focus) found = ClassNameOf(focus) + L" named " + Quoted(AccessibleName(focus));
  return Verdict::waiting(L"the focus on the control named " + Quoted(name) + L" (it is on " +
                          found + L")");
}

StepRunner::Verdict StepRunner::inOrder(HWND screen, const std::vector<std::wstring>& texts) const {
  size_t next = 0;
  for (HWND control = GetWindow(GetWindow(screen, GW_CHILD), GW_HWNDFIRST);
       control && next < texts.size(); control = GetWindow(control, GW_HWNDNEXT)) {
    if (TextOf(control) == texts[next]) ++next;
  }
  if (next == texts.size()) return Verdict::holds();
  return Verdict::failed(L"the controls in this z-order, from the top; the first out of place: " +
                         Quoted(texts[next]));
}

StepRunner::Verdict StepRunner::folderHighlight(HWND screen, bool focused) const {
  const std::wstring expected = std::wstring(L"the folder list's selection drawn as ") +
                                (focused ? L"focused" : L"unfocused");
  HWND list = FirstVisibleControl(screen, L"LISTBOX");
  if (!list) return Verdict::waiting(expected);
  if ((FocusOf(screen) == list) != focused) {
    return Verdict::waiting(
        expected + (focused ? L" (the list has not the focus)" : L" (the list has the focus)"));
  }
  LRESULT selected = LB_ERR;
  RECT item{};
  if (!SendWithTimeout(list, LB_GETCURSEL, 0, 0, &selected) || selected < 0 ||
      !SendWithTimeout(list, LB_GETITEMRECT, static_cast<WPARAM>(selected),
                       reinterpret_cast<LPARAM>(&item))) {
    return Verdict::waiting(expected + L" (no selected entry)");
  }
  // A point of the selected line away from its text and its focus frame.
  POINT point{item.right - 3, (item.top + item.bottom) / 2};
  ClientToScreen(list, &point);
  const COLORREF shown = GetPixel(ScreenDc().get(), point.x, point.y);
  const COLORREF wanted = GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
  if (shown == wanted) return Verdict::holds();
  wchar_t colours[64];
  swprintf(colours, 64, L" (colour %06lX, not %06lX)", static_cast<unsigned long>(shown),
           static_cast<unsigned long>(wanted));
  return Verdict::waiting(expected + colours);
}

// Prints the size of a label's text as the label draws it (DrawText with
// DT_CALCRECT, in "MS Sans Serif" at POINTS, within the label's width)
// against its box, as the table row "text | font | text | box | fits".
StepRunner::Verdict StepRunner::measureLabel(HWND screen, const Step& step) const {
  HWND label = nullptr;
  for (HWND control : ControlsOf(screen)) {
    if (EqualIgnoringCase(ClassNameOf(control), L"STATIC") && TextOf(control) == step.text)
      label = control;
  }
  if (!label) return Verdict::waiting(L"a label showing " + Quoted(step.text));
  WaitUntilTaken(screen);
  const int points = _wtoi(step.title.c_str());
  const int dpi = GetDeviceCaps(ScreenDc().get(), LOGPIXELSY);
  // The font the installer draws the label with.
  const int height = MulDiv(points, dpi, 72);
  const rt::win32::FontHandle font = rt::win32::LayoutFont(points, dpi);
  RECT box{};
  GetClientRect(label, &box);
  const ScreenDc dc(label);
  const Selection selected(dc.get(), font.get());
  wchar_t face[LF_FACESIZE] = L"?";
  GetTextFaceW(dc.get(), LF_FACESIZE, face);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  const LONG style = GetWindowLongW(label, GWL_STYLE);
  UINT format = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS;
  format |= (style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP ? DT_SINGLELINE : DT_WORDBREAK;
  RECT needed{0, 0, box.right, 0};
  const std::wstring& text = step.text;
  DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &needed, format);
  if (std::wstring_view(face) != L"MS Sans Serif" &&
      std::wstring_view(face) != L"Microsoft Sans Serif") {
    return Verdict::failed(L"the font \"MS Sans Serif\", but Wine gave " + Quoted(face) +
                           L" (are Wine's fonts in the prefix?)");
  }
  if (rt::win32::CharacterHeight(font.get()) != height) {
    return Verdict::failed(L"a font " + std::to_wstring(height) + L" pixels high for " +
                           std::to_wstring(points) + L" pt, but the system has none");
  }
  // The label as drawn on the screen: its ink must be as wide as the text
  // measured in that font (less the letters' side bearings). A label that
  // the screen shows only in part (a high DPI on a small screen) is measured
  // only.
  if (IsWindowVisible(label) && WhollyOnScreen(label)) {
    const int ink = InkWidth(label);
    const int expected = std::min<int>(needed.right, box.right);
    if (ink > expected || ink < expected - MulDiv(kBearingTolerance, dpi, 96)) {
      return Verdict::failed(L"the label drawn " + std::to_wstring(expected) +
                             L" pixels wide, as measured in that font, but its ink is " +
                             std::to_wstring(ink) + L" pixels wide");
    }
  }
  const bool fits = needed.right <= box.right && needed.bottom <= box.bottom;
  wchar_t row[200];
  swprintf(row, 200, L" | %d pt: %ls, %ld px high | %ld x %ld | %ld x %ld | %ls\n", points, face,
           static_cast<long>(metrics.tmHeight), static_cast<long>(needed.right),
           static_cast<long>(needed.bottom), static_cast<long>(box.right),
           static_cast<long>(box.bottom), fits ? L"fits" : L"CLIPS");
  const std::string utf8 = WideToUtf8(
      L"    measured: " + Quoted(text.size() > 48 ? text.substr(0, 45) + L"..." : text) + row);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fflush(stdout);
  return Verdict::holds();
}

// Reads the text back from each place the screen shows it: it must be drawn
// with a glyph for every character. Says in which face, and where.
StepRunner::Verdict StepRunner::legibleText(HWND screen, const std::wstring& text) const {
  const std::vector<RECT> places = PlacesOf(screen, text);
  if (places.empty()) {
    return Verdict::waiting(L"a label, a list entry or the selected drive showing " + Quoted(text));
  }
  WaitUntilTaken(screen);
  std::vector<std::wstring> faces;
  for (const RECT& place : places) {
    const auto shown = ReadBack(place, text, kStandardPoints);
    if (!shown) {
      return Verdict::waiting(Quoted(text) +
                              L" drawn as the layout font, or a face of the system, draws it at "
                              L"the layout font's size");
    }
    if (!shown->missing.empty()) {
      return Verdict::failed(
          Quoted(text) + L" drawn with a glyph for every character, but it is drawn in " +
          Quoted(shown->face) + L", which has none for " + Quoted(shown->missing));
    }
    if (std::find(faces.begin(), faces.end(), shown->face) == faces.end())
      faces.push_back(shown->face);
  }
  measured_ = Quoted(text) + L" drawn in";
  for (const std::wstring& face : faces) measured_ += L" " + Quoted(face);
  measured_ +=
      L" (" + std::to_wstring(places.size()) + (places.size() == 1 ? L" place)" : L" places)");
  return Verdict::holds();
}

}  // namespace e2e

namespace e2e {

StepRunner::Verdict StepRunner::progressPartWay(HWND screen) const {
  HWND bar = ProgressBarOf(screen);
  LRESULT position = 0, range = 0;
  if (!bar || !SendWithTimeout(bar, PBM_GETPOS, 0, 0, &position) ||
      !SendWithTimeout(bar, PBM_GETRANGE, FALSE, 0, &range) || position <= 0 || position >= range) {
    return Verdict::waiting(L"a progress bar part-way, its position above 0 and below its range");
  }
  measured_ = L"position " + std::to_wstring(position) + L" of " + std::to_wstring(range);
  return Verdict::holds();
}

// For as long as the progress bar is shown, the screen answers a message
// that another program sends it within `limit`, again and again; a WM_CLOSE
// sent to it once meanwhile is answered and not acted on.
StepRunner::Verdict StepRunner::answersWhileCopying(HWND screen, std::chrono::milliseconds limit) {
  constexpr auto kBetweenLooks = std::chrono::milliseconds(20);
  constexpr UINT kGiveUpMs = 10000;
  if (!ProgressBarOf(screen)) return Verdict::waiting(L"a progress bar, while the copy runs");
  std::chrono::milliseconds longest{0};
  int looks = 0;
  while (IsWindow(screen) && ProgressBarOf(screen)) {
    const auto sent = std::chrono::steady_clock::now();
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(screen, WM_NULL, 0, 0, SMTO_NORMAL, kGiveUpMs, &answer);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - sent);
    longest = std::max(longest, took);
    // Once, what "End task" sends: the screen must not close mid-copy.
    if (looks++ == 0) SendMessageTimeoutW(screen, WM_CLOSE, 0, 0, SMTO_NORMAL, kGiveUpMs, &answer);
    if (took > limit) {
      return Verdict::failed(L"the screen to answer within " + std::to_wstring(limit.count()) +
                             L" ms while the copy runs, but it took " +
                             std::to_wstring(took.count()) + L" ms");
    }
    std::this_thread::sleep_for(kBetweenLooks);
  }
  measured_ = std::to_wstring(looks) + L" answers while the bar was shown, the longest in " +
              std::to_wstring(longest.count()) + L" ms";
  return Verdict::holds();
}

}  // namespace e2e

namespace e2e {
namespace {

// Where a control shows its text, in screen coordinates, and the system
// colours it is to be drawn in: a label's text in the window text colour on
// the face (a bordered label, a field: on the window colour), the frame's
// caption and an option's text likewise, a button's in the button text colour.
struct TextColours {
  RECT area;
  int ink;
  int background;
};

TextColours ColoursOfControl(HWND control) {
  RECT box{};
  GetClientRect(control, &box);
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  TextColours wanted{box, COLOR_WINDOWTEXT, COLOR_BTNFACE};
  const int dpi = GetDeviceCaps(ScreenDc().get(), LOGPIXELSY);
  if (EqualIgnoringCase(ClassNameOf(control), L"STATIC")) {
    if (style & WS_BORDER) wanted.background = COLOR_WINDOW;
  } else if (IsButtonClass(control, BS_GROUPBOX)) {
    // The caption, in the frame's top line: as high as the screens' text.
    const rt::win32::FontHandle font = rt::win32::LayoutFont(kStandardPoints, dpi);
    const ScreenDc dc(control);
    const Selection selected(dc.get(), font.get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.get(), &metrics);
    wanted.area.bottom = std::min<LONG>(box.bottom, metrics.tmHeight);
  } else if (IsButtonClass(control, BS_AUTORADIOBUTTON)) {
    wanted.area.left = std::min<LONG>(box.right, MulDiv(16, dpi, 96));  // right of the round box
  } else {
    wanted.ink = COLOR_BTNTEXT;
  }
  POINT corners[2] = {{wanted.area.left, wanted.area.top}, {wanted.area.right, wanted.area.bottom}};
  MapWindowPoints(control, nullptr, corners, 2);
  wanted.area = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  return wanted;
}

std::wstring Hex(COLORREF colour) {
  wchar_t text[16];
  swprintf(text, 16, L"%06lX", static_cast<unsigned long>(colour));
  return text;
}

}  // namespace

// Each control showing the text draws it in the colours of the system's
// scheme: its background is the scheme's colour for it, and its text has
// pixels of the scheme's text colour.
StepRunner::Verdict StepRunner::inSchemeColours(HWND screen, const std::wstring& text) const {
  int found = 0;
  for (HWND control : ControlsOf(screen)) {
    if (!IsWindowVisible(control) || TextOf(control) != text) continue;
    ++found;
    WaitUntilTaken(screen);
    const TextColours wanted = ColoursOfControl(control);
    const COLORREF ink = GetSysColor(wanted.ink), background = GetSysColor(wanted.background);
    const AreaColours shown = ColoursIn(wanted.area, ink);
    if (shown.background != background || shown.inkPixels == 0) {
      return Verdict::waiting(Quoted(text) + L" in " + Hex(ink) + L" on " + Hex(background) +
                              L", but its background is " + Hex(shown.background) + L" and " +
                              std::to_wstring(shown.inkPixels) + L" pixels are " + Hex(ink));
    }
    measured_ = Quoted(text) + L" in " + Hex(ink) + L" on " + Hex(background) + L" (" +
                std::to_wstring(shown.inkPixels) + L" pixels of it)";
  }
  if (found == 0) return Verdict::waiting(L"a visible control showing " + Quoted(text));
  return Verdict::holds();
}

// The windows of the program that the taskbar gives a button (and Alt+Tab
// an entry): visible top-level windows that no window owns, or that ask for
// one (WS_EX_APPWINDOW), but tool windows.
StepRunner::Verdict StepRunner::taskbarButtons(long long wanted) const {
  long long buttons = 0;
  for (HWND window : VisibleTopLevelWindows(process_.id())) {
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    const bool owned = GetWindow(window, GW_OWNER) != nullptr;
    if ((!owned || (exStyle & WS_EX_APPWINDOW)) && !(exStyle & WS_EX_TOOLWINDOW)) ++buttons;
  }
  if (buttons == wanted) return Verdict::holds();
  return Verdict::waiting(std::to_wstring(wanted) + L" windows with a taskbar button, but " +
                          std::to_wstring(buttons) + L" have one:\n" +
                          DescribeWindows(process_.id()));
}

}  // namespace e2e
