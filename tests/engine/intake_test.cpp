// Frame intake: which camera frames are accepted, the one-place preview queue and the pools.
#include <algorithm>

#include "engine_fixture.h"
#include "host_android.h"
#include "uvc_testing.h"

namespace {

// Frames a fault spoils are dropped (with the broken-frame line where the intake checks the size,
// with a decoder error for a damaged JPEG); the stream keeps showing the others.
TEST(Intake, SpoiltFramesAreDroppedAndTheStreamGoesOn) {
    const struct {
        const char *name;
        int format;
        UvcFault fault;
        int every;
        const char *line;
        bool logged;
    } cases[] = {
        {"short YUYV", 3, UvcFault::kBrokenEvery, 2, "broken frame!:format=", true},
        {"wrong size", 9, UvcFault::kWrongSizeEvery, 2, "broken frame!:format=", true},
        {"short MJPEG is accepted", 9, UvcFault::kBrokenEvery, 2, "broken frame!:format=", false},
        {"damaged JPEG", 9, UvcFault::kCorruptJpegEvery, 3, "error : ", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        host_log_capture_start();
        CameraSession s;
        ASSERT_EQ(s.connect(c.format, 640, 480), 0);
        ASSERT_EQ(s.attachWindow(), 0);
        uvc_test_set_fault(UVCPreviewTestAccess::handle(s.engine()), c.fault, c.every);
        ASSERT_EQ(s.camera.startPreview(), 0);
        EXPECT_TRUE(s.waitPosts(8));
        EXPECT_GT(s.lastCounter(), 0);
        s.camera.stopPreview();
        EXPECT_EQ(host_log_count(c.line) > 0, c.logged);
        host_log_capture_stop();
    }
}

// The intake operations driven one at a time on an engine that runs without its threads.
class IntakeSteps : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(session.connect(), 0);
        engine = session.engine();
    }
    CameraSession session;
    UVCPreview *engine = nullptr;
};

TEST_F(IntakeSteps, FrameChecksAndTheOnePlaceQueue) {
    host_log_capture_start();
    UVCPreviewTestAccess::runWithoutThreads(engine, 64, 48, true);
    uvc_frame_t *shortYuyv = make_camera_frame(UVC_FRAME_FORMAT_YUYV, 64, 48, 64 * 48 * 2 - 1);
    uvc_frame_t *wide = make_camera_frame(UVC_FRAME_FORMAT_MJPEG, 65, 48, 100);
    uvc_frame_t *tinyJpeg = make_camera_frame(UVC_FRAME_FORMAT_MJPEG, 64, 48, 10);
    UVCPreviewTestAccess::deliver(engine, shortYuyv);
    UVCPreviewTestAccess::deliver(engine, wide);
    UVCPreviewTestAccess::deliver(engine, nullptr);
    EXPECT_EQ(host_log_count("broken frame!:format=3,actual_bytes=6143/6144(64,48/64,48)"), 1);
    EXPECT_EQ(host_log_count("broken frame!:format=9,actual_bytes=100/6144(65,48/64,48)"), 1);
    EXPECT_EQ(
        host_log_count("!frame || !frame->frame_format || !frame->data || !frame->data_bytes"), 1);
    EXPECT_EQ(UVCPreviewTestAccess::previewQueued(engine), 0);
    UVCPreviewTestAccess::deliver(engine, tinyJpeg);
    EXPECT_EQ(UVCPreviewTestAccess::previewQueued(engine), 1);

    // A burst leaves one frame queued, the newest; the others went back to the pool.
    uvc_frame_t *frame = make_camera_frame(UVC_FRAME_FORMAT_YUYV, 64, 48, 64 * 48 * 2);
    for (int i = 0; i < 4; i++)
        UVCPreviewTestAccess::deliver(engine, frame);
    EXPECT_EQ(UVCPreviewTestAccess::previewQueued(engine), 1);
    EXPECT_EQ(UVCPreviewTestAccess::rawPoolInUse(engine), 1);
    EXPECT_EQ(UVCPreviewTestAccess::rawPoolSize(engine), 5);

    // The pool keeps its frames for the next start, the queued one given back.
    engine->stopPreview();
    EXPECT_EQ(UVCPreviewTestAccess::rawPoolSize(engine), 5);
    EXPECT_EQ(UVCPreviewTestAccess::rawPoolInUse(engine), 0);
    UVCPreviewTestAccess::deliver(engine, tinyJpeg);
    EXPECT_EQ(host_log_count("Not Running state\n"), 1);
    EXPECT_EQ(UVCPreviewTestAccess::takeRaw(engine), nullptr);
    for (uvc_frame_t *f : {shortYuyv, wide, tinyJpeg, frame})
        uvc_free_frame(f);
    host_log_capture_stop();
}

