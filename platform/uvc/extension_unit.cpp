// The camera's extension unit: class-specific requests that keep bytes per control selector.
#include <string.h>

#include <algorithm>

#include "uvc_internal.h"

namespace {

const uint16_t kMaxSelectorBytes = 1024;

void remember(uvc_device_handle_t *devh, uint8_t type, uint8_t request, uint16_t value,
              uint16_t index, const unsigned char *data, uint16_t length) {
    devh->extension_seen = true;
    devh->extension_type = type;
    devh->extension_request = request;
    devh->extension_value = value;
    devh->extension_index = index;
    devh->extension_length = length;
    devh->extension_bytes.assign(data, data + (data ? length : 0));
}

// Checks a request to the unit; UVC_SUCCESS when it may go on.
uvc_error_t check_request(bool to_device, uint8_t type, uint16_t index, const unsigned char *data,
                          uint16_t length, const char *call) {
    if (!data || length == 0 || length > kMaxSelectorBytes) {
        uvc_log("%s: null data or length %u outside 1..%u", call, length, kMaxSelectorBytes);
        return UVC_ERROR_INVALID_PARAM;
    }
    bool device_to_host = type & 0x80;
    if (device_to_host == to_device || (type & 0x60) != 0x20) {
        uvc_log("%s: bmRequestType 0x%02x is no class request in this direction", call, type);
        return UVC_ERROR_INVALID_PARAM;
    }
    if ((index >> 8) != UVC_EXTENSION_UNIT_ID) {
        uvc_log("%s: no unit %d", call, index >> 8);
        return UVC_ERROR_PIPE;
    }
    return UVC_SUCCESS;
}

}  // namespace

extern "C" int uvc_send_extensionMessage(uvc_device_handle_t *devh, uint8_t bmRequestType,
                                         uint8_t bRequest, uint16_t wValue, uint16_t wIndex,
                                         unsigned char *data, uint16_t wLength) {
    const char *call = "uvc_send_extensionMessage";
    uvc_error_t error;
    if (handle_unusable(devh, call, &error))
        return error;
    std::lock_guard<std::mutex> lock(devh->control_mutex);
    remember(devh, bmRequestType, bRequest, wValue, wIndex, data, wLength);
    error = check_request(true, bmRequestType, wIndex, data, wLength, call);
    if (error != UVC_SUCCESS)
        return error;
    if (bRequest != UVC_SET_CUR) {
        uvc_log("%s: request 0x%02x is not SET_CUR", call, bRequest);
        return UVC_ERROR_PIPE;
    }
    devh->extension_data[wValue >> 8].assign(data, data + wLength);
    return UVC_SUCCESS;
}

extern "C" int uvc_recv_extensionMessage(uvc_device_handle_t *devh, uint8_t bmRequestType,
                                         uint8_t bRequest, uint16_t wValue, uint16_t wIndex,
                                         unsigned char *data, uint16_t wLength) {
    const char *call = "uvc_recv_extensionMessage";
    uvc_error_t error;
    if (handle_unusable(devh, call, &error))
        return error;
    std::lock_guard<std::mutex> lock(devh->control_mutex);
    remember(devh, bmRequestType, bRequest, wValue, wIndex, nullptr, wLength);
    error = check_request(false, bmRequestType, wIndex, data, wLength, call);
    if (error != UVC_SUCCESS)
        return error;
    auto stored = devh->extension_data.find(wValue >> 8);
    size_t stored_bytes = stored == devh->extension_data.end() ? 0 : stored->second.size();
    size_t answered;
    switch (bRequest) {
        case UVC_GET_CUR:
            // A selector never written answers zeros.
            answered = stored_bytes ? std::min<size_t>(stored_bytes, wLength) : wLength;
            memset(data, 0, answered);
            if (stored_bytes)
                memcpy(data, stored->second.data(), answered);
            break;
        case UVC_GET_LEN:
            if (wLength < 2)
                return UVC_ERROR_OVERFLOW;
            data[0] = stored_bytes & 0xff;
            data[1] = stored_bytes >> 8;
            answered = 2;
            break;
        case UVC_GET_INFO:
            data[0] = 3;  // get and set supported
            answered = 1;
            break;
        default:
            uvc_log("%s: request 0x%02x is not supported", call, bRequest);
            return UVC_ERROR_PIPE;
    }
    devh->extension_bytes.assign(data, data + answered);
    return (int)answered;
}
