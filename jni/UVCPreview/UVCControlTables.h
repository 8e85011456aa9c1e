// The camera's standard controls by index: entry n of a table reads or writes the control of bit n
// of the bmControls bitmap of the camera terminal (24 entries) or the processing unit (15).
// Reserved bits hold uvc_reserved, which makes no request and fails.
#pragma once

#include <libuvc/libuvc.h>

#define INPUT_TERMINAL_CONTROL_COUNT 24
#define PROCESSING_UNIT_CONTROL_COUNT 15

typedef uvc_control_getter_t *uvc_control_getter_func;
typedef uvc_control_setter_t *uvc_control_setter_func;

// Reserved slots and the relative pan/tilt setter have other parameter lists than their table;
// the cast goes through void (*)() to say that it is meant.
template <typename To, typename From>
To function_cast(From fn) {
    return reinterpret_cast<To>(reinterpret_cast<void (*)()>(fn));
}

extern uvc_control_getter_func get_uvc_input_terminal_func[INPUT_TERMINAL_CONTROL_COUNT];
extern uvc_control_setter_func set_uvc_input_terminal_func[INPUT_TERMINAL_CONTROL_COUNT];
extern uvc_control_getter_func get_uvc_processing_unit_func[PROCESSING_UNIT_CONTROL_COUNT];
extern uvc_control_setter_func set_uvc_processing_unit_func[PROCESSING_UNIT_CONTROL_COUNT];
