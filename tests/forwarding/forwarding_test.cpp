// Each group of forwarded operations, table-driven: with an engine the operation reaches the
// engine's own operation (same result, same effect); without one it gives the group's value.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "StreamWrapper.h"
#include "UVCCamera.h"
#include "engine_fixture.h"
#include "error_codes.h"
#include "host_android.h"
#include "tlink.h"
#include "uvc_testing.h"

namespace {

using Forwarded = std::function<double(UVCCamera &)>;
using Direct = std::function<double(UVCPreview &)>;

// A forwarded operation and the engine operation it must reach with the same arguments.
struct Row {
    const char *name;
    Forwarded forwarded;
    Direct direct;
};

std::vector<int> buffer(size_t n) {
    return std::vector<int>(n, 0);
}

// The camera objects every group is checked on, but the connected one.
struct Targetless {
    const char *what;
    UVCCamera *camera;
};

class Forwarding : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(session.connect(PIXEL_FORMAT_MJPEG, 640, 480), 0); }

    // Without an engine (and without a streamer) every row gives `fixed`; with the engine the
    // forwarded result equals the engine's.
    void check(const std::vector<Row> &rows, double fixed) {
        for (const Row &row : rows) {
            for (const Targetless &other : targetless)
                EXPECT_EQ(row.forwarded(*other.camera), fixed) << row.name << ", " << other.what;
            double forwarded = row.forwarded(session.camera);
            EXPECT_EQ(forwarded, row.direct(*session.engine())) << row.name;
        }
    }
    uvc_device_handle_t *handle() { return UVCPreviewTestAccess::handle(session.engine()); }

    // A camera with controls and a microphone, so that every operation has something to reach.
    static CameraSetup fullCamera() {
        CameraSetup setup;
        setup.microphone = "on";
        setup.extra =
            "ct_controls = 0x21a2e\npu_controls = 0x167f\nmic_rates = 48000, 44100, 16000\n";
        return setup;
    }

    CameraSession session{fullCamera()};
    UVCCamera neverConnected;
    UVCCamera internalBeforeConnect{true};
    std::vector<Targetless> targetless = {
        {"never connected", &neverConnected},
        {"internal source before connect", &internalBeforeConnect}};
};

