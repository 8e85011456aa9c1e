// Description files: what the default webcam reports, and every kind of bad description.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "host_android.h"
#include "virtual_camera.h"

namespace {

TEST(UvcDescription, DefaultWebcamReportsItsDefaultAndLists) {
    DescribedCamera camera(webcam_text());
    ASSERT_EQ(camera.open_result, UVC_SUCCESS);
    ASSERT_EQ(camera.find_result, UVC_SUCCESS);
    int diag[1021] = {};
    ASSERT_EQ(uvc_get_devInfo(camera.devh, diag + 1, diag), UVC_SUCCESS);
    EXPECT_EQ(diag[1], 9);
    EXPECT_EQ(diag[2], 1280);
    EXPECT_EQ(diag[3], 720);
    EXPECT_EQ(diag[4], 2);  // second MJPEG size
    EXPECT_EQ(diag[5], 30);
    // MJPEG list (5 sizes) then YUYV list (3 sizes): 5 + 2 + 10 + 2 + 6 entries.
    EXPECT_EQ(diag[0], 25);
    EXPECT_EQ(diag[6], 9);
    EXPECT_EQ(diag[7], 5);
    EXPECT_EQ(diag[8], 1920);
    EXPECT_EQ(diag[18], 3);
    EXPECT_EQ(diag[19], 3);
    EXPECT_EQ(uvc_get_StillMethod(camera.devh), 2);
    // The libusb objects the USB audio library is handed.
    EXPECT_NE(uvc_get_libusb_context(camera.ctx), nullptr);
    EXPECT_NE(uvc_get_libusb_handle(camera.devh), nullptr);
}

TEST(UvcDescription, ShippedH264CameraOffersItsH264Stream) {
    std::string path = uvc_test_default_description();
    path = path.substr(0, path.rfind('/')) + "/h264cam.conf";
    int fd = open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0) << path;
    {
        OpenCamera camera(fd, 0x041e, 0x4057);
        ASSERT_EQ(camera.open_result, UVC_SUCCESS);
        uvc_stream_ctrl_t ctrl;
        uvc_frame_desc_t desc;
        ASSERT_EQ(uvc_get_stream_ctrl_format_size1(camera.devh, &ctrl, 9, 0, 0, 2, 2), UVC_SUCCESS);
        ASSERT_EQ(uvc_get_frame_desc(camera.devh, &ctrl, &desc), UVC_SUCCESS);
        EXPECT_EQ(desc.wWidth, 1280);
        EXPECT_EQ(desc.bDescriptorSubtype, 0x11);
        EXPECT_EQ(uvc_get_StillMethod(camera.devh), 1);
    }
    close(fd);
}

TEST(UvcDescription, IdsMustMatchAndTheDescriptorMustBeAFile) {
    DescriptionFile file(webcam_text());
    EXPECT_EQ(OpenCamera(file.fd(), kWebcamVid, kWebcamPid + 1).find_result, UVC_ERROR_NO_DEVICE);
    EXPECT_EQ(OpenCamera(-1, kWebcamVid, kWebcamPid).find_result, UVC_ERROR_NO_DEVICE);
    int pipes[2];
    ASSERT_EQ(pipe(pipes), 0);
    EXPECT_EQ(OpenCamera(pipes[0], kWebcamVid, kWebcamPid).find_result, UVC_ERROR_NO_DEVICE);
    close(pipes[0]);
    close(pipes[1]);
    DescriptionFile decimal("vid = 7119\npid = 11418\nyuyv = 640x480\n");
    OpenCamera camera(decimal.fd(), kWebcamVid, kWebcamPid);
    EXPECT_EQ(camera.open_result, UVC_SUCCESS);
    int diag[1021] = {};
    ASSERT_EQ(uvc_get_devInfo(camera.devh, diag + 1, diag), UVC_SUCCESS);
    EXPECT_EQ(diag[1], 3);  // the first listed size is the default when none is given
    EXPECT_EQ(diag[2], 640);
}

TEST(UvcDescription, BadLinesFailWithTheirLineNumber) {
    const char *bad_lines[] = {
        "colour = red",           // unknown key
        "ctrl.loudness = 0 1 0",  // unknown control
        "fps = 0",
        "mjpeg = 1920x",
        "yuyv = 641x480",  // odd width
        "pattern = stripes",
        "pattern = solid 12345",
        "still_method = 3",
        "ctrl.brightness = 5 1 3",  // min above max
        "ctrl.brightness = -5 5",   // missing default
        "microphone = maybe",
        "mic_bits = 12",
        "mic_source = square 440",
        "buttons = 3, x",
        "start_error = 5",  // uvc error codes are negative
        "open_error = 0",
        "still_commit_error = -100",
        "broken_every = 0",
        "pu_controls = 0x10000",  // beyond the processing unit's 16 bits
        "vid = 0x1bcf",           // given twice
    };
    host_log_set_echo(false);
    for (const char *line : bad_lines) {
        host_log_capture_start();
        const std::string text =
            "vid = 0x1bcf\npid = 0x2c9a\nmjpeg = 640x480\n" + std::string(line);
        EXPECT_EQ(DescribedCamera(text).find_result, UVC_ERROR_INVALID_DEVICE) << line;
        EXPECT_EQ(host_log_count("line 4:"), 1) << line;
    }
    host_log_capture_stop();
    host_log_set_echo(true);
}

TEST(UvcDescription, WholeDescriptionChecks) {
    const char *bad[] = {
        "pid = 1\nmjpeg = 640x480\n",                                    // no vid
        "vid = 1\npid = 1\nh264 = 640x480\n",                            // no MJPEG or YUYV
        "vid = 1\npid = 1\nmjpeg = 640x480\ndefault = mjpeg 320x240\n",  // size not listed
        "vid = 1\npid = 1\nmjpeg = 640x480\ndefault = h264 640x480\n",
    };
    for (const char *text : bad) {
        EXPECT_EQ(DescribedCamera(text, 1, 1).find_result, UVC_ERROR_INVALID_DEVICE) << text;
    }
    DescriptionFile microphone(
        "vid = 1\npid = 1\nmjpeg = 640x480\nmicrophone = off\nmic_rates = 8000, 48000\n"
        "mic_bits = 24\nmic_channels = 2\nmic_source = noise\n");
    EXPECT_EQ(OpenCamera(microphone.fd(), 1, 1).find_result, UVC_SUCCESS);
}

}  // namespace
