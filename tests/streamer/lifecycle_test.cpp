// The streamer's start and stop, its refusals and settings, and its life in an internal-source
// camera object, with the media recorder of libOrrinUVC5_TL.
#include <gtest/gtest.h>

#include "UVCCamera.h"
#include "host_android.h"
#include "loopback_peer.h"
#include "recorder_test_controls.h"
#include "streamer_support.h"

namespace {

// A connected internal-source camera object, with the log captured.
struct InternalCamera {
    UVCCamera camera{true};
    StreamWrapper *streamer = nullptr;
    InternalCamera() {
        host_log_capture_start();
        EXPECT_EQ(camera.connect(0, 0, 0, nullptr, false, nullptr), 0);
        streamer = camera.streamWrapper();
    }
    ~InternalCamera() {
        media_recorder_test_set_color_format(21);
        media_recorder_test_refuse_objects(false);
        media_recorder_test_fail_init(false);
        media_recorder_test_fail_stop(false);
        host_log_capture_stop();
    }
};

}  // namespace

TEST(InternalCamera, ConnectCreatesTheStreamerAndReleaseDeletesIt) {
    InternalCamera c;
    ASSERT_NE(c.streamer, nullptr);
    EXPECT_EQ(host_log_count("create streamWrapper\n"), 1);
    EXPECT_EQ(c.camera.connect(0, 0, 0, nullptr, false, nullptr), -71);
    EXPECT_EQ(c.camera.streamWrapper(), c.streamer);
    c.camera.release_internal();
    EXPECT_EQ(c.camera.streamWrapper(), nullptr);
    EXPECT_EQ(host_log_count("release_internal \n"), 1);
    c.camera.release_internal();
    EXPECT_EQ(c.camera.connect(0, 0, 0, nullptr, false, nullptr), 0);
    EXPECT_NE(c.camera.streamWrapper(), nullptr);

    UVCCamera plain;
    plain.release_internal();
    EXPECT_EQ(plain.streamWrapper(), nullptr);
    EXPECT_EQ(host_log_count("release_internal \n"), 2);
}

TEST(StreamerStart, RefusalsComeInOrderWithTheirLinesAndCodesAndTakeNothing) {
    InternalCamera c;
    StreamWrapper *s = c.streamer;
    const char *url = "rtmp://127.0.0.1:1/live/test";
    EXPECT_EQ(s->Start(url), -53);
    EXPECT_EQ(host_log_count("m_Width = 0 , m_Height = 0\n"), 1);
    s->SetResolution(320, 240, 7);
    EXPECT_EQ(s->Start(url), -62);
    EXPECT_EQ(host_log_count("m_VideoBitrate = 0 || m_VideoFPS = 0\n"), 1);
    s->SetVideoFPS(25);
    s->SetVideoBitrate(500000);
    EXPECT_EQ(s->Start(url), -64);
    EXPECT_EQ(host_log_count("mSampleRate = 0 || mBit = 0 || mChannel = 0\n"), 1);
    s->SetAudioBit(16);
    s->SetAudioChannels(2);
    s->SetAudioSamplerate(44100);
    EXPECT_EQ(s->Start(url), -61);
    EXPECT_EQ(host_log_count("mRecMode = 0 || mRecType = 32\n"), 1);
    s->SetRecMode(1);
    s->SetRecType(48);
    EXPECT_EQ(host_log_count("set RECType : 0x30\n"), 1);
    EXPECT_EQ(s->Start(url), -66);
    EXPECT_EQ(host_log_count("tlink file path was NULL\n"), 1);
    s->setTlinkFilePath(temp_path("refusals.mp4").c_str());
    media_recorder_test_refuse_objects(true);
    EXPECT_EQ(s->Start(url), -3);
    EXPECT_EQ(host_log_count("mMediaRecorderWrapper == NULL\n"), 1);
    media_recorder_test_refuse_objects(false);
    EXPECT_EQ(s->Start("not a url"), -300);
    EXPECT_EQ(host_log_count("TlinkAsyncStart failed"), 1);
    s->setTlinkWaitTime(5000);
    EXPECT_EQ(s->Start(url), -300);  // nothing listens on port 1
    EXPECT_EQ(host_log_count("TlinkWaitAsyncJobCompletion failed. reason : "), 1);
    // Nothing is held after a refusal, and nothing is taken.
    EXPECT_EQ(media_recorder_test_holders(), 0);
    EXPECT_EQ(media_recorder_test_objects(), 0);
    std::vector<uint8_t> picture = nv21Solid(320, 240, kRed);
    EXPECT_EQ(s->videoDataCallback(picture.data(), (int)picture.size()), -53);
    EXPECT_EQ(s->Stop(), -53);
    EXPECT_EQ(host_log_count("Record not started\n"), 1);

    // Unusable settings are refused before anything is taken.
    StreamFormat f = fileFormat("unusable.mp4");
    struct Case {
        const char *what;
        void (*spoil)(StreamWrapper *);
        int code;
    } cases[] = {
        {"odd width", [](StreamWrapper *s) { s->SetResolution(321, 240, 0); }, -53},
        {"negative height", [](StreamWrapper *s) { s->SetResolution(320, -240, 0); }, -53},
        {"huge size", [](StreamWrapper *s) { s->SetResolution(40000, 40000, 0); }, -53},
        {"negative rate", [](StreamWrapper *s) { s->SetVideoFPS(-25); }, -62},
        {"negative bit rate", [](StreamWrapper *s) { s->SetVideoBitrate(-1); }, -62},
        {"bits below 8", [](StreamWrapper *s) { s->SetAudioBit(4); }, -64},
        {"negative channels", [](StreamWrapper *s) { s->SetAudioChannels(-2); }, -64},
        {"negative sample rate", [](StreamWrapper *s) { s->SetAudioSamplerate(-44100); }, -64},
    };
    for (const Case &k : cases) {
        configure(*s, f);
        k.spoil(s);
        EXPECT_EQ(s->Start(nullptr), k.code) << k.what;
        EXPECT_EQ(media_recorder_test_holders(), 0) << k.what;
    }
}

