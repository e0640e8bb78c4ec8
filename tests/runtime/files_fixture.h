// What the tests of the file functions share: the drives (test_drives.h),
// and helpers to list a folder, catch a run-time error and limit the size
// of files written. The tests run natively and under Wine: H: is the hard
// disk, D: the CD and E: a drive with no disc.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "runtime/error.h"
#include "runtime/files.h"
#include "test_drives.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

using Names = std::vector<std::string>;

// Every name a listing gives: the first match, then the rest one by one.
inline Names DirAll(const std::string& pattern, int attributes) {
  Names names;
  for (auto name = rt::rtcDir(pattern, attributes); !name.empty() && names.size() < 100;
       name = rt::rtcDir())
    names.push_back(name);
  return names;
}

// The run-time error `action` raises; a failure when it raises none.
inline rt::RuntimeError Raised(const std::function<void()>& action) {
  try {
    action();
  } catch (const rt::RuntimeError& error) {
    return error;
  }
  ADD_FAILURE() << "no run-time error was raised";
  return rt::RuntimeError("", {}, "");
}

#ifdef _WIN32
#define SKIP_ON_WINDOWS(why) GTEST_SKIP() << why
#else
#define SKIP_ON_WINDOWS(why)

// Makes writes beyond `bytes` fail (EFBIG) while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : oldHandler_(::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t oldHandler_;
};
#endif

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(drives_.ready()) << "the test drives H:, D: and E: are not there";
  }

  fs::path H() const { return drives_('H'); }
  fs::path D() const { return drives_('D'); }

  TestDrives drives_;
};
