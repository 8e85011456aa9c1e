// Camera terminal and processing unit controls, their entities, relative pan/tilt.
#include "uvc_internal.h"

namespace {

enum Unit { kCameraTerminal = 1, kProcessingUnit = 2 };

bool supported(const CameraDescription &camera, int unit, int bit) {
    uint32_t controls = unit == kCameraTerminal ? camera.ct_controls : camera.pu_controls;
    return (controls >> bit) & 1;
}

const ControlRange &range_of(const CameraDescription &camera, int unit, int bit) {
    return unit == kCameraTerminal ? camera.ct_ranges[bit] : camera.pu_ranges[bit];
}

ControlValue &value_of(uvc_device_handle_t *devh, int unit, int bit) {
    return unit == kCameraTerminal ? devh->ct[bit] : devh->pu[bit];
}

uvc_error_t check_control(uvc_device_handle_t *devh, int unit, int bit, const char *call) {
    uvc_error_t error;
    if (handle_unusable(devh, call, &error))
        return error;
    if (!supported(devh->dev->camera, unit, bit)) {
        uvc_log("%s: the camera does not support this control", call);
        return UVC_ERROR_NOT_SUPPORTED;
    }
    return UVC_SUCCESS;
}

uvc_error_t control_get(uvc_device_handle_t *devh, int unit, int bit, int *value,
                        enum uvc_req_code req, const char *call) {
    uvc_error_t error = check_control(devh, unit, bit, call);
    if (error != UVC_SUCCESS)
        return error;
    if (!value) {
        uvc_log("%s: null value", call);
        return UVC_ERROR_INVALID_PARAM;
    }
    const ControlRange &range = range_of(devh->dev->camera, unit, bit);
    switch (req) {
        case UVC_GET_CUR: {
            std::lock_guard<std::mutex> lock(devh->control_mutex);
            *value = value_of(devh, unit, bit).current;
            return UVC_SUCCESS;
        }
        case UVC_GET_MIN:
            *value = range.min;
            return UVC_SUCCESS;
        case UVC_GET_MAX:
            *value = range.max;
            return UVC_SUCCESS;
        case UVC_GET_RES:
            *value = 1;
            return UVC_SUCCESS;
        case UVC_GET_DEF:
            *value = range.def;
            return UVC_SUCCESS;
        case UVC_GET_LEN:
            *value = (int)sizeof(int);
            return UVC_SUCCESS;
        case UVC_GET_INFO:
            *value = 3;
            return UVC_SUCCESS;
        default:
            uvc_log("%s: request code 0x%02x is no read request", call, (unsigned)req);
            return UVC_ERROR_INVALID_PARAM;
    }
}

uvc_error_t control_set(uvc_device_handle_t *devh, int unit, int bit, int value, const char *call) {
    uvc_error_t error = check_control(devh, unit, bit, call);
    if (error != UVC_SUCCESS)
        return error;
    const ControlRange &range = range_of(devh->dev->camera, unit, bit);
    if (value < range.min || value > range.max) {
        uvc_log("%s: %d outside [%d, %d]", call, value, range.min, range.max);
        return UVC_ERROR_INVALID_PARAM;
    }
    std::lock_guard<std::mutex> lock(devh->control_mutex);
    value_of(devh, unit, bit) = {value, true};
    return UVC_SUCCESS;
}

}  // namespace

