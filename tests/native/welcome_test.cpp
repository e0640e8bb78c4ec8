// The welcome screen and the modal stack, with the scripted user.
#include "scenario_fixture.h"

namespace {

using WelcomeScreen = ScenarioTest;

TEST_F(WelcomeScreen, ExitButtonEndsAtOnceWithStatusZero) {
  EXPECT_EQ(runFile("intro_stop.scn"), 0);
  EXPECT_TRUE(user->messages().empty());
}

TEST_F(WelcomeScreen, ClosingTheWindowEndsTheProgram) {
  EXPECT_EQ(runFile("intro_close.scn"), 0);
}

TEST_F(WelcomeScreen, InstallOpensOptionModallyAgainAndAgain) {
  EXPECT_EQ(runFile("intro_install.scn"), 0);
}

TEST_F(WelcomeScreen, TheScreenBelowAModalOneTakesNoInput) {
  const std::string failure = runExpectingFailure(R"(screen Intro
click Click here to install the QUORVAN system
click Click here to exit.
exit 0
)");
  EXPECT_NE(failure.find("\"Intro\" is not the active screen"), std::string::npos) << failure;
}

TEST_F(WelcomeScreen, AnUnexpectedEndFailsTheScenario) {
  const std::string failure = runExpectingFailure(R"(screen Intro
click Click here to exit.
screen Intro
exit 0
)");
  EXPECT_NE(failure.find("ends with exit status 0"), std::string::npos) << failure;
}

}  // namespace
