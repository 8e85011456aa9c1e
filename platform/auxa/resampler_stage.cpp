#include "resampler_stage.h"

#include <speex/speex_resampler.h>

#include "pcm.h"

ResamplerStage::~ResamplerStage() {
    if (resampler_)
        speex_resampler_destroy(resampler_);
}

bool ResamplerStage::prepare(const AudioBlock &in) {
    prepared_ = true;
    converted_.rate = settings_.rate ? settings_.rate : in.rate;
    converted_.channels = settings_.channels ? settings_.channels : in.channels;
    converted_.bits = settings_.bits ? settings_.bits : in.bits;
    stream_start_us_ = in.first_us;
    if (converted_.rate != in.rate) {
        int error = 0;
        resampler_ = speex_resampler_init(converted_.channels, in.rate, converted_.rate,
                                          SPEEX_RESAMPLER_QUALITY_DEFAULT, &error);
        if (!resampler_)
            return false;
        // Drop the filter's leading zeros so that output sample 0 is input sample 0.
        speex_resampler_skip_zeros(resampler_);
    }
    framer_ = std::make_unique<BlockFramer>(frames_per_block(converted_.rate));
    return true;
}

void ResamplerStage::process(const AudioBlock &in, const EmitBlock &emit) {
    if (!prepared_ && !prepare(in))
        return;
    if (!framer_)
        return;  // the resampler could not be made; nothing flows on
    map_channels(in.samples, in.channels, converted_.channels, &mapped_);
    converted_.first_us = stream_start_us_;  // the framer counts time from the first block
    if (!resampler_) {
        converted_.samples.swap(mapped_);
    } else {
        spx_uint32_t in_frames = (spx_uint32_t)(mapped_.size() / converted_.channels);
        spx_uint32_t out_frames =
            (spx_uint32_t)((uint64_t)in_frames * converted_.rate / in.rate + 16);
        converted_.samples.resize((size_t)out_frames * converted_.channels);
        speex_resampler_process_interleaved_float(resampler_, mapped_.data(), &in_frames,
                                                  converted_.samples.data(), &out_frames);
        converted_.samples.resize((size_t)out_frames * converted_.channels);
    }
    framer_->push(converted_, emit);
}
