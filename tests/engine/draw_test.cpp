// Drawing: the draw queue, the first-preview notice, the preview surface and the frame rate.
#include <atomic>

#include "engine_fixture.h"
#include "host_android.h"

namespace {

std::atomic<int> g_firstPreviewCalls(0);
std::atomic<long> g_firstPreviewCamera(0);

void on_first_preview(long camera) {
    g_firstPreviewCamera = camera;
    g_firstPreviewCalls++;
}

TEST(Draw, ThirdPictureIsDroppedAndTheTwoQueuedComeOutInOrder) {
    CameraSession s;
    ASSERT_EQ(s.connect(), 0);
    UVCPreview *engine = s.engine();
    UVCPreviewTestAccess::runWithoutThreads(engine, 16, 16, true);
    uvc_frame_t *pictures[3];
    for (int i = 0; i < 3; i++) {
        pictures[i] = UVCPreviewTestAccess::takeConv(engine);
        static_cast<uint8_t *>(pictures[i]->data)[0] = (uint8_t)(i + 1);
        UVCPreviewTestAccess::addDraw(engine, pictures[i]);
    }
    EXPECT_EQ(UVCPreviewTestAccess::drawQueued(engine), 2);
    EXPECT_EQ(pictures[2]->in_use, 0);  // went straight back to the pool
    EXPECT_EQ(UVCPreviewTestAccess::convPoolInUse(engine), 2);
    EXPECT_EQ(UVCPreviewTestAccess::waitDraw(engine), pictures[0]);
    EXPECT_EQ(UVCPreviewTestAccess::waitDraw(engine), pictures[1]);
    EXPECT_EQ(UVCPreviewTestAccess::drawQueued(engine), 0);
    engine->stopPreview();
}

TEST(Draw, WithoutSurfacePicturesAreCountedAndFirstPreviewFiresOnce) {
    g_firstPreviewCalls = 0;
    CameraSession s(CameraSetup::atFps(20));
    ASSERT_EQ(s.connect(9, 320, 240), 0);
    UVCPreview *engine = s.engine();
    engine->SetCameraID(4242);
    engine->setFirstPreviewCallback(on_first_preview);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(wait_until([] { return g_firstPreviewCalls > 0; }, 5000));
    const double fps = engine->getviewFPS();
    EXPECT_GT(fps, 12.0);
    EXPECT_LT(fps, 25.0);
    ASSERT_EQ(s.camera.stopPreview(), 0);

    const int drawn = UVCPreviewTestAccess::viewCount(engine);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(
        wait_until([&] { return UVCPreviewTestAccess::viewCount(engine) > drawn + 2; }, 5000));
    EXPECT_EQ(g_firstPreviewCalls, 1);
    EXPECT_EQ(g_firstPreviewCamera, 4242);
    EXPECT_EQ(host_window_post_count(s.window), 0);
}

TEST(Draw, ViewRateIsZeroWithoutPictures) {
    CameraSession s;
    ASSERT_EQ(s.connect(), 0);
    EXPECT_EQ(s.engine()->getviewFPS(), 0.0);
}

TEST(Draw, PreviewDisplayRules) {
    host_log_capture_start();
    CameraSession s(CameraSetup(), true);
    ASSERT_EQ(s.connect(), 0);
    UVCPreview *engine = s.engine();
    ASSERT_EQ(s.attachWindow(), 0);
    // The same window again, with the reference its caller took: kept once, set up once.
    host_log_capture_start();
    ANativeWindow_acquire(s.window);
    EXPECT_EQ(engine->setPreviewDisplay(s.window), 0);
    EXPECT_EQ(engine->setPreviewDisplay(nullptr), -2);
    EXPECT_EQ(host_log_count("preview_window is NULL"), 1);

    // A refused geometry is reported, yet the window is used.
    ANativeWindow *refusing = host_window_create(32, 32);
    host_window_refuse_geometry(refusing, true);
    ANativeWindow_acquire(refusing);
    EXPECT_EQ(engine->setPreviewDisplay(refusing), -10);
    EXPECT_EQ(host_log_count("ANativeWindow_setBuffersGeometry fail"), 1);
    engine->set_UVC_Resolution(9, 320, 240, 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    EXPECT_TRUE(wait_until([&] { return host_window_post_count(refusing) > 0; }, 5000));
    EXPECT_EQ(host_window_post_count(s.window), 0);  // the replaced window got nothing
    s.camera.stopPreview();
    ANativeWindow_release(refusing);
    host_log_capture_stop();
}

}  // namespace
