// Live-stream faults: no peer, a peer that never answers, a peer gone mid-stream, a refused
// stop, bad settings, and repeated streams that leave nothing behind.
#include <tlink.h>
#include <tlink_test.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

#include "host_android.h"
#include "loopback_peer.h"
#include "live_session.h"
#include "silent_server.h"

namespace {

struct ErrorReports {
    static void record(long id, long kind, int code, char *text) {
        std::lock_guard<std::mutex> lock(mutex);
        calls++;
        cameraId = id;
        errorClass = kind;
        lastCode = code;
        lastText = text ? text : "";
    }
    static std::mutex mutex;  // guards the values below
    static int calls;
    static long cameraId, errorClass;
    static int lastCode;
    static std::string lastText;
};
std::mutex ErrorReports::mutex;
int ErrorReports::calls = 0;
long ErrorReports::cameraId = 0, ErrorReports::errorClass = 0;
int ErrorReports::lastCode = 0;
std::string ErrorReports::lastText;

void expect_nothing_left(UVCPreview *e) {
    EXPECT_EQ(e->getRecordState(), 0);
    EXPECT_EQ(recorder_objects_alive(), 0);
    EXPECT_EQ(recorder_instance_holders(), 0);
    EXPECT_EQ(UVCPreviewTestAccess::tlinkContext(e), nullptr);
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every fault test starts from a previewing camera ready to stream over RTMP.
class LiveFaults : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(s.ready); }

    // Seconds that a start to `url` took to fail with -300; it must leave nothing behind.
    double failedStartSeconds(const std::string &url) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(s.start(url), REC_LIVE_START_FAILED);
        const double seconds = seconds_since(start);
        expect_nothing_left(e);
        return seconds;
    }

    LiveSession s;
    UVCPreview *const e = s.engine();
};

TEST_F(LiveFaults, NoPeerASilentPeerAndBadSettingsFailTheStart) {
    const int threads = count_threads(), descriptors = count_open_descriptors();
    e->setTlinkWaitTime(1500);
    const std::string refused = "rtmp://127.0.0.1:" + std::to_string(closed_port()) + "/live/x";
    // The upper bounds only tell the wait time from the live library's own 10 s timeout: a load
    // can lengthen a wait but never shorten it.
    EXPECT_LT(failedStartSeconds(refused), 8.0);
    {
        SilentServer silent;
        ASSERT_GT(silent.port(), 0);
        const double waited =
            failedStartSeconds("rtmp://127.0.0.1:" + std::to_string(silent.port()) + "/live/x");
        EXPECT_GT(waited, 1.4);
        EXPECT_LT(waited, 8.0);
        EXPECT_EQ(settled_thread_count(threads), threads);
        EXPECT_EQ(count_open_descriptors(), descriptors + 1);  // the silent server
    }

    e->setTlinkWaitTime(0);
    EXPECT_EQ(e->recordStart(false, nullptr), REC_LIVE_START_FAILED);
    EXPECT_EQ(s.start(std::string("rtmp://127.0.0.1:1/live/") + std::string(300, 'x')),
              REC_LIVE_START_FAILED);
    e->setTLinkMode(7);  // RTSP, which an rtmp:// address does not fit
    EXPECT_EQ(s.start("rtmp://127.0.0.1:1/live/x"), REC_LIVE_START_FAILED);
    expect_nothing_left(e);
    // Statistics of no stream.
    EXPECT_EQ(e->getTransmission_sec(), 0.0);
    EXPECT_EQ(e->getAudioTransmission(), 0.0);
    EXPECT_EQ(e->getAudioDropFrame(), 0);
}

TEST_F(LiveFaults, PeerGoneMidStreamIsReportedOnceAndTheStreamGoesOn) {
    LoopbackPeer peer(LoopbackPeer::Rtmp);
    ASSERT_TRUE(peer.running());
    e->SetErrorNotifyCallback(ErrorReports::record);
    e->SetCameraID(77);
    ErrorReports::calls = 0;
    ASSERT_EQ(s.start(peer.url()), 0);
    ASSERT_TRUE(s.waitMorePosts(20));
    peer.stop(0);
    ASSERT_TRUE(wait_until(
        [] {
            std::lock_guard<std::mutex> lock(ErrorReports::mutex);
            return ErrorReports::calls > 0;
        },
        10000));
    ASSERT_TRUE(s.waitMorePosts(15));
    EXPECT_EQ(e->getRecordState(), 1);
    int code;
    {
        std::lock_guard<std::mutex> lock(ErrorReports::mutex);
        EXPECT_EQ(ErrorReports::calls, 1);
        EXPECT_EQ(ErrorReports::cameraId, 77);
        EXPECT_EQ(ErrorReports::errorClass, 2);
        EXPECT_TRUE(ErrorReports::lastCode == TL_ERROR_SOCKET_READ ||
                    ErrorReports::lastCode == TL_ERROR_SOCKET_WRITE);
        EXPECT_FALSE(ErrorReports::lastText.empty());
        code = ErrorReports::lastCode;
    }
    // The stop reports the connection's failure and still releases everything.
    EXPECT_EQ(e->recordStop(), code);
    expect_nothing_left(e);
}

// A refused stop still releases everything; later streams work and leave nothing behind.
TEST_F(LiveFaults, ARefusedStopAndRepeatedStreamsLeaveNothingBehind) {
    LoopbackPeer peer(LoopbackPeer::Rtmp);
    ASSERT_TRUE(peer.running());
    ASSERT_EQ(s.start(peer.url("first")), 0);
    ASSERT_TRUE(s.waitMorePosts(10));
    ASSERT_EQ(TlinkTestRefuseStops(1, TL_ERROR_PREVIOUS_JOB_NOT_COMPLETED), 0);
    EXPECT_EQ(e->recordStop(), REC_LIVE_STOP_FAILED);
    expect_nothing_left(e);
    ASSERT_EQ(s.start(peer.url("second")), 0);
    ASSERT_TRUE(s.waitMorePosts(10));
    EXPECT_EQ(e->recordStop(), 0);

    const int threads = count_threads(), descriptors = count_open_descriptors();
    for (int i = 0; i < 10; i++) {
        ASSERT_EQ(s.start(peer.url("cycle" + std::to_string(i))), 0) << "cycle " << i;
        ASSERT_TRUE(s.waitMorePosts(3));
        ASSERT_EQ(e->recordStop(), 0) << "cycle " << i;
    }
    EXPECT_EQ(settled_thread_count(threads), threads);
    EXPECT_EQ(count_open_descriptors(), descriptors);
    expect_nothing_left(e);
}

}  // namespace
