#include <gtest/gtest.h>

#include <regex>

#include "imageio/trace.h"

TEST(Trace, WritesOneFlushedLineToStderr) {
    testing::internal::CaptureStderr();
    TraceLinux("hello");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[MovraModule-Debug] hello\n");
}

TEST(Trace, LogFileNameHasDateShape) {
    EXPECT_TRUE(std::regex_match(GetLogFilenameByCurrentDate(),
                                 std::regex(R"(log_\d{4}-\d{2}-\d{2}\.txt)")));
}
