// Converts blocks to the resampler node's rate, channel count and sample size (speexdsp).
#pragma once

#include <memory>

#include "block_framer.h"
#include "block_stage.h"
#include "node.h"

struct SpeexResamplerState_;

class ResamplerStage : public BlockStage {
  public:
    explicit ResamplerStage(const ResamplerSettings &settings) : settings_(settings) {}
    ~ResamplerStage() override;
    void process(const AudioBlock &in, const EmitBlock &emit) override;

  private:
    bool prepare(const AudioBlock &in);

    ResamplerSettings settings_;  // copied when capture starts
    bool prepared_ = false;
    AudioBlock converted_;                       // output format; samples reused block to block
    SpeexResamplerState_ *resampler_ = nullptr;  // null when the rate stays
    std::unique_ptr<BlockFramer> framer_;
    std::vector<float> mapped_;
    int64_t stream_start_us_ = 0;
};
