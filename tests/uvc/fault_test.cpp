// Injected faults, from the description and switched at run time.
#include <gtest/gtest.h>

#include <thread>

#include "virtual_camera.h"

namespace {

std::vector<CollectedFrame> stream_frames(const std::string &extra, int format, size_t count) {
    DescribedCamera camera(webcam_text(extra));
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
    DescribedCamera camera(webcam_text("stall_after = 2\n"));
    FrameCollector collector;
    ASSERT_EQ(start_stream(camera.devh, 9, 320, 240, &collector), UVC_SUCCESS);
    ASSERT_TRUE(collector.wait_for(2, 5.0));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));  // room for a frame too many
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
    DescribedCamera camera(webcam_text("start_error = -7\n"));
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

TEST(UvcFaults, OpenErrorFromDescriptionAndAtRunTime) {
    const int handles = uvc_test_live_handles();
    DescriptionFile failing(webcam_text("open_error = -3\n"));
    {
        OpenCamera camera(failing.fd(), kWebcamVid, kWebcamPid);
        EXPECT_EQ(camera.find_result, UVC_SUCCESS);
        EXPECT_EQ(camera.open_result, UVC_ERROR_ACCESS);
        EXPECT_EQ(camera.devh, nullptr);
        EXPECT_EQ(uvc_test_live_handles(), handles);
    }

    // The run-time switch fails every camera and takes precedence over the description.
    DescriptionFile plain(webcam_text());
    ASSERT_EQ(uvc_test_set_open_error(UVC_ERROR_BUSY), UVC_SUCCESS);
    EXPECT_EQ(OpenCamera(plain.fd(), kWebcamVid, kWebcamPid).open_result, UVC_ERROR_BUSY);
    EXPECT_EQ(OpenCamera(failing.fd(), kWebcamVid, kWebcamPid).open_result, UVC_ERROR_BUSY);
    EXPECT_EQ(uvc_test_set_open_error(1), UVC_ERROR_INVALID_PARAM);

    // A failed open leaves the found device closed: it opens once the fault is off.
    OpenCamera camera(plain.fd(), kWebcamVid, kWebcamPid);
    ASSERT_EQ(camera.open_result, UVC_ERROR_BUSY);
    ASSERT_EQ(uvc_test_set_open_error(0), UVC_SUCCESS);
    ASSERT_EQ(uvc_open(camera.dev, &camera.devh), UVC_SUCCESS);
    EXPECT_EQ(uvc_test_live_handles(), handles + 1);
    EXPECT_EQ(OpenCamera(failing.fd(), kWebcamVid, kWebcamPid).open_result, UVC_ERROR_ACCESS);
}

TEST(UvcFaults, StillRequestErrorsFromDescriptionAndAtRunTime) {
    DescribedCamera camera(
        webcam_text("still_probe_error = -7\nstill_commit_error = -9\nstill_image_error = -1\n"));
    FrameCollector collector;
    ASSERT_EQ(start_stream(camera.devh, 9, 320, 240, &collector), UVC_SUCCESS);

    // Each request fails with its own code until its fault is off; the others stay on.
    EXPECT_EQ(uvc_set_still_probe(camera.devh, 2, 200, 3072000, 0), UVC_ERROR_TIMEOUT);
    uvc_test_set_fault(camera.devh, UvcFault::kStillProbeError, 0);
    EXPECT_EQ(uvc_set_still_probe(camera.devh, 2, 200, 3072000, 0), 2);
    uint8_t frame_index = 0, compression = 0;
    int max_frame = 0, max_payload = 0;
    ASSERT_EQ(
        uvc_get_still_probe(camera.devh, &frame_index, &compression, &max_frame, &max_payload),
        UVC_SUCCESS);
    EXPECT_EQ(uvc_set_still_commit(camera.devh, frame_index, compression, max_frame, max_payload),
              UVC_ERROR_PIPE);
    EXPECT_EQ(uvc_set_still_image(camera.devh), UVC_ERROR_IO);
    uvc_test_set_fault(camera.devh, UvcFault::kStillImageError, 0);
    EXPECT_EQ(uvc_set_still_image(camera.devh), UVC_ERROR_INVALID_MODE);  // nothing committed

    uvc_test_set_fault(camera.devh, UvcFault::kStillCommitError, 0);
    ASSERT_EQ(uvc_set_still_commit(camera.devh, frame_index, compression, max_frame, max_payload),
              UVC_SUCCESS);
    EXPECT_EQ(uvc_set_still_image(camera.devh), UVC_SUCCESS);

    // Switched on at run time, and refused with a positive code.
    EXPECT_EQ(uvc_test_set_fault(camera.devh, UvcFault::kStillCommitError, -10), UVC_SUCCESS);
    EXPECT_EQ(uvc_set_still_commit(camera.devh, frame_index, compression, max_frame, max_payload),
              UVC_ERROR_INTERRUPTED);
    EXPECT_EQ(uvc_test_set_fault(camera.devh, UvcFault::kStillImageError, 4),
              UVC_ERROR_INVALID_PARAM);
    uvc_stop_streaming(camera.devh);
}

}  // namespace
