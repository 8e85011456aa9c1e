// The work a node does on the capture thread while a capture runs. A stage is made when capture
// starts and dropped when it stops, so every capture begins from a clean state.
#pragma once

#include <functional>

#include "audio_block.h"

using EmitBlock = std::function<void(const AudioBlock &)>;

class BlockStage {
  public:
    virtual ~BlockStage() = default;
    // Takes one block; every block the node passes on goes to `emit`.
    virtual void process(const AudioBlock &in, const EmitBlock &emit) = 0;
};

// About 10 ms of frames at `rate`, the block length of the whole graph.
inline int frames_per_block(int rate) {
    return rate >= 100 ? rate / 100 : 1;
}
