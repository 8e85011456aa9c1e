// Producers of the virtual camera's stream payloads: MJPEG, YUYV and H.264. Everything that
// does not depend on the frame number is prepared once when the stream starts.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>

#include "camera_description.h"

class FrameProducer {
  public:
    virtual ~FrameProducer() = default;
    // Builds frame `number`, showing the clap marker when `clap` is set (and the description
    // has a clapper). The bytes stay valid, and may be changed by the caller, until the next
    // call. False when no payload could be made.
    virtual bool produce(uint32_t number, bool clap, uint8_t **data, size_t *bytes) = 0;
};

// format: 3 YUYV, 9 MJPEG, 13 H.264; the description's replay file when it names that format
// and size, the picture pattern otherwise. Null with `error` set when the producer cannot be made.
std::unique_ptr<FrameProducer> make_frame_producer(const CameraDescription &camera, int format,
                                                   int width, int height, std::string *error);

std::unique_ptr<FrameProducer> make_mjpeg_producer(const CameraDescription &camera, int width,
                                                   int height, std::string *error);
std::unique_ptr<FrameProducer> make_yuyv_producer(const CameraDescription &camera, int width,
                                                  int height);
std::unique_ptr<FrameProducer> make_h264_producer(const CameraDescription &camera, int width,
                                                  int height, std::string *error);

// The frames of a recorded stream file, first to last and again (see replay_file.h).
std::unique_ptr<FrameProducer> make_replay_producer(const ReplaySource &source, std::string *error);

// One picture of the pattern showing `number`, as a stand-alone JPEG or YUYV (for stills).
bool make_single_picture(const CameraDescription &camera, int format, int width, int height,
                         uint32_t number, std::string *bytes);
