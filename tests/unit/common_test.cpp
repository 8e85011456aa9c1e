#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "error_codes.h"
#include "host_android.h"
#include "logging.h"
#include "timing.h"

namespace {

// An owner with a debug flag, the way engine objects log.
struct Owner {
    bool mDebug;
    explicit Owner(bool debug) : mDebug(debug) {}
    ~Owner() { LOGE("gone %d", 1); }
    void progress(int step) { LOGD("step %d\n", step); }
    void rejected() { LOGE("rejected %s", "frame"); }
};

class LogTest : public ::testing::Test {
  protected:
    void SetUp() override { host_log_capture_start(); }
    void TearDown() override { host_log_capture_stop(); }
};

TEST_F(LogTest, LineCarriesTimeFileLineAndFunction) {
    Owner owner(false);
    owner.rejected();
    auto lines = host_log_captured();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].priority, 6);
    EXPECT_EQ(lines[0].tag, "OrrinUVC");
    std::regex format(
        R"(^\[\d{1,2}::\d{1,2}, msec : \d{1,3}\] : \[common_test\.cpp:\d+:rejected\]:rejected frame$)");
    EXPECT_TRUE(std::regex_match(lines[0].text, format)) << lines[0].text;
}

TEST_F(LogTest, DestructorLinesNameTheClassWithTilde) {
    { Owner owner(false); }
    auto lines = host_log_captured();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].text.find("[common_test.cpp:"), std::string::npos);
    EXPECT_NE(lines[0].text.find(":~Owner]:gone 1"), std::string::npos) << lines[0].text;
}

TEST_F(LogTest, DebugFormFollowsTheOwnersFlag) {
    Owner quiet(false), verbose(true);
    quiet.progress(1);
    verbose.progress(2);
    quiet.progress(3);
    auto lines = host_log_captured();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].text.find(":progress]:step 2\n"), std::string::npos) << lines[0].text;
    EXPECT_EQ(host_log_count("step 1"), 0);
    EXPECT_EQ(host_log_count("step 3"), 0);
}

TEST_F(LogTest, TimeCheckWritesFourForms) {
    timeCheck(true, "open");
    timeCheck(true, nullptr);
    timeCheck(false, "open");
    timeCheck(false, nullptr);
    auto lines = host_log_captured();
    ASSERT_EQ(lines.size(), 4u);
    const char *patterns[] = {
        R"(.*:timeCheck\]:\[open - Start\]\d+::\d+, msec : \d+$)",
        R"(.*:timeCheck\]:\[Start\]\d+::\d+, msec : \d+$)",
        R"(.*:timeCheck\]:\[open - End\]\d+::\d+, msec : \d+$)",
        R"(.*:timeCheck\]:\[End\]\d+::\d+, msec : \d+$)",
    };
    for (int i = 0; i < 4; i++) {
        EXPECT_TRUE(std::regex_match(lines[i].text, std::regex(patterns[i]))) << lines[i].text;
    }
}

TEST(ErrorCodes, AudioLibraryCodesMapToEngineCodes) {
    EXPECT_EQ(parse_ErrCode(16), -2);
    EXPECT_EQ(parse_ErrCode(48), -3);
    EXPECT_EQ(parse_ErrCode(256), -11);
    EXPECT_EQ(parse_ErrCode(0x10000001), -91);
    EXPECT_EQ(parse_ErrCode(0), 0);
    EXPECT_EQ(parse_ErrCode(1), 0);
    EXPECT_EQ(parse_ErrCode(-16), 0);
}

TEST(ErrorCodes, LiveStreamCodesHaveTheirNames) {
    const std::pair<int, const char *> table[] = {
        {0, "TL_ERROR_SUCCESS"},
        {0x10, "TL_ERROR_INVALID_PARAMETER"},
        {0x13, "TL_ERROR_INVALID_PARAMETER_3"},
        {0x16, "TL_ERROR_INVALID_PARAMETER_6"},
        {0x17, "TL_ERROR_INVALID_OBJECT"},
        {0x30, "TL_ERROR_INSUFFICIENT_MEMORY"},
        {0x40, "TL_ERROR_NOT_INITIALIZED"},
        {0x41, "TL_ERROR_BUFFER_OVERFLOW"},
        {0x97, "TL_ERROR_NO_PENDING_JOB"},
        {0x98, "TL_ERROR_WAIT_TIMEOUT"},
        {0x99, "TL_ERROR_PENDING"},
        {0x101, "TL_ERROR_NO_HEADER_FRAME"},
        {0x200, "TL_ERROR_PREVIOUS_JOB_NOT_COMPLETED"},
        {0x805, "TL_ERROR_CREATE_THREAD"},
        {0x10001, "TL_ERROR_RTMP_HANDSHAKE"},
        {0x10002, "TL_ERROR_RTMP_CONNECT_APP"},
        {0x10003, "TL_ERROR_RTMP_PUBLISH_STREAM"},
        {0x1000001, "TL_ERROR_SOCKET_READ"},
        {0x1000002, "TL_ERROR_SOCKET_WRITE"},
        {0x20000001, "TL_ERROR_UNSUPPORTED_FUNCTION"},
        {0x20000002, "TL_ERROR_UNSUPPORTED_STATS"},
        {1, "UNKNOWN_CODE"},
        {0x18, "UNKNOWN_CODE"},
        {-1, "UNKNOWN_CODE"},
    };
    for (const auto &entry : table) {
        EXPECT_STREQ(TlinkStringFromErrorCode(entry.first), entry.second) << entry.first;
    }
}

TEST(LastError, ResetWritesNoLog) {
    strcpy(last_error_text(), "something failed");
    reset_last_error();
    EXPECT_STREQ(last_error_text(), "no log");
    EXPECT_EQ(last_error_text()[LAST_ERROR_SIZE - 1], '\0');
}

TEST(Clocks, WallClockAndMonotonicClockAgreeWithTheSystem) {
    double wall = gettime();
    EXPECT_NEAR(wall, (double)time(nullptr), 2.0);
    int64_t first = getcurtime();
    struct timespec pause = {0, 20 * 1000 * 1000};
    nanosleep(&pause, nullptr);
    int64_t second = getcurtime();
    EXPECT_GE(second - first, 20000);
    EXPECT_LT(second - first, 2000000);
}

}  // namespace
