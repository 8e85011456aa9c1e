// The capture buffer: every result code of get_capture_buffer and the capture surface.
#include <string.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "engine_fixture.h"
#include "host_android.h"
#include "uvc_testing.h"

namespace {

TEST(Capture, ArgumentAndStateCodes) {
    CameraSession s;
    ASSERT_EQ(s.connect(), 0);
    UVCPreview *engine = s.engine();
    std::vector<char> buffer(64 * 48 * 4);
    int info[3];
    EXPECT_EQ(engine->get_capture_buffer(buffer.data(), info, (int)buffer.size()), -4);

    UVCPreviewTestAccess::runWithoutThreads(engine, 64, 48, false);
    EXPECT_EQ(engine->get_capture_buffer(nullptr, info, (int)buffer.size()), -2);
    EXPECT_EQ(engine->get_capture_buffer(buffer.data(), nullptr, (int)buffer.size()), -2);
    EXPECT_EQ(engine->get_capture_buffer(buffer.data(), info, (int)buffer.size() - 1), -2);
    // No frame has reached the streaming loop yet.
    EXPECT_EQ(engine->get_capture_buffer(buffer.data(), info, (int)buffer.size()), -5);
    engine->stopPreview();

    // A wish whose picture size does not fit in 32 bits is still too big for any buffer.
    UVCPreviewTestAccess::runWithoutThreads(engine, 70000, 70000, false);
    EXPECT_EQ(engine->get_capture_buffer(buffer.data(), info, (int)buffer.size()), -2);
    engine->stopPreview();
}

// A caller waiting in get_capture_buffer on a 16 x 16 engine that runs without its threads.
class CaptureWaiter : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(s.connect(), 0);
        engine = s.engine();
        UVCPreviewTestAccess::runWithoutThreads(engine, 16, 16, false);
        UVCPreviewTestAccess::markFirstFrameTaken(engine);
        waiter = std::async(std::launch::async, [&] {
            return engine->get_capture_buffer(buffer.data(), info, (int)buffer.size());
        });
        ASSERT_TRUE(
            wait_until([&] { return UVCPreviewTestAccess::captureRequest(engine) == 1; }, 2000));
    }

    CameraSession s;
    UVCPreview *engine = nullptr;
    std::vector<char> buffer = std::vector<char>(16 * 16 * 4, 0x5a);
    int info[3] = {7, 7, 7};
    std::future<int> waiter;
};

TEST_F(CaptureWaiter, PictureLargerThanTheBufferGivesMinusEight) {
    uvc_frame_t *big = uvc_allocate_frame(16 * 16 * 4 + 4);
    UVCPreviewTestAccess::serveCapture(engine, big);
    EXPECT_EQ(waiter.get(), -8);
    EXPECT_EQ(buffer[0], 0x5a);  // never written
    EXPECT_EQ(info[0], 0);
    EXPECT_EQ(UVCPreviewTestAccess::captureRequest(engine), 0);
    uvc_free_frame(big);
    engine->stopPreview();
}

// A second caller takes over the request: the first learns at once that its buffer will not
// be written, the second gets the picture.
TEST_F(CaptureWaiter, ReplacedCallerFailsAtOnceAndTheNewOneGetsThePicture) {
    std::vector<char> second(16 * 16 * 4, 0x5a);
    int secondInfo[3] = {7, 7, 7};
    auto secondWaiter = std::async(std::launch::async, [&] {
        return engine->get_capture_buffer(second.data(), secondInfo, (int)second.size());
    });
    EXPECT_TRUE(returns_within([&] { EXPECT_EQ(waiter.get(), -5); }, 3000));
    uvc_frame_t *picture = uvc_allocate_frame(16 * 16 * 4);
    memset(picture->data, 0x21, picture->data_bytes);
    // The second caller may not have registered yet: serve until it has its picture.
    ASSERT_TRUE(wait_until(
        [&] {
            if (UVCPreviewTestAccess::captureRequest(engine) == 1)
                UVCPreviewTestAccess::serveCapture(engine, picture);
            return secondWaiter.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready;
        },
        5000));
    EXPECT_EQ(secondWaiter.get(), 16 * 16 * 4);
    EXPECT_EQ(second[0], 0x21);
    EXPECT_EQ(buffer[0], 0x5a);  // the replaced buffer was never written
    EXPECT_EQ(secondInfo[1], 16);
    uvc_free_frame(picture);
    engine->stopPreview();
}

TEST_F(CaptureWaiter, StopWakesAWaitingCaller) {
    EXPECT_TRUE(returns_within(
        [&] {
            engine->stopPreview();
            EXPECT_EQ(waiter.get(), -5);
        },
        2000));
}

TEST(Capture, NextPictureIsCopiedWithItsInfo) {
    CameraSession s(CameraSetup::atFps(20));
    ASSERT_EQ(s.connect(9, 640, 480), 0);
    UVCPreview *engine = s.engine();
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(s.waitPosts(1));
    const int64_t shown = s.lastCounter();

    std::vector<char> buffer(640 * 480 * 4);
    int info[3] = {0, 0, 0};
    EXPECT_EQ(engine->get_capture_buffer(buffer.data(), info, (int)buffer.size()), 640 * 480 * 4);
    EXPECT_EQ(info[0], 9);
    EXPECT_EQ(info[1], 640);
    EXPECT_EQ(info[2], 480);
    const int64_t captured =
        uvc_test_decode_counter(reinterpret_cast<uint8_t *>(buffer.data()), 640, 480, 0);
    EXPECT_GT(captured, shown);
}

TEST(Capture, StalledCameraTimesOutAndTheNextFrameClearsTheRequest) {
    host_log_capture_start();
    CameraSession s(CameraSetup::atFps(20), true);
    ASSERT_EQ(s.connect(9, 320, 240), 0);
    UVCPreview *engine = s.engine();
    uvc_device_handle_t *camera = UVCPreviewTestAccess::handle(engine);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(wait_until([&] { return UVCPreviewTestAccess::viewCount(engine) > 0; }, 5000));
    uvc_test_set_fault(camera, UvcFault::kStallAfter, (int)uvc_test_frames_delivered(camera));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    std::vector<char> buffer(320 * 240 * 4);
    int info[3];
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(engine->get_capture_buffer(buffer.data(), info, (int)buffer.size()), -6);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4900));
    EXPECT_EQ(UVCPreviewTestAccess::captureRequest(engine), 1);

    uvc_test_set_fault(camera, UvcFault::kStallAfter, 0);
    ASSERT_TRUE(
        wait_until([&] { return UVCPreviewTestAccess::captureRequest(engine) == 0; }, 5000));
    EXPECT_EQ(host_log_count("buffer allocate failed"), 1);
    s.camera.stopPreview();
    host_log_capture_stop();
}

}  // namespace
