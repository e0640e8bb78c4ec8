#include "box_icon.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "canvas.h"
#include "win32_handles.h"

namespace e2e {
namespace {

// Mean difference per colour channel below which a drawing counts as the icon.
constexpr long long kMostMeanDifference = 16;

struct Candidate {
  BoxIcon icon;
  LPCWSTR resource;
};

const std::array kCandidates = {
    Candidate{BoxIcon::Stop, IDI_HAND},
    Candidate{BoxIcon::Exclamation, IDI_EXCLAMATION},
    Candidate{BoxIcon::Information, IDI_ASTERISK},
    Candidate{BoxIcon::Question, IDI_QUESTION},
};

}  // namespace

BoxIcon RecogniseIcon(HWND iconControl) {
  if (!iconControl || !IsWindowVisible(iconControl)) return BoxIcon::None;
  RECT area{};
  GetClientRect(iconControl, &area);
  MapWindowPoints(iconControl, nullptr, reinterpret_cast<POINT*>(&area), 2);
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return BoxIcon::None;

  ScreenDc screen;
  Canvas shown(screen.get(), width, height);
  shown.grab(screen.get(), area.left, area.top);
  // The icons' corners are transparent: that pixel is the background.
  const uint32_t background = shown.pixel(0, 0);

  BoxIcon best = BoxIcon::Unrecognised;
  long long bestDifference = std::numeric_limits<long long>::max();
  Canvas drawn(screen.get(), width, height);
  for (const Candidate& candidate : kCandidates) {
    drawn.fill(background);
    DrawIconEx(drawn.dc(), 0, 0, LoadIconW(nullptr, candidate.resource), width, height, 0, nullptr,
               DI_NORMAL);
    const long long difference = drawn.difference(shown);
    if (difference < bestDifference) {
      bestDifference = difference;
      best = candidate.icon;
    }
  }
  if (bestDifference > kMostMeanDifference * 3 * width * height) return BoxIcon::Unrecognised;
  return best;
}

const wchar_t* IconName(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::None:
      return L"none";
    case BoxIcon::Stop:
      return L"stop";
    case BoxIcon::Exclamation:
      return L"exclamation";
    case BoxIcon::Information:
      return L"information";
    case BoxIcon::Question:
      return L"question";
    case BoxIcon::Unrecognised:
      break;
  }
  return L"unrecognised";
}

}  // namespace e2e
