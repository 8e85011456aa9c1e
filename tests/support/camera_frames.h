// Camera frames taken straight from the camera library, before any engine sees them: the frames
// a test compares the engine's pictures with, and a benchmark's floor works on.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

typedef std::vector<std::vector<uint8_t>> RecordedFrames;

// The first `count` frames of the stream of `format` (3 YUYV, 9 MJPEG, 13 H.264) at `width` x
// `height` of the camera described by descriptor `fd`, as the camera library hands them over;
// fewer when the camera cannot stream them within the guard time.
RecordedFrames record_camera_frames(int fd, int vid, int pid, int format, int width, int height,
                                    size_t count);
