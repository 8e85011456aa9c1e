// The floor the engine is measured against: the least work that turns the same camera frames
// into pictures in a window-sized buffer, on one thread.
#pragma once

#include <stdint.h>

#include <vector>

typedef std::vector<std::vector<uint8_t>> RecordedFrames;

// CPU seconds per frame for `count` frames taken in turn from `frames` (format 9 MJPEG or 3
// YUYV, width x height). With `fps` > 0 the frames are paced at that rate, as a camera paces
// the engine; with 0 they run back to back.
double floor_cpu_per_frame(int format, int width, int height, const RecordedFrames &frames,
                           int count, int fps);