TEST_F(Forwarding, EngineOperationsGiveMinus75WithoutAnEngine) {
    auto diag = buffer(DIAG_DATA_COUNT), diag2 = buffer(DIAG_DATA_COUNT);
    auto stills = buffer(100), it = buffer(CONTROL_LIST_COUNT), pu = buffer(CONTROL_LIST_COUNT);
    auto rates = buffer(256);
    int pantilt[4] = {1, 3, -1, 4};
    unsigned char payload[3] = {4, 5, 6};
    std::vector<Row> rows = {
        {"getUVCDiagData", [&](UVCCamera &c) { return c.getUVCDiagData(diag.data()); },
         [&](UVCPreview &e) { return e.get_UVC_DiagData(diag2.data()); }},
        {"get_capture", [](UVCCamera &c) { return c.get_capture(nullptr, nullptr, 0); },
         [](UVCPreview &e) { return e.get_capture_buffer(nullptr, nullptr, 0); }},
        {"IsRunning", [](UVCCamera &c) { return c.IsRunning(); },
         [](UVCPreview &e) { return e.CameraIsRunning(); }},
        {"getStartStatus", [](UVCCamera &c) { return c.getStartStatus(); },
         [](UVCPreview &e) { return e.getStartStatus(); }},
        {"SendExtensionMsg",
         [&](UVCCamera &c) { return c.SendExtensionMsg(0x21, 1, 0x0500, 0x0300, payload, 3); },
         [](UVCPreview &) { return 0; }},
        {"RecvExtensionMsg",
         [&](UVCCamera &c) { return c.RecvExtensionMsg(0xA1, 0x81, 0x0500, 0x0300, payload, 3); },
         [](UVCPreview &) { return 3; }},
        {"recordStart", [](UVCCamera &c) { return c.recordStart(false, "/nonexistent/x.mp4"); },
         [](UVCPreview &e) { return e.recordStart(false, "/nonexistent/x.mp4"); }},
        {"recordStop", [](UVCCamera &c) { return c.recordStop(); },
         [](UVCPreview &e) { return e.recordStop(); }},
        {"SetRecording", [](UVCCamera &c) { return c.SetRecording(nullptr); },
         [](UVCPreview &e) { return e.SetRecording(nullptr); }},
        {"SetWatermark1", [&](UVCCamera &c) { return c.SetWatermark1(payload, 3); },
         [&](UVCPreview &e) { return e.SetWatermark1(payload, 3); }},
        {"setUVCCameraInputTerminalControl",
         [](UVCCamera &c) { return c.setUVCCameraInputTerminalControl(3, 400); },
         [](UVCPreview &e) { return e.setUVCCameraInputTerminalControl(3, 400); }},
        {"setUVCCameraProcessingUnitControl",
         [](UVCCamera &c) { return c.setUVCCameraProcessingUnitControl(0, 12); },
         [](UVCPreview &e) { return e.setUVCCameraProcessingUnitControl(0, 12); }},
        {"getAudioSamplerateList",
         [&](UVCCamera &c) { return c.getAudioSamplerateList(rates.data()); },
         [&](UVCPreview &e) { return e.getAudioSamplerateList(rates.data()); }},
        {"setAudioVolume", [](UVCCamera &c) { return c.setAudioVolume(50); },
         [](UVCPreview &e) { return e.setAudioVolume(50); }},
        {"Set_pantilt_rel", [&](UVCCamera &c) { return c.Set_pantilt_rel(pantilt); },
         [&](UVCPreview &e) { return e.Set_pantilt_rel(pantilt); }},
        {"getEnableControl", [&](UVCCamera &c) { return c.getEnableControl(it.data(), pu.data()); },
         [&](UVCPreview &e) { return e.getEnableControl(it.data(), pu.data()); }},
        {"getEnableControl failing",
         [&](UVCCamera &c) { return c.getEnableControl(nullptr, pu.data()); },
         [&](UVCPreview &) { return -2; }},
        {"getCameraStillResolution",
         [&](UVCCamera &c) { return c.getCameraStillResolution(stills.data()); },
         [&](UVCPreview &e) { return e.getCameraStillResolution(stills.data()); }},
        {"getCameraStillResolution failing",
         [&](UVCCamera &c) { return c.getCameraStillResolution(nullptr); },
         [&](UVCPreview &) { return -2; }},
        {"getviewFPS", [](UVCCamera &c) { return c.getviewFPS(); },
         [](UVCPreview &e) { return e.getviewFPS(); }},
    };
    check(rows, -75);
    // The right target was reached: the camera saw the requests.
    EXPECT_EQ(diag, diag2);
    int value = 0;
    ASSERT_TRUE(uvc_test_last_set_value(handle(), 1, 3, &value));
    EXPECT_EQ(value, 400);
    ASSERT_TRUE(uvc_test_last_set_value(handle(), 2, 0, &value));
    EXPECT_EQ(value, 12);
    UvcPanTiltRequest request;
    ASSERT_TRUE(uvc_test_last_pantilt(handle(), &request));
    EXPECT_EQ(request.tilt, -1);
    EXPECT_EQ(std::vector<unsigned char>(payload, payload + 3),
              (std::vector<unsigned char>{4, 5, 6}));  // read back from selector 5
    EXPECT_EQ(rates[0], 3);
}

// Windows without an engine are released; with one they are the engine's.
TEST_F(Forwarding, DisplaysWithoutAnEngineReleaseTheirWindow) {
    const int before = host_window_live_count();
    for (const Targetless &other : targetless) {
        EXPECT_EQ(other.camera->setPreviewDisplay(host_window_create(8, 8)), -75) << other.what;
        EXPECT_EQ(other.camera->setCaptureDisplay(host_window_create(8, 8)), -75) << other.what;
        EXPECT_EQ(other.camera->setPreviewDisplay(nullptr), -75) << other.what;
    }
    EXPECT_EQ(host_window_live_count(), before);
    EXPECT_EQ(session.camera.setPreviewDisplay(nullptr), -2);
    EXPECT_EQ(session.camera.setCaptureDisplay(host_window_create(8, 8)), 0);
    EXPECT_EQ(host_window_live_count(), before + 1);
    EXPECT_EQ(session.camera.setCaptureDisplay(nullptr), 0);
    EXPECT_EQ(host_window_live_count(), before);
}

