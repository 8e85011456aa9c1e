// A block of samples as it travels through a device's graph.
#pragma once

#include <cstdint>
#include <vector>

struct AudioBlock {
    int rate = 0;                // Hz
    int channels = 0;            // samples are interleaved
    int bits = 16;               // sample size the block is delivered in
    int64_t first_us = 0;        // monotonic time of the first sample
    std::vector<float> samples;  // full scale is +-1.0

    int frames() const { return channels > 0 ? (int)(samples.size() / channels) : 0; }
};

// The time `frames` sample frames after `start_us` at `rate`.
inline int64_t time_after_frames(int64_t start_us, int64_t frames, int rate) {
    return start_us + (frames * 1000000 + rate / 2) / rate;
}
