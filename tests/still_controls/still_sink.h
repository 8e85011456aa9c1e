// Collects the stills an engine hands to its still callback, and a camera session set up for
// stills: a small stream, the still callback and a camera id.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "engine_fixture.h"

struct DeliveredStill {
    long camera;
    std::vector<uint8_t> data;
    int kind;
};

// The engine's still callback: keeps every still it receives.
void collect_still(long camera, char *data, int size, int kind);
void clear_stills();
size_t still_count();
// Waits until at least `count` stills arrived; false after `timeoutMs`.
bool wait_stills(size_t count, int timeoutMs = 5000);
DeliveredStill still_at(size_t index);

// Decodes a JPEG into R, G, B, X pixels; false when it is no valid JPEG.
bool decode_jpeg(const std::vector<uint8_t> &jpeg, std::vector<uint8_t> *rgbx, int *width,
                 int *height);

// A still-capable virtual camera with the given still method and still sizes.
CameraSetup still_camera(int stillMethod, const std::string &stillMjpeg = "640x480, 320x240",
                         const std::string &stillYuyv = "320x240, 1280x720");

const long kStillCameraId = 4242;

// A connected session whose engine streams `format` at width x height and delivers stills to
// collect_still with kStillCameraId.
struct StillSession {
    StillSession(const CameraSetup &setup, int format, int width, int height, bool debug = false);
    ~StillSession();
    // Starts the preview and waits until the streaming loop runs, with the still threads up.
    bool start();
    int press();
    // Stalls the camera after its first frame and presses: the camera takes the trigger but
    // sends no still until it streams again. False when the trigger was not taken (read from the
    // captured log: the test captures it).
    bool pressWhileStalled();
    uvc_device_handle_t *handle() { return UVCPreviewTestAccess::handle(session.engine()); }
    UVCPreview *engine() { return session.engine(); }

    CameraSession session;
};
