// The counter camera with its sine microphone streamed to each loopback peer, with the
// statistics read while it runs, and the settings that take effect at the next start.
#include <tlink.h>
#include <tlink_test.h>

#include <chrono>

#include "host_android.h"
#include "loopback_peer.h"
#include "live_session.h"

namespace {

class LiveStream : public testing::TestWithParam<int> {};

TEST_P(LiveStream, FiveSecondsReachThePeerWithTheirStatistics) {
    LoopbackPeer peer(peer_kind(GetParam()));
    ASSERT_TRUE(peer.running());
    LiveSession s(GetParam());
    ASSERT_TRUE(s.ready);
    UVCPreview *e = s.engine();
    // Nothing started yet: rates and drops are 0.
    EXPECT_EQ(e->getTransmission_sec(), 0.0);
    EXPECT_EQ(e->getVideoTransmission(), 0.0);
    EXPECT_EQ(e->getVideoDropFrame(), 0);

    ASSERT_EQ(s.start(peer.url()), 0);
    EXPECT_STREQ(e->getTLinkUrl(), peer.url().c_str());
    const auto begin = std::chrono::steady_clock::now();
    const int postsBefore = host_window_post_count(s.window);
    ASSERT_TRUE(s.waitMorePosts(5 * kRecordFps));
    const double videoRate = e->getVideoTransmission();
    const double audioRate = e->getAudioTransmission();
    const double bytesRate = e->getTransmission_sec();
    // The video rate follows the pictures the camera delivered over the same span: a loaded
    // machine slows both alike, a rate in the wrong unit or of the wrong stream stands out.
    const double posted =
        (host_window_post_count(s.window) - postsBefore) /
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_GT(videoRate, posted * 0.6);
    EXPECT_LT(videoRate, posted * 1.4);
    // Bytes per picture rather than per second, so that it does not depend on the load.
    EXPECT_GT(bytesRate / videoRate, kRecordBitrate / 8.0 / kRecordFps * 0.2);
    EXPECT_LT(bytesRate / videoRate, kRecordBitrate / 8.0 / kRecordFps * 3.0);
    EXPECT_EQ(e->getVideoDropFrame(), 0);
    EXPECT_EQ(e->getAudioDropFrame(), 0);
    EXPECT_EQ(e->recordStop(), 0);
    EXPECT_EQ(e->getVideoTransmission(), 0.0);
    EXPECT_EQ(e->getAudioDropFrame(), 0);

    peer.stop();
    const RecordedFile file = probe_recording(peer.recording());
    EXPECT_EQ(file.codecs, "h264,aac");
    EXPECT_GT(file.duration, 4.0);
    // Both rates count over the same connection time, so their ratio is that of the streams'
    // frames at the peer.
    ASSERT_GT(file.videoFrames, 0);
    const double fileRatio = double(file.audioFrames) / file.videoFrames;
    EXPECT_NEAR(audioRate / videoRate, fileRatio, fileRatio * 0.25);
    const std::vector<int64_t> counters = recorded_counters(peer.recording());
    ASSERT_GE(counters.size(), 4u * kRecordFps);
    for (size_t i = 1; i < counters.size(); i++)
        ASSERT_GT(counters[i], counters[i - 1]) << "frame " << i;
    EXPECT_NEAR(tone_hz(peer.recording()), kMicHz, kMicHz * 0.05);
}

INSTANTIATE_TEST_SUITE_P(BothProtocols, LiveStream,
                         testing::Values(TLINK_MODE_RTMP, TLINK_MODE_RTSP), protocol_name);

// How many video frames lie between the key frames of a file, in order.
std::vector<int> key_frame_gaps(const std::string &path) {
    std::vector<int> gaps;
    int since = -1;
    for (const auto &[key, value] :
         ffprobe_fields(path, "-select_streams v -show_entries packet=flags")) {
        if (key != "flags")
            continue;
        if (value.find('K') != std::string::npos) {
            if (since >= 0)
                gaps.push_back(since);
            since = 0;
        }
        if (since >= 0)
            since++;
    }
    return gaps;
}

// Key frames are counted in frames, so only frames the library dropped could move them. Then a
// slow link with deblocking off and on: the setting reaches the library and its drops are counted
// (what deblocking then drops is the library's own behaviour, tested with it).
TEST(LiveSettings, KeyFrameIntervalLogLevelAndDeblockReachTheLibraries) {
    LoopbackPeer peer(LoopbackPeer::Rtmp);
    ASSERT_TRUE(peer.running());
    LiveSession s(TLINK_MODE_RTMP);
    ASSERT_TRUE(s.ready);
    UVCPreview *e = s.engine();
    EXPECT_EQ(e->SetTlinkLogLevel(TLINK_LOG_ERROR), 0);
    EXPECT_EQ(e->SetTlinkLogLevel(99), TL_ERROR_INVALID_PARAMETER);
    e->setIframeInterval(2);
    ASSERT_EQ(s.start(peer.url()), 0);
    ASSERT_TRUE(s.waitMorePosts(5 * kRecordFps));
    ASSERT_EQ(e->getVideoDropFrame(), 0);
    ASSERT_EQ(e->recordStop(), 0);

    e->setIframeInterval(10);
    for (int deblock = 0; deblock < 2; deblock++) {
        e->setTlinkDeblock(deblock);
        ASSERT_EQ(s.start(peer.url("deblock" + std::to_string(deblock))), 0);
        void *handle = UVCPreviewTestAccess::tlinkContext(e);
        void **context = &handle;
        int inLibrary = -1;
        ASSERT_EQ(TlinkTestGetDeblock(context, &inLibrary), 0);
        EXPECT_EQ(inLibrary, deblock);
        ASSERT_EQ(TlinkTestSetSendDelay(context, 200), 0);
        ASSERT_TRUE(wait_until([&] { return e->getVideoDropFrame() > 0; }, 30000));
        const int firstDrops = e->getVideoDropFrame();
        ASSERT_TRUE(s.waitMorePosts(60));
        EXPECT_GT(e->getVideoDropFrame(), firstDrops);
        ASSERT_EQ(TlinkTestSetSendDelay(context, 0), 0);
        e->recordStop();
    }

    peer.stop();
    const std::vector<int> gaps = key_frame_gaps(peer.recording());
    ASSERT_GE(gaps.size(), 1u);
    for (int gap : gaps)
        EXPECT_EQ(gap, 2 * kRecordFps);
}

}  // namespace
