// The camera object: connection results, microphone failures and release.
#include "engine_fixture.h"
#include "host_android.h"
#include "uvc_testing.h"

namespace {

int connect_plain(UVCCamera &camera, const VirtualCamera &device, int vid, int pid) {
    return camera.connect(vid, pid, device.fd(), nullptr, false, "");
}

TEST(CameraObject, StartNeedsRecordMode) {
    VirtualCamera device{CameraSetup()};
    UVCCamera camera;
    ASSERT_EQ(connect_plain(camera, device, device.vid(), device.pid()), 0);
    EXPECT_EQ(camera.startPreview(), -61);
    camera.setRecMode(1);
    EXPECT_EQ(camera.startPreview(), 0);
    EXPECT_EQ(camera.stopPreview(), 0);
}

TEST(CameraObject, SecondConnectAndUnknownIds) {
    VirtualCamera device{CameraSetup()};
    UVCCamera camera;
    ASSERT_EQ(connect_plain(camera, device, device.vid(), device.pid()), 0);
    EXPECT_EQ(connect_plain(camera, device, device.vid(), device.pid()), -71);

    UVCCamera stranger;
    EXPECT_EQ(connect_plain(stranger, device, 0x1234, 0x5678), -73);
    EXPECT_EQ(stranger.preview(), nullptr);
    EXPECT_EQ(stranger.startPreview(), -61);
    stranger.setRecMode(1);
    EXPECT_EQ(stranger.startPreview(), -75);
}

TEST(CameraObject, MicrophoneFailureIsMappedAndLeavesNoEngine) {
    CameraSetup setup;
    setup.microphone = "on";
    // The camera library takes the repeated rate; the microphone refuses its description.
    setup.extra = "mic_rates = 48000, 48000";
    VirtualCamera device{setup};
    host_log_capture_start();
    UVCCamera camera;
    EXPECT_EQ(connect_plain(camera, device, device.vid(), device.pid()), -11);
    EXPECT_EQ(host_log_count("audio open fail : -11"), 1);
    EXPECT_EQ(camera.preview(), nullptr);
    // The camera stays open without an engine until release.
    EXPECT_EQ(connect_plain(camera, device, device.vid(), device.pid()), -71);
    EXPECT_EQ(camera.release(), 0);
    host_log_capture_stop();
}

TEST(CameraObject, CameraWithMicrophoneConnects) {
    CameraSetup setup;
    setup.microphone = "on";
    VirtualCamera device{setup};
    UVCCamera camera;
    EXPECT_EQ(connect_plain(camera, device, device.vid(), device.pid()), 0);
    ASSERT_NE(camera.preview(), nullptr);
}

TEST(CameraObject, ReleaseAndConnectAgain) {
    host_log_capture_start();
    UVCCamera never;
    EXPECT_EQ(never.release(), 0);
    EXPECT_EQ(host_log_count("release \n"), 1);

    VirtualCamera device{CameraSetup()};
    UVCCamera camera;
    const int handles = uvc_test_live_handles();
    ASSERT_EQ(connect_plain(camera, device, device.vid(), device.pid()), 0);
    EXPECT_EQ(camera.release(), 0);
    EXPECT_EQ(camera.preview(), nullptr);
    EXPECT_EQ(uvc_test_live_handles(), handles);
    EXPECT_EQ(connect_plain(camera, device, device.vid(), device.pid()), 0);
    EXPECT_NE(camera.preview(), nullptr);
    host_log_capture_stop();
}

// Makes every camera open in the process fail while it lives.
struct OpenFailure {
    explicit OpenFailure(int error) { uvc_test_set_open_error(error); }
    ~OpenFailure() { uvc_test_set_open_error(0); }
};

TEST(CameraObject, OpenFailureKeepsTheContextUntilRelease) {
    VirtualCamera device{CameraSetup()};
    const int contexts = uvc_test_live_contexts();
    const int devices = uvc_test_live_devices();
    const int handles = uvc_test_live_handles();
    host_log_capture_start();
    UVCCamera camera;
    {
        OpenFailure failure(UVC_ERROR_ACCESS);
        EXPECT_EQ(connect_plain(camera, device, device.vid(), device.pid()), -74);
        EXPECT_EQ(host_log_count("uvc_open Failed:err = -3\n"), 1);
        EXPECT_EQ(camera.preview(), nullptr);
        // The found device is given back; the context stays until release.
        EXPECT_EQ(uvc_test_live_devices(), devices);
        EXPECT_EQ(uvc_test_live_handles(), handles);
        EXPECT_EQ(uvc_test_live_contexts(), contexts + 1);
        EXPECT_EQ(connect_plain(camera, device, device.vid(), device.pid()), -71);
        camera.setRecMode(1);
        EXPECT_EQ(camera.startPreview(), -75);
        EXPECT_EQ(camera.release(), 0);
        EXPECT_EQ(uvc_test_live_contexts(), contexts);
    }
    ASSERT_EQ(connect_plain(camera, device, device.vid(), device.pid()), 0);
    ASSERT_NE(camera.preview(), nullptr);
    EXPECT_EQ(uvc_test_live_handles(), handles + 1);
    EXPECT_EQ(camera.startPreview(), 0);
    EXPECT_EQ(camera.release(), 0);
    EXPECT_EQ(uvc_test_live_handles(), handles);
    EXPECT_EQ(uvc_test_live_contexts(), contexts);

    // A camera whose description makes every open fail.
    CameraSetup broken;
    broken.extra = "open_error = -6";
    VirtualCamera brokenDevice{broken};
    EXPECT_EQ(connect_plain(camera, brokenDevice, brokenDevice.vid(), brokenDevice.pid()), -74);
    EXPECT_EQ(host_log_count("uvc_open Failed:err = -6\n"), 1);
    EXPECT_EQ(camera.release(), 0);
    host_log_capture_stop();
}

}  // namespace
