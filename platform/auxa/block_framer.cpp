#include "block_framer.h"

void BlockFramer::push(const AudioBlock &in, const std::function<void(AudioBlock &)> &emit) {
    if (!started_) {
        started_ = true;
        stream_start_us_ = in.first_us;
        pending_.rate = in.rate;
        pending_.channels = in.channels;
        pending_.bits = in.bits;
    }
    pending_.samples.insert(pending_.samples.end(), in.samples.begin(), in.samples.end());
    size_t block_samples = (size_t)frames_per_block_ * pending_.channels;
    size_t used = 0;
    AudioBlock out;
    out.rate = pending_.rate;
    out.channels = pending_.channels;
    out.bits = pending_.bits;
    while (pending_.samples.size() - used >= block_samples) {
        out.first_us = time_after_frames(stream_start_us_, emitted_frames_, out.rate);
        out.samples.assign(pending_.samples.begin() + used,
                           pending_.samples.begin() + used + block_samples);
        used += block_samples;
        emitted_frames_ += frames_per_block_;
        emit(out);
    }
    pending_.samples.erase(pending_.samples.begin(), pending_.samples.begin() + used);
}
