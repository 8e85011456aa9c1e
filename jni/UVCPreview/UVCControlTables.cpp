// Control index tables: the camera library's getter and setter for each bmControls bit.
#include "UVCControlTables.h"

namespace {

// The engine's calls supply what each of these reads (see UVCPreview_controls.cpp).
const uvc_control_getter_func reserved_getter =
    function_cast<uvc_control_getter_func>(uvc_reserved);
const uvc_control_setter_func reserved_setter =
    function_cast<uvc_control_setter_func>(uvc_reserved);

}  // namespace

uvc_control_getter_func get_uvc_input_terminal_func[INPUT_TERMINAL_CONTROL_COUNT] = {
    uvc_get_scanning_mode,  uvc_get_ae_mode,     uvc_get_ae_priority, uvc_get_exposure_abs,
    uvc_get_exposure_rel,   uvc_get_focus_abs,   uvc_get_focus_rel,   uvc_get_iris_abs,
    uvc_get_iris_rel,       uvc_get_zoom_abs,    uvc_get_zoom_rel,    uvc_get_pantilt_abs,
    uvc_get_pantilt_rel,    uvc_get_roll_abs,    uvc_get_roll_rel,    reserved_getter,
    reserved_getter,        uvc_get_focus_auto,  uvc_get_privacy,     reserved_getter,
    uvc_get_digital_window, uvc_get_digital_roi, reserved_getter,     reserved_getter,
};

uvc_control_setter_func set_uvc_input_terminal_func[INPUT_TERMINAL_CONTROL_COUNT] = {
    uvc_set_scanning_mode,
    uvc_set_ae_mode,
    uvc_set_ae_priority,
    uvc_set_exposure_abs,
    uvc_set_exposure_rel,
    uvc_set_focus_abs,
    uvc_set_focus_rel,
    uvc_set_iris_abs,
    uvc_set_iris_rel,
    uvc_set_zoom_abs,
    uvc_set_zoom_rel,
    uvc_set_pantilt_abs,
    function_cast<uvc_control_setter_func>(uvc_set_pantilt_rel),
    uvc_set_roll_abs,
    uvc_set_roll_rel,
    reserved_setter,
    reserved_setter,
    uvc_set_focus_auto,
    uvc_set_privacy,
    reserved_setter,
    uvc_set_digital_window,
    uvc_set_digital_roi,
    reserved_setter,
    reserved_setter,
};

uvc_control_getter_func get_uvc_processing_unit_func[PROCESSING_UNIT_CONTROL_COUNT] = {
    uvc_get_brightness,
    uvc_get_contrast,
    uvc_get_hue,
    uvc_get_saturation,
    uvc_get_sharpness,
    uvc_get_gamma,
    uvc_get_white_balance_temperature,
    uvc_get_white_balance_component,
    uvc_get_backlight_compensation,
    uvc_get_gain,
    uvc_get_powerline_freqency,
    uvc_get_hue_auto,
    uvc_get_white_balance_temperature_auto,
    uvc_get_white_balance_component_auto,
    uvc_get_digital_multiplier,
};

uvc_control_setter_func set_uvc_processing_unit_func[PROCESSING_UNIT_CONTROL_COUNT] = {
    uvc_set_brightness,
    uvc_set_contrast,
    uvc_set_hue,
    uvc_set_saturation,
    uvc_set_sharpness,
    uvc_set_gamma,
    uvc_set_white_balance_temperature,
    uvc_set_white_balance_component,
    uvc_set_backlight_compensation,
    uvc_set_gain,
    uvc_set_powerline_freqency,
    uvc_set_hue_auto,
    uvc_set_white_balance_temperature_auto,
    uvc_set_white_balance_component_auto,
    uvc_set_digital_multiplier,
};
