// A screen checks its layout table once, as it is built: a slip in a table
// is a clear run-time error naming the screen and the control, never a
// control missing or of the wrong kind when a handler reaches for it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/error.h"
#include "runtime/screen.h"

namespace {

using enum rt::ControlKind;
using rt::ControlLayout, rt::kPlain, rt::kSelected, rt::kCentred;

constexpr ControlLayout kFrame{"Frame1", Frame, "Select option:", 0,     0, 900, 900,
                               0,        0,     nullptr,          kPlain};
constexpr ControlLayout kOption{"Option1", Option, "Yes", 60,       60,       600,
                                255,       1,      0,     "Frame1", kSelected};
constexpr ControlLayout kButton{"cmdGo", Button, "Go", 0, 1000, 900, 400, 2, 0, nullptr, kPlain};

struct Faulty {
  const char* what;
  std::vector<ControlLayout> rows;
  std::string control;
  std::string reason;
};

TEST(ScreenLayoutTest, AFaultyTableIsRefusedNamingTheScreenAndTheControl) {
  ControlLayout twin = kButton;
  twin.caption = "Go again";
  ControlLayout noFrame = kOption;
  noFrame.container = "Frame2";
  ControlLayout inButton = kOption;
  inButton.container = "cmdGo";
  ControlLayout selectedButton = kButton;
  selectedButton.notes = kSelected;
  ControlLayout centredOption = kOption;
  centredOption.notes = kCentred;
  const std::vector<Faulty> tables = {
      {"a name twice",
       {kFrame, kButton, twin},
       "cmdGo",
       "Another control of the screen has this name."},
      {"a misspelt frame",
       {kFrame, noFrame},
       "Option1",
       "The frame Frame2 is not above the control."},
      {"a frame below its option",
       {kOption, kFrame},
       "Option1",
       "The frame Frame1 is not above the control."},
      {"a button as a frame",
       {kButton, inButton},
       "Option1",
       "The control cmdGo that holds it is not a frame."},
      {"a selected button", {selectedButton}, "cmdGo", "Only an option button starts selected."},
      {"a centred option",
       {kFrame, centredOption},
       "Option1",
       "Only a label is centred, kept on one line or bordered."},
  };
  for (const Faulty& table : tables) {
    SCOPED_TRACE(table.what);
    try {
      rt::Screen screen("Broken", table.rows);
      ADD_FAILURE() << "the table was taken";
    } catch (const rt::RuntimeError& error) {
      EXPECT_EQ(error.action(), "the screen's layout is not valid");
      EXPECT_EQ(error.details(), (std::vector<std::pair<std::string, std::string>>{
                                     {"Screen", "Broken"}, {"Control", table.control}}));
      EXPECT_EQ(error.reason(), table.reason);
    }
  }
}

TEST(ScreenLayoutTest, AControlIsBoundOnlyByItsNameAndItsKind) {
  const std::vector<ControlLayout> rows = {kFrame, kOption, kButton};
  rt::Screen screen("Sound", rows);
  EXPECT_EQ(&screen.control<rt::CommandButton>("cmdGo"), screen.find("cmdGo"));
  EXPECT_THROW(screen.control<rt::Label>("cmdGo"), rt::RuntimeError);
  EXPECT_THROW(screen.control<rt::CommandButton>("Frame1"), rt::RuntimeError);
  EXPECT_THROW(screen.control<rt::OptionButton>("cmdgo"), rt::RuntimeError);
}

}  // namespace
