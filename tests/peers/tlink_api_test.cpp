// The live-streaming library's calls without a working server: argument checks, dead and
// stale contexts, refused and silent connections, cancelling.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "loopback_peer.h"
#include "tlink_test_support.h"
#include "wait_until.h"

namespace {

TEST(TlinkApi, VersionAndLogLevel) {
    uint16_t v[4] = {0, 0, 0, 0};
    EXPECT_EQ(TlinkGetVersion(&v[0], &v[1], &v[2], &v[3]), 0);
    EXPECT_GT(v[0] + v[1] + v[2] + v[3], 0);
    EXPECT_EQ(TlinkGetVersion(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(TlinkSetDebug(TLINK_LOG_VERBOSE), 0);
    EXPECT_EQ(TlinkSetDebug(TLINK_LOG_ERROR), 0);
    EXPECT_EQ(TlinkSetDebug(-1), TL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(TlinkSetDebug(TLINK_LOG_VERBOSE + 1), TL_ERROR_INVALID_PARAMETER);
}

TEST(TlinkApi, StartRefusesUnusableUrls) {
    struct Case {
        int mode;
        const char *url;
    };
    std::string too_long = "rtmp://127.0.0.1:1935/live/" + std::string(240, 'x');
    const Case cases[] = {
        {TLINK_MODE_RTMP, nullptr},
        {TLINK_MODE_RTMP, ""},
        {TLINK_MODE_RTMP, "http://127.0.0.1/live/a"},
        {TLINK_MODE_RTMP, "rtsp://127.0.0.1:554/live"},  // scheme of the other mode
        {TLINK_MODE_RTSP, "rtmp://127.0.0.1:1935/live/a"},
        {7, "rtmp://127.0.0.1:1935/live/a"},  // any mode but 1 is RTSP
        {TLINK_MODE_RTMP, "rtmp://127.0.0.1:99999/live/a"},
        {TLINK_MODE_RTMP, "rtmp://127.0.0.1:/live/a"},
        {TLINK_MODE_RTMP, "rtmp://:1935/live/a"},
        {TLINK_MODE_RTMP, "rtmp://127.0.0.1/live"},  // no stream name
        {TLINK_MODE_RTMP, "rtmp://127.0.0.1/live/a b"},
        {TLINK_MODE_RTMP, too_long.c_str()},
    };
    for (const Case &c : cases) {
        void *context = nullptr;
        EXPECT_EQ(TlinkAsyncStart(c.mode, c.url, &context), TL_ERROR_INVALID_PARAMETER)
            << (c.url ? c.url : "(null)");
        EXPECT_EQ(context, nullptr);
    }
    EXPECT_EQ(TlinkAsyncStart(TLINK_MODE_RTMP, "rtmp://127.0.0.1/live/a", nullptr),
              TL_ERROR_INVALID_PARAMETER);
}

TEST(TlinkApi, ZeroAndStaleContextsAreRefused) {
    void *zero = nullptr;
    void *stale = reinterpret_cast<void *>(0x1234);
    int value = 1;
    double seconds = -5;
    struct Expect {
        void **slot;
        int code;
    };
    for (Expect e :
         {Expect{&zero, TL_ERROR_NOT_INITIALIZED}, Expect{&stale, TL_ERROR_INVALID_OBJECT},
          Expect{nullptr, TL_ERROR_INVALID_PARAMETER}}) {
        EXPECT_EQ(TlinkWaitAsyncJobCompletion(e.slot, -1), e.code);
        EXPECT_EQ(TlinkCancelAsyncJob(e.slot), e.code);
        EXPECT_EQ(TlinkSetConfig(e.slot, TLC_DEBLOCK, &value), e.code);
        EXPECT_EQ(TlinkSetCallbackRuntimeError(e.slot, nullptr, nullptr), e.code);
        EXPECT_EQ(TlinkAsyncStop(e.slot), e.code);
        EXPECT_STREQ(TlinkGetUrl(e.slot), "");
        EXPECT_EQ(TlinkGetStats(e.slot, TLS_BYTES_SENT, &seconds), 0u);
        EXPECT_EQ(seconds, -5);
    }
    TestUnit unit;
    unit.type = MEDIA_PACKET_VIDEO;
    unit.data.assign(100, 1);
    MediaPacket packet = unit.packet();
    EXPECT_EQ(TlinkPush(nullptr, &packet), TL_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(TlinkPush(stale, &packet), TL_ERROR_INVALID_OBJECT);
}

// Connection refused: RTMP cannot even start its handshake; RTSP cannot send its request.
TEST(TlinkApi, ClosedPortFailsTheConnectAndLeavesNothingBehind) {
    int port = closed_port();
    ASSERT_GT(port, 0);
    struct Case {
        int mode;
        std::string url;
        int code;
    };
    const Case cases[] = {
        {TLINK_MODE_RTMP, "rtmp://127.0.0.1:" + std::to_string(port) + "/live/a",
         TL_ERROR_RTMP_HANDSHAKE},
        {TLINK_MODE_RTSP, "rtsp://127.0.0.1:" + std::to_string(port) + "/live",
         TL_ERROR_SOCKET_WRITE},
    };
    for (const Case &c : cases) {
        int threads = count_threads(), descriptors = count_open_descriptors();
        void *context = nullptr;
        ASSERT_EQ(TlinkAsyncStart(c.mode, c.url.c_str(), &context), 0);
        ASSERT_NE(context, nullptr);
        EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, 5000), c.code) << c.url;
        // The failed connect ended the context.
        EXPECT_EQ(TlinkCancelAsyncJob(&context), TL_ERROR_INVALID_OBJECT);
        EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, -1), TL_ERROR_INVALID_OBJECT);
        EXPECT_EQ(settled_thread_count(threads), threads);
        EXPECT_EQ(count_open_descriptors(), descriptors);
    }
}

class SilentServerTest : public ::testing::TestWithParam<int> {
  protected:
    std::string url() const {
        std::string base = "://127.0.0.1:" + std::to_string(server_.port()) + "/live";
        return GetParam() == TLINK_MODE_RTMP ? "rtmp" + base + "/a" : "rtsp" + base;
    }
    SilentServer server_;
};

TEST_P(SilentServerTest, ShortWaitTimesOutSettingsApplyAndCancelEndsPromptly) {
    int threads = count_threads();
    void *context = nullptr;
    ASSERT_EQ(TlinkAsyncStart(GetParam(), url().c_str(), &context), 0);
    EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, 100), TL_ERROR_WAIT_TIMEOUT);

    // Nothing else may run while the connect is pending.
    TestUnit unit;
    unit.type = MEDIA_PACKET_VIDEO;
    unit.data.assign(10, 0);
    MediaPacket packet = unit.packet();
    EXPECT_EQ(TlinkPush(context, &packet), TL_ERROR_PENDING);
    EXPECT_EQ(TlinkAsyncStop(&context), TL_ERROR_PREVIOUS_JOB_NOT_COMPLETED);
    double seconds = -1;
    EXPECT_EQ(TlinkGetStats(&context, TLS_VIDEO_FRAMES_SENT, &seconds), 0u);
    EXPECT_EQ(seconds, 0.0);
    EXPECT_STREQ(TlinkGetUrl(&context), url().c_str());
    // Configuration and statistics ids.
    int deblock = 0;
    EXPECT_EQ(TlinkSetConfig(&context, TLC_DEBLOCK, &deblock), 0);
    EXPECT_EQ(TlinkSetConfig(&context, 2, &deblock), TL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(TlinkSetConfig(&context, TLC_DEBLOCK, nullptr), TL_ERROR_INVALID_PARAMETER);
    seconds = -1;
    EXPECT_EQ(TlinkGetStats(&context, 5, &seconds), 0u);
    EXPECT_EQ(TlinkGetStats(&context, -1, &seconds), 0u);
    EXPECT_EQ(seconds, -1);
    EXPECT_EQ(TlinkSetCallbackRuntimeError(&context, nullptr, nullptr), 0);

    // Left alone, the connect ends only by the library's own reply timeout (5 s for RTSP, 10 s
    // for RTMP): the cancel must end it well before that.
    EXPECT_EQ(TlinkCancelAsyncJob(&context), 0);
    EXPECT_TRUE(returns_within(
        [&] { EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, -1), TL_ERROR_PENDING); }, 4000));
    EXPECT_TRUE(server_.client_closed_within(2000));
    EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, -1), TL_ERROR_INVALID_OBJECT);
    EXPECT_EQ(settled_thread_count(threads), threads);
}

// A new start on a slot that still names a pending context closes that context first.
TEST_P(SilentServerTest, RestartOnTheSameSlotClosesThePreviousContext) {
    void *context = nullptr;
    ASSERT_EQ(TlinkAsyncStart(GetParam(), url().c_str(), &context), 0);
    void *first = context;
    ASSERT_EQ(TlinkAsyncStart(GetParam(), url().c_str(), &context), 0);
    EXPECT_NE(context, first);
    EXPECT_TRUE(server_.client_closed_within(2000));
    EXPECT_EQ(TlinkWaitAsyncJobCompletion(&first, 0), TL_ERROR_INVALID_OBJECT);
    EXPECT_EQ(TlinkCancelAsyncJob(&context), 0);
    EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, -1), TL_ERROR_PENDING);
}

INSTANTIATE_TEST_SUITE_P(BothProtocols, SilentServerTest,
                         ::testing::Values(TLINK_MODE_RTMP, TLINK_MODE_RTSP), protocol_name);

}  // namespace
