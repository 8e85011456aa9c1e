// Test-only controls of the virtual camera (uvc_testing.h).
#include <time.h>

#include <algorithm>
#include <iterator>

#include "picture_pattern.h"
#include "uvc_internal.h"
#include "uvc_testing.h"

const char *uvc_test_default_description() {
    return UVC_DEFAULT_DESCRIPTION;
}

int uvc_test_press_button(uvc_device_handle_t *devh) {
    uvc_error_t error;
    if (handle_unusable(devh, "uvc_test_press_button", &error))
        return error;
    post_button_press(devh);
    return UVC_SUCCESS;
}

namespace {

struct FaultField {
    int FaultSettings::*field;
    bool error_code;  // a negative uvc code rather than a frame count
};

// Indexed by UvcFault.
const FaultField kFaultFields[] = {
    {&FaultSettings::start_error, true},       {&FaultSettings::broken_every, false},
    {&FaultSettings::wrong_size_every, false}, {&FaultSettings::corrupt_jpeg_every, false},
    {&FaultSettings::stall_after, false},      {&FaultSettings::unplug_after, false},
    {&FaultSettings::still_probe_error, true}, {&FaultSettings::still_commit_error, true},
    {&FaultSettings::still_image_error, true}, {&FaultSettings::devinfo_error, true},
};
static_assert(std::size(kFaultFields) == (size_t)UvcFault::kDevInfoError + 1,
              "one field per fault");

}  // namespace

int uvc_test_set_fault(uvc_device_handle_t *devh, UvcFault fault, int value) {
    size_t index = (size_t)fault;
    if (!devh || index >= std::size(kFaultFields))
        return UVC_ERROR_INVALID_PARAM;
    const FaultField &kind = kFaultFields[index];
    if (kind.error_code ? value > 0 : value < 0)
        return UVC_ERROR_INVALID_PARAM;
    std::lock_guard<std::mutex> lock(devh->fault_mutex);
    devh->faults.*kind.field = value;
    return UVC_SUCCESS;
}

int uvc_test_set_open_error(int error) {
    if (error > 0)
        return UVC_ERROR_INVALID_PARAM;
    g_open_error = error;
    return UVC_SUCCESS;
}

void uvc_test_clear_faults(uvc_device_handle_t *devh) {
    if (!devh)
        return;
    std::lock_guard<std::mutex> lock(devh->fault_mutex);
    devh->faults = FaultSettings();
}

bool uvc_test_last_set_value(uvc_device_handle_t *devh, int unit, int index, int *value) {
    bool camera_terminal = unit == 1 && index >= 0 && index < 24;
    bool processing_unit = unit == 2 && index >= 0 && index < 15;
    if (!devh || !value || !(camera_terminal || processing_unit))
        return false;
    std::lock_guard<std::mutex> lock(devh->control_mutex);
    const ControlValue &control = camera_terminal ? devh->ct[index] : devh->pu[index];
    if (!control.was_set)
        return false;
    *value = control.current;
    return true;
}

bool uvc_test_last_pantilt(uvc_device_handle_t *devh, UvcPanTiltRequest *request) {
    if (!devh || !request)
        return false;
    std::lock_guard<std::mutex> lock(devh->control_mutex);
    if (!devh->pantilt_set)
        return false;
    *request = {(int8_t)devh->pantilt[0], devh->pantilt[1], (int8_t)devh->pantilt[2],
                devh->pantilt[3]};
    return true;
}

bool uvc_test_last_extension_request(uvc_device_handle_t *devh, UvcExtensionRequest *request) {
    if (!devh || !request)
        return false;
    std::lock_guard<std::mutex> lock(devh->control_mutex);
    if (!devh->extension_seen)
        return false;
    *request = {devh->extension_type,  devh->extension_request, devh->extension_value,
                devh->extension_index, devh->extension_length,  devh->extension_bytes};
    return true;
}

int64_t uvc_test_decode_counter(const uint8_t *rgbx, int width, int height, int stride) {
    return decode_counter_picture(rgbx, width, height, stride);
}

bool uvc_test_clap_marker(const uint8_t *rgbx, int width, int height, int stride) {
    return clap_marker_shown(rgbx, width, height, stride);
}

int64_t uvc_test_handover_time_ns(uvc_device_handle_t *devh, uint32_t sequence) {
    return devh ? stream_handover_ns(devh, sequence) : -1;
}

uint32_t uvc_test_frames_delivered(uvc_device_handle_t *devh) {
    if (!devh)
        return 0;
    std::lock_guard<std::mutex> lock(devh->times_mutex);
    return devh->frames_delivered;
}

int64_t uvc_test_stream_thread_cpu_ns(uvc_device_handle_t *devh) {
    if (!devh)
        return -1;
    std::lock_guard<std::mutex> lock(devh->stream_mutex);
    timespec used;
    if (devh->stream_cpu_clock == 0 || clock_gettime(devh->stream_cpu_clock, &used) != 0) {
        return -1;
    }
    return (int64_t)used.tv_sec * 1000000000 + used.tv_nsec;
}

int64_t uvc_test_callback_cpu_ns(uvc_device_handle_t *devh) {
    return devh ? devh->callback_cpu_ns.load() : -1;
}

namespace {

std::mutex g_open_mutex;                            // guards g_open_handles
std::vector<uvc_device_handle_t *> g_open_handles;  // open handles, in opening order

// The newest open handle of `fd`; call with g_open_mutex held.
uvc_device_handle_t *open_handle_for_fd(int fd) {
    for (auto it = g_open_handles.rbegin(); it != g_open_handles.rend(); ++it) {
        if ((*it)->usb.fd == fd)
            return *it;
    }
    return nullptr;
}

}  // namespace

void register_open_handle(uvc_device_handle_t *devh) {
    std::lock_guard<std::mutex> lock(g_open_mutex);
    g_open_handles.push_back(devh);
}

void unregister_open_handle(uvc_device_handle_t *devh) {
    std::lock_guard<std::mutex> lock(g_open_mutex);
    g_open_handles.erase(std::remove(g_open_handles.begin(), g_open_handles.end(), devh),
                         g_open_handles.end());
}

// The registry lock is held across the read, so a close waits until it is done.
int64_t uvc_test_handover_time_ns_by_fd(int fd, uint32_t sequence) {
    std::lock_guard<std::mutex> lock(g_open_mutex);
    return uvc_test_handover_time_ns(open_handle_for_fd(fd), sequence);
}

uint32_t uvc_test_frames_delivered_by_fd(int fd) {
    std::lock_guard<std::mutex> lock(g_open_mutex);
    return uvc_test_frames_delivered(open_handle_for_fd(fd));
}

int uvc_test_live_contexts() {
    return g_live_contexts;
}
int uvc_test_live_devices() {
    return g_live_devices;
}
int uvc_test_live_handles() {
    return g_live_handles;
}
int uvc_test_live_threads() {
    return g_live_threads;
}