TEST_F(Forwarding, EngineSettingsDoNothingWithoutAnEngine) {
    int value = -1, direct = -1;
    char text[LAST_ERROR_SIZE] = "x";
    std::vector<Row> rows = {
        {"setResolution",
         [](UVCCamera &c) { return c.setResolution(PIXEL_FORMAT_YUYV, 320, 240, 0); },
         [](UVCPreview &e) { return UVCPreviewTestAccess::wishWidth(&e) == 320 ? 0 : 1; }},
        {"setDebug", [](UVCCamera &c) { return c.setDebug(false); },
         [](UVCPreview &) { return 0; }},
        {"getUVCCameraInputTerminalControl",
         [&](UVCCamera &c) { return c.getUVCCameraInputTerminalControl(3, &value); },
         [&](UVCPreview &e) {
             e.getUVCCameraInputTerminalControl(3, &direct);
             return 0;
         }},
        {"getUVCCameraProcessingUnitControl",
         [&](UVCCamera &c) { return c.getUVCCameraProcessingUnitControl(1, &value); },
         [&](UVCPreview &e) {
             e.getUVCCameraProcessingUnitControl(1, &direct);
             return 0;
         }},
        {"setVideoFPS", [](UVCCamera &c) { return c.setVideoFPS(25); },
         [](UVCPreview &) { return 0; }},
        {"setVideoBitrate", [](UVCCamera &c) { return c.setVideoBitrate(1000000); },
         [](UVCPreview &) { return 0; }},
        {"RecVideoOnly", [](UVCCamera &c) { return c.RecVideoOnly(false); },
         [](UVCPreview &) { return 0; }},
        {"setSDKVersion", [](UVCCamera &c) { return c.setSDKVersion(30); },
         [](UVCPreview &) { return 0; }},
        {"setAudioSamplerate", [](UVCCamera &c) { return c.setAudioSamplerate(16000); },
         [](UVCPreview &e) { return e.GetAudioSettings(1) == 16000 ? 0 : 1; }},
        {"setStillResolutionIdx", [](UVCCamera &c) { return c.setStillResolutionIdx(1, 640, 480); },
         [](UVCPreview &) { return 0; }},
        {"setAudioVolumeCallback", [](UVCCamera &c) { return c.setAudioVolumeCallback(nullptr); },
         [](UVCPreview &) { return 0; }},
        {"setFirstPreviewCallback", [](UVCCamera &c) { return c.setFirstPreviewCallback(nullptr); },
         [](UVCPreview &) { return 0; }},
        {"SetInternalAudio", [](UVCCamera &c) { return c.SetInternalAudio(false); },
         [](UVCPreview &) { return 0; }},
        {"SetRawdataCallback", [](UVCCamera &c) { return c.SetRawdataCallback(nullptr); },
         [](UVCPreview &) { return 0; }},
        {"setAudioDenoise", [](UVCCamera &c) { return c.setAudioDenoise(true, 20); },
         [](UVCPreview &e) { return e.setAudioDenoise(true, 20); }},
        {"setAudioEchocancel", [](UVCCamera &c) { return c.setAudioEchocancel(false, 1, 2); },
         [](UVCPreview &e) { return e.setAudioEchocancel(false, 1, 2); }},
        {"setAudioDereverd", [](UVCCamera &c) { return c.setAudioDereverd(false); },
         [](UVCPreview &e) { return e.setAudioDereverd(false); }},
        {"setAudioAgc", [](UVCCamera &c) { return c.setAudioAgc(true, 3000); },
         [](UVCPreview &e) { return e.setAudioAgc(true, 3000); }},
        {"setForceAudioSamplerate", [](UVCCamera &c) { return c.setForceAudioSamplerate(44100); },
         [](UVCPreview &) { return 0; }},
        {"getLastError", [&](UVCCamera &c) { return c.getLastError(text); },
         [&](UVCPreview &) { return strcmp(text, UVCPreview::getLastErr()); }},
        {"getLastError to nowhere", [](UVCCamera &c) { return c.getLastError(nullptr); },
         [](UVCPreview &) { return 0; }},
    };
    value = 1234;
    check(rows, 0);
    EXPECT_EQ(value, direct);  // the control the engine reads
}

