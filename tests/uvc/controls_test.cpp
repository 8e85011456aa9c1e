// Control tables against the described ranges, entities, pan/tilt, the extension unit.
#include <gtest/gtest.h>

#include <string.h>

#include "virtual_camera.h"

namespace {

struct Control {
    int unit;  // 1 camera terminal, 2 processing unit
    int bit;
    uvc_control_getter_t *get;
    uvc_control_setter_t *set;
};

// Every control of both tables (the relative pan/tilt setter has its own test).
const Control kControls[] = {
    {1, 0, uvc_get_scanning_mode, uvc_set_scanning_mode},
    {1, 1, uvc_get_ae_mode, uvc_set_ae_mode},
    {1, 2, uvc_get_ae_priority, uvc_set_ae_priority},
    {1, 3, uvc_get_exposure_abs, uvc_set_exposure_abs},
    {1, 4, uvc_get_exposure_rel, uvc_set_exposure_rel},
    {1, 5, uvc_get_focus_abs, uvc_set_focus_abs},
    {1, 6, uvc_get_focus_rel, uvc_set_focus_rel},
    {1, 7, uvc_get_iris_abs, uvc_set_iris_abs},
    {1, 8, uvc_get_iris_rel, uvc_set_iris_rel},
    {1, 9, uvc_get_zoom_abs, uvc_set_zoom_abs},
    {1, 10, uvc_get_zoom_rel, uvc_set_zoom_rel},
    {1, 11, uvc_get_pantilt_abs, uvc_set_pantilt_abs},
    {1, 12, uvc_get_pantilt_rel, nullptr},
    {1, 13, uvc_get_roll_abs, uvc_set_roll_abs},
    {1, 14, uvc_get_roll_rel, uvc_set_roll_rel},
    {1, 17, uvc_get_focus_auto, uvc_set_focus_auto},
    {1, 18, uvc_get_privacy, uvc_set_privacy},
    {1, 20, uvc_get_digital_window, uvc_set_digital_window},
    {1, 21, uvc_get_digital_roi, uvc_set_digital_roi},
    {2, 0, uvc_get_brightness, uvc_set_brightness},
    {2, 1, uvc_get_contrast, uvc_set_contrast},
    {2, 2, uvc_get_hue, uvc_set_hue},
    {2, 3, uvc_get_saturation, uvc_set_saturation},
    {2, 4, uvc_get_sharpness, uvc_set_sharpness},
    {2, 5, uvc_get_gamma, uvc_set_gamma},
    {2, 6, uvc_get_white_balance_temperature, uvc_set_white_balance_temperature},
    {2, 7, uvc_get_white_balance_component, uvc_set_white_balance_component},
    {2, 8, uvc_get_backlight_compensation, uvc_set_backlight_compensation},
    {2, 9, uvc_get_gain, uvc_set_gain},
    {2, 10, uvc_get_powerline_freqency, uvc_set_powerline_freqency},
    {2, 11, uvc_get_hue_auto, uvc_set_hue_auto},
    {2, 12, uvc_get_white_balance_temperature_auto, uvc_set_white_balance_temperature_auto},
    {2, 13, uvc_get_white_balance_component_auto, uvc_set_white_balance_component_auto},
    {2, 14, uvc_get_digital_multiplier, uvc_set_digital_multiplier},
};

TEST(UvcControls, EveryControlFollowsItsRange) {
    // All real camera terminal bits, all processing unit bits; one range described.
    DescribedCamera camera(
        "vid = 1\npid = 1\nmjpeg = 640x480\nct_controls = 0x367fff\npu_controls = 0x7fff\n"
        "ctrl.brightness = -64 64 0\nctrl.digital_multiplier = 2 9 4\n",
        1, 1);
    ASSERT_EQ(camera.open_result, UVC_SUCCESS);
    for (const Control &control : kControls) {
        SCOPED_TRACE(control.unit * 100 + control.bit);
        int min, max, def, res, cur;
        ASSERT_EQ(control.get(camera.devh, &min, UVC_GET_MIN), UVC_SUCCESS);
        ASSERT_EQ(control.get(camera.devh, &max, UVC_GET_MAX), UVC_SUCCESS);
        ASSERT_EQ(control.get(camera.devh, &def, UVC_GET_DEF), UVC_SUCCESS);
        ASSERT_EQ(control.get(camera.devh, &res, UVC_GET_RES), UVC_SUCCESS);
        ASSERT_EQ(control.get(camera.devh, &cur, UVC_GET_CUR), UVC_SUCCESS);
        EXPECT_LE(min, def);
        EXPECT_LE(def, max);
        EXPECT_EQ(cur, def);
        EXPECT_EQ(res, 1);
        EXPECT_EQ(control.get(camera.devh, &cur, UVC_SET_CUR), UVC_ERROR_INVALID_PARAM);
        if (!control.set)
            continue;
        EXPECT_EQ(control.set(camera.devh, max + 1), UVC_ERROR_INVALID_PARAM);
        EXPECT_EQ(control.set(camera.devh, min - 1), UVC_ERROR_INVALID_PARAM);
        int last = 0;
        EXPECT_FALSE(uvc_test_last_set_value(camera.devh, control.unit, control.bit, &last));
        ASSERT_EQ(control.set(camera.devh, max), UVC_SUCCESS);
        ASSERT_EQ(control.get(camera.devh, &cur, UVC_GET_CUR), UVC_SUCCESS);
        EXPECT_EQ(cur, max);
        ASSERT_TRUE(uvc_test_last_set_value(camera.devh, control.unit, control.bit, &last));
        EXPECT_EQ(last, max);
    }
    int value;
    ASSERT_EQ(uvc_get_brightness(camera.devh, &value, UVC_GET_MIN), UVC_SUCCESS);
    EXPECT_EQ(value, -64);  // as described
    ASSERT_EQ(uvc_get_digital_multiplier(camera.devh, &value, UVC_GET_DEF), UVC_SUCCESS);
    EXPECT_EQ(value, 4);
}

TEST(UvcControls, ClearedBitsReservedSlotsAndEntities) {
    DescribedCamera camera(webcam_text());
    const uvc_input_terminal_t *terminal = uvc_get_input_terminals(camera.devh);
    const uvc_processing_unit_t *unit = uvc_get_processing_units(camera.devh);
    ASSERT_NE(terminal, nullptr);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(terminal->bmControls, 0x21a2eu);
    EXPECT_EQ(unit->bmControls, 0x167fu);
    for (const Control &control : kControls) {
        uint64_t bits = control.unit == 1 ? terminal->bmControls : unit->bmControls;
        if ((bits >> control.bit) & 1)
            continue;
        int value = 7;
        EXPECT_EQ(control.get(camera.devh, &value, UVC_GET_CUR), UVC_ERROR_NOT_SUPPORTED);
        EXPECT_EQ(value, 7);
        if (control.set) {
            EXPECT_EQ(control.set(camera.devh, 0), UVC_ERROR_NOT_SUPPORTED);
        }
    }
    EXPECT_NE(uvc_reserved(camera.devh), 0);
    EXPECT_NE(uvc_reserved(nullptr), 0);
}

TEST(UvcControls, RelativePanTilt) {
    DescribedCamera camera(webcam_text());
    UvcPanTiltRequest request;
    EXPECT_FALSE(uvc_test_last_pantilt(camera.devh, &request));
    ASSERT_EQ(uvc_set_pantilt_rel(camera.devh, -1, 10, 1, 10), UVC_SUCCESS);
    ASSERT_TRUE(uvc_test_last_pantilt(camera.devh, &request));
    EXPECT_EQ((uint8_t)request.pan, 0xff);
    EXPECT_EQ(request.pan_speed, 10);
    EXPECT_EQ(request.tilt, 1);
    EXPECT_EQ(request.tilt_speed, 10);
    EXPECT_EQ(uvc_set_pantilt_rel(camera.devh, 2, 10, 0, 0), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_set_pantilt_rel(camera.devh, 0, 1, -3, 0), UVC_ERROR_INVALID_PARAM);
    ASSERT_TRUE(uvc_test_last_pantilt(camera.devh, &request));
    EXPECT_EQ(request.tilt, 1);  // refused moves are not sent
}

TEST(UvcControls, ExtensionUnitKeepsBytesPerSelector) {
    DescribedCamera camera(webcam_text());
    uvc_device_handle_t *devh = camera.devh;
    const uint16_t unit = UVC_EXTENSION_UNIT_ID << 8;
    unsigned char sent[4] = {1, 2, 3, 4};
    ASSERT_EQ(uvc_send_extensionMessage(devh, 0x21, UVC_SET_CUR, 0x0200, unit, sent, 4), 0);
    UvcExtensionRequest last;
    ASSERT_TRUE(uvc_test_last_extension_request(devh, &last));
    EXPECT_EQ(last.wValue, 0x0200);
    EXPECT_EQ(last.data, std::vector<uint8_t>(sent, sent + 4));
    unsigned char got[8];
    memset(got, 0xee, sizeof(got));
    EXPECT_EQ(uvc_recv_extensionMessage(devh, 0xa1, UVC_GET_CUR, 0x0200, unit, got, 8), 4);
    EXPECT_EQ(memcmp(got, sent, 4), 0);
    EXPECT_EQ(uvc_recv_extensionMessage(devh, 0xa1, UVC_GET_CUR, 0x0300, unit, got, 3), 3);
    EXPECT_EQ(got[0] | got[1] | got[2], 0);  // never written: zeros
    EXPECT_EQ(uvc_recv_extensionMessage(devh, 0xa1, UVC_GET_LEN, 0x0200, unit, got, 2), 2);
    EXPECT_EQ(got[0], 4);
    // Other units stall, wrong directions and empty buffers are refused.
    EXPECT_EQ(uvc_send_extensionMessage(devh, 0x21, UVC_SET_CUR, 0x0200, 0x0900, sent, 4),
              UVC_ERROR_PIPE);
    EXPECT_EQ(uvc_send_extensionMessage(devh, 0xa1, UVC_SET_CUR, 0x0200, unit, sent, 4),
              UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_recv_extensionMessage(devh, 0x21, UVC_GET_CUR, 0x0200, unit, got, 4),
              UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_recv_extensionMessage(devh, 0xa1, UVC_GET_CUR, 0x0200, unit, nullptr, 4),
              UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_send_extensionMessage(devh, 0x21, UVC_SET_CUR, 0x0200, unit, sent, 0),
              UVC_ERROR_INVALID_PARAM);
    ASSERT_TRUE(uvc_test_last_extension_request(devh, &last));
    EXPECT_EQ(last.wLength, 0);
}

}  // namespace
