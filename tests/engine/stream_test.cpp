// Streams of every format and size through the engine onto a host window.
#include <vector>

#include "engine_fixture.h"
#include "host_android.h"
#include "uvc_testing.h"

namespace {

TEST(StreamFormats, PostedPicturesCarryIncreasingCounters) {
    const int cases[][3] = {{9, 640, 480}, {9, 1280, 720}, {9, 1920, 1080},
                            {3, 640, 480}, {3, 1280, 720}, {3, 1920, 1080}};
    for (const auto &c : cases) {
        SCOPED_TRACE((c[0] == 9 ? "MJPEG " : "YUYV ") + std::to_string(c[1]));
        CameraSession s(CameraSetup::atFps(20));
        ASSERT_EQ(s.connect(c[0], c[1], c[2]), 0);
        ASSERT_EQ(s.attachWindow(), 0);
        ASSERT_EQ(s.camera.startPreview(), 0);
        ASSERT_TRUE(s.waitPosts(2));
        const int64_t first = s.lastCounter();
        ASSERT_TRUE(s.waitPosts(host_window_post_count(s.window) + 4));
        EXPECT_GT(first, 0);
        EXPECT_GT(s.lastCounter(), first);
        EXPECT_EQ(UVCPreviewTestAccess::frameWidth(s.engine()), c[1]);
        EXPECT_EQ(UVCPreviewTestAccess::pixelFormat(s.engine()), c[0]);
        const ShownPicture shown = s.lastPicture();
        EXPECT_EQ(shown.width, c[1]);
        EXPECT_EQ(shown.height, c[2]);
        EXPECT_EQ(s.camera.stopPreview(), 0);
        EXPECT_EQ(s.engine()->CameraIsRunning(), 0);
    }
}

TEST(StreamFormats, RedCameraGivesRedSurface) {
    CameraSetup setup = CameraSetup::atFps(20);
    setup.pattern = "solid FF0000";
    for (int format : {9, 3}) {
        SCOPED_TRACE(format);
        CameraSession s(setup);
        ASSERT_EQ(s.connect(format, 640, 480), 0);
        ASSERT_EQ(s.attachWindow(), 0);
        const ShownPicture shown = s.startAndShow(2);
        ASSERT_FALSE(shown.pixels.empty());
        const int width = shown.width;
        for (int y : {10, shown.height / 2, shown.height - 10}) {
            const uint8_t *p = &shown.pixels[((size_t)y * width + width / 2) * 4];
            EXPECT_NEAR(p[0], 255, 6) << "row " << y;
            EXPECT_NEAR(p[1], 0, 6) << "row " << y;
            EXPECT_NEAR(p[2], 0, 6) << "row " << y;
        }
    }
}

TEST(StreamChoice, CameraDefaultIsWrittenBackAsTheWish) {
    CameraSession s;
    ASSERT_EQ(s.connect(0, 0, 0), 0);
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(s.waitPosts(1));
    // The description's default stream is MJPEG 1280x720.
    EXPECT_EQ(UVCPreviewTestAccess::pixelFormat(s.engine()), 9);
    EXPECT_EQ(UVCPreviewTestAccess::wishWidth(s.engine()), 1280);
    EXPECT_EQ(UVCPreviewTestAccess::frameWidth(s.engine()), 1280);
    EXPECT_GT(s.lastCounter(), 0);
}

TEST(StreamChoice, FreshEngineTakesTheApplicationPathWithFormatZero) {
    host_log_capture_start();
    CameraSession s(CameraSetup(), true);
    ASSERT_EQ(s.connect(), 0);
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(s.waitPosts(2));
    EXPECT_EQ(host_log_count("App Setting PixelFormat : YUYV Format, width : 640, height : 480, "
                             "Frame : 0"),
              1);
    EXPECT_EQ(UVCPreviewTestAccess::pixelFormat(s.engine()), 0);
    EXPECT_EQ(UVCPreviewTestAccess::frameWidth(s.engine()), 640);
    EXPECT_GT(s.lastCounter(), 0);
    s.camera.stopPreview();
    host_log_capture_stop();
}

}  // namespace
