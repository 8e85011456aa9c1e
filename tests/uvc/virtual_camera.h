// Test helper: a virtual camera opened from a description text or file.
#pragma once

#include <libuvc/libuvc.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "description_file.h"

#include "uvc_testing.h"

// The default webcam's description text; the lines of `extra` replace or add keys.
std::string webcam_text(const std::string &extra = "");

// Ids of the default webcam description.
constexpr int kWebcamVid = 0x1bcf;
constexpr int kWebcamPid = 0x2c9a;

// Context, device and open handle of one camera; closed in reverse on destruction.
struct OpenCamera {
    uvc_context_t *ctx = nullptr;
    uvc_device_t *dev = nullptr;
    uvc_device_handle_t *devh = nullptr;
    uvc_error_t find_result = UVC_SUCCESS;
    uvc_error_t open_result = UVC_SUCCESS;

    OpenCamera(int fd, int vid, int pid);
    ~OpenCamera();
};

struct HeldDescription {
    explicit HeldDescription(const std::string &text) : file(text) {}
    DescriptionFile file;
};
// A camera opened from description `text`, which it keeps open with it.
struct DescribedCamera : HeldDescription, OpenCamera {
    explicit DescribedCamera(const std::string &text, int vid = kWebcamVid, int pid = kWebcamPid)
        : HeldDescription(text), OpenCamera(file.fd(), vid, pid) {}
};

// Frames a stream delivered, copied out of the callback.
struct CollectedFrame {
    std::vector<uint8_t> data;
    uint32_t width, height, sequence;
    int format;
    bool is_still;
};

class FrameCollector {
  public:
    static void callback(uvc_frame_t *frame, void *user);
    std::vector<CollectedFrame> frames();
    // Waits up to `seconds` for at least `count` frames; true when they came.
    bool wait_for(size_t count, double seconds);

  private:
    std::mutex mutex_;  // guards frames_
    std::vector<CollectedFrame> frames_;
};

// Negotiates and starts a stream into `collector`; the result of the first failing call.
uvc_error_t start_stream(uvc_device_handle_t *devh, int format, int width, int height,
                         FrameCollector *collector, int stream_kind = 0);

// Streams until `count` frames came (3 s at most), then stops; the first `count` frames (fewer
// when fewer came).
std::vector<CollectedFrame> collect_frames(uvc_device_handle_t *devh, int format, int width,
                                           int height, size_t count, int stream_kind = 0);

// Converts a collected frame to R, G, B, X with uvc_any2rgbx.
bool to_rgbx(const CollectedFrame &frame, std::vector<uint8_t> *rgbx);
