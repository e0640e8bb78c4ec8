// The older ways the Windows side takes where the system lacks a newer
// facility, played on any system: Wine has every function whatever Windows
// it plays, so the fallbacks run only as on Windows Vista as shipped.
#include <gtest/gtest.h>

#include <string>

#include "runtime/files.h"
#include "runtime/win32/handles.h"
#include "runtime/win32/system_functions_win32.h"
#include "test_drives.h"

namespace {

class SystemFunctionsTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(drives_.ready()) << "the test drives H:, D: and E: are not there";
    rt::win32::PretendWindowsVista(GetParam());
  }
  void TearDown() override { rt::win32::PretendWindowsVista(false); }

  TestDrives drives_;
};

TEST_P(SystemFunctionsTest, ListingsFindEveryFileAndItsName) {
  Write(Child(drives_('H'), "Read Me.txt"), "a");
  Write(Child(drives_('H'), "second.dat"), "bb");
  WIN32_FIND_DATAW data;
  const rt::win32::FindHandle find(rt::win32::FindFirstFileBasic(L"H:\\READ ME.TXT", data));
  ASSERT_TRUE(find) << ::GetLastError();
  EXPECT_EQ(std::wstring(data.cFileName), L"Read Me.txt");
  // Twice: the second listing takes the level the first one learnt.
  for (int listing = 0; listing < 2; ++listing) {
    EXPECT_EQ(rt::rtcDir("H:\\*", 0), "Read Me.txt");
    EXPECT_EQ(rt::rtcDir(), "second.dat");
    EXPECT_EQ(rt::rtcDir(), "");
  }
}

TEST_P(SystemFunctionsTest, ErrorModeIsSetAndGivenBack) {
  const DWORD before = rt::win32::SetThreadErrorModeOrProcess(SEM_FAILCRITICALERRORS);
  EXPECT_EQ(GetParam() ? ::GetErrorMode() : ::GetThreadErrorMode(),
            static_cast<DWORD>(SEM_FAILCRITICALERRORS));
  EXPECT_EQ(rt::win32::SetThreadErrorModeOrProcess(before),
            static_cast<DWORD>(SEM_FAILCRITICALERRORS));
  EXPECT_EQ(GetParam() ? ::GetErrorMode() : ::GetThreadErrorMode(), before);
}

TEST_P(SystemFunctionsTest, CommonControlsAreTheSameEitherWay) {
  const HMODULE controls = rt::win32::LoadCommonControls();
  ASSERT_NE(controls, nullptr) << ::GetLastError();
  rt::win32::PretendWindowsVista(!GetParam());
  const HMODULE otherWay = rt::win32::LoadCommonControls();
  EXPECT_EQ(otherWay, controls);
  ::FreeLibrary(otherWay);
  ::FreeLibrary(controls);
}

INSTANTIATE_TEST_SUITE_P(AsOnWindowsVista, SystemFunctionsTest, ::testing::Values(true));
INSTANTIATE_TEST_SUITE_P(AsTheSystemAllows, SystemFunctionsTest, ::testing::Values(false));

}  // namespace
