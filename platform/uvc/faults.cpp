// Error codes injected into single calls: the open error of a device and the per-handle
// errors of the streaming start and the still requests.
#include "uvc_internal.h"

std::atomic<int> g_open_error{0};

uvc_error_t injected_open_error(const uvc_device *dev) {
    int code = g_open_error;
    if (code == 0)
        code = dev->camera.faults.open_error;
    if (code != 0)
        uvc_log("uvc_open: opening the device fails with %d", code);
    return (uvc_error_t)code;
}

uvc_error_t injected_error(uvc_device_handle_t *devh, int FaultSettings::*field, const char *call) {
    int code;
    {
        std::lock_guard<std::mutex> lock(devh->fault_mutex);
        code = devh->faults.*field;
    }
    if (code != 0)
        uvc_log("%s: fails with %d", call, code);
    return (uvc_error_t)code;
}