TEST_F(IntakeSteps, ExhaustedPoolGrowsAndKeepsItsFramesForTheNextStart) {
    host_log_capture_start();
    engine->setDebug(true);
    UVCPreviewTestAccess::runWithoutThreads(engine, 32, 32, true);
    std::vector<uvc_frame_t *> taken;
    for (int i = 0; i < 6; i++)
        taken.push_back(UVCPreviewTestAccess::takeRaw(engine));
    EXPECT_EQ(host_log_count("alloc new frame!\n"), 1);
    EXPECT_EQ(UVCPreviewTestAccess::rawPoolSize(engine), 6);
    EXPECT_EQ(taken[5]->data_bytes, 32u * 32 * 4);

    // A returned frame is zero-filled and handed out again before any new allocation.
    uvc_frame_t *back = taken[2];
    memset(back->data, 0xff, back->data_bytes);
    UVCPreviewTestAccess::giveRaw(engine, back);
    EXPECT_EQ(back->in_use, 0);
    const uint8_t *bytes = static_cast<const uint8_t *>(back->data);
    EXPECT_EQ(std::count(bytes, bytes + 32 * 32 * 4, 0), 32 * 32 * 4);
    EXPECT_EQ(UVCPreviewTestAccess::takeRaw(engine), back);
    EXPECT_EQ(UVCPreviewTestAccess::rawPoolSize(engine), 6);
    for (uvc_frame_t *frame : taken)
        memset(frame->data, 0xab, frame->data_bytes);
    engine->stopPreview();

    // A start at the same size reuses every frame, all free and all zeros; another size
    // replaces them.
    UVCPreviewTestAccess::runWithoutThreads(engine, 32, 32, true);
    EXPECT_EQ(UVCPreviewTestAccess::rawPoolSize(engine), 6);
    EXPECT_EQ(UVCPreviewTestAccess::rawPoolInUse(engine), 0);
    std::vector<uvc_frame_t *> again;
    for (int i = 0; i < 6; i++) {
        again.push_back(UVCPreviewTestAccess::takeRaw(engine));
        const uint8_t *data = static_cast<const uint8_t *>(again.back()->data);
        EXPECT_EQ(std::count(data, data + 32 * 32 * 4, 0), 32 * 32 * 4) << i;
    }
    EXPECT_TRUE(std::is_permutation(again.begin(), again.end(), taken.begin()));
    EXPECT_EQ(host_log_count("alloc new frame!\n"), 1);
    engine->stopPreview();
    UVCPreviewTestAccess::runWithoutThreads(engine, 48, 32, true);
    EXPECT_EQ(UVCPreviewTestAccess::rawPoolSize(engine), 5);
    uvc_frame_t *resized = UVCPreviewTestAccess::takeRaw(engine);
    EXPECT_EQ(resized->data_bytes, 48u * 32 * 4);
    const uint8_t *data = static_cast<const uint8_t *>(resized->data);
    EXPECT_EQ(std::count(data, data + 48 * 32 * 4, 0), 48 * 32 * 4);
    engine->stopPreview();
    host_log_capture_stop();
}

}  // namespace