TEST_F(Forwarding, StreamerOperationsFallBackToTheEngine) {
    std::vector<unsigned char> samples(4096, 0);
    std::vector<Row> rows = {
        {"SetCameraID", [](UVCCamera &c) { return c.SetCameraID(4242); },
         [](UVCPreview &e) { return e.getCameraID() == 4242 ? 0 : 1; }},
        {"setErrorNotifyCallback", [](UVCCamera &c) { return c.setErrorNotifyCallback(nullptr); },
         [](UVCPreview &) { return 0; }},
        {"SetRecType", [](UVCCamera &c) { return c.SetRecType(16); },
         [](UVCPreview &) { return 0; }},
        {"SetAudioChannels_internal", [](UVCCamera &c) { return c.SetAudioChannels_internal(2); },
         [](UVCPreview &e) { return e.GetAudioSettings(2) == 2 ? 0 : 1; }},
        {"SetAudioBit_internal", [](UVCCamera &c) { return c.SetAudioBit_internal(16); },
         [](UVCPreview &e) { return e.GetAudioSettings(3) == 16 ? 0 : 1; }},
        {"SetAudioSamplerate_internal",
         [](UVCCamera &c) { return c.SetAudioSamplerate_internal(32000); },
         [](UVCPreview &e) { return e.GetAudioSettings(1) == 32000 ? 0 : 1; }},
        {"audioDataCallback_internal",
         [&](UVCCamera &c) { return c.audioDataCallback_internal(samples.data(), 4096); },
         [&](UVCPreview &e) { return e.WriteAudioData(samples.data(), 4096); }},
        {"pauseStreaming", [](UVCCamera &c) { return c.pauseStreaming(); },
         [](UVCPreview &) { return 0; }},
        {"resumeStreaming", [](UVCCamera &c) { return c.resumeStreaming(); },
         [](UVCPreview &) { return 0; }},
        {"setTlinkWaitTime", [](UVCCamera &c) { return c.setTlinkWaitTime(500); },
         [](UVCPreview &) { return 0; }},
        {"setTLinkMode", [](UVCCamera &c) { return c.setTLinkMode(1); },
         [](UVCPreview &) { return 0; }},
        {"getTLinkUrl", [](UVCCamera &c) { return c.getTLinkUrl() ? 1 : 0; },
         [](UVCPreview &e) { return e.getTLinkUrl() ? 1 : 0; }},
        // Statistics of a context that never streamed: the engine's own answer.
        {"getTransmission_sec", [](UVCCamera &c) { return c.getTransmission_sec(); },
         [](UVCPreview &e) { return e.getTransmission_sec(); }},
        {"getAudioTransmission", [](UVCCamera &c) { return c.getAudioTransmission(); },
         [](UVCPreview &e) { return e.getAudioTransmission(); }},
        {"getVideoTransmission", [](UVCCamera &c) { return c.getVideoTransmission(); },
         [](UVCPreview &e) { return e.getVideoTransmission(); }},
        {"getAudioDropFrame", [](UVCCamera &c) { return c.getAudioDropFrame(); },
         [](UVCPreview &e) { return e.getAudioDropFrame(); }},
        {"getVideoDropFrame", [](UVCCamera &c) { return c.getVideoDropFrame(); },
         [](UVCPreview &e) { return e.getVideoDropFrame(); }},
        // A level the live library refuses: its error code comes back unchanged.
        {"SetTlinkLogLevel", [](UVCCamera &c) { return c.SetTlinkLogLevel(99); },
         [](UVCPreview &) { return TL_ERROR_INVALID_PARAMETER; }},
        {"setTlinkDeblock", [](UVCCamera &c) { return c.setTlinkDeblock(0); },
         [](UVCPreview &e) { return UVCPreviewTestAccess::deblock(&e) == 0 ? 0 : 1; }},
        {"setIframeInterval", [](UVCCamera &c) { return c.setIframeInterval(3); },
         [](UVCPreview &e) { return UVCPreviewTestAccess::iframeInterval(&e) == 3 ? 0 : 1; }},
    };
    check(rows, 0);
}

