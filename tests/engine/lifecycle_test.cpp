// Start, stop and failure paths of the engine's lifecycle.
#include <mutex>
#include <string>

#include "engine_fixture.h"
#include "host_android.h"
#include "uvc_testing.h"

namespace {

struct ErrorReport {
    long camera;
    long kind;
    int code;
    std::string text;
};
std::mutex g_errorMutex;
std::vector<ErrorReport> g_errors;

void record_error(long camera, long kind, int code, char *text) {
    std::lock_guard<std::mutex> lock(g_errorMutex);
    g_errors.push_back({camera, kind, code, text ? text : ""});
}

TEST(Lifecycle, StopBeforeTheFirstFrameStartTwiceAndRestart) {
    host_log_capture_start();
    CameraSession s(CameraSetup::atFps(5), true);
    ASSERT_EQ(s.connect(), 0);
    const int threadsBefore = uvc_test_live_threads();
    ASSERT_EQ(s.camera.startPreview(), 0);
    EXPECT_EQ(s.engine()->CameraIsRunning(), 1);
    EXPECT_EQ(s.camera.stopPreview(), 0);
    EXPECT_EQ(s.engine()->CameraIsRunning(), 0);
    EXPECT_EQ(uvc_test_live_threads(), threadsBefore);

    // A second start while running starts no second stream; the restart shows new frames.
    const int runs = host_log_count("running state");
    const int streams = host_log_count("Streaming start!");
    const int ends = host_log_count("preview_thread end\n");
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    EXPECT_EQ(s.camera.startPreview(), 0);
    EXPECT_EQ(host_log_count("running state"), runs + 1);
    ASSERT_TRUE(s.waitPosts(3));
    EXPECT_GT(s.lastCounter(), 0);
    EXPECT_EQ(s.camera.stopPreview(), 0);
    EXPECT_EQ(host_log_count("Streaming start!"), streams + 1);
    EXPECT_EQ(host_log_count("preview_thread end\n"), ends + 1);
    host_log_capture_stop();
}

TEST(Lifecycle, StreamStartErrorIsReportedOnceAndStops) {
    host_log_capture_start();
    {
        std::lock_guard<std::mutex> lock(g_errorMutex);
        g_errors.clear();
    }
    CameraSession s;  // debug off: only unconditional lines
    ASSERT_EQ(s.connect(), 0);
    UVCPreview *engine = s.engine();
    engine->SetCameraID(77);
    engine->SetErrorNotifyCallback(record_error);
    uvc_test_set_fault(UVCPreviewTestAccess::handle(engine), UvcFault::kStartError, -7);
    ASSERT_EQ(s.camera.startPreview(), 0);
    // The thread stops running before it logs and reports: wait for the report too.
    ASSERT_TRUE(wait_until(
        [&] {
            std::lock_guard<std::mutex> lock(g_errorMutex);
            return engine->CameraIsRunning() == 0 && !g_errors.empty();
        },
        5000));
    EXPECT_EQ(host_log_count("usb status is unstable. please unplug & plug your USB Device"), 1);
    EXPECT_EQ(host_log_count("failed Start Streaming"), 0);
    {
        std::lock_guard<std::mutex> lock(g_errorMutex);
        ASSERT_EQ(g_errors.size(), 1u);
        EXPECT_EQ(g_errors[0].camera, 77);
        EXPECT_EQ(g_errors[0].kind, 1);
        EXPECT_EQ(g_errors[0].code, -13);
        EXPECT_EQ(g_errors[0].text, "failed to start USB Camera.");
    }

    // Once the fault is gone the same engine starts again.
    uvc_test_clear_faults(UVCPreviewTestAccess::handle(engine));
    EXPECT_EQ(s.camera.stopPreview(), 0);
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    EXPECT_TRUE(s.waitPosts(1));
    host_log_capture_stop();
}

TEST(Lifecycle, NegotiationFailureKeepsRunningUntilStop) {
    host_log_capture_start();
    CameraSession s;
    ASSERT_EQ(s.connect(9, 999, 777), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(
        wait_until([] { return host_log_count("could not negotiate with camera") > 0; }, 5000));
    EXPECT_EQ(host_log_count("pixelformat : MJPEG Format, width : 999, height : 777, frame : 0"),
              1);
    EXPECT_EQ(s.engine()->CameraIsRunning(), 1);
    EXPECT_EQ(s.engine()->getStartStatus(), 1);
    EXPECT_EQ(s.camera.stopPreview(), 0);
    EXPECT_EQ(s.engine()->CameraIsRunning(), 0);
    host_log_capture_stop();
}

TEST(Lifecycle, ManyStartStopCyclesLeaveNothingBehind) {
    CameraSession s;
    ASSERT_EQ(s.connect(9, 320, 240), 0);
    const int threadsBefore = uvc_test_live_threads();
    const int windowsBefore = host_window_live_count();
    for (int i = 0; i < 200; i++) {
        // The engine holds the only reference of this window and must release it at stop.
        if (i % 2 == 0) {
            ASSERT_EQ(s.engine()->setPreviewDisplay(host_window_create(32, 32)), 0);
        }
        const int drawn = UVCPreviewTestAccess::viewCount(s.engine());
        ASSERT_EQ(s.camera.startPreview(), 0);
        if (i % 50 == 0) {
            ASSERT_TRUE(wait_until(
                [&] { return UVCPreviewTestAccess::viewCount(s.engine()) > drawn; }, 5000));
        }
        ASSERT_EQ(s.camera.stopPreview(), 0);
    }
    EXPECT_EQ(uvc_test_live_threads(), threadsBefore);
    EXPECT_EQ(host_window_live_count(), windowsBefore);
}

TEST(Lifecycle, UnpluggedCameraStaysStoppableAndReleasable) {
    CameraSession s(CameraSetup::atFps(30));
    ASSERT_EQ(s.connect(9, 640, 480), 0);
    uvc_test_set_fault(UVCPreviewTestAccess::handle(s.engine()), UvcFault::kUnplugAfter, 5);
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(wait_until(
        [&] { return uvc_test_frames_delivered(UVCPreviewTestAccess::handle(s.engine())) >= 5; },
        5000));
    EXPECT_TRUE(returns_within(
        [&] {
            EXPECT_EQ(s.camera.stopPreview(), 0);
            EXPECT_EQ(s.camera.release(), 0);
        },
        2000));
    EXPECT_EQ(s.camera.preview(), nullptr);
}

}  // namespace