// Encoder faults: a refused start takes nothing, a refused stop keeps the stream for a retry.
TEST(StreamerEncoder, RefusedStartsTakeNothingAndARefusedStopKeepsTheStream) {
    InternalCamera c;
    StreamWrapper *s = c.streamer;
    configure(*s, fileFormat("refused.mp4"));
    media_recorder_test_set_color_format(0);
    EXPECT_EQ(s->Start(nullptr), -63);
    EXPECT_EQ(host_log_count("hw enc does not have omxyuv420sp or omxyuv420p\n"), 1);
    media_recorder_test_set_color_format(21);
    media_recorder_test_fail_init(true);
    EXPECT_EQ(s->Start(nullptr), -52);
    EXPECT_EQ(host_log_count("mMediaRecorderWrapper Init fail : -1 \n"), 1);
    EXPECT_EQ(media_recorder_test_holders(), 0);
    EXPECT_EQ(media_recorder_test_objects(), 0);
    std::vector<uint8_t> picture = nv21Solid(320, 240, kRed);
    EXPECT_EQ(s->videoDataCallback(picture.data(), (int)picture.size()), -53);
    media_recorder_test_fail_init(false);
    ASSERT_EQ(s->Start(nullptr), 0);

    media_recorder_test_fail_stop(true);
    EXPECT_EQ(s->Stop(), -54);
    EXPECT_EQ(host_log_count("Mediacodec Stop failed\n"), 1);
    EXPECT_EQ(s->videoDataCallback(picture.data(), (int)picture.size()), 0);
    media_recorder_test_fail_stop(false);
    EXPECT_EQ(s->Stop(), 0);
    EXPECT_EQ(media_recorder_test_holders(), 0);
    EXPECT_EQ(media_recorder_test_objects(), 0);
}

