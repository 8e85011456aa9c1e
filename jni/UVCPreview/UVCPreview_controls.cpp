// Camera controls by index, the supported-control lists, relative pan/tilt and extension-unit
// messages. None of this depends on the stream: requests go straight to the camera library.
#include <string.h>

#include "UVCControlTables.h"
#include "UVCPreview.h"
#include "engine_results.h"
#include "logging.h"

namespace {

// The relative pan/tilt setter of the table reads a pan speed, a tilt direction and a tilt speed
// after the value; every setter is called with them as 0, so such a step never tilts by chance.
// The other setters ignore the extra arguments.
typedef uvc_error_t (*wide_control_setter)(uvc_device_handle_t *devh, int value, int panSpeed,
                                           int tilt, int tiltSpeed);

int call_setter(uvc_control_setter_func setter, uvc_device_handle_t *devh, int value) {
    return function_cast<wide_control_setter>(setter)(devh, value, 0, 0, 0);
}

// Bit numbers of the set bits in ascending order after their count; the rest of `list` is 0.
void list_set_bits(uint32_t bits, int *list) {
    memset(list, 0, CONTROL_LIST_COUNT * sizeof(int));
    int count = 0;
    for (int bit = 0; bit < 32 && count < CONTROL_LIST_COUNT - 1; bit++) {
        if (bits & (1u << bit))
            list[++count] = bit;
    }
    list[0] = count;
}

// An index outside its table is refused like an invalid argument, without any request. Lines
// carry the name of the calling operation.
int set_indexed_control(bool debug, const char *caller, uvc_control_setter_func *table, int count,
                        uvc_device_handle_t *devh, int index, int value) {
    int result = UVC_ERROR_INVALID_PARAM;
    if (index >= 0 && index < count)
        result = call_setter(table[index], devh, value);
    if (result != 0)
        LOGD_AS(debug, caller, "setctrl idx : %d failed\n", index);
    return result;
}

// A failed read leaves the error code in *value.
void get_indexed_control(bool debug, const char *caller, uvc_control_getter_func *table, int count,
                         uvc_device_handle_t *devh, int index, int *value) {
    if (!value) {
        LOGD_AS(debug, caller, "Invalid argument\n");
        return;
    }
    *value = 0;
    int result = UVC_ERROR_INVALID_PARAM;
    if (index >= 0 && index < count)
        result = table[index](devh, value, UVC_GET_CUR);
    if (result != 0) {
        LOGD_AS(debug, caller, "func idx : %d failed\n", index);
        *value = result;
    }
    LOGD_AS(debug, caller, "args : %d\n", *value);
}

// The widest payload an extension request can carry (its length is a 16-bit field).
const int MAX_EXTENSION_LENGTH = 0xFFFF;

}  // namespace

int UVCPreview::setUVCCameraInputTerminalControl(int index, int value) {
    return set_indexed_control(mDebug, __FUNCTION__, set_uvc_input_terminal_func,
                               INPUT_TERMINAL_CONTROL_COUNT, mDeviceHandle, index, value);
}

int UVCPreview::setUVCCameraProcessingUnitControl(int index, int value) {
    return set_indexed_control(mDebug, __FUNCTION__, set_uvc_processing_unit_func,
                               PROCESSING_UNIT_CONTROL_COUNT, mDeviceHandle, index, value);
}

void UVCPreview::getUVCCameraInputTerminalControl(int index, int *value) {
    get_indexed_control(mDebug, __FUNCTION__, get_uvc_input_terminal_func,
                        INPUT_TERMINAL_CONTROL_COUNT, mDeviceHandle, index, value);
}

void UVCPreview::getUVCCameraProcessingUnitControl(int index, int *value) {
    get_indexed_control(mDebug, __FUNCTION__, get_uvc_processing_unit_func,
                        PROCESSING_UNIT_CONTROL_COUNT, mDeviceHandle, index, value);
}

int UVCPreview::getUVCControlStatus() {
    const uvc_input_terminal_t *terminal = uvc_get_input_terminals(mDeviceHandle);
    const uvc_processing_unit_t *unit = uvc_get_processing_units(mDeviceHandle);
    if (!terminal || !unit) {
        LOGD("input_terminal or proc_unit is NULL\n");
        return CONTROLS_UNKNOWN;
    }
    mCtControls = (uint32_t)terminal->bmControls;
    mPuControls = (uint16_t)unit->bmControls;
    list_set_bits(mCtControls, mEnableIT);
    list_set_bits(mPuControls, mEnablePU);
    return 0;
}

// Both lists or nothing: a camera without processing-unit controls reports none at all.
int UVCPreview::getEnableControl(int *it, int *pu) {
    if (!it || !pu || mEnableIT[0] == 0 || mEnablePU[0] == 0) {
        LOGD("getEnableControl failed\n");
        return it && pu ? -121 : -2;
    }
    memcpy(it, mEnableIT, sizeof(mEnableIT));
    memcpy(pu, mEnablePU, sizeof(mEnablePU));
    return 0;
}

int UVCPreview::Set_pantilt_rel(int *args) {
    if (!mDeviceHandle)
        return ENGINE_NO_DEVICE;
    if (!args) {
        LOGD("Invalid argument\n");
        return ENGINE_NULL_ARGUMENT;
    }
    int result = uvc_set_pantilt_rel(mDeviceHandle, (int8_t)args[0], (uint8_t)args[1],
                                     (int8_t)args[2], (uint8_t)args[3]);
    if (result != 0)
        LOGD("uvc_set_pantilt_rel failed : %d\n", result);
    return result;
}

int UVCPreview::sendExtensionMsg(int bmRequestType, int bRequest, int wValue, int wIndex,
                                 unsigned char *data, int wLength) {
    if (wLength < 0 || wLength > MAX_EXTENSION_LENGTH) {
        LOGD("uvc_send_extensionMessage error : %d\n", UVC_ERROR_INVALID_PARAM);
        return ENGINE_FAILED;
    }
    int result =
        uvc_send_extensionMessage(mDeviceHandle, (uint8_t)bmRequestType, (uint8_t)bRequest,
                                  (uint16_t)wValue, (uint16_t)wIndex, data, (uint16_t)wLength);
    if (result != 0) {
        LOGD("uvc_send_extensionMessage error : %d\n", result);
        return ENGINE_FAILED;
    }
    return 0;
}

int UVCPreview::recvExtensionMsg(int bmRequestType, int bRequest, int wValue, int wIndex,
                                 unsigned char *data, int wLength) {
    // Cutting the length to 16 bits would make the camera library read past a short buffer.
    if (wLength < 0 || wLength > MAX_EXTENSION_LENGTH) {
        LOGD("uvc_recv_extensionMessage error : %d\n", UVC_ERROR_INVALID_PARAM);
        return UVC_ERROR_INVALID_PARAM;
    }
    int result =
        uvc_recv_extensionMessage(mDeviceHandle, (uint8_t)bmRequestType, (uint8_t)bRequest,
                                  (uint16_t)wValue, (uint16_t)wIndex, data, (uint16_t)wLength);
    // A successful receive may answer with the byte count.
    if (result < 0)
        LOGD("uvc_recv_extensionMessage error : %d\n", result);
    return result;
}

void UVCPreview::setSDKVersion(int version) {
    mSDKVersion = version;
    LOGD("SDK Version : %d\n", version);
}
