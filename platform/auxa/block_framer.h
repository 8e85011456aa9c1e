// Regroups a stream of blocks into blocks of a fixed frame count, with time stamps counted
// from the stream's first sample so that they stay exact whatever the input's grouping.
#pragma once

#include <functional>

#include "audio_block.h"

class BlockFramer {
  public:
    explicit BlockFramer(int frames_per_block) : frames_per_block_(frames_per_block) {}

    // Takes the samples of `in` (all blocks of one stream share rate, channels and bits) and
    // hands every complete block to `emit`.
    void push(const AudioBlock &in, const std::function<void(AudioBlock &)> &emit);

  private:
    int frames_per_block_;
    bool started_ = false;
    int64_t stream_start_us_ = 0;
    int64_t emitted_frames_ = 0;
    AudioBlock pending_;
};
