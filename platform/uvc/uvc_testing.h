// Test-only controls of the virtual camera (libuvc.so): still button, faults at run time,
// requests the camera received, the frame counter and hand-over times, leak counters.
// Used by tests, benchmarks and the demo, never by the system itself.
#pragma once

#include <libuvc/libuvc.h>
#include <stdint.h>

#include <string>
#include <vector>

// Path of the default description (a 1080p MJPEG/YUYV webcam with microphone and still button).
const char *uvc_test_default_description();

// Presses and releases the still button: a press status (0, 1), then a release (0, 0), through
// the status callback registered at the time of the press; with none registered then, or when
// the registration changes before the status thread delivers them, they are lost as on a real
// device. UVC_ERROR_NO_DEVICE once the camera is gone.
int uvc_test_press_button(uvc_device_handle_t *devh);

// Faults that can be switched at run time; the value means what the description key of the
// same name means (frame numbers count from 1 in each stream), 0 switches the fault off.
// An *Error fault is a negative uvc error code that the call returns instead of doing its work.
enum class UvcFault {
    kStartError,        // start_error: the streaming start
    kBrokenEvery,       // broken_every: every Nth frame arrives short
    kWrongSizeEvery,    // wrong_size_every: every Nth frame has another width
    kCorruptJpegEvery,  // corrupt_jpeg_every: every Nth MJPEG frame is damaged
    kStallAfter,        // stall_after: no frames after frame N
    kUnplugAfter,       // unplug_after: gone after frame N
    kStillProbeError,   // still_probe_error: uvc_set_still_probe
    kStillCommitError,  // still_commit_error: uvc_set_still_commit
    kStillImageError,   // still_image_error: uvc_set_still_image (the still trigger)
    kDevInfoError,      // devinfo_error: uvc_get_devInfo (the diagnostic query)
};
int uvc_test_set_fault(uvc_device_handle_t *devh, UvcFault fault, int value);
// Switches every fault of the handle off, including those of the description.
void uvc_test_clear_faults(uvc_device_handle_t *devh);

// Makes every uvc_open in the process fail with `error` (a negative uvc code) once the device
// was found; 0 switches it off. While set it replaces the description key open_error, which
// fails the opens of its own camera only. UVC_ERROR_INVALID_PARAM for a positive code.
int uvc_test_set_open_error(int error);

// Last value a setter sent. unit: 1 camera terminal, 2 processing unit; index: the control's
// bmControls bit. False when the setter never succeeded on this handle.
bool uvc_test_last_set_value(uvc_device_handle_t *devh, int unit, int index, int *value);

struct UvcPanTiltRequest {
    int8_t pan;
    uint8_t pan_speed;
    int8_t tilt;
    uint8_t tilt_speed;
};
// Last accepted uvc_set_pantilt_rel; false when there was none.
bool uvc_test_last_pantilt(uvc_device_handle_t *devh, UvcPanTiltRequest *request);

struct UvcExtensionRequest {
    uint8_t bmRequestType;
    uint8_t bRequest;
    uint16_t wValue;
    uint16_t wIndex;
    uint16_t wLength;
    std::vector<uint8_t> data;  // bytes sent (send) or answered (receive)
};
// Last extension request of either direction, accepted or not; false when there was none.
bool uvc_test_last_extension_request(uvc_device_handle_t *devh, UvcExtensionRequest *request);

// Reads the frame number of a `counter` picture back from R, G, B, X pixels (stride in bytes,
// 0 for width x 4). -1 when the picture carries no valid counter.
int64_t uvc_test_decode_counter(const uint8_t *rgbx, int width, int height, int stride);

// True when an R, G, B, X picture (stride as above) shows the clap marker that a camera with
// a `clapper` draws on the frame of each clap.
bool uvc_test_clap_marker(const uint8_t *rgbx, int width, int height, int stride);

// Monotonic time (CLOCK_MONOTONIC, ns) at which frame `sequence` of the current or last stream
// was handed to the frame callback; -1 when unknown (the last 4096 frames are kept).
int64_t uvc_test_handover_time_ns(uvc_device_handle_t *devh, uint32_t sequence);
// Frames handed to the callback in the current or last stream (stills excluded).
uint32_t uvc_test_frames_delivered(uvc_device_handle_t *devh);
// CPU time (ns) spent so far by the current stream's camera thread; -1 without a stream.
int64_t uvc_test_stream_thread_cpu_ns(uvc_device_handle_t *devh);
// CPU time (ns) the current or last stream's camera thread spent inside the frame callback:
// the receiver's share of that thread. -1 without a handle.
int64_t uvc_test_callback_cpu_ns(uvc_device_handle_t *devh);

// The same two counters for the camera open through descriptor `fd` (the descriptor given to
// uvc_find_device2), for programs that hold no handle: -1 and 0 when no open camera has it.
int64_t uvc_test_handover_time_ns_by_fd(int fd, uint32_t sequence);
uint32_t uvc_test_frames_delivered_by_fd(int fd);

// Leak checks: objects and library threads alive in the process.
int uvc_test_live_contexts();
int uvc_test_live_devices();
int uvc_test_live_handles();
int uvc_test_live_threads();
