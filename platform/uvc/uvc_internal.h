// Objects behind the library's opaque types, shared by the library's source files.
#pragma once

#include <libuvc/libuvc.h>
#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "camera_description.h"
#include "device_presence.h"

// Writes one error line to the Android log (tag "libuvc").
void uvc_log(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

// Process-wide counters for leak checks.
extern std::atomic<int> g_live_contexts, g_live_devices, g_live_handles, g_live_threads;

// The host has no libusb; these stand for its objects and carry what the USB audio library
// needs to find the same virtual device.
struct libusb_context {
    int unused;
};
struct libusb_device_handle {
    int fd;  // the descriptor given to uvc_find_device2
    int vid;
    int pid;
};

struct uvc_context {
    libusb_context own_usb;
    libusb_context *usb;  // the caller's, or own_usb
};

struct uvc_device {
    std::atomic<int> refs{1};  // one for the finder, one per open handle
    CameraDescription camera;
    int fd = -1;
    DeviceIdentity identity;        // of the description behind fd
    std::atomic<bool> gone{false};  // unplugged: every later call fails
    std::atomic<bool> open{false};  // one handle at a time
};

// A status interrupt, for the callback registration that was in place when it happened.
struct StatusEvent {
    uint8_t data[2];
    unsigned registration;
};

// What a stream delivers, fixed by the negotiation.
struct StreamFormat {
    int format = 0;  // 3, 9 or 13
    int width = 0;
    int height = 0;
    int frame_index = 0;  // 1-based in the format's list
};

struct StillSettings {
    uint8_t frame_index = 0;
    uint8_t compression_index = 0;
    uint32_t max_video_frame_size = 0;
    uint32_t max_payload_size = 0;
};

struct ControlValue {
    int current;
    bool was_set;  // a setter succeeded since open
};

struct uvc_device_handle {
    uvc_device *dev = nullptr;
    libusb_device_handle usb = {-1, 0, 0};
    uvc_input_terminal_t terminal = {};  // the camera's entities, fixed at open
    uvc_processing_unit_t processing_unit = {};

    std::mutex control_mutex;  // guards ct, pu, pantilt, extension_data, last_extension
    ControlValue ct[24] = {};
    ControlValue pu[15] = {};
    bool pantilt_set = false;
    uint8_t pantilt[4] = {};
    std::map<uint16_t, std::vector<uint8_t>> extension_data;  // by control selector
    bool extension_seen = false;
    uint8_t extension_type = 0, extension_request = 0;
    uint16_t extension_value = 0, extension_index = 0, extension_length = 0;
    std::vector<uint8_t> extension_bytes;

    std::mutex stream_mutex;  // guards stream_thread, stream_cpu_clock, negotiated
    std::thread stream_thread;
    clockid_t stream_cpu_clock = 0;
    StreamFormat negotiated;  // the last negotiation: the stream's and the stills' format
    std::atomic<int64_t> callback_cpu_ns{0};  // camera thread CPU inside the frame callback
    // Stop request of the stream thread, and its wake-up.
    std::mutex wake_mutex;  // guards stop_requested
    std::condition_variable wake;
    bool stop_requested = false;

    std::mutex still_mutex;  // guards probe, committed, has_commit, still_pending
    StillSettings probe;
    StillSettings committed;
    bool has_commit = false;
    bool still_pending = false;

    std::mutex fault_mutex;  // guards faults
    FaultSettings faults;

    // Guards status_queue, status_stop, status_cb, status_user, status_registration and
    // status_in_callback.
    std::mutex status_mutex;
    std::condition_variable status_wake;
    std::condition_variable status_idle;  // signalled when a callback returns
    std::deque<StatusEvent> status_queue;
    bool status_stop = false;
    bool status_in_callback = false;
    uvc_status_callback_t *status_cb = nullptr;
    void *status_user = nullptr;
    unsigned status_registration = 0;  // counts uvc_set_status_callback calls
    std::thread status_thread;

    std::mutex times_mutex;            // guards handover_ns, frames_delivered
    std::vector<int64_t> handover_ns;  // by sequence modulo its size; -1 unknown
    uint32_t frames_delivered = 0;
};

// True (after a log line naming `call`) when devh is null or its device is gone; `error`
// then receives the code to return.
bool handle_unusable(const uvc_device_handle_t *devh, const char *call, uvc_error_t *error);

// Injected faults. g_open_error: the code every uvc_open fails with (0 off), set at run time;
// it takes precedence over the description's open_error.
extern std::atomic<int> g_open_error;
// The code uvc_open of `dev` fails with, or UVC_SUCCESS; logged when set.
uvc_error_t injected_open_error(const uvc_device *dev);
// The code the handle's fault `field` makes `call` fail with, or UVC_SUCCESS; logged when set.
uvc_error_t injected_error(uvc_device_handle_t *devh, int FaultSettings::*field, const char *call);

// Status interrupts: queue a still-button press and release.
void post_button_press(uvc_device_handle_t *devh);
void start_status_thread(uvc_device_handle_t *devh);
void stop_status_thread(uvc_device_handle_t *devh);

// Stops the stream thread (if any) and waits for it unless called from it.
void stop_stream(uvc_device_handle_t *devh);

// The still sizes of the format stills follow for a stream of `format`.
const std::vector<FrameSize> &still_sizes_for(const CameraDescription &camera, int format);
// Still frame bytes to send on the stream thread if a still was triggered: false otherwise.
bool take_still_request(uvc_device_handle_t *devh, StillSettings *still, int *format);

// True when ctrl was filled by a negotiation on this handle; `format` then describes it.
bool stream_ctrl_valid(const uvc_device_handle_t *devh, const uvc_stream_ctrl_t *ctrl,
                       StreamFormat *format);

// Monotonic hand-over time (ns) of frame `number` of the current or last stream, or -1.
int64_t stream_handover_ns(uvc_device_handle_t *devh, uint32_t number);

// Open handles, so that a program holding only the descriptor can read the camera's counters
// (uvc_testing.h). A handle is listed from open until close.
void register_open_handle(uvc_device_handle_t *devh);
void unregister_open_handle(uvc_device_handle_t *devh);
