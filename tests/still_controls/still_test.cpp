// Stills by both still methods: trigger, probe / commit / trigger sequence, busy state, sizes,
// kinds and the still resolution queries.
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <thread>

#include "host_android.h"
#include "still_sink.h"
#include "uvc_testing.h"

namespace {

// Index of the first captured log line at or after `from` containing `needle`; -1 when none.
int find_line(const std::vector<HostLogLine> &lines, int from, const std::string &needle) {
    for (int i = from; i < (int)lines.size(); i++) {
        if (lines[i].text.find(needle) != std::string::npos)
            return i;
    }
    return -1;
}

// Checks an MJPEG still of this camera and size; the frame number it shows, or -1.
int64_t jpeg_still_counter(const DeliveredStill &still, int width, int height) {
    EXPECT_EQ(still.camera, kStillCameraId);
    EXPECT_EQ(still.kind, 2);
    std::vector<uint8_t> rgbx;
    int decodedWidth = 0, decodedHeight = 0;
    if (!decode_jpeg(still.data, &rgbx, &decodedWidth, &decodedHeight)) {
        ADD_FAILURE() << "the still is no valid JPEG";
        return -1;
    }
    EXPECT_EQ(decodedWidth, width);
    EXPECT_EQ(decodedHeight, height);
    return uvc_test_decode_counter(rgbx.data(), decodedWidth, decodedHeight, 0);
}

void expect_colour(const std::vector<uint8_t> &rgbx, size_t pixel, int r, int g, int b) {
    const int tolerance = 6;
    EXPECT_NEAR(rgbx[pixel * 4], r, tolerance) << "pixel " << pixel;
    EXPECT_NEAR(rgbx[pixel * 4 + 1], g, tolerance) << "pixel " << pixel;
    EXPECT_NEAR(rgbx[pixel * 4 + 2], b, tolerance) << "pixel " << pixel;
}

TEST(StillMethod1, MjpegPressDeliversTheNextFrameAsJpeg) {
    CameraSetup setup = still_camera(1);
    setup.fps = 5;  // a frame every 200 ms: the press lands well before the next one
    StillSession s(setup, 9, 320, 240);
    ASSERT_EQ(s.session.attachWindow(), 0);
    ASSERT_EQ(s.session.camera.startPreview(), 0);
    ASSERT_TRUE(s.session.waitPosts(3));
    const int64_t shown = s.session.lastCounter();
    ASSERT_GT(shown, 0);
    ASSERT_EQ(s.press(), 0);
    // The frame that follows the press: the one after the picture shown, unless a loaded
    // machine drew that picture late and the camera had sent more by the press.
    const int64_t sent = uvc_test_frames_delivered(s.handle());
    ASSERT_TRUE(wait_stills(1));
    const int64_t still = jpeg_still_counter(still_at(0), 320, 240);
    EXPECT_GE(still, shown + 1);
    EXPECT_LE(still, std::max(sent, shown) + 1);

    // One press, one still: the release that follows the press takes nothing.
    std::this_thread::sleep_for(std::chrono::milliseconds(450));
    EXPECT_EQ(still_count(), 1u);
}

// Whole frames decoded side by side finish in any order; each press still takes the camera frame
// after the picture shown, later than the still before it.
TEST(StillMethod1, StillsKeepCameraOrderWhileFramesAreDecodedSideBySide) {
    StillSession s(still_camera(1), 9, 1280, 720);
    UVCPreviewTestAccess::setDecodeChoice(s.engine(), DecodeChoice::sideBySide);
    ASSERT_EQ(s.session.attachWindow(), 0);
    ASSERT_EQ(s.session.camera.startPreview(), 0);
    ASSERT_TRUE(s.session.waitPosts(3));
    int64_t previous = 0;
    for (size_t i = 0; i < 3; i++) {
        const int64_t shown = s.session.lastCounter();
        ASSERT_EQ(s.press(), 0);
        const int64_t sent = uvc_test_frames_delivered(s.handle());
        ASSERT_TRUE(wait_stills(i + 1));
        const int64_t still = jpeg_still_counter(still_at(i), 1280, 720);
        EXPECT_GT(still, std::max(shown, previous));
        EXPECT_LE(still, std::max(sent, shown) + 1);
        previous = still;
    }
}

TEST(StillMethod1, YuyvStillIsConvertedToRgbxWithItsColours) {
    CameraSetup setup = still_camera(1);
    setup.pattern = "solid 3060c0";
    StillSession s(setup, 3, 320, 240);
    ASSERT_TRUE(s.start());
    ASSERT_EQ(s.press(), 0);
    ASSERT_TRUE(wait_stills(1));

    DeliveredStill still = still_at(0);
    EXPECT_EQ(still.camera, kStillCameraId);
    EXPECT_EQ(still.kind, 1);
    ASSERT_EQ(still.data.size(), 320u * 240 * 4);
    for (size_t pixel : {0u, 320u * 120 + 160, 320u * 240 - 1})
        expect_colour(still.data, pixel, 0x30, 0x60, 0xc0);
}

TEST(StillMethod2, ProbeCommitTriggerStartsFromTheValuesReadBack) {
    host_log_capture_start();
    StillSession s(still_camera(2), 9, 320, 240, true);
    ASSERT_TRUE(s.start());
    // The still thread is started before the streaming loop but may log after it runs.
    EXPECT_TRUE(wait_until([] { return host_log_count("Still_send_thread IN") == 1; }, 2000));
    ASSERT_EQ(s.press(), 0);
    ASSERT_TRUE(wait_stills(1));
    // The stream's size is still size 2 of the camera; the camera settles on compression
    // index 1, width x height x 2 bytes and its payload size.
    std::vector<HostLogLine> lines = host_log_captured();
    int at = 0;
    for (const char *line :
         {"Selected frameIdx : 2\n",
          "frameIdx : 2, bCompressIdx : 200, MaxVideoSize : 3072000, MaxPayloadSize : 0",
          "uvc_set_still_probe Success",
          "bCompressIdx : 0x01, MaxVideoSize : 153600, MaxPayloadSize : 3072",
          "uvc_set_still_commit Success", "uvc_set_still_image Success"}) {
        at = find_line(lines, at, line);
        ASSERT_GE(at, 0) << line;
    }

    EXPECT_GT(jpeg_still_counter(still_at(0), 320, 240), 0);

    // The next still asks for the largest still size, starting from what was read back.
    ASSERT_TRUE(wait_until([&] { return !UVCPreviewTestAccess::stillBusy(s.engine()); }, 2000));
    s.engine()->setStillResolutionIndex(1, 640, 480);
    ASSERT_EQ(s.press(), 0);
    ASSERT_TRUE(wait_stills(2));
    EXPECT_EQ(host_log_count("frameIdx : 1, bCompressIdx : 1, MaxVideoSize : 153600, "
                             "MaxPayloadSize : 3072"),
              1);
    EXPECT_GT(jpeg_still_counter(still_at(1), 640, 480), 0);
    host_log_capture_stop();
}

TEST(StillMethod2, PressWhileBusyIsIgnoredAndTheNextPressAfterDeliveryWorks) {
    host_log_capture_start();
    StillSession s(still_camera(2), 9, 320, 240, true);
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(s.pressWhileStalled());
    EXPECT_TRUE(UVCPreviewTestAccess::stillBusy(s.engine()));
    ASSERT_EQ(s.press(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(host_log_count("Selected frameIdx"), 1);
    EXPECT_EQ(still_count(), 0u);

    uvc_test_clear_faults(s.handle());
    ASSERT_TRUE(wait_stills(1));
    ASSERT_TRUE(wait_until([&] { return !UVCPreviewTestAccess::stillBusy(s.engine()); }, 2000));
    ASSERT_EQ(s.press(), 0);
    ASSERT_TRUE(wait_stills(2));
    EXPECT_EQ(host_log_count("Selected frameIdx"), 2);
    host_log_capture_stop();
}

TEST(StillMethod2, FailedStepClearsBusyAndTheNextPressRunsTheSequenceAgain) {
    host_log_capture_start();
    StillSession s(still_camera(2), 9, 320, 240, true);
    s.engine()->setStillResolutionIndex(9, 0, 0);  // no still size of the camera
    ASSERT_TRUE(s.start());

    ASSERT_EQ(s.press(), 0);
    ASSERT_TRUE(wait_until([&] { return host_log_count("uvc_set_still_probe fail") == 1; }, 5000));
    ASSERT_TRUE(wait_until([&] { return !UVCPreviewTestAccess::stillBusy(s.engine()); }, 2000));
    EXPECT_EQ(host_log_count("uvc_set_still_commit"), 0);

    s.engine()->setStillResolutionIndex(2, 0, 0);
    ASSERT_EQ(s.press(), 0);
    ASSERT_TRUE(wait_stills(1));
    EXPECT_EQ(still_count(), 1u);
    // The failed probe read nothing back: the sequence starts from the first values again.
    EXPECT_EQ(host_log_count("bCompressIdx : 200, MaxVideoSize : 3072000, MaxPayloadSize : 0"), 2);
    host_log_capture_stop();
}

TEST(StillMethod2, FailedCommitClearsBusyAndTheNextPressStartsFromTheValuesReadBack) {
    host_log_capture_start();
    StillSession s(still_camera(2), 9, 320, 240, true);
    ASSERT_TRUE(s.start());

    ASSERT_EQ(uvc_test_set_fault(s.handle(), UvcFault::kStillCommitError, UVC_ERROR_PIPE), 0);
    ASSERT_EQ(s.press(), 0);
    ASSERT_TRUE(
        wait_until([&] { return host_log_count("uvc_set_still_commit fail : -9\n") == 1; }, 5000));
    ASSERT_TRUE(wait_until([&] { return !UVCPreviewTestAccess::stillBusy(s.engine()); }, 2000));
    EXPECT_EQ(host_log_count("uvc_set_still_image"), 0);
    EXPECT_EQ(still_count(), 0u);

    uvc_test_clear_faults(s.handle());
    ASSERT_EQ(s.press(), 0);
    ASSERT_TRUE(wait_stills(1));
    EXPECT_EQ(host_log_count("Selected frameIdx : 2\n"), 2);
    // The failed attempt's probe read succeeded, so the new probe starts from its values.
    EXPECT_EQ(host_log_count("frameIdx : 2, bCompressIdx : 1, MaxVideoSize : 153600, "
                             "MaxPayloadSize : 3072"),
              1);
    EXPECT_EQ(host_log_count("uvc_set_still_commit Success"), 1);
    EXPECT_EQ(host_log_count("uvc_set_still_image Success"), 1);
    EXPECT_GT(jpeg_still_counter(still_at(0), 320, 240), 0);
    host_log_capture_stop();
}

TEST(StillMethod2, YuyvStillOfTheChosenSizeIsConverted) {
    StillSession s(still_camera(2), 3, 320, 240);
    s.engine()->setStillResolutionIndex(2, 1280, 720);  // YUYV still size 2
    ASSERT_TRUE(s.start());
    ASSERT_EQ(s.press(), 0);
    ASSERT_TRUE(wait_stills(1));

    DeliveredStill still = still_at(0);
    EXPECT_EQ(still.kind, 1);
    ASSERT_EQ(still.data.size(), 1280u * 720 * 4);
    EXPECT_GT(uvc_test_decode_counter(still.data.data(), 1280, 720, 0), 0);
}

TEST(StillMethod2, StillBufferTakesTheLargestSizesAndTheListFallsBackToYuyv) {
    StillSession s(still_camera(2, "640x480, 320x720", ""), 9, 320, 240);
    EXPECT_EQ(UVCPreviewTestAccess::allocateStillImageBuf(s.engine()), 0);
    EXPECT_EQ(UVCPreviewTestAccess::stillImageBufSize(s.engine()), 640 * 720 * 4);

    int list[100];
    EXPECT_EQ(s.engine()->getCameraStillResolution(list), 0);
    EXPECT_EQ(list[0], 2);
    EXPECT_EQ(std::vector<int>(list + 1, list + 5), (std::vector<int>{640, 480, 320, 720}));
    EXPECT_EQ(s.engine()->getCameraStillResolution(nullptr), -2);

    // YUYV stills larger than every MJPEG one still fit.
    StillSession both(still_camera(2, "640x480, 320x240", "320x240, 1280x720"), 9, 320, 240);
    EXPECT_EQ(UVCPreviewTestAccess::allocateStillImageBuf(both.engine()), 0);
    EXPECT_EQ(UVCPreviewTestAccess::stillImageBufSize(both.engine()), 1280 * 720 * 4);

    // Without MJPEG still sizes the YUYV ones are listed.
    StillSession yuyv(still_camera(2, "", "320x240, 1280x720"), 9, 320, 240);
    EXPECT_EQ(yuyv.engine()->getCameraStillResolution(list), 0);
    EXPECT_EQ(std::vector<int>(list, list + 5), (std::vector<int>{2, 320, 240, 1280, 720}));
}

// A camera without still sizes (method 2) or without still support (method 0) streams on and
// ignores its button.
TEST(StillBadInput, CameraWithoutStillsIgnoresTheButton) {
    for (int method : {2, 0}) {
        SCOPED_TRACE(method);
        host_log_capture_start();
        StillSession s(still_camera(method, "", ""), 9, 320, 240, true);
        if (method == 2) {
            int list[100] = {};
            EXPECT_EQ(s.engine()->getCameraStillResolution(list), -122);
            EXPECT_EQ(UVCPreviewTestAccess::allocateStillImageBuf(s.engine()), -122);
        }
        ASSERT_EQ(s.session.attachWindow(), 0);
        ASSERT_EQ(s.session.camera.startPreview(), 0);
        ASSERT_TRUE(s.session.waitPosts(2));
        ASSERT_EQ(s.press(), 0);
        ASSERT_TRUE(s.session.waitPosts(5));
        if (method == 2) {
            EXPECT_EQ(host_log_count("Still_send_thread IN"), 0);
            EXPECT_EQ(host_log_count("StillFileWriteThread IN"), 0);
        }
        EXPECT_EQ(still_count(), 0u);
        EXPECT_EQ(s.session.camera.stopPreview(), 0);
        host_log_capture_stop();
    }
}

TEST(StillTrigger, OnlyAButtonPressOfTheStreamingClassTakesAStill) {
    StillSession s(still_camera(1), 9, 320, 240);
    ASSERT_TRUE(s.start());

    uint8_t released[2] = {0, 0}, pressed[2] = {0, 1}, other[2] = {1, 1};
    UVCPreviewTestAccess::statusInterrupt(s.engine(), 2, released, 2);
    UVCPreviewTestAccess::statusInterrupt(s.engine(), 1, pressed, 2);
    UVCPreviewTestAccess::statusInterrupt(s.engine(), 2, other, 2);
    UVCPreviewTestAccess::statusInterrupt(s.engine(), 2, pressed, 1);
    UVCPreviewTestAccess::statusInterrupt(s.engine(), 2, nullptr, 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(still_count(), 0u);

    UVCPreviewTestAccess::statusInterrupt(s.engine(), 2, pressed, 2);
    EXPECT_TRUE(wait_stills(1));
}

TEST(StillBadInput, StillSizesThatCannotBeAllocatedEndOnlyTheWriteThread) {
    const int sizes[][2] = {{0, 240}, {-4, -4}, {100000, 100000}};
    for (const auto &size : sizes) {
        host_log_capture_start();
        StillSession s(still_camera(2), 3, 320, 240, true);
        s.engine()->setStillResolutionIndex(1, size[0], size[1]);
        ASSERT_EQ(s.session.camera.startPreview(), 0);
        ASSERT_TRUE(wait_until(
            [&] { return host_log_count("stillWidth == 0 || stillHeight == 0") == 1; }, 5000))
            << size[0];
        ASSERT_EQ(s.press(), 0);
        ASSERT_TRUE(
            wait_until([&] { return host_log_count("uvc_set_still_image Success") == 1; }, 5000));
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        EXPECT_EQ(still_count(), 0u);
        EXPECT_EQ(s.session.camera.stopPreview(), 0);
        host_log_capture_stop();
    }
}

}  // namespace
