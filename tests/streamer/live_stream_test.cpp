// The streamer against the loopback peers: what the application feeds arrives at an RTMP or
// RTSP server, beside a file for record type 48, and a lost server reaches the application.
#include <gtest/gtest.h>

#include <thread>

#include "UVCCamera.h"
#include "host_android.h"
#include "loopback_peer.h"
#include "process_counts.h"
#include "recorder_test_controls.h"
#include "streamer_support.h"
#include "tlink_test.h"

namespace {

// An internal-source camera object whose streamer is configured for `format` and `mode`.
struct LiveCamera {
    UVCCamera camera{true};
    StreamWrapper *streamer = nullptr;
    LiveCamera(const StreamFormat &format, int mode) {
        ErrorReports::reset();
        EXPECT_EQ(camera.connect(0, 0, 0, nullptr, false, nullptr), 0);
        streamer = camera.streamWrapper();
        configure(*streamer, format);
        streamer->setTLinkMode(mode);
        streamer->SetCameraID(42);
        streamer->SetErrorNotifyCallback(ErrorReports::record);
        // Every picture a key frame: a unit the sender drops on a loaded machine then costs
        // only that picture, not the pictures up to the next key frame.
        streamer->setIframeInterval(0);
    }
};

class LiveStream : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(LiveStream, PicturesAndSoundFromTwoThreadsReachThePeer) {
    LoopbackPeer peer(peer_kind(GetParam()));
    ASSERT_TRUE(peer.running());
    int threads = count_threads(), descriptors = count_open_descriptors();
    {
        LiveCamera c(StreamFormat(), GetParam());
        ASSERT_EQ(c.streamer->Start(peer.url().c_str()), 0);
        EXPECT_STREQ(c.streamer->getTLinkUrl(), peer.url().c_str());
        PicturePlan plan;  // 3 s at 25 fps: 25 counters, then red, green and blue
        EXPECT_EQ(feedPaced(*c.streamer, plan, 25, 44100, 2), plan.frames);
        EXPECT_GT(c.streamer->getVideoTransmission(), 0.0);
        EXPECT_GT(c.streamer->getTransmission_sec(), 0.0);
        EXPECT_EQ(c.streamer->Stop(), 0);
        EXPECT_EQ(ErrorReports::calls, 0);
        c.camera.release_internal();
        EXPECT_EQ(media_recorder_test_holders(), 0);
        EXPECT_EQ(settled_thread_count(threads), threads);
        EXPECT_EQ(count_open_descriptors(), descriptors);

        peer.stop();
        ProbedMedia media = probe_media(peer.recording());
        EXPECT_EQ(media.codecs, "h264,aac");
        EXPECT_GT(media.duration, 2.5);
        EXPECT_LT(media.duration, 3.6);
        std::vector<int64_t> counters;
        expectPlanInFile(peer.recording(), plan, 10, &counters);
        EXPECT_NEAR(tone_hz(peer.recording()), 440.0, 10.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Protocols, LiveStream, ::testing::Values(1, 2), protocol_name);

TEST(LiveStreamRtmp, Type48WritesItsFileBesideTheStreamAndClosesBoth) {
    LoopbackPeer peer(LoopbackPeer::Rtmp);
    ASSERT_TRUE(peer.running());
    int threads = count_threads();
    StreamFormat format;
    format.recType = 48;
    format.filePath = temp_path("type48.mp4");
    LiveCamera c(format, 1);
    ASSERT_EQ(c.streamer->Start(peer.url().c_str()), 0);
    PicturePlan plan{640, 480, 50, 20};
    EXPECT_EQ(feedPaced(*c.streamer, plan, 25, 44100, 2), plan.frames);
    EXPECT_EQ(c.streamer->Stop(), 0);
    // The live connection is closed with the stop: its thread is gone.
    EXPECT_EQ(settled_thread_count(threads), threads);
    ProbedMedia file = probe_media(format.filePath);
    EXPECT_EQ(file.codecs, "h264,aac");
    EXPECT_GT(file.duration, 1.6);
    expectPlanInFile(format.filePath, plan, 10);
    peer.stop();
    ProbedMedia live = probe_media(peer.recording());
    EXPECT_EQ(live.codecs, "h264,aac");
    EXPECT_GT(live.duration, 1.6);
}

TEST(LiveStreamRtmp, LostPeerIsReportedOnceWithClass2) {
    auto peer = std::make_unique<LoopbackPeer>(LoopbackPeer::Rtmp);
    ASSERT_TRUE(peer->running());
    LiveCamera c(StreamFormat(), 1);
    ASSERT_EQ(c.streamer->Start(peer->url().c_str()), 0);
    std::atomic<bool> feeding{true};
    std::thread feeder([&] {
        PicturePlan plan{640, 480, 25, 25};
        while (feeding)
            feedPaced(*c.streamer, plan, 25, 44100, 2);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    peer.reset();
    for (int i = 0; i < 1000 && ErrorReports::calls == 0; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // The streamer keeps taking pictures after the report; the report comes once.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    feeding = false;
    feeder.join();
    EXPECT_EQ(ErrorReports::calls, 1);
    EXPECT_EQ(ErrorReports::errorClass, 2);
    EXPECT_TRUE(ErrorReports::code == TL_ERROR_SOCKET_READ ||
                ErrorReports::code == TL_ERROR_SOCKET_WRITE);
    EXPECT_NE(c.streamer->Stop(), -53);
    c.camera.release_internal();
    EXPECT_EQ(media_recorder_test_holders(), 0);
}

TEST(LiveStreamRtmp, PauseDropsPicturesAndResumeGoesOn) {
    LoopbackPeer peer(LoopbackPeer::Rtmp);
    ASSERT_TRUE(peer.running());
    LiveCamera c(StreamFormat(), 1);
    ASSERT_EQ(c.streamer->Start(peer.url().c_str()), 0);
    PicturePlan plan{640, 480, 75, 75};
    int taken = 0;
    for (int i = 0; i < plan.frames; i++) {
        if (i == 25) {
            EXPECT_EQ(c.streamer->pauseStreaming(), 0);
        }
        if (i == 50) {
            EXPECT_EQ(c.streamer->resumeStreaming(), 0);
        }
        std::vector<uint8_t> picture = plan.picture(i);
        if (i >= 25 && i < 50) {
            EXPECT_EQ(c.streamer->videoDataCallback(picture.data(), (int)picture.size()), -53);
        } else {
            taken += offer(*c.streamer, picture);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    EXPECT_EQ(taken, 50);
    EXPECT_EQ(c.streamer->Stop(), 0);
    peer.stop();
    std::vector<std::vector<uint8_t>> frames = decodeRgbFrames(peer.recording(), 640, 480);
    std::vector<int64_t> counters;
    for (const auto &frame : frames) {
        int64_t counter = counterOfRgb(frame, 640, 480);
        if (counter >= 0)
            counters.push_back(counter);
    }
    ASSERT_GT(counters.size(), 40u);
    for (size_t i = 1; i < counters.size(); i++)
        EXPECT_GT(counters[i], counters[i - 1]);
    for (int64_t counter : counters)
        EXPECT_TRUE(counter < 25 || counter >= 50) << counter << " was fed while paused";
    EXPECT_LT(counters.front(), 5);
    EXPECT_GT(counters.back(), 70);
}

TEST(LiveStreamRtmp, DestroyingARunningCameraLeavesNothingBehind) {
    LoopbackPeer peer(LoopbackPeer::Rtmp);
    ASSERT_TRUE(peer.running());
    int threads = count_threads(), descriptors = count_open_descriptors();
    UVCCamera *camera = new UVCCamera(true);
    ASSERT_EQ(camera->connect(0, 0, 0, nullptr, false, nullptr), 0);
    configure(*camera->streamWrapper(), StreamFormat());
    ASSERT_EQ(camera->streamWrapper()->Start(peer.url().c_str()), 0);
    PicturePlan plan{640, 480, 25, 25};
    EXPECT_EQ(feedPaced(*camera->streamWrapper(), plan, 25, 44100, 2), plan.frames);
    delete camera;
    EXPECT_EQ(media_recorder_test_holders(), 0);
    EXPECT_EQ(media_recorder_test_objects(), 0);
    EXPECT_EQ(settled_thread_count(threads), threads);
    EXPECT_EQ(count_open_descriptors(), descriptors);
}

// A stop the live-stream library refuses still ends the connection: no sender thread or socket
// is left behind, and the next stream starts and ends as the first did.
TEST(LiveStreamRtmp, ARefusedStopLeavesNoConnectionBehind) {
    LoopbackPeer peer(LoopbackPeer::Rtmp);
    ASSERT_TRUE(peer.running());
    LiveCamera live(StreamFormat(), TLINK_MODE_RTMP);
    const int threads = count_threads(), descriptors = count_open_descriptors();
    PicturePlan plan{640, 480, 25, 10};
    for (const char *name : {"refused", "next"}) {
        ASSERT_EQ(live.streamer->Start(peer.url(name).c_str()), 0) << name;
        EXPECT_EQ(feedPaced(*live.streamer, plan, 25, 44100, 2), plan.frames) << name;
        const bool refuse = std::string(name) == "refused";
        if (refuse) {
            ASSERT_EQ(TlinkTestRefuseStops(1, TL_ERROR_PREVIOUS_JOB_NOT_COMPLETED), 0);
        }
        EXPECT_EQ(live.streamer->Stop(), refuse ? STREAM_LIVE_STOP_REFUSED : 0) << name;
        EXPECT_EQ(live.streamer->getVideoTransmission(), 0.0) << name;
        EXPECT_EQ(settled_thread_count(threads), threads) << name;
        EXPECT_EQ(count_open_descriptors(), descriptors) << name;
    }
}
