// Bad arguments and misuse: errors, never crashes; nothing left behind after close.
#include <gtest/gtest.h>

#include <string.h>

#include "virtual_camera.h"

namespace {

TEST(UvcBadInput, NullArgumentsAreErrors) {
    EXPECT_EQ(uvc_init2(nullptr, nullptr, nullptr), UVC_ERROR_INVALID_PARAM);
    uvc_device_t *dev = nullptr;
    EXPECT_EQ(uvc_find_device2(nullptr, &dev, 1, 1, nullptr, 0), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_open(nullptr, nullptr), UVC_ERROR_INVALID_PARAM);
    uvc_close(nullptr);
    uvc_unref_device(nullptr);
    uvc_exit(nullptr);
    uvc_stop_streaming(nullptr);
    uvc_set_status_callback(nullptr, nullptr, nullptr);
    int value = 0;
    int data[1021];
    uvc_stream_ctrl_t ctrl;
    uvc_frame_desc_t desc;
    EXPECT_EQ(uvc_get_devInfo(nullptr, data + 1, data), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_get_stream_ctrl_format_size(nullptr, &ctrl, 9, 640, 480, 0),
              UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_get_frame_desc(nullptr, &ctrl, &desc), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_start_iso_streaming(nullptr, &ctrl, FrameCollector::callback, nullptr),
              UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_get_brightness(nullptr, &value, UVC_GET_CUR), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_set_brightness(nullptr, 0), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_set_pantilt_rel(nullptr, 0, 0, 0, 0), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_get_input_terminals(nullptr), nullptr);
    EXPECT_EQ(uvc_get_processing_units(nullptr), nullptr);
    EXPECT_EQ(uvc_get_StillMethod(nullptr), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_set_still_image(nullptr), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_copy_frame(nullptr, nullptr), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_any2rgbx(nullptr, nullptr), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_get_libusb_context(nullptr), nullptr);
    EXPECT_EQ(uvc_get_libusb_handle(nullptr), nullptr);

    DescribedCamera camera(webcam_text());
    uvc_device_handle_t *devh = camera.devh;
    EXPECT_EQ(uvc_get_devInfo(devh, nullptr, data), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_get_stream_ctrl_format_size(devh, nullptr, 9, 640, 480, 0),
              UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_get_stream_ctrl_format_size(devh, &ctrl, 9, 0, 0, 0), UVC_ERROR_INVALID_MODE);
    EXPECT_EQ(uvc_get_brightness(devh, nullptr, UVC_GET_CUR), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_get_current_resolution(devh, 9, nullptr), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_get_still_probe(devh, nullptr, nullptr, nullptr, nullptr),
              UVC_ERROR_INVALID_PARAM);
    // A control block that no negotiation filled, or one of another camera, is refused.
    memset(&ctrl, 0, sizeof(ctrl));
    EXPECT_EQ(uvc_get_frame_desc(devh, &ctrl, &desc), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_start_iso_streaming(devh, &ctrl, FrameCollector::callback, nullptr),
              UVC_ERROR_INVALID_PARAM);
    ASSERT_EQ(uvc_get_stream_ctrl_format_size(devh, &ctrl, 9, 640, 480, 0), UVC_SUCCESS);
    EXPECT_EQ(uvc_start_iso_streaming(devh, &ctrl, nullptr, nullptr), UVC_ERROR_INVALID_PARAM);
    DescribedCamera other(webcam_text());
    EXPECT_EQ(uvc_get_frame_desc(other.devh, &ctrl, &desc), UVC_ERROR_INVALID_PARAM);
}

TEST(UvcBadInput, SecondOpenOfTheSameDeviceIsBusy) {
    DescribedCamera camera(webcam_text());
    uvc_device_handle_t *second = nullptr;
    EXPECT_EQ(uvc_open(camera.dev, &second), UVC_ERROR_BUSY);
    EXPECT_EQ(second, nullptr);
    uvc_close(camera.devh);
    ASSERT_EQ(uvc_open(camera.dev, &second), UVC_SUCCESS);  // free again after close
    camera.devh = second;
}

TEST(UvcBadInput, FrameCopyAndConversionLimits) {
    uvc_frame_t *empty = uvc_allocate_frame(0);
    ASSERT_NE(empty, nullptr);
    uvc_frame_t *source = uvc_allocate_frame(100);
    uvc_frame_t *small = uvc_allocate_frame(50);
    memset(source->data, 7, 100);
    source->actual_bytes = 100;
    source->width = 10;
    source->height = 5;
    source->frame_format = UVC_FRAME_FORMAT_YUYV;
    source->is_still = 1;
    EXPECT_NE(uvc_copy_frame(source, small), UVC_SUCCESS);
    EXPECT_EQ(small->data_bytes, 50u);  // unchanged
    uvc_frame_t *copy = uvc_allocate_frame(200);
    ASSERT_EQ(uvc_copy_frame(source, copy), UVC_SUCCESS);
    EXPECT_EQ(copy->data_bytes, 100u);
    EXPECT_EQ(copy->actual_bytes, 100u);
    EXPECT_EQ(copy->width, 10u);
    EXPECT_EQ(copy->is_still, 1);
    EXPECT_EQ(static_cast<uint8_t *>(copy->data)[99], 7);
    // 10x5 RGBX needs 200 bytes: 50 are too few; a short YUYV input is refused.
    uvc_frame_t *rgbx = uvc_allocate_frame(200);
    EXPECT_NE(uvc_any2rgbx(source, small), UVC_SUCCESS);
    ASSERT_EQ(uvc_any2rgbx(source, rgbx), UVC_SUCCESS);
    EXPECT_EQ(rgbx->frame_format, UVC_FRAME_FORMAT_RGBX);
    EXPECT_EQ(rgbx->data_bytes, 200u);
    source->actual_bytes = 60;
    EXPECT_NE(uvc_yuyv2rgbx(source, rgbx), UVC_SUCCESS);
    source->frame_format = UVC_FRAME_FORMAT_MJPEG;  // 7s are no JPEG
    EXPECT_NE(uvc_any2rgbx(source, rgbx), UVC_SUCCESS);
    for (uvc_frame_t *frame : {empty, source, small, copy, rgbx})
        uvc_free_frame(frame);
    uvc_free_frame(nullptr);
}

TEST(UvcBadInput, NothingIsLeftAfterClose) {
    int contexts = uvc_test_live_contexts(), devices = uvc_test_live_devices();
    int handles = uvc_test_live_handles(), threads = uvc_test_live_threads();
    {
        DescribedCamera camera(webcam_text());
        FrameCollector collector;
        ASSERT_EQ(start_stream(camera.devh, 9, 320, 240, &collector), UVC_SUCCESS);
        EXPECT_EQ(uvc_test_live_threads(), threads + 2);  // stream and status threads
        EXPECT_EQ(uvc_test_live_handles(), handles + 1);
        ASSERT_TRUE(collector.wait_for(1, 2.0));
        // Closed while streaming: close stops the stream first.
    }
    EXPECT_EQ(uvc_test_live_contexts(), contexts);
    EXPECT_EQ(uvc_test_live_devices(), devices);
    EXPECT_EQ(uvc_test_live_handles(), handles);
    EXPECT_EQ(uvc_test_live_threads(), threads);
}

}  // namespace
