#include "runtime/win32/desktop_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "runtime/controls.h"
#include "runtime/program.h"
#include "runtime/screen.h"
#include "runtime/win32/system_functions_win32.h"
#include "runtime/win32/wide.h"

namespace rt::win32 {
namespace {

constexpr wchar_t kScreenClass[] = L"SetupScreen";
constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL
constexpr int kStandardFontPoints = 8;
constexpr int kTwipsPerInch = 1440;
constexpr int kDropDownRows = 8;
constexpr int kFrameEdgeTwips = 30;  // a frame's border, which its controls leave visible
constexpr unsigned kProgressSteps = 10000;

int ControlId(const Screen& screen, const Control& control) {
  const auto& controls = screen.controls();
  const auto it = std::find_if(controls.begin(), controls.end(),
                               [&](const auto& c) { return c.get() == &control; });
  return kFirstControlId + static_cast<int>(it - controls.begin());
}

// The control of a child window's id, or nullptr.
Control* ControlOfId(const Screen& screen, long long id) {
  const auto& controls = screen.controls();
  const long long index = id - kFirstControlId;
  if (index < 0 || index >= static_cast<long long>(controls.size())) return nullptr;
  return controls[static_cast<size_t>(index)].get();
}

// An entry of a control's list, from the index a list window gives; nullptr
// for none (-1) or one out of range.
template <class Entry>
const Entry* EntryAt(const std::vector<Entry>& entries, LRESULT index) {
  if (index < 0 || static_cast<size_t>(index) >= entries.size()) return nullptr;
  return &entries[static_cast<size_t>(index)];
}

// A list index for a list window's message; -1 selects nothing.
WPARAM ListIndex(int index) {
  return static_cast<WPARAM>(static_cast<INT_PTR>(index));
}

// A label's box in twips on the client area, cut where a control that stands
// after it in the layout (beneath it) starts: the label must not hide it.
RECT LabelBox(const Screen& screen, const Control& label) {
  const ControlLayout& own = label.layout();
  RECT box{own.left, own.top, own.left + own.width, own.top + own.height};
  bool after = false;
  for (const auto& control : screen.controls()) {
    if (control.get() == &label) {
      after = true;
      continue;
    }
    const ControlLayout& other = control->layout();
    if (!after || other.container || other.kind == ControlKind::Label ||
        other.kind == ControlKind::Frame)
      continue;
    const bool overlaps = other.left < box.right && other.left + other.width > box.left &&
                          other.top < box.bottom && other.top + other.height > box.top;
    if (overlaps && other.left > box.left) box.right = other.left;
  }
  return box;
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

struct Win32Desktop::Window {
  Win32Desktop* desktop;  // whichever desktop wraps it, this one draws it
  Screen* screen;
  WindowHandle hwnd;
  HWND lastFocus = nullptr;
  bool focusPlaced = false;
  bool driveChosen = false;  // the dropped drive list closes on a choice
};

Win32Desktop::Win32Desktop(HINSTANCE instance)
    : instance_(instance), windowBrush_(CreateSolidBrush(GetSysColor(COLOR_WINDOW))) {
  HDC screenDc = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screenDc, LOGPIXELSY);
  ReleaseDC(nullptr, screenDc);

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.hIconSm = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                 GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kScreenClass;
  RegisterClassExW(&windowClass);
}

Win32Desktop::~Win32Desktop() {
  windows_.clear();
}

HFONT Win32Desktop::font(int points, bool forNames) {
  if (points == 0) points = kStandardFontPoints;
  const int key = forNames ? -points : points;
  for (const auto& [size, font] : fonts_)
    if (size == key) return font.get();
  return fonts_.emplace_back(key, forNames ? NameFont(points, dpi_) : LayoutFont(points, dpi_))
      .second.get();
}

HFONT Win32Desktop::fontFor(const std::wstring& text, int points) {
  HFONT layout = font(points);
  return HasGlyphs(layout, text) ? layout : font(points, true);
}

// Shows `text` in the control in the font that has its glyphs.
void Win32Desktop::setFontFor(HWND hwnd, const Control& control, const std::wstring& text) {
  HFONT wanted = fontFor(text, control.layout().fontPoints);
  if (reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)) != wanted)
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(wanted), TRUE);
}

