#include "drawn_text_steps.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "legibility.h"
#include "process_windows.h"
#include "runtime/win32/layout_font.h"
#include "wide_text.h"
#include "win32_handles.h"

namespace e2e {
namespace {

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

// Reads the text back from each place the screen shows it: it must be drawn
// with a glyph for every character. Says in which face, and where.
Verdict LegibleText(HWND screen, const std::wstring& text) {
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
  std::wstring measured = Quoted(text) + L" drawn in";
  for (const std::wstring& face : faces) measured += L" " + Quoted(face);
  measured +=
      L" (" + std::to_wstring(places.size()) + (places.size() == 1 ? L" place)" : L" places)");
  return Verdict::holds(std::move(measured));
}

Verdict InSchemeColours(HWND screen, const std::wstring& text) {
  int found = 0;
  std::wstring measured;
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
    measured = Quoted(text) + L" in " + Hex(ink) + L" on " + Hex(background) + L" (" +
               std::to_wstring(shown.inkPixels) + L" pixels of it)";
  }
  if (found == 0) return Verdict::waiting(L"a visible control showing " + Quoted(text));
  return Verdict::holds(std::move(measured));
}

}  // namespace e2e