// Watermark setters answer 0 whatever the target reports, and -75 without a target.
TEST_F(Forwarding, WatermarksGiveZeroWithATargetAndMinus75Without) {
    std::vector<unsigned char> picture(16 * 16 * 4, 0x80);
    std::vector<Row> rows = {
        {"SetWatermarkInit", [](UVCCamera &c) { return c.SetWatermarkInit(16, 16, 4, 4, 1); },
         [](UVCPreview &) { return 0; }},
        {"SetWatermarkBuf", [&](UVCCamera &c) { return c.SetWatermarkBuf(picture.data(), 1024); },
         [](UVCPreview &) { return 0; }},
        {"SetUserWatermarkInit",
         [](UVCCamera &c) { return c.SetUserWatermarkInit(16, 16, 8, 8, 1); },
         [](UVCPreview &) { return 0; }},
        {"SetUserWatermarkXY", [](UVCCamera &c) { return c.SetUserWatermarkXY(20, 30); },
         [](UVCPreview &) { return 0; }},
        {"SetUserWatermarkBuf",
         [&](UVCCamera &c) { return c.SetUserWatermarkBuf(picture.data(), 1024); },
         [](UVCPreview &) { return 0; }},
        {"SetWatermarkInit refused",
         [](UVCCamera &c) { return c.SetWatermarkInit(-1, 0, 0, 0, 9); },
         [](UVCPreview &) { return 0; }},
    };
    check(rows, -75);
}

}  // namespace

// An internal-source camera object with its streamer: the streamer gets the streamer's groups;
// an object with an engine never reaches a streamer.
TEST(ForwardingInternal, StreamerGroupsReachTheStreamerOnly) {
    UVCCamera internal(true);
    internal.connect(0, 0, 0, nullptr, false, nullptr);
    ASSERT_NE(internal.streamWrapper(), nullptr);
    StreamWrapper *streamer = internal.streamWrapper();
    EXPECT_EQ(internal.SetCameraID(777), 0);
    EXPECT_EQ(streamer->getCameraID(), 777);
    EXPECT_EQ(internal.Start_internal("rtmp://127.0.0.1:1/none"), STREAM_BAD_SIZE);
    EXPECT_EQ(internal.Stop_internal(), streamer->Stop());
    EXPECT_EQ(internal.getTLinkUrl(), streamer->getTLinkUrl());
    EXPECT_EQ(internal.pauseStreaming(), STREAM_NOT_STARTED);
    EXPECT_EQ(internal.SetWatermarkInit(16, 16, 0, 0, 1), 0);
    EXPECT_EQ(internal.SetTlinkLogLevel(99), TL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(internal.getTransmission_sec(), streamer->getTransmission_sec());
    EXPECT_EQ(internal.getVideoDropFrame(), streamer->getVideoDropFrame());
    EXPECT_EQ(internal.setTlinkDeblock(0), 0);
    EXPECT_EQ(internal.setIframeInterval(2), 0);
    // Engine-only groups give their fixed values.
    EXPECT_EQ(internal.IsRunning(), -75);
    EXPECT_EQ(internal.getviewFPS(), -75.0);
    EXPECT_EQ(internal.setDebug(true), 0);

    CameraSession session;
    ASSERT_EQ(session.connect(), 0);
    EXPECT_EQ(session.camera.Start_internal("rtmp://127.0.0.1:1/none"), -75);
    EXPECT_EQ(session.camera.Stop_internal(), -75);
}
