// The camera object: connection results, microphone failures and release.
#include <atomic>
#include <thread>
#include <vector>

#include "engine_fixture.h"
#include "host_android.h"
#include "uvc_testing.h"

namespace {

int connect_plain(UVCCamera &camera, const VirtualCamera &device, int vid = 0, int pid = 0) {
    return camera.connect(vid ? vid : device.vid(), pid ? pid : device.pid(), device.fd(), nullptr,
                          false, "");
}

TEST(CameraObject, ConnectStartAndRelease) {
    host_log_capture_start();
    UVCCamera never;
    EXPECT_EQ(never.release(), 0);
    EXPECT_EQ(host_log_count("release \n"), 1);

    VirtualCamera device{CameraSetup()};
    UVCCamera camera;
    const int handles = uvc_test_live_handles();
    ASSERT_EQ(connect_plain(camera, device), 0);
    EXPECT_EQ(connect_plain(camera, device), -71);
    EXPECT_EQ(camera.startPreview(), -61);  // no record mode yet
    camera.setRecMode(1);
    EXPECT_EQ(camera.startPreview(), 0);
    EXPECT_EQ(camera.stopPreview(), 0);
    EXPECT_EQ(camera.release(), 0);
    EXPECT_EQ(camera.preview(), nullptr);
    EXPECT_EQ(uvc_test_live_handles(), handles);
    EXPECT_EQ(connect_plain(camera, device), 0);
    EXPECT_NE(camera.preview(), nullptr);

    UVCCamera stranger;
    EXPECT_EQ(connect_plain(stranger, device, 0x1234, 0x5678), -73);
    EXPECT_EQ(stranger.preview(), nullptr);
    EXPECT_EQ(stranger.startPreview(), -61);
    stranger.setRecMode(1);
    EXPECT_EQ(stranger.startPreview(), -75);
    host_log_capture_stop();
}

TEST(CameraObject, MicrophoneFailureIsMappedAndLeavesNoEngine) {
    CameraSetup setup;
    setup.microphone = "on";
    VirtualCamera working{setup};
    UVCCamera withMicrophone;
    EXPECT_EQ(connect_plain(withMicrophone, working), 0);
    ASSERT_NE(withMicrophone.preview(), nullptr);

    // The camera library takes the repeated rate; the microphone refuses its description.
    setup.extra = "mic_rates = 48000, 48000";
    VirtualCamera device{setup};
    host_log_capture_start();
    UVCCamera camera;
    EXPECT_EQ(connect_plain(camera, device), -11);
    EXPECT_EQ(host_log_count("audio open fail : -11"), 1);
    EXPECT_EQ(camera.preview(), nullptr);
    // The camera stays open without an engine until release.
    EXPECT_EQ(connect_plain(camera, device), -71);
    EXPECT_EQ(camera.release(), 0);
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
        EXPECT_EQ(connect_plain(camera, device), -74);
        EXPECT_EQ(host_log_count("uvc_open Failed:err = -3\n"), 1);
        EXPECT_EQ(camera.preview(), nullptr);
        // The found device is given back; the context stays until release.
        EXPECT_EQ(uvc_test_live_devices(), devices);
        EXPECT_EQ(uvc_test_live_handles(), handles);
        EXPECT_EQ(uvc_test_live_contexts(), contexts + 1);
        EXPECT_EQ(connect_plain(camera, device), -71);
        camera.setRecMode(1);
        EXPECT_EQ(camera.startPreview(), -75);
        EXPECT_EQ(camera.release(), 0);
        EXPECT_EQ(uvc_test_live_contexts(), contexts);
    }
    ASSERT_EQ(connect_plain(camera, device), 0);
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
    EXPECT_EQ(connect_plain(camera, brokenDevice), -74);
    EXPECT_EQ(host_log_count("uvc_open Failed:err = -6\n"), 1);
    EXPECT_EQ(camera.release(), 0);
    host_log_capture_stop();
}

// Still-button events arriving while the camera is released never reach a deleted engine
// (AddressSanitizer builds see it when they do).
TEST(CameraObject, ReleaseWhileTheStillButtonIsPressed) {
    CameraSetup setup = CameraSetup::atFps(30);
    setup.stillMethod = 1;
    for (int round = 0; round < 10; ++round) {
        CameraSession s(setup);
        ASSERT_EQ(s.connect(9, 320, 240), 0);
        ASSERT_EQ(s.camera.startPreview(), 0);
        ASSERT_TRUE(wait_until(
            [&] { return UVCPreviewTestAccess::viewCount(s.engine()) > round % 3; }, 5000));
        uvc_device_handle_t *devh = UVCPreviewTestAccess::handle(s.engine());
        for (int press = 0; press < 5; ++press)
            ASSERT_EQ(uvc_test_press_button(devh), UVC_SUCCESS);
        EXPECT_EQ(s.camera.release(), 0);
        EXPECT_EQ(s.camera.preview(), nullptr);
    }
}

// Java threads setting the wish and asking for captures while a run starts and stops: every
// member they share with the engine's threads is safe to touch (ThreadSanitizer builds check).
TEST(CameraObject, JavaCallsDuringStartAndStop) {
    CameraSession s(CameraSetup::atFps(30));
    ASSERT_EQ(s.connect(0, 0, 0), 0);
    UVCPreview *engine = s.engine();
    std::atomic<bool> done{false};
    std::thread java([&] {
        std::vector<char> small(16);
        int info[3];
        while (!done) {
            engine->get_capture_buffer(small.data(), info, (int)small.size());
            engine->set_UVC_Resolution(0, 0, 0, 0);
            s.camera.setRecMode(1);
            std::this_thread::yield();
        }
    });
    for (int run = 0; run < 5; ++run) {
        ASSERT_EQ(s.camera.startPreview(), 0);
        EXPECT_TRUE(
            wait_until([&] { return UVCPreviewTestAccess::viewCount(engine) > run; }, 5000));
        ASSERT_EQ(s.camera.stopPreview(), 0);
    }
    done = true;
    java.join();
}

}  // namespace
