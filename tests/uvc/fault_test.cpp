// Injected faults, from the description and switched at run time.
#include <gtest/gtest.h>

#include <thread>

#include "virtual_camera.h"

namespace {

std::vector<CollectedFrame> stream_frames(const std::string &extra, int format, size_t count) {
    DescriptionFile file(webcam_text(extra));
    OpenCamera camera(file.fd(), kWebcamVid, kWebcamPid);
    std::vector<CollectedFrame> frames = collect_frames(camera.devh, format, 320, 240, count);
    EXPECT_GE(frames.size(), count);
    return frames;
}

TEST(UvcFaults, BrokenWrongSizeAndCorruptFrames) {
    for (const CollectedFrame &frame : stream_frames("broken_every = 2\n", 3, 4)) {
        size_t full = 320 * 240 * 2;
        EXPECT_EQ(frame.data.size(), frame.sequence % 2 == 0 ? full / 2 : full);
    }
    for (const CollectedFrame &frame : stream_frames("wrong_size_every = 3\n", 3, 4)) {
        EXPECT_EQ(frame.width, frame.sequence % 3 == 0 ? 160u : 320u);
        EXPECT_EQ(frame.data.size(), frame.width * 240 * 2);
    }
    for (const CollectedFrame &frame : stream_frames("corrupt_jpeg_every = 2\n", 9, 4)) {
        std::vector<uint8_t> rgbx;
        EXPECT_EQ(to_rgbx(frame, &rgbx), frame.sequence % 2 != 0) << frame.sequence;
    }
}

TEST(UvcFaults, StallAndUnplug) {
    DescriptionFile file(webcam_text("stall_after = 2\n"));
    OpenCamera camera(file.fd(), kWebcamVid, kWebcamPid);
    FrameCollector collector;
    ASSERT_EQ(start_stream(camera.devh, 9, 320, 240, &collector), UVC_SUCCESS);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(collector.frames().size(), 2u);
    // Lifting the stall lets frames flow again, numbered on.
    uvc_test_set_fault(camera.devh, UvcFault::kStallAfter, 0);
    ASSERT_TRUE(collector.wait_for(3, 2.0));
    EXPECT_EQ(collector.frames()[2].sequence, 3u);
    // Unplugged after frame 5: the stream ends and every call reports the missing device.
    uvc_test_set_fault(camera.devh, UvcFault::kUnplugAfter, 5);
    ASSERT_TRUE(collector.wait_for(5, 2.0));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(collector.frames().size(), 5u);
    uvc_stream_ctrl_t ctrl;
    EXPECT_EQ(uvc_get_stream_ctrl_format_size(camera.devh, &ctrl, 9, 320, 240, 0),
              UVC_ERROR_NO_DEVICE);
    int value;
    EXPECT_EQ(uvc_get_brightness(camera.devh, &value, UVC_GET_CUR), UVC_ERROR_NO_DEVICE);
    EXPECT_EQ(uvc_get_StillMethod(camera.devh), UVC_ERROR_NO_DEVICE);
    EXPECT_EQ(uvc_test_press_button(camera.devh), UVC_ERROR_NO_DEVICE);
    uvc_stop_streaming(camera.devh);  // joins the ended stream thread
}

TEST(UvcFaults, StartErrorFromDescriptionAndAtRunTime) {
    DescriptionFile file(webcam_text("start_error = -7\n"));
    OpenCamera camera(file.fd(), kWebcamVid, kWebcamPid);
    FrameCollector collector;
    EXPECT_EQ(start_stream(camera.devh, 9, 320, 240, &collector), UVC_ERROR_TIMEOUT);
    uvc_test_clear_faults(camera.devh);
    EXPECT_EQ(start_stream(camera.devh, 9, 320, 240, &collector), UVC_SUCCESS);
    uvc_stop_streaming(camera.devh);
    EXPECT_EQ(uvc_test_set_fault(camera.devh, UvcFault::kStartError, -4), UVC_SUCCESS);
    EXPECT_EQ(start_stream(camera.devh, 9, 320, 240, &collector), UVC_ERROR_NO_DEVICE);
    EXPECT_EQ(uvc_test_set_fault(camera.devh, UvcFault::kStartError, 3), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_test_set_fault(camera.devh, UvcFault::kBrokenEvery, -1), UVC_ERROR_INVALID_PARAM);
}

}  // namespace
