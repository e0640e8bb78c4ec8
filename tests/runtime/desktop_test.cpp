#include "runtime/desktop.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/program.h"
#include "runtime/screen.h"

namespace {

// A desktop that shows nothing and takes no input.
class BlankDesktop : public rt::Desktop {
 public:
  void open(rt::Screen&) override {}
  void close(rt::Screen&) override {}
  void add(rt::Control&) override {}
  void remove(rt::Control&) override {}
  void show(rt::Screen&) override {}
  void hide(rt::Screen&) override {}
  void setEnabled(rt::Screen&, bool) override {}
  void update(rt::Control&) override {}
  void refresh(rt::Screen&) override {}
  void runUntil(const std::function<bool()>&) override {}
  void messageBox(const std::string&, int, const std::string&) override {}
  [[noreturn]] void end(rt::ExitStatus status) override { throw rt::ProgramEnded{status}; }
};

std::string NoDesktopError(const std::function<void()>& call) {
  try {
    call();
  } catch (const rt::NoDesktopInUse& error) {
    return error.what();
  }
  return "no error";
}

constexpr char kNoDesktop[] = "no desktop is in use: the program was started without one";

TEST(Desktop, NoneInUseIsAClearErrorEvenFromAHandler) {
  EXPECT_EQ(NoDesktopError([] { rt::desktop(); }), kNoDesktop);
  rt::Screen screen("Screen", {});
  EXPECT_EQ(NoDesktopError([&] { rt::RaiseEvent([&] { screen.Show(); }); }), kNoDesktop);
  EXPECT_FALSE(screen.loaded());
  EXPECT_EQ(NoDesktopError([] { rt::End(rt::ExitStatus::Failed); }), kNoDesktop);
}

TEST(Desktop, InUseWhileItsScopeLastsThenTheOneBefore) {
  BlankDesktop outer, inner;
  {
    const rt::DesktopInUse outerInUse(outer);
    EXPECT_EQ(&rt::desktop(), &outer);
    {
      const rt::DesktopInUse innerInUse(inner);
      EXPECT_EQ(&rt::desktop(), &inner);
    }
    EXPECT_EQ(&rt::desktop(), &outer);
    try {
      rt::End(rt::ExitStatus::NotUnderstood);
    } catch (const rt::ProgramEnded& ended) {
      EXPECT_EQ(rt::ExitCode(ended.status), 2);
    }
  }
  EXPECT_EQ(NoDesktopError([] { rt::desktop(); }), kNoDesktop);
}

}  // namespace
