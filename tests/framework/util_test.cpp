#include "framework/util.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DebugTrace, WritesTheLineAndTheCodeAndReturnsIt) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(DebugTrace("frame", 120, 0, "Error: Couldn't create primary surface"), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "frame(120): Error: Couldn't create primary surface\n");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(DebugTrace("devices", 7, E_FAIL, "No devices"), E_FAIL);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "devices(7): No devices(hr=80004005)\n\n");
}

TEST(DebugTrace, LongSourceNamesNeverOverrunTheLine) {
  std::string name(1000, 's');
  ::testing::internal::CaptureStderr();
  DebugTrace(name.c_str(), -1, 0, "m");
  std::string out = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(out, std::string(200, 's') + "(-1): m\n");
}

}  // namespace
