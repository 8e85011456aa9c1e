// Drawing: the draw queue, the first-preview notice, the preview surface and the frame rate.
#include <string.h>
#include <turbojpeg.h>

#include <atomic>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "host_android.h"
#include "uvc_testing.h"

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
    EXPECT_EQ(engine->getviewFPS(), 0.0);  // nothing drawn yet
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(wait_until([] { return g_firstPreviewCalls > 0; }, 5000));
    // The view rate counts pictures drawn, never more than the camera delivered (plus what the
    // queues held when the count began).
    uvc_device_handle_t *devh = UVCPreviewTestAccess::handle(engine);
    const int views0 = UVCPreviewTestAccess::viewCount(engine);
    const uint32_t delivered0 = uvc_test_frames_delivered(devh);
    const double fps = engine->getviewFPS();
    const int views = UVCPreviewTestAccess::viewCount(engine) - views0;
    const int delivered = (int)(uvc_test_frames_delivered(devh) - delivered0);
    EXPECT_GT(fps, 0.0);
    EXPECT_LE(fps, views);  // the window lasts at least a second
    EXPECT_LE(views, delivered + 4);
    ASSERT_EQ(s.camera.stopPreview(), 0);

    const int drawn = UVCPreviewTestAccess::viewCount(engine);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(
        wait_until([&] { return UVCPreviewTestAccess::viewCount(engine) > drawn + 2; }, 5000));
    EXPECT_EQ(g_firstPreviewCalls, 1);
    EXPECT_EQ(g_firstPreviewCamera, 4242);
    EXPECT_EQ(host_window_post_count(s.window), 0);
}

TEST(Draw, PreviewAndCaptureDisplayRules) {
    host_log_capture_start();
    CameraSession s(CameraSetup(), true);
    ASSERT_EQ(s.connect(), 0);
    UVCPreview *engine = s.engine();
    ASSERT_EQ(s.attachWindow(), 0);
    // The same window handed over twice, each time with the reference its caller took: kept
    // once, so that replacing it frees it.
    ANativeWindow *twice = host_window_create(8, 8);
    const int liveBefore = host_window_live_count();
    EXPECT_EQ(engine->setPreviewDisplay(twice), 0);
    ANativeWindow_acquire(twice);
    EXPECT_EQ(engine->setPreviewDisplay(twice), 0);
    host_log_capture_start();
    EXPECT_EQ(engine->setPreviewDisplay(nullptr), -2);
    EXPECT_EQ(host_log_count("preview_window is NULL"), 1);

    // A refused geometry is reported, yet the window is used.
    ANativeWindow *refusing = host_window_create(32, 32);
    host_window_refuse_geometry(refusing, true);
    ANativeWindow_acquire(refusing);
    EXPECT_EQ(engine->setPreviewDisplay(refusing), -10);
    EXPECT_EQ(host_window_live_count(), liveBefore);  // `twice` went, `refusing` came
    EXPECT_EQ(host_log_count("ANativeWindow_setBuffersGeometry fail"), 1);
    engine->set_UVC_Resolution(9, 320, 240, 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    EXPECT_TRUE(wait_until([&] { return host_window_post_count(refusing) > 0; }, 5000));
    EXPECT_EQ(host_window_post_count(s.window), 0);  // the replaced window got nothing
    s.camera.stopPreview();
    ANativeWindow_release(refusing);
    host_log_capture_stop();

    // The capture window likewise: kept once, released when replaced or cleared.
    const int before = host_window_live_count();
    ANativeWindow *first = host_window_create(8, 8);
    ANativeWindow *second = host_window_create(8, 8);
    EXPECT_EQ(engine->setCaptureDisplay(first), 0);
    ANativeWindow_acquire(first);  // a second hand-over brings its own reference
    EXPECT_EQ(engine->setCaptureDisplay(first), 0);
    EXPECT_EQ(host_window_live_count(), before + 2);
    EXPECT_EQ(engine->setCaptureDisplay(second), 0);  // releases every reference to the first
    EXPECT_EQ(host_window_live_count(), before + 1);
    EXPECT_EQ(engine->setCaptureDisplay(nullptr), 0);
    EXPECT_EQ(host_window_live_count(), before);
}

// A JPEG of `width` x `height` in one grey, as TurboJPEG writes it.
std::vector<unsigned char> grey_jpeg(int width, int height) {
    std::vector<unsigned char> rgb((size_t)width * height * 3, 0x80);
    tjhandle encoder = tjInitCompress();
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    EXPECT_EQ(tjCompress2(encoder, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_420,
                          85, 0),
              0);
    std::vector<unsigned char> out(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(encoder);
    return out;
}

// A camera that sends another JPEG size than negotiated: TurboJPEG scales it by the largest of
// its factors that fits, and the picture is labelled with the size decoded (400 x 300 comes out
// 600 x 450 within 640 x 480, its rows 600 pixels apart).
TEST(Draw, DecodedMjpegIsLabelledWithTheSizeDecoded) {
    CameraSession s;
    ASSERT_EQ(s.connect(), 0);
    UVCPreview *engine = s.engine();
    UVCPreviewTestAccess::runWithoutThreads(engine, 640, 480, true);
    struct Case {
        int jpegWidth, jpegHeight, width, height;
    };
    // Decoded twice each: the first decode of the process takes another route.
    for (const Case &c : {Case{400, 300, 600, 450}, Case{400, 300, 600, 450},
                          Case{1280, 960, 640, 480}, Case{320, 240, 640, 480}}) {
        SCOPED_TRACE(std::to_string(c.jpegWidth) + "x" + std::to_string(c.jpegHeight));
        std::vector<unsigned char> jpeg = grey_jpeg(c.jpegWidth, c.jpegHeight);
        uvc_frame_t *raw = UVCPreviewTestAccess::takeRaw(engine);
        ASSERT_NE(raw, nullptr);
        memcpy(raw->data, jpeg.data(), jpeg.size());
        raw->data_bytes = jpeg.size();
        raw->frame_format = UVC_FRAME_FORMAT_MJPEG;
        uvc_frame_t *picture = UVCPreviewTestAccess::convert(engine, raw);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ((int)picture->width, c.width);
        EXPECT_EQ((int)picture->height, c.height);
        EXPECT_EQ(picture->data_bytes, (size_t)c.width * c.height * 4);
        // The last pixel of the picture as labelled is the JPEG's grey, not left-over zeros.
        const uint8_t *last = static_cast<uint8_t *>(picture->data) + picture->data_bytes - 4;
        EXPECT_NEAR(last[0], 0x80, 8);
        UVCPreviewTestAccess::giveConv(engine, picture);
    }
    engine->stopPreview();
}

}  // namespace
