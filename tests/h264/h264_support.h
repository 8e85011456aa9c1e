// Shared pieces of the H.264 tests: the virtual H.264 camera, and every picture the engine
// draws, seen through the raw-frame callback.
#pragma once

#include <stdint.h>

#include <vector>

#include "engine_fixture.h"

// The camera the engine always streams as H.264, with `pattern` (e.g. "counter",
// "solid #ff0000") and further description lines.
CameraSetup h264_camera(const std::string &pattern = "counter", const std::string &extra = "");

// Waits until the window shows a readable counter past the stream's first frames: the virtual
// camera's encoder (x264 ultrafast) leaves some counter blocks smeared in the P frames of the
// first half second, so those pictures may carry no readable counter.
bool wait_for_readable_counter(CameraSession &s);

// One drawn picture.
struct DrawnPicture {
    int size;
    int64_t counter;      // -1 when the picture carries no valid counter
    bool allOneColour;    // every pixel equals the first
    uint32_t firstPixel;  // bytes R, G, B, X of the first pixel, R lowest
};

// Collects every picture of `width` x `height` that an engine draws, from its raw-frame callback.
class DrawnPictures {
  public:
    DrawnPictures(int width, int height);
    ~DrawnPictures();
    void attach(UVCPreview *engine);
    std::vector<DrawnPicture> taken();
    size_t count();
    // Waits until `count` pictures were collected.
    bool waitFor(size_t count, int timeoutMs = 10000);
};

// Decoder counters read before an action, to compare with afterwards.
struct DecoderCalls {
    int starts, puts;
    static DecoderCalls now();
};