TEST(StreamerStart, SecondStartIsRefusedAndSettingsWaitForTheNextStart) {
    InternalCamera c;
    StreamWrapper *s = c.streamer;
    StreamFormat f = fileFormat("restart.mp4");
    configure(*s, f);
    ASSERT_EQ(s->Start(nullptr), 0);
    EXPECT_EQ(host_log_count("recordStart Success!\n"), 1);
    EXPECT_EQ(s->Start(nullptr), -55);
    // The running stream keeps its size: a picture of the new size is too short for it.
    s->SetResolution(160, 120, 0);
    std::vector<uint8_t> small = nv21Solid(160, 120, kGreen), large = nv21Solid(320, 240, kGreen);
    EXPECT_EQ(s->videoDataCallback(small.data(), (int)small.size()), -2);
    EXPECT_EQ(host_log_count("picture of 28800 bytes dropped, 320 x 240 needs 115200\n"), 1);
    EXPECT_EQ(s->videoDataCallback(large.data(), (int)large.size()), 0);
    EXPECT_EQ(s->Stop(), 0);
    EXPECT_EQ(host_log_count("tlink stop success\n"), 1);
    EXPECT_EQ(s->Stop(), -53);
    // The next start takes the new size.
    ASSERT_EQ(s->Start(nullptr), 0);
    EXPECT_EQ(s->videoDataCallback(small.data(), (int)small.size()), 0);
    EXPECT_EQ(s->Stop(), 0);
    ProbedStream video;
    ASSERT_TRUE(probeStream(f.filePath, "v", &video));
    EXPECT_EQ(video.width, 160);
    EXPECT_EQ(media_recorder_test_holders(), 0);
}

TEST(StreamerStart, FileOnlyTypeMakesNoLiveStreamCall) {
    InternalCamera c;
    StreamWrapper *s = c.streamer;
    StreamFormat f = fileFormat("file_only.mp4");
    configure(*s, f);
    ASSERT_EQ(s->Start("rtmp://127.0.0.1:1/live/never"), 0);
    PicturePlan plan{320, 240, 30, 12};
    EXPECT_TRUE(feedAll(*s, plan, 25));
    EXPECT_EQ(s->Stop(), 0);
    EXPECT_EQ(host_log_count("Start TLink"), 0);
    EXPECT_STREQ(s->getTLinkUrl(), "");
    EXPECT_EQ(s->getVideoDropFrame(), 0);
    expectPlanInFile(f.filePath, plan, 10);
}

TEST(StreamerPause, ResumeTakesOnlyAPausedStartedStream) {
    InternalCamera c;
    StreamWrapper *s = c.streamer;
    std::vector<uint8_t> picture = nv21Solid(320, 240, kBlue);
    EXPECT_EQ(s->pauseStreaming(), -53);
    EXPECT_EQ(s->resumeStreaming(), -53);
    configure(*s, fileFormat("pause.mp4"));
    ASSERT_EQ(s->Start(nullptr), 0);
    EXPECT_EQ(s->pauseStreaming(), 0);
    EXPECT_EQ(s->videoDataCallback(picture.data(), (int)picture.size()), -53);
    EXPECT_EQ(s->resumeStreaming(), 0);
    EXPECT_EQ(s->videoDataCallback(picture.data(), (int)picture.size()), 0);
    EXPECT_EQ(host_log_count("== NULL"), 2);  // the two of the start
    // A paused stream can be stopped; after that resume takes nothing up again.
    EXPECT_EQ(s->pauseStreaming(), 0);
    EXPECT_EQ(s->Stop(), 0);
    EXPECT_EQ(s->resumeStreaming(), -53);
    EXPECT_EQ(s->videoDataCallback(picture.data(), (int)picture.size()), -53);
    EXPECT_EQ(media_recorder_test_holders(), 0);
}

TEST(StreamerSettings, PathUrlLogLevelAndFigures) {
    InternalCamera c;
    StreamWrapper *s = c.streamer;
    std::string longPath(300, 'p');
    s->setTlinkFilePath(longPath.c_str());
    EXPECT_EQ(host_log_count(("set mTlinkFilePath : " + std::string(255, 'p') + "\n").c_str()), 1);
    s->setTlinkFilePath(nullptr);
    EXPECT_EQ(host_log_count("set mTlinkFilePath"), 1);
    EXPECT_STREQ(s->getTLinkUrl(), "");
    EXPECT_EQ(s->SetTlinkLogLevel(1), 0);
    EXPECT_EQ(s->SetTlinkLogLevel(99), TL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(host_log_count("setting level : 99\n"), 1);
    s->SetCameraID(0x1234);
    EXPECT_EQ(s->getCameraID(), 0x1234);
    // Before any live start the context is empty: the library's answers, no failure, and
    // rates of 0 rather than 0 / 0.
    EXPECT_EQ(s->getAudioDropFrame(), 0);
    EXPECT_EQ(host_log_count("audio drop frame : 0 fps\n"), 1);
    EXPECT_EQ(s->getVideoTransmission(), 0.0);
    EXPECT_EQ(s->getTransmission_sec(), 0.0);
}