void Win32Desktop::open(Screen& screen) {
  auto window = std::make_unique<Window>();
  window->desktop = this;
  window->screen = &screen;
  const auto pixels = [this](int twips) { return MulDiv(twips, dpi_, kTwipsPerInch); };

  RECT frame{0, 0, pixels(kDesignWidthTwips), pixels(kDesignHeightTwips)};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  window->hwnd.reset(CreateWindowExW(0, kScreenClass, Widen(screen.Caption()).c_str(),
                                     WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                     frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                     nullptr, instance_, window.get()));
  HWND hwnd = window->hwnd.get();
  screen.peer = hwnd;

  // The controls are made in the order of the layout, which is their z-order
  // from the top: it is the tab order of the controls that take the focus,
  // each label stands just before the control it names (screen readers name
  // a list after the label before it) and each frame before its options.
  for (const auto& control : screen.controls()) createControl(*window, *control);
  windows_.push_back(std::move(window));
}

void Win32Desktop::createControl(Window& window, Control& control) {
  const Screen& screen = *window.screen;
  const auto pixels = [this](int twips) { return MulDiv(twips, dpi_, kTwipsPerInch); };
  const ControlLayout& layout = control.layout();
  // Options that follow one another form one group.
  const int id = ControlId(screen, control);
  const Control* before = ControlOfId(screen, id - 1);
  const bool optionGroupOpen = before && before->kind() == ControlKind::Option;
  int left = layout.left, top = layout.top, width = layout.width;
  if (layout.container) {  // inside a frame, and clipped at its edge
    const ControlLayout& frameLayout = screen.find(layout.container)->layout();
    width = std::min(width, frameLayout.width - layout.left - kFrameEdgeTwips);
    left += frameLayout.left;
    top += frameLayout.top;
  }
  int height = pixels(layout.height);
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
    case ControlKind::Label: {
      const RECT box = LabelBox(screen, control);
      width = box.right - box.left;
      className = L"STATIC";
      style |= SS_NOPREFIX | WS_GROUP;
      style |= (layout.notes & kCentred)      ? SS_CENTER
               : (layout.notes & kSingleLine) ? SS_LEFTNOWORDWRAP
                                              : SS_LEFT;
      if (layout.notes & kBordered) style |= WS_BORDER;
      break;
    }
    case ControlKind::DriveList:
      className = L"COMBOBOX";
      style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP;
      height += kDropDownRows * MulDiv(16, dpi_, 96);
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
  HWND child = CreateWindowExW(
      exStyle, className, L"", style, pixels(left), pixels(top), pixels(width), height,
      window.hwnd.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font(layout.fontPoints)), FALSE);
  if (layout.kind == ControlKind::FolderList)
    SendMessageW(child, LB_SETITEMHEIGHT, 0, MulDiv(17, dpi_, 96));
  if (layout.kind == ControlKind::ProgressBar)
    SendMessageW(child, PBM_SETRANGE32, 0, static_cast<LPARAM>(kProgressSteps));
  control.peer = child;
}

void Win32Desktop::add(Control& control) {
  Window* window = windowOf(control.screen());
  if (!window) return;
  createControl(*window, control);
  update(control);
}

void Win32Desktop::remove(Control& control) {
  if (auto hwnd = static_cast<HWND>(control.peer)) DestroyWindow(hwnd);
  control.peer = nullptr;
}

void Win32Desktop::close(Screen& screen) {
  const auto it = std::find_if(windows_.begin(), windows_.end(),
                               [&](const auto& window) { return window->screen == &screen; });
  if (it == windows_.end()) return;
  auto window = std::move(*it);
  windows_.erase(it);
  SetWindowLongPtrW(window->hwnd.get(), GWLP_USERDATA, 0);
  for (const auto& control : screen.controls()) control->peer = nullptr;
  screen.peer = nullptr;
  // The window goes with `window`. The screen below was enabled before, so
  // the activation passes straight to it.
  window.reset();
}

