// The Windows desktop's windows: the screens' window class and icon, a
// top-level window for each open screen, a child window for each of its
// controls, and their state kept in step with the controls'.
#include "runtime/win32/desktop_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resource_ids.h"
#include "runtime/controls.h"
#include "runtime/screen.h"
#include "runtime/win32/screen_window_win32.h"
#include "runtime/win32/system_functions_win32.h"
#include "runtime/win32/wide.h"

namespace rt::win32 {
namespace {

constexpr wchar_t kScreenClass[] = L"SetupScreen";
constexpr int kFolderLinePixels = 17;  // at 96 dpi
constexpr unsigned kProgressSteps = 10000;

// The program's icon at the size the system draws it at: `width` and
// `height` are the metrics of the title bar's icon or of the taskbar's and
// Alt+Tab's. From the group with an image for each size that the usual
// display scales ask for, else (a system that cannot read those images) from
// the group that Explorer shows.
HICON ScreenIcon(HINSTANCE instance, int width, int height) {
  for (const int group : {IDI_SCREEN_ICON, IDI_EXPLORER_ICON}) {
    if (HANDLE icon =
            LoadImageW(instance, MAKEINTRESOURCEW(group), IMAGE_ICON, GetSystemMetrics(width),
                       GetSystemMetrics(height), LR_DEFAULTCOLOR))
      return static_cast<HICON>(icon);
  }
  return nullptr;
}

// The screen's controls in tab order; those of one index in layout order.
std::vector<Control*> TabOrder(const Screen& screen) {
  std::vector<Control*> order;
  for (const auto& control : screen.controls()) {
    const int index = control->layout().tabIndex;
    const auto after = std::find_if(order.begin(), order.end(), [index](const Control* placed) {
      return placed->layout().tabIndex > index;
    });
    order.insert(after, control.get());
  }
  return order;
}

}  // namespace

Win32Desktop::Win32Desktop(HINSTANCE instance) : instance_(instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = ScreenIcon(instance, SM_CXICON, SM_CYICON);
  windowClass.hIconSm = ScreenIcon(instance, SM_CXSMICON, SM_CYSMICON);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kScreenClass;
  RegisterClassExW(&windowClass);
}

Win32Desktop::~Win32Desktop() {
  // The top of the stack first: a window goes before the one that owns it.
  while (!windows_.empty()) windows_.pop_back();
}

// Shows `text` in the control in the font that has its glyphs.
void Win32Desktop::setFontFor(HWND hwnd, const Control& control, const std::wstring& text) {
  HFONT wanted = layout_.fontFor(text, control.layout().fontPoints);
  if (reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)) != wanted)
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(wanted), TRUE);
}

void Win32Desktop::open(Screen& screen) {
  auto window = std::make_unique<ScreenWindow>();
  window->desktop = this;
  window->screen = &screen;
  // The screen below owns the new one: the program keeps one taskbar button
  // and one Alt+Tab entry, and the screen below can never come over it. It
  // opens on the monitor of the screen below, in the middle of its work area.
  HWND below = activeWindow();
  const WindowBox box = layout_.screenWindow(below);
  window->hwnd.reset(CreateWindowExW(0, kScreenClass, Widen(screen.Caption()).c_str(),
                                     WS_OVERLAPPEDWINDOW, box.left, box.top, box.width, box.height,
                                     below, nullptr, instance_, window.get()));

  // The controls are made in the order of the layout, which is their z-order
  // from the top: it is the tab order of the controls that take the focus,
  // each label stands just before the control it names (screen readers name
  // a list after the label before it) and each frame before its options.
  for (const auto& control : screen.controls()) createControl(*window, *control);
  windows_.push_back(std::move(window));
}

void Win32Desktop::createControl(ScreenWindow& window, Control& control) {
  const Screen& screen = *window.screen;
  const ControlLayout& layout = control.layout();
  // Options that follow one another form one group.
  const int id = ControlId(screen, control);
  const Control* before = ControlOfId(screen, id - 1);
  const bool optionGroupOpen = before && before->kind() == ControlKind::Option;
  const wchar_t* className = L"BUTTON";
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD exStyle = 0;
  switch (layout.kind) {
    case ControlKind::Button:
      style |= BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP | WS_GROUP;
      break;
    case ControlKind::Frame:  // draws its border only: the options show through
      style |= BS_GROUPBOX | WS_GROUP;
      break;
    case ControlKind::Option:  // beneath its frame, yet drawn over it
      style = WS_CHILD | BS_AUTORADIOBUTTON | (optionGroupOpen ? 0 : WS_GROUP);
      break;
    case ControlKind::Label:
      className = L"STATIC";
      style |= SS_NOPREFIX | WS_GROUP;
      style |= (layout.notes & kCentred)      ? SS_CENTER
               : (layout.notes & kSingleLine) ? SS_LEFTNOWORDWRAP
                                              : SS_LEFT;
      if (layout.notes & kBordered) style |= WS_BORDER;
      break;
    case ControlKind::DriveList:
      className = L"COMBOBOX";
      style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP;
      break;
    case ControlKind::FolderList:
      className = L"LISTBOX";
      style |= LBS_NOTIFY | LBS_HASSTRINGS | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT |
               WS_VSCROLL | WS_TABSTOP | WS_GROUP;
      exStyle |= WS_EX_CLIENTEDGE;
      break;
    case ControlKind::ProgressBar:  // the label before it names it for screen readers
      // Loading the common controls (version 6, as the manifest asks)
      // registers their window classes.
      if (!commonControls_) commonControls_.reset(LoadCommonControls());
      className = PROGRESS_CLASSW;
      style |= WS_GROUP;
      break;
  }
  const WindowBox box = layout_.controlWindow(screen, control);
  HWND child = CreateWindowExW(
      exStyle, className, L"", style, box.left, box.top, box.width, box.height, window.hwnd.get(),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(layout_.font(layout.fontPoints)), FALSE);
  if (layout.kind == ControlKind::FolderList)
    SendMessageW(child, LB_SETITEMHEIGHT, 0, layout_.scaled(kFolderLinePixels));
  if (layout.kind == ControlKind::ProgressBar)
    SendMessageW(child, PBM_SETRANGE32, 0, static_cast<LPARAM>(kProgressSteps));
}

