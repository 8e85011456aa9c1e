// USB camera access library (libuvc.so): the calls the camera engine makes on a UVC camera.
//
// On this host the library serves virtual cameras: uvc_find_device2 takes a file descriptor,
// and when it refers to a regular file that file is a virtual camera description (key = value
// lines). The default description, a 1080p MJPEG/YUYV webcam with microphone and still button,
// is platform/uvc/descriptions/webcam1080.conf; the keys are documented there.
//
// Results are UVC_SUCCESS (0) or a negative uvc_error_t unless a call says otherwise. Every
// call accepts null pointers and answers them with UVC_ERROR_INVALID_PARAM. Once a camera is
// unplugged (really, or by its description's unplug_after) every call on it fails with
// UVC_ERROR_NO_DEVICE.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <sys/time.h>

#ifdef __cplusplus
extern "C" {
#endif

// libusb objects are only passed through to the USB audio library.
typedef struct libusb_context libusb_context;
typedef struct libusb_device_handle libusb_device_handle;

typedef enum uvc_error {
    UVC_SUCCESS = 0,
    UVC_ERROR_IO = -1,
    UVC_ERROR_INVALID_PARAM = -2,
    UVC_ERROR_ACCESS = -3,
    UVC_ERROR_NO_DEVICE = -4,  // device not found, or gone (unplugged)
    UVC_ERROR_NOT_FOUND = -5,
    UVC_ERROR_BUSY = -6,     // device already open, stream already running
    UVC_ERROR_TIMEOUT = -7,  // the transfer did not complete: the USB link is unstable
    UVC_ERROR_OVERFLOW = -8,
    UVC_ERROR_PIPE = -9,  // the device stalled the request (unknown unit or selector)
    UVC_ERROR_INTERRUPTED = -10,
    UVC_ERROR_NO_MEM = -11,
    UVC_ERROR_NOT_SUPPORTED = -12,   // control whose bmControls bit is clear, reserved control
    UVC_ERROR_INVALID_DEVICE = -50,  // the description is not a valid camera
    UVC_ERROR_INVALID_MODE = -51,    // format, size or frame index the camera does not offer
    UVC_ERROR_CALLBACK_EXISTS = -52,
    UVC_ERROR_OTHER = -99,
} uvc_error_t;

// Frame format codes as they appear in uvc_frame.frame_format and in the negotiation calls.
// H.264 frames are delivered with UVC_FRAME_FORMAT_MJPEG: that is the code for a compressed
// payload of any size, so a consumer's "compressed or at least width x height x 2 bytes"
// frame check lets them through; the consumer knows the stream is H.264 from negotiating it.
enum uvc_frame_format {
    UVC_FRAME_FORMAT_ANY = 0,  // negotiation: the first format that offers the size
    UVC_FRAME_FORMAT_YUYV = 3,
    UVC_FRAME_FORMAT_MJPEG = 9,
    UVC_FRAME_FORMAT_H264 = 13,  // negotiation only (see above)
    UVC_FRAME_FORMAT_RGBX = 20,  // output of the converters: bytes R, G, B, X per pixel
};

typedef struct uvc_context uvc_context_t;
typedef struct uvc_device uvc_device_t;
typedef struct uvc_device_handle uvc_device_handle_t;

typedef struct uvc_frame {
    void *data;
    size_t data_bytes;    // buffer size; after a copy or conversion, the bytes it holds
    size_t actual_bytes;  // bytes received (a short frame has fewer than its size needs)
    uint32_t width;
    uint32_t height;
    enum uvc_frame_format frame_format;
    size_t step;        // bytes per row of uncompressed pictures, 0 for compressed ones
    uint32_t sequence;  // frame number of the stream, from 1
    struct timeval capture_time;
    uvc_device_handle_t *source;
    uint8_t library_owns_data;
    uint8_t is_still;  // set on the frame of a still-image transfer
    uint8_t in_use;    // left to the frame's owner; the library never touches it
} uvc_frame_t;

// Stream control block: provided by the caller, filled by the negotiation calls.
typedef struct uvc_stream_ctrl {
    uint16_t bmHint;
    uint8_t bFormatIndex;
    uint8_t bFrameIndex;
    uint32_t dwFrameInterval;  // 100 ns units
    uint16_t wKeyFrameRate;
    uint16_t wPFrameRate;
    uint16_t wCompQuality;
    uint16_t wCompWindowSize;
    uint16_t wDelay;
    uint32_t dwMaxVideoFrameSize;
    uint32_t dwMaxPayloadTransferSize;
    uint32_t dwClockFrequency;
    uint8_t bmFramingInfo;
    uint8_t bPreferredVersion;
    uint8_t bMinVersion;
    uint8_t bMaxVersion;
    uint8_t bInterfaceNumber;
    // Library bookkeeping: what was negotiated and on which open camera.
    int negotiated_format;  // UVC_FRAME_FORMAT_YUYV, _MJPEG or _H264
    uint16_t wWidth;
    uint16_t wHeight;
    const uvc_device_handle_t *owner;
    uint32_t signature;
} uvc_stream_ctrl_t;

typedef struct uvc_frame_desc {
    uint8_t bDescriptorSubtype;  // 0x05 uncompressed, 0x07 MJPEG, 0x11 frame-based (H.264)
    uint8_t bFrameIndex;
    uint8_t bmCapabilities;
    uint16_t wWidth;
    uint16_t wHeight;
    uint32_t dwMinBitRate;
    uint32_t dwMaxBitRate;
    uint32_t dwMaxVideoFrameBufferSize;
    uint32_t dwDefaultFrameInterval;  // 100 ns units
    uint32_t dwMinFrameInterval;
    uint32_t dwMaxFrameInterval;
    uint32_t dwFrameIntervalStep;
} uvc_frame_desc_t;

// Entities of the control interface; lists linked through `next`.
typedef struct uvc_input_terminal {
    struct uvc_input_terminal *prev, *next;
    uint8_t bTerminalID;     // 1
    uint16_t wTerminalType;  // 0x0201 camera
    uint16_t wObjectiveFocalLengthMin;
    uint16_t wObjectiveFocalLengthMax;
    uint16_t wOcularFocalLength;
    uint64_t bmControls;  // bit n: control n of the camera terminal table
} uvc_input_terminal_t;

typedef struct uvc_processing_unit {
    struct uvc_processing_unit *prev, *next;
    uint8_t bUnitID;  // 2
    uint8_t bSourceID;
    uint64_t bmControls;  // bit n: control n of the processing unit table
} uvc_processing_unit_t;

// The extension unit answering uvc_send/recv_extensionMessage has this id (high byte of wIndex).
#define UVC_EXTENSION_UNIT_ID 3

enum uvc_req_code {
    UVC_RC_UNDEFINED = 0x00,
    UVC_SET_CUR = 0x01,
    UVC_GET_CUR = 0x81,
    UVC_GET_MIN = 0x82,
    UVC_GET_MAX = 0x83,
    UVC_GET_RES = 0x84,
    UVC_GET_LEN = 0x85,
    UVC_GET_INFO = 0x86,
    UVC_GET_DEF = 0x87,
};

// Status interrupts: the still button arrives as class UVC_STATUS_CLASS_STREAMING, event 0,
// data bytes (0, 1) on press and (0, 0) on release.
enum uvc_status_class {
    UVC_STATUS_CLASS_CONTROL = 1,
    UVC_STATUS_CLASS_STREAMING = 2,
};

enum uvc_status_attribute {
    UVC_STATUS_ATTRIBUTE_VALUE_CHANGE = 0x00,
    UVC_STATUS_ATTRIBUTE_INFO_CHANGE = 0x01,
    UVC_STATUS_ATTRIBUTE_FAILURE_CHANGE = 0x02,
    UVC_STATUS_ATTRIBUTE_UNKNOWN = 0xff,
};

// Runs on the library's streaming thread; the frame is valid only during the call.
typedef void(uvc_frame_callback_t)(uvc_frame_t *frame, void *user_ptr);
// Runs on the library's status thread.
typedef void(uvc_status_callback_t)(enum uvc_status_class status_class, int event, int selector,
                                    enum uvc_status_attribute status_attribute, void *data,
                                    size_t data_len, void *user_ptr);

// --- context, device, handle ---
// usb_ctx may be null (the library makes its own); usbfs is the USB file-system path, unused.
uvc_error_t uvc_init2(uvc_context_t **ctx, libusb_context *usb_ctx, const char *usbfs);
void uvc_exit(uvc_context_t *ctx);
// Finds the camera behind fd; its ids must equal vid and pid. serial may be null.
uvc_error_t uvc_find_device2(uvc_context_t *ctx, uvc_device_t **dev, int vid, int pid,
                             const char *serial, int fd);
void uvc_unref_device(uvc_device_t *dev);
// A device can be open once at a time (UVC_ERROR_BUSY otherwise).
uvc_error_t uvc_open(uvc_device_t *dev, uvc_device_handle_t **devh);
// Stops streaming and the status thread, then frees the handle.
void uvc_close(uvc_device_handle_t *devh);
// The libusb objects behind a context and an open camera, for the USB audio library.
libusb_context *uvc_get_libusb_context(uvc_context_t *ctx);
libusb_device_handle *uvc_get_libusb_handle(uvc_device_handle_t *devh);

// Diagnostic data. data[0] format code of the camera default (9 MJPEG, 3 YUYV), data[1]
// width, data[2] height, data[3] frame index, data[4] frames per second, then for each
// streamable format (MJPEG, YUYV, H.264 in this order, absent ones skipped): format code,
// number of sizes n, n width/height pairs. *count receives the number of entries written
// (at most 1020).
uvc_error_t uvc_get_devInfo(uvc_device_handle_t *devh, int *data, int *count);

// --- streaming ---
// Negotiates format, size and frame index. frame_index is the 1-based position of the size
// in the format's list; 0 picks the size by width and height. With an index, width and height
// may be 0 or must match the indexed size. format UVC_FRAME_FORMAT_ANY takes the first of
// the camera default's format, MJPEG, YUYV that offers the size; UVC_FRAME_FORMAT_H264
// negotiates the H.264 stream.
uvc_error_t uvc_get_stream_ctrl_format_size(uvc_device_handle_t *devh, uvc_stream_ctrl_t *ctrl,
                                            int format, int width, int height, int frame_index);
// As above; stream_kind 2 negotiates the camera's H.264 stream whatever `format` says (sizes
// and index from its H.264 list), any other value behaves like the call above.
uvc_error_t uvc_get_stream_ctrl_format_size1(uvc_device_handle_t *devh, uvc_stream_ctrl_t *ctrl,
                                             int format, int width, int height, int frame_index,
                                             int stream_kind);
// The descriptor of the negotiated frame, copied into *desc.
uvc_error_t uvc_get_frame_desc(uvc_device_handle_t *devh, const uvc_stream_ctrl_t *ctrl,
                               uvc_frame_desc_t *desc);
// Starts a library thread that delivers frames at the frame rate to cb until stopped.
// UVC_ERROR_BUSY when a stream already runs.
uvc_error_t uvc_start_iso_streaming(uvc_device_handle_t *devh, uvc_stream_ctrl_t *ctrl,
                                    uvc_frame_callback_t *cb, void *user_ptr);
// Returns when no frame callback runs and none will; harmless without a stream.
void uvc_stop_streaming(uvc_device_handle_t *devh);
// Registers (or with null clears) the status callback. Returns once no call of the previous
// callback runs (unless called from that callback), so its owner may go away afterwards.
void uvc_set_status_callback(uvc_device_handle_t *devh, uvc_status_callback_t *cb, void *user_ptr);

// --- stills ---
// The camera's still method: 0 none, 1 still taken from the video stream, 2 dedicated still
// frame after a still trigger. Negative on error.
int uvc_get_StillMethod(uvc_device_handle_t *devh);
// list[0] = n, then n width/height pairs of the still sizes of format 9 (MJPEG) or 3 (YUYV);
// list must hold 100 ints. UVC_ERROR_NOT_SUPPORTED when the camera has no stills of it.
uvc_error_t uvc_get_current_resolution(uvc_device_handle_t *devh, int format, int *list);
// The 1-based frame index of a still size of format 9, 13 (its MJPEG stills) or 3; negative
// when the camera has no such still size.
int uvc_get_current_resolution_Index(uvc_device_handle_t *devh, int format, int width, int height);
// Still probe: the camera adjusts the four values (the compression index to 1, the sizes to
// the still frame's) and answers the still pixel kind: 1 YUYV, 2 MJPEG. The stills follow
// the negotiated stream's format (MJPEG for H.264 streams).
int uvc_set_still_probe(uvc_device_handle_t *devh, uint8_t bFrameIndex, uint8_t bCompressionIndex,
                        uint32_t dwMaxVideoFrameSize, uint32_t dwMaxPayloadTransferSize);
uvc_error_t uvc_get_still_probe(uvc_device_handle_t *devh, uint8_t *bFrameIndex,
                                uint8_t *bCompressionIndex, int *dwMaxVideoFrameSize,
                                int *dwMaxPayloadTransferSize);
uvc_error_t uvc_set_still_commit(uvc_device_handle_t *devh, uint8_t bFrameIndex,
                                 uint8_t bCompressionIndex, uint32_t dwMaxVideoFrameSize,
                                 uint32_t dwMaxPayloadTransferSize);
// Still trigger: the streaming thread sends one frame of the committed still size with
// is_still 1 through the frame callback. Needs a commit and a running stream.
uvc_error_t uvc_set_still_image(uvc_device_handle_t *devh);

// --- frames and conversion ---
// A frame owning a buffer of data_bytes bytes (data_bytes may be 0), or null.
uvc_frame_t *uvc_allocate_frame(size_t data_bytes);
void uvc_free_frame(uvc_frame_t *frame);
// Copies in->actual_bytes bytes and the frame's fields into out; out->data_bytes and
// out->actual_bytes then hold the copied count. Non-zero when they do not fit out's buffer
// (out->data_bytes before the copy); out is then unchanged.
uvc_error_t uvc_copy_frame(uvc_frame_t *in, uvc_frame_t *out);
// YUYV or MJPEG into R, G, B, X (out needs width x height x 4 bytes of buffer).
uvc_error_t uvc_any2rgbx(uvc_frame_t *in, uvc_frame_t *out);
uvc_error_t uvc_yuyv2rgbx(uvc_frame_t *in, uvc_frame_t *out);

// --- controls ---
// Getters: (handle, value, request code) with GET_CUR, GET_MIN, GET_MAX, GET_RES, GET_DEF,
// GET_LEN (bytes of the control's data) or GET_INFO (3: get and set supported).
// Setters: (handle, value). Values outside the control's range give UVC_ERROR_INVALID_PARAM,
// a control whose bmControls bit is clear UVC_ERROR_NOT_SUPPORTED. Controls whose UVC data
// has several fields are read and written through their first field (pan for pan/tilt
// absolute, blue for the white balance component, the step for the relative controls, the
// top edge for the digital window and region of interest); the others keep their values.
typedef uvc_error_t(uvc_control_getter_t)(uvc_device_handle_t *devh, int *value,
                                          enum uvc_req_code req_code);
typedef uvc_error_t(uvc_control_setter_t)(uvc_device_handle_t *devh, int value);

// Camera terminal, bmControls bits 0-21.
uvc_control_getter_t uvc_get_scanning_mode, uvc_get_ae_mode, uvc_get_ae_priority,
    uvc_get_exposure_abs, uvc_get_exposure_rel, uvc_get_focus_abs, uvc_get_focus_rel,
    uvc_get_iris_abs, uvc_get_iris_rel, uvc_get_zoom_abs, uvc_get_zoom_rel, uvc_get_pantilt_abs,
    uvc_get_pantilt_rel, uvc_get_roll_abs, uvc_get_roll_rel, uvc_get_focus_auto, uvc_get_privacy,
    uvc_get_digital_window, uvc_get_digital_roi;
uvc_control_setter_t uvc_set_scanning_mode, uvc_set_ae_mode, uvc_set_ae_priority,
    uvc_set_exposure_abs, uvc_set_exposure_rel, uvc_set_focus_abs, uvc_set_focus_rel,
    uvc_set_iris_abs, uvc_set_iris_rel, uvc_set_zoom_abs, uvc_set_zoom_rel, uvc_set_pantilt_abs,
    uvc_set_roll_abs, uvc_set_roll_rel, uvc_set_focus_auto, uvc_set_privacy, uvc_set_digital_window,
    uvc_set_digital_roi;
// Relative pan/tilt: directions -1, 0 or 1 (pan within the pantilt_rel range), any speed.
// Called through a table as (handle, value), value carries the pan direction.
uvc_error_t uvc_set_pantilt_rel(uvc_device_handle_t *devh, int8_t pan_rel, uint8_t pan_speed,
                                int8_t tilt_rel, uint8_t tilt_speed);

// Processing unit, bmControls bits 0-14.
uvc_control_getter_t uvc_get_brightness, uvc_get_contrast, uvc_get_hue, uvc_get_saturation,
    uvc_get_sharpness, uvc_get_gamma, uvc_get_white_balance_temperature,
    uvc_get_white_balance_component, uvc_get_backlight_compensation, uvc_get_gain,
    uvc_get_powerline_freqency, uvc_get_hue_auto, uvc_get_white_balance_temperature_auto,
    uvc_get_white_balance_component_auto, uvc_get_digital_multiplier;
uvc_control_setter_t uvc_set_brightness, uvc_set_contrast, uvc_set_hue, uvc_set_saturation,
    uvc_set_sharpness, uvc_set_gamma, uvc_set_white_balance_temperature,
    uvc_set_white_balance_component, uvc_set_backlight_compensation, uvc_set_gain,
    uvc_set_powerline_freqency, uvc_set_hue_auto, uvc_set_white_balance_temperature_auto,
    uvc_set_white_balance_component_auto, uvc_set_digital_multiplier;

// Placeholder for reserved table slots: makes no request and returns UVC_ERROR_NOT_SUPPORTED.
// Its single parameter lets it stand in for getters and setters alike.
int uvc_reserved(uvc_device_handle_t *devh);

// First entity of each list (never more than one here); null when the camera has none.
const uvc_input_terminal_t *uvc_get_input_terminals(uvc_device_handle_t *devh);
const uvc_processing_unit_t *uvc_get_processing_units(uvc_device_handle_t *devh);

// Class-specific requests to the extension unit (wIndex high byte UVC_EXTENSION_UNIT_ID,
// control selector in the wValue high byte). Send: host-to-device (bmRequestType bit 7
// clear), SET_CUR; the unit keeps the bytes per selector; 0 on success. Receive:
// device-to-host (bit 7 set), GET_CUR answers the selector's bytes (zeros when never set,
// up to wLength), GET_LEN its length (2 bytes), GET_INFO 3; the result is the positive byte
// count received. Requests to other units or with other request codes stall
// (UVC_ERROR_PIPE).
int uvc_send_extensionMessage(uvc_device_handle_t *devh, uint8_t bmRequestType, uint8_t bRequest,
                              uint16_t wValue, uint16_t wIndex, unsigned char *data,
                              uint16_t wLength);
int uvc_recv_extensionMessage(uvc_device_handle_t *devh, uint8_t bmRequestType, uint8_t bRequest,
                              uint16_t wValue, uint16_t wIndex, unsigned char *data,
                              uint16_t wLength);

#ifdef __cplusplus
}
#endif