void Win32Desktop::show(Screen& screen) {
  Window* open = windowOf(screen);
  if (!open) return;
  Window& window = *open;
  HWND hwnd = window.hwnd.get();
  ShowWindow(hwnd, screen.WindowState() == vbMaximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  SetForegroundWindow(hwnd);
  if (!window.focusPlaced) {
    window.focusPlaced = true;
    for (Control* control : TabOrder(screen)) {
      if (control->canTakeFocus()) {
        SetFocus(static_cast<HWND>(control->peer));
        break;
      }
    }
  }
  UpdateWindow(hwnd);
}

void Win32Desktop::hide(Screen& screen) {
  if (Window* window = windowOf(screen)) ShowWindow(window->hwnd.get(), SW_HIDE);
}

void Win32Desktop::setEnabled(Screen& screen, bool enabled) {
  if (Window* window = windowOf(screen)) EnableWindow(window->hwnd.get(), enabled);
}

void Win32Desktop::update(Control& control) {
  auto hwnd = static_cast<HWND>(control.peer);
  if (!hwnd) return;
  const std::wstring caption = Widen(control.Caption());
  if (auto* bar = dynamic_cast<ProgressBar*>(&control)) {
    SendMessageW(hwnd, PBM_SETPOS, bar->filled(kProgressSteps), 0);
  } else if (auto* drives = dynamic_cast<DriveListBox*>(&control)) {
    SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
    std::wstring all;  // one font for the whole list
    for (const auto& entry : drives->entries()) {
      const std::wstring text = Widen(entry.text);
      SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      all += text;
    }
    setFontFor(hwnd, control, all);
    SendMessageW(hwnd, CB_SETCURSEL, ListIndex(drives->selectedIndex()), 0);
  } else if (auto* folders = dynamic_cast<DirListBox*>(&control)) {
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
  if (auto* option = dynamic_cast<OptionButton*>(&control)) {
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
  if (Window* window = windowOf(screen))
    RedrawWindow(window->hwnd.get(), nullptr, nullptr, RDW_ALLCHILDREN | RDW_UPDATENOW);
}

Win32Desktop::Window* Win32Desktop::windowOf(const Screen& screen) const {
  for (const auto& window : windows_)
    if (window->screen == &screen) return window.get();
  return nullptr;
}

HWND Win32Desktop::activeWindow() const {
  // The open screen that is visible and enabled: the top of the modal stack.
  for (const auto& window : windows_)
    if (window->screen->visible() && window->screen->enabled()) return window->hwnd.get();
  return nullptr;
}

void Win32Desktop::runUntil(const std::function<bool()>& done) {
  MSG message;
  while (!done()) {
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) end(0);
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && GetWindowLongPtrW(root, GWLP_USERDATA) && IsDialogMessageW(root, &message)) {
      resumeUnwinding();
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
    resumeUnwinding();
  }
}

void Win32Desktop::messageBox(const std::string& prompt, int buttons, const std::string& title) {
  // Keys and clicks that came while the program took no input (during the
  // copy, say) were meant for what was on the screen then, not for this box:
  // it waits for an answer given after it has appeared.
  MSG typedAhead;
  while (PeekMessageW(&typedAhead, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
  while (PeekMessageW(&typedAhead, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
  }
  MessageBoxW(activeWindow(), Widen(prompt).c_str(), Widen(title).c_str(),
              static_cast<UINT>(buttons) | MB_SETFOREGROUND);
  resumeUnwinding();
}

void Win32Desktop::end(int status) {
  throw ProgramEnded{status};
}

void Win32Desktop::resumeUnwinding() {
  if (const auto status = std::exchange(endStatus_, std::nullopt)) throw ProgramEnded{*status};
}

// Long work takes no input, but the windows stay painted, and the messages
// that other programs and the system send are answered: a program that looks
// at no message for 5 seconds is shown as not responding. Input stays queued
// and is not acted on.
void Win32Desktop::keepAlive() {
  keepingAlive_ = true;
  MSG message;
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&message);
  keepingAlive_ = false;
  resumeUnwinding();
}

LRESULT CALLBACK Win32Desktop::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* window = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!window) return DefWindowProcW(hwnd, message, wParam, lParam);
  // No exception crosses the system's frames: the end of the program waits
  // until the system has returned to the loop that dispatched the message.
  // Every other failure is a handler's, which RaiseEvent has reported.
  try {
    return window->desktop->handle(*window, hwnd, message, wParam, lParam);
  } catch (const ProgramEnded& ended) {
    window->desktop->endStatus_ = ended.status;
    return 0;
  } catch (...) {
    std::terminate();  // reported by the program's terminate handler
  }
}

LRESULT Win32Desktop::handle(Window& window, HWND hwnd, UINT message, WPARAM wParam,
                             LPARAM lParam) {
  // While long work keeps the windows alive, what another program sends
  // them is answered but not acted on: no screen closes, no button is
  // pressed in the middle of a handler.
  if (keepingAlive_ && (message == WM_CLOSE || message == WM_COMMAND)) return 0;
  switch (message) {
    case WM_CLOSE: {
      Screen* screen = window.screen;
      RaiseEvent([screen] { screen->closedByUser(); });
      return 0;
    }
    case WM_COMMAND:
      command(window, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus)) window.lastFocus = focus;
      } else if (window.lastFocus && IsWindow(window.lastFocus)) {
        SetFocus(window.lastFocus);
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      const Control* label =
          ControlOfId(*window.screen, GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
      if (label && (label->layout().notes & kBordered)) {
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(windowBrush_.get());
      }
      break;
    }
    case WM_DRAWITEM:
      drawFolderItem(window, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void Win32Desktop::command(Window& window, int id, int notification) {
  Screen& screen = *window.screen;
  if (id == IDOK) {  // Enter: presses the focused button, opens the focused folder list's entry
    HWND focus = GetFocus();
    const int focusId = focus ? GetDlgCtrlID(focus) : 0;
    Control* focused = ControlOfId(screen, focusId);
    if (!focused) return;
    if (dynamic_cast<DirListBox*>(focused))
      command(window, focusId, LBN_DBLCLK);
    else if (focused->kind() == ControlKind::Button)
      RaiseEvent(focused->Click);
    return;
  }
  Control* control = ControlOfId(screen, id);
  if (!control) return;
  auto hwnd = static_cast<HWND>(control->peer);

  if (auto* option = dynamic_cast<OptionButton*>(control)) {
    if (notification == BN_CLICKED) RaiseEvent([option] { option->setValue(true); });
  } else if (auto* drives = dynamic_cast<DriveListBox*>(control)) {
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
  } else if (auto* folders = dynamic_cast<DirListBox*>(control)) {
    const auto* entry = EntryAt(folders->entries(), SendMessageW(hwnd, LB_GETCURSEL, 0, 0));
    if (notification == LBN_DBLCLK && entry) {
      const std::string path = entry->path;
      RaiseEvent([folders, path] { folders->open(path); });
    }
  } else if (control->kind() == ControlKind::Button && notification == BN_CLICKED) {
    RaiseEvent(control->Click);
  }
}

// One line of the folder list: indented by its depth, with an open folder for
// the path down to the current folder and a closed one for its sub-folders.
void Win32Desktop::drawFolderItem(Window& window, const DRAWITEMSTRUCT& item) {
  const auto* folders = dynamic_cast<const DirListBox*>(ControlOfId(*window.screen, item.CtlID));
  if (!folders || item.itemID >= folders->entries().size()) return;
  const auto& entry = folders->entries()[item.itemID];
  // The selection stands out in the highlight colours, with a focus frame,
  // only while the list has the focus; else it is drawn in the inactive ones.
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const bool focused = GetFocus() == item.hwndItem;
  const int background = !selected ? COLOR_WINDOW : focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE;
  const int foreground = !selected ? COLOR_WINDOWTEXT
                         : focused ? COLOR_HIGHLIGHTTEXT
                                   : COLOR_BTNTEXT;
  HDC dc = item.hDC;
  RECT box = item.rcItem;
  FillRect(dc, &box, GetSysColorBrush(background));

  const auto scale = [this](int px) { return MulDiv(px, dpi_, 96); };
  const int left = box.left + scale(4) + entry.depth * scale(12);
  const int middle = (box.top + box.bottom) / 2;
  BrushHandle fill(CreateSolidBrush(entry.open ? RGB(255, 232, 140) : RGB(230, 190, 60)));
  RECT tab{left, middle - scale(5), left + scale(5), middle - scale(3)};
  RECT body{left, middle - scale(3), left + scale(13), middle + scale(5)};
  FillRect(dc, &tab, fill.get());
  FillRect(dc, &body, fill.get());
  FrameRect(dc, &body, GetSysColorBrush(COLOR_WINDOWTEXT));

  RECT text = box;
  text.left = left + scale(18);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(foreground));
  const std::wstring name = Widen(entry.text);
  const HGDIOBJ listFont = SelectObject(dc, fontFor(name, folders->layout().fontPoints));
  DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(dc, listFont);
  if (selected && focused) DrawFocusRect(dc, &item.rcItem);
}

}  // namespace rt::win32
