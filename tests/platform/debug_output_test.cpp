#include "platform/debug_output.h"

#include <gtest/gtest.h>

#include "platform/paths.h"

namespace {

TEST(DebugOutput, WritesUtf8LinesToStandardError) {
    if (platform::kPathSeparator != L'/') GTEST_SKIP() << "goes to the debugger on Windows";
    testing::internal::CaptureStderr();
    platform::debugOutput(L"[FFmpeg] decode: /视频/a.mp4\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[FFmpeg] decode: /视频/a.mp4\n");
}

}  // namespace
