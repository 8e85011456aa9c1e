#include "callback_stage.h"

#include "pcm.h"

void CallbackStage::process(const AudioBlock &in, const EmitBlock &emit) {
    CallbackSettings callback;
    {
        std::lock_guard<std::mutex> lock(node_->live_mutex);
        callback = node_->callback;
    }
    if (callback.function) {
        encode_pcm(in.samples, in.bits, &bytes_);
        BlockLevels levels = measure_levels(in.samples);
        AuxaBlockInfo info = {};
        info.sample_rate = in.rate;
        info.channels = (int16_t)in.channels;
        info.bits = (int16_t)in.bits;
        info.peak = levels.peak;
        info.rms = levels.rms;
        info.timestamp_us = in.first_us;
        info.frames = in.frames();
        callback.function(callback.user, bytes_.data(), (int)bytes_.size(), &info);
    }
    emit(in);
}