#define UVC_CONTROL_GETTER(unit, bit, name)                                      \
    extern "C" uvc_error_t uvc_get_##name(uvc_device_handle_t *devh, int *value, \
                                          enum uvc_req_code req_code) {          \
        return control_get(devh, unit, bit, value, req_code, "uvc_get_" #name);  \
    }
#define UVC_CONTROL_SETTER(unit, bit, name)                                       \
    extern "C" uvc_error_t uvc_set_##name(uvc_device_handle_t *devh, int value) { \
        return control_set(devh, unit, bit, value, "uvc_set_" #name);             \
    }
#define UVC_CONTROL(unit, bit, name)    \
    UVC_CONTROL_GETTER(unit, bit, name) \
    UVC_CONTROL_SETTER(unit, bit, name)

UVC_CONTROL(kCameraTerminal, 0, scanning_mode)
UVC_CONTROL(kCameraTerminal, 1, ae_mode)
UVC_CONTROL(kCameraTerminal, 2, ae_priority)
UVC_CONTROL(kCameraTerminal, 3, exposure_abs)
UVC_CONTROL(kCameraTerminal, 4, exposure_rel)
UVC_CONTROL(kCameraTerminal, 5, focus_abs)
UVC_CONTROL(kCameraTerminal, 6, focus_rel)
UVC_CONTROL(kCameraTerminal, 7, iris_abs)
UVC_CONTROL(kCameraTerminal, 8, iris_rel)
UVC_CONTROL(kCameraTerminal, 9, zoom_abs)
UVC_CONTROL(kCameraTerminal, 10, zoom_rel)
UVC_CONTROL(kCameraTerminal, 11, pantilt_abs)
UVC_CONTROL_GETTER(kCameraTerminal, 12, pantilt_rel)
UVC_CONTROL(kCameraTerminal, 13, roll_abs)
UVC_CONTROL(kCameraTerminal, 14, roll_rel)
UVC_CONTROL(kCameraTerminal, 17, focus_auto)
UVC_CONTROL(kCameraTerminal, 18, privacy)
UVC_CONTROL(kCameraTerminal, 20, digital_window)
UVC_CONTROL(kCameraTerminal, 21, digital_roi)

UVC_CONTROL(kProcessingUnit, 0, brightness)
UVC_CONTROL(kProcessingUnit, 1, contrast)
UVC_CONTROL(kProcessingUnit, 2, hue)
UVC_CONTROL(kProcessingUnit, 3, saturation)
UVC_CONTROL(kProcessingUnit, 4, sharpness)
UVC_CONTROL(kProcessingUnit, 5, gamma)
UVC_CONTROL(kProcessingUnit, 6, white_balance_temperature)
UVC_CONTROL(kProcessingUnit, 7, white_balance_component)
UVC_CONTROL(kProcessingUnit, 8, backlight_compensation)
UVC_CONTROL(kProcessingUnit, 9, gain)
UVC_CONTROL(kProcessingUnit, 10, powerline_freqency)
UVC_CONTROL(kProcessingUnit, 11, hue_auto)
UVC_CONTROL(kProcessingUnit, 12, white_balance_temperature_auto)
UVC_CONTROL(kProcessingUnit, 13, white_balance_component_auto)
UVC_CONTROL(kProcessingUnit, 14, digital_multiplier)

extern "C" uvc_error_t uvc_set_pantilt_rel(uvc_device_handle_t *devh, int8_t pan_rel,
                                           uint8_t pan_speed, int8_t tilt_rel, uint8_t tilt_speed) {
    const char *call = "uvc_set_pantilt_rel";
    uvc_error_t error = check_control(devh, kCameraTerminal, 12, call);
    if (error != UVC_SUCCESS)
        return error;
    const ControlRange &range = devh->dev->camera.ct_ranges[12];
    if (pan_rel < -1 || pan_rel > 1 || tilt_rel < -1 || tilt_rel > 1 || pan_rel < range.min ||
        pan_rel > range.max) {
        uvc_log("%s: directions %d, %d must be -1, 0 or 1 and within [%d, %d]", call, pan_rel,
                tilt_rel, range.min, range.max);
        return UVC_ERROR_INVALID_PARAM;
    }
    std::lock_guard<std::mutex> lock(devh->control_mutex);
    devh->ct[12] = {pan_rel, true};
    devh->pantilt_set = true;
    devh->pantilt[0] = (uint8_t)pan_rel;
    devh->pantilt[1] = pan_speed;
    devh->pantilt[2] = (uint8_t)tilt_rel;
    devh->pantilt[3] = tilt_speed;
    return UVC_SUCCESS;
}

extern "C" int uvc_reserved(uvc_device_handle_t *) {
    return UVC_ERROR_NOT_SUPPORTED;
}

extern "C" const uvc_input_terminal_t *uvc_get_input_terminals(uvc_device_handle_t *devh) {
    uvc_error_t error;
    if (handle_unusable(devh, "uvc_get_input_terminals", &error))
        return nullptr;
    return &devh->terminal;
}

extern "C" const uvc_processing_unit_t *uvc_get_processing_units(uvc_device_handle_t *devh) {
    uvc_error_t error;
    if (handle_unusable(devh, "uvc_get_processing_units", &error))
        return nullptr;
    return &devh->processing_unit;
}