void Win32Desktop::add(Control& control) {
  ScreenWindow* window = windowOf(control.screen());
  if (!window) return;
  createControl(*window, control);
  update(control);
}

// Called while the control still stands among its screen's controls.
void Win32Desktop::remove(Control& control) {
  if (HWND hwnd = controlWindow(control)) DestroyWindow(hwnd);
}

void Win32Desktop::close(Screen& screen) {
  const auto it = std::find_if(windows_.begin(), windows_.end(),
                               [&](const auto& window) { return window->screen == &screen; });
  if (it == windows_.end()) return;
  auto window = std::move(*it);
  windows_.erase(it);
  SetWindowLongPtrW(window->hwnd.get(), GWLP_USERDATA, 0);
  // The window goes with `window`, its controls' windows with it. The
  // screen below was enabled before, so the activation passes straight to it.
  window.reset();
}

void Win32Desktop::show(Screen& screen) {
  ScreenWindow* open = windowOf(screen);
  if (!open) return;
  ScreenWindow& window = *open;
  HWND hwnd = window.hwnd.get();
  ShowWindow(hwnd, screen.WindowState() == vbMaximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  SetForegroundWindow(hwnd);
  if (!window.focusPlaced) {
    window.focusPlaced = true;
    for (Control* control : TabOrder(screen)) {
      if (control->canTakeFocus()) {
        SetFocus(GetDlgItem(hwnd, ControlId(screen, *control)));
        break;
      }
    }
  }
  UpdateWindow(hwnd);
}

void Win32Desktop::hide(Screen& screen) {
  if (ScreenWindow* window = windowOf(screen)) ShowWindow(window->hwnd.get(), SW_HIDE);
}

void Win32Desktop::setEnabled(Screen& screen, bool enabled) {
  if (ScreenWindow* window = windowOf(screen)) EnableWindow(window->hwnd.get(), enabled);
}

void Win32Desktop::update(Control& control) {
  HWND hwnd = controlWindow(control);
  if (!hwnd) return;
  const std::wstring caption = Widen(control.Caption());
  if (auto* bar = As<ProgressBar>(&control)) {
    SendMessageW(hwnd, PBM_SETPOS, bar->filled(kProgressSteps), 0);
  } else if (auto* drives = As<DriveListBox>(&control)) {
    SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
    std::wstring all;  // one font for the whole list
    for (const auto& entry : drives->entries()) {
      const std::wstring text = Widen(entry.text);
      SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      all += text;
    }
    setFontFor(hwnd, control, all);
    SendMessageW(hwnd, CB_SETCURSEL, ListIndex(drives->selectedIndex()), 0);
  } else if (auto* folders = As<DirListBox>(&control)) {
    SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hwnd, LB_RESETCONTENT, 0, 0);
    for (const auto& entry : folders->entries())
      SendMessageW(hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(entry.text).c_str()));
    SendMessageW(hwnd, LB_SETCURSEL, ListIndex(folders->currentIndex()), 0);
    SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd, nullptr, TRUE);
    // The list's own text is its current folder, for tools that read windows.
    SetWindowTextW(hwnd, Widen(folders->Path()).c_str());
  } else {
    wchar_t current[1024];
    GetWindowTextW(hwnd, current, 1024);
    if (caption != current) {
      setFontFor(hwnd, control, caption);
      SetWindowTextW(hwnd, caption.c_str());
    }
  }
  if (auto* option = As<OptionButton>(&control)) {
    SendMessageW(hwnd, BM_SETCHECK, option->Value() ? BST_CHECKED : BST_UNCHECKED, 0);
    // Only the selected option of a group is a tab stop.
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    SetWindowLongPtrW(hwnd, GWL_STYLE,
                      option->Value() ? (style | WS_TABSTOP) : (style & ~LONG_PTR{WS_TABSTOP}));
  }
  ShowWindow(hwnd, control.Visible() ? SW_SHOWNA : SW_HIDE);
}

// Paints at once what changed since the last paint (a label shown or hidden,
// say); the rest of the screen is up to date already.
void Win32Desktop::refresh(Screen& screen) {
  if (ScreenWindow* window = windowOf(screen))
    RedrawWindow(window->hwnd.get(), nullptr, nullptr, RDW_ALLCHILDREN | RDW_UPDATENOW);
}

ScreenWindow* Win32Desktop::windowOf(const Screen& screen) const {
  for (const auto& window : windows_)
    if (window->screen == &screen) return window.get();
  return nullptr;
}

HWND Win32Desktop::controlWindow(const Control& control) const {
  const Screen& screen = control.screen();
  const ScreenWindow* window = windowOf(screen);
  return window ? GetDlgItem(window->hwnd.get(), ControlId(screen, control)) : nullptr;
}

HWND Win32Desktop::activeWindow() const {
  // The open screen that is visible and enabled: the top of the modal stack.
  for (const auto& window : windows_)
    if (window->screen->visible() && window->screen->enabled()) return window->hwnd.get();
  return nullptr;
}

}  // namespace rt::win32
