// Which stream a start negotiates: wishes made while streaming, the diagnostic query's fallback
// and diagnostic queries from the application while a stream runs.
#include <atomic>
#include <vector>

#include "engine_fixture.h"
#include "host_android.h"
#include "uvc_testing.h"

namespace {

// Streams until the window shows a few pictures; returns the last picture's width.
int stream_and_show(CameraSession &s) {
    const ShownPicture shown = s.startAndShow(3);
    EXPECT_GE(uvc_test_decode_counter(shown.pixels.data(), shown.width, shown.height, 0), 0);
    return shown.width;
}

TEST(Negotiation, TheNewestWishWinsOverOneHeldDuringAStream) {
    CameraSession s(CameraSetup::atFps(20));
    ASSERT_EQ(s.connect(9, 640, 480), 0);
    ASSERT_EQ(s.attachWindow(), 0);
    EXPECT_EQ(stream_and_show(s), 640);
    s.engine()->set_UVC_Resolution(9, 1280, 720, 0);  // held: the stream runs on
    EXPECT_EQ(UVCPreviewTestAccess::frameWidth(s.engine()), 640);
    ASSERT_EQ(s.camera.stopPreview(), 0);

    s.engine()->set_UVC_Resolution(9, 320, 240, 0);
    ASSERT_EQ(s.attachWindow(), 0);
    EXPECT_EQ(stream_and_show(s), 320);
    EXPECT_EQ(UVCPreviewTestAccess::frameWidth(s.engine()), 320);
    ASSERT_EQ(s.camera.stopPreview(), 0);

    // A wish held from a stream still applies when nothing newer came.
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(s.waitPosts(host_window_post_count(s.window) + 1));
    s.engine()->set_UVC_Resolution(3, 640, 480, 0);
    ASSERT_EQ(s.camera.stopPreview(), 0);
    ASSERT_EQ(s.attachWindow(), 0);
    EXPECT_EQ(stream_and_show(s), 640);
    EXPECT_EQ(UVCPreviewTestAccess::pixelFormat(s.engine()), 3);
}

// The error report of a stream that failed to start runs on the preview thread; it makes a wish
// once a stop has begun, which then joins that thread, and notes the size the engine holds.
struct WishDuringStop {
    UVCPreview *engine = nullptr;
    std::atomic<bool> reported{false};
    std::atomic<int> widthAfterWish{-1};
};
WishDuringStop g_wishDuringStop;

void wish_while_stopping(long, long, int, char *) {
    WishDuringStop &w = g_wishDuringStop;
    w.reported = true;
    wait_until([] { return host_log_count("Current running state") > 0; }, 5000);
    w.engine->set_UVC_Resolution(9, 640, 480, 0);
    w.widthAfterWish = UVCPreviewTestAccess::wishWidth(w.engine);
}

// Until the preview thread has ended, also while a stop joins it, a wish waits for the next
// start: the ending thread may still write the size it negotiated.
TEST(Negotiation, AWishMadeWhileAStopJoinsThePreviewThreadWaitsForTheNextStart) {
    host_log_capture_start();
    CameraSession s(CameraSetup::atFps(20), true);
    ASSERT_EQ(s.connect(9, 1280, 720), 0);
    g_wishDuringStop.engine = s.engine();
    s.engine()->SetErrorNotifyCallback(wish_while_stopping);
    uvc_device_handle_t *devh = UVCPreviewTestAccess::handle(s.engine());
    uvc_test_set_fault(devh, UvcFault::kStartError, -7);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(wait_until([] { return g_wishDuringStop.reported.load(); }, 5000));
    uvc_test_clear_faults(devh);
    EXPECT_EQ(s.camera.stopPreview(), 0);
    EXPECT_EQ(g_wishDuringStop.widthAfterWish, 1280);
    ASSERT_EQ(s.attachWindow(), 0);
    EXPECT_EQ(stream_and_show(s), 640);
    host_log_capture_stop();
}

// Without an answer to the diagnostic query the camera default cannot be known: the stream
// falls back to YUYV 640 x 480, and pools and pictures have that size.
TEST(Negotiation, FailedDiagnosticQueryStreamsTheFallbackWithPictures) {
    CameraSetup setup = CameraSetup::atFps(20);
    setup.extra = "devinfo_error = -1\n";
    CameraSession s(setup);
    ASSERT_EQ(s.connect(0, 0, 0), 0);
    ASSERT_EQ(s.attachWindow(), 0);
    EXPECT_EQ(stream_and_show(s), 640);
    EXPECT_EQ(UVCPreviewTestAccess::pixelFormat(s.engine()), 3);
    EXPECT_EQ(UVCPreviewTestAccess::wishWidth(s.engine()), 640);
    EXPECT_GT(UVCPreviewTestAccess::rawPoolSize(s.engine()), 0);
}

// A frame index without a size: the camera's frame of that index, and pictures of its size.
TEST(Negotiation, AFrameIndexAloneStreamsThatFramesSizeWithPictures) {
    host_log_capture_start();
    CameraSession s(CameraSetup::atFps(20));
    ASSERT_EQ(s.connect(PIXEL_FORMAT_MJPEG, 0, 0), 0);
    s.engine()->set_UVC_Resolution(PIXEL_FORMAT_MJPEG, 0, 0, 3);
    ASSERT_EQ(s.attachWindow(), 0);
    EXPECT_EQ(stream_and_show(s), 640);
    EXPECT_EQ(UVCPreviewTestAccess::wishWidth(s.engine()), 640);
    EXPECT_EQ(host_log_count("uvc_copy_frame fail"), 0);
    host_log_capture_stop();
}

// A diagnostic query from the application neither changes the running stream nor the next.
TEST(Negotiation, ApplicationQueryThatFailsChangesNoStream) {
    CameraSession s(CameraSetup::atFps(20));
    ASSERT_EQ(s.connect(9, 1280, 720), 0);
    UVCPreview *engine = s.engine();
    ASSERT_EQ(s.attachWindow(), 0);
    EXPECT_EQ(stream_and_show(s), 1280);
    uvc_device_handle_t *devh = UVCPreviewTestAccess::handle(engine);
    ASSERT_EQ(uvc_test_set_fault(devh, UvcFault::kDevInfoError, -1), UVC_SUCCESS);
    std::vector<int> diag(DIAG_DATA_COUNT);
    EXPECT_EQ(engine->get_UVC_DiagData(diag.data()), -9);
    EXPECT_EQ(UVCPreviewTestAccess::pixelFormat(engine), 9);
    EXPECT_GT(stream_and_show(s), 0);  // still MJPEG pictures with counters
    ASSERT_EQ(s.camera.stopPreview(), 0);

    ASSERT_EQ(uvc_test_set_fault(devh, UvcFault::kDevInfoError, 0), UVC_SUCCESS);
    ASSERT_EQ(s.attachWindow(), 0);
    EXPECT_EQ(stream_and_show(s), 1280);
    EXPECT_EQ(UVCPreviewTestAccess::pixelFormat(engine), 9);
}

}  // namespace
