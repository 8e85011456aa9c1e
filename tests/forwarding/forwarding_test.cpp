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

// A row named by its call on the camera object; `direct` is what engine `e` answers.
// clang-format off
#define ROW(call, direct)                                            \
    Row{#call, [&](UVCCamera &c) -> double { return c.call; },       \
        [&](UVCPreview &e) -> double { (void)e; return direct; }}
#define SAME(call) ROW(call, e.call)
// clang-format on

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

TEST_F(Forwarding, EngineOperationsAndWatermarksGiveMinus75WithoutAnEngine) {
    std::vector<unsigned char> picture(16 * 16 * 4, 0x80);
    auto diag = buffer(DIAG_DATA_COUNT), diag2 = buffer(DIAG_DATA_COUNT);
    auto stills = buffer(100), it = buffer(CONTROL_LIST_COUNT), pu = buffer(CONTROL_LIST_COUNT);
    auto rates = buffer(256);
    int pantilt[4] = {1, 3, -1, 4};
    unsigned char payload[3] = {4, 5, 6};
    std::vector<Row> rows = {
        ROW(getUVCDiagData(diag.data()), e.get_UVC_DiagData(diag2.data())),
        ROW(get_capture(nullptr, nullptr, 0), e.get_capture_buffer(nullptr, nullptr, 0)),
        ROW(IsRunning(), e.CameraIsRunning()),
        SAME(getStartStatus()),
        ROW(SendExtensionMsg(0x21, 1, 0x0500, 0x0300, payload, 3), 0),
        ROW(RecvExtensionMsg(0xA1, 0x81, 0x0500, 0x0300, payload, 3), 3),
        SAME(recordStart(false, "/nonexistent/x.mp4")),
        SAME(recordStop()),
        SAME(SetRecording(nullptr)),
        SAME(SetWatermark1(payload, 3)),
        SAME(setUVCCameraInputTerminalControl(3, 400)),
        SAME(setUVCCameraProcessingUnitControl(0, 12)),
        SAME(getAudioSamplerateList(rates.data())),
        SAME(setAudioVolume(50)),
        SAME(Set_pantilt_rel(pantilt)),
        SAME(getEnableControl(it.data(), pu.data())),
        ROW(getEnableControl(nullptr, pu.data()), -2),
        SAME(getCameraStillResolution(stills.data())),
        ROW(getCameraStillResolution(nullptr), -2),
        SAME(getviewFPS()),
        // Watermark setters answer 0 whatever the target reports.
        ROW(SetWatermarkInit(16, 16, 4, 4, 1), 0),
        ROW(SetWatermarkBuf(picture.data(), 1024), 0),
        ROW(SetUserWatermarkInit(16, 16, 8, 8, 1), 0),
        ROW(SetUserWatermarkXY(20, 30), 0),
        ROW(SetUserWatermarkBuf(picture.data(), 1024), 0),
        ROW(SetWatermarkInit(-1, 0, 0, 0, 9), 0),
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

TEST_F(Forwarding, SettingsAndStreamerOperationsGiveZeroWithoutAnEngine) {
    std::vector<unsigned char> samples(4096, 0);
    int value = -1, direct = -1;
    char text[LAST_ERROR_SIZE] = "x";
    std::vector<Row> rows = {
        ROW(setResolution(PIXEL_FORMAT_YUYV, 320, 240, 0),
            UVCPreviewTestAccess::wishWidth(&e) == 320 ? 0 : 1),
        ROW(setDebug(false), 0),
        ROW(getUVCCameraInputTerminalControl(3, &value),
            (e.getUVCCameraInputTerminalControl(3, &direct), 0)),
        ROW(getUVCCameraProcessingUnitControl(1, &value),
            (e.getUVCCameraProcessingUnitControl(1, &direct), 0)),
        ROW(setVideoFPS(25), 0),
        ROW(setVideoBitrate(1000000), 0),
        ROW(RecVideoOnly(false), 0),
        ROW(setSDKVersion(30), 0),
        ROW(setAudioSamplerate(16000), e.GetAudioSettings(1) == 16000 ? 0 : 1),
        ROW(setStillResolutionIdx(1, 640, 480), 0),
        ROW(setAudioVolumeCallback(nullptr), 0),
        ROW(setFirstPreviewCallback(nullptr), 0),
        ROW(SetInternalAudio(false), 0),
        ROW(SetRawdataCallback(nullptr), 0),
        SAME(setAudioDenoise(true, 20)),
        SAME(setAudioEchocancel(false, 1, 2)),
        SAME(setAudioDereverd(false)),
        SAME(setAudioAgc(true, 3000)),
        ROW(setForceAudioSamplerate(44100), 0),
        ROW(getLastError(text), strcmp(text, UVCPreview::getLastErr())),
        ROW(getLastError(nullptr), 0),
        // Streamer operations fall back to the engine.
        ROW(SetCameraID(4242), e.getCameraID() == 4242 ? 0 : 1),
        ROW(setErrorNotifyCallback(nullptr), 0),
        ROW(SetRecType(16), 0),
        ROW(SetAudioChannels_internal(2), e.GetAudioSettings(2) == 2 ? 0 : 1),
        ROW(SetAudioBit_internal(16), e.GetAudioSettings(3) == 16 ? 0 : 1),
        ROW(SetAudioSamplerate_internal(32000), e.GetAudioSettings(1) == 32000 ? 0 : 1),
        ROW(audioDataCallback_internal(samples.data(), 4096),
            e.WriteAudioData(samples.data(), 4096)),
        ROW(pauseStreaming(), 0),
        ROW(resumeStreaming(), 0),
        ROW(setTlinkWaitTime(500), 0),
        ROW(setTLinkMode(1), 0),
        SAME(getTLinkUrl() ? 1 : 0),
        // Statistics of a context that never streamed: the engine's own answer.
        SAME(getTransmission_sec()),
        SAME(getAudioTransmission()),
        SAME(getVideoTransmission()),
        SAME(getAudioDropFrame()),
        SAME(getVideoDropFrame()),
        // A level the live library refuses: its error code comes back unchanged.
        ROW(SetTlinkLogLevel(99), TL_ERROR_INVALID_PARAMETER),
        ROW(setTlinkDeblock(0), UVCPreviewTestAccess::deblock(&e) == 0 ? 0 : 1),
        ROW(setIframeInterval(3), UVCPreviewTestAccess::iframeInterval(&e) == 3 ? 0 : 1),
    };
    value = 1234;
    check(rows, 0);
    EXPECT_EQ(value, direct);  // the control the engine reads
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
