// The floor the engine is measured against: the least work that turns the same camera frames
// into pictures in a window-sized buffer.
#pragma once

#include "bench_support.h"

// Process CPU seconds per frame for `count` frames taken in turn from `frames` (format 9 MJPEG,
// 3 YUYV or 13 H.264, width x height). With `fps` > 0 the frames are paced at that rate, as a
// camera paces the engine; with 0 they run back to back. H.264 frames must start at a key
// frame; they are decoded by the decoder library, whose worker threads the process CPU counts.
double floor_cpu_per_frame(int format, int width, int height, const RecordedFrames &frames,
                           int count, int fps);
