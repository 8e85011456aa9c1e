#include "processing_stage.h"

#include <speex/speex_echo.h>
#include <speex/speex_preprocess.h>

#include <cstdlib>

#include "pcm.h"

namespace {
// The echo canceller's filter covers 100 ms of echo path.
const int kEchoTailFrames = 10;

// Attenuation in dB as speexdsp takes it (negative); 0 keeps speexdsp's default.
void set_attenuation(SpeexPreprocessState *state, int request, int db) {
    if (db == 0)
        return;
    int value = -std::abs(db);
    speex_preprocess_ctl(state, request, &value);
}

void set_switch(SpeexPreprocessState *state, int request, bool on) {
    int value = on ? 1 : 0;
    speex_preprocess_ctl(state, request, &value);
}
}  // namespace

ProcessingStage::~ProcessingStage() {
    for (ChannelState &channel : channels_) {
        if (channel.preprocess)
            speex_preprocess_state_destroy(channel.preprocess);
        if (channel.echo)
            speex_echo_state_destroy(channel.echo);
    }
}

void ProcessingStage::prepare(const AudioBlock &in) {
    rate_ = in.rate;
    frame_size_ = frames_per_block(in.rate);
    framer_ = std::make_unique<BlockFramer>(frame_size_);
    channels_.resize(in.channels);
    for (ChannelState &channel : channels_) {
        channel.preprocess = speex_preprocess_state_init(frame_size_, rate_);
    }
    far_.assign(frame_size_, 0);
}

void ProcessingStage::apply(const ProcessingSettings &settings) {
    for (ChannelState &channel : channels_) {
        SpeexPreprocessState *state = channel.preprocess;
        if (!state)
            continue;
        set_switch(state, SPEEX_PREPROCESS_SET_DENOISE, settings.denoise);
        set_attenuation(state, SPEEX_PREPROCESS_SET_NOISE_SUPPRESS, settings.denoise_db);
        set_switch(state, SPEEX_PREPROCESS_SET_AGC, settings.agc);
        int increment = 40;
        speex_preprocess_ctl(state, SPEEX_PREPROCESS_SET_AGC_INCREMENT, &increment);
        if (settings.agc_level != 0) {
            float level = (float)settings.agc_level;
            speex_preprocess_ctl(state, SPEEX_PREPROCESS_SET_AGC_LEVEL, &level);
        }
        set_switch(state, SPEEX_PREPROCESS_SET_DEREVERB, settings.dereverb);
        if (settings.echo_cancel && !channel.echo) {
            channel.echo = speex_echo_state_init(frame_size_, frame_size_ * kEchoTailFrames);
            if (channel.echo)
                speex_echo_ctl(channel.echo, SPEEX_ECHO_SET_SAMPLING_RATE, &rate_);
        }
        SpeexEchoState *echo = settings.echo_cancel ? channel.echo : nullptr;
        speex_preprocess_ctl(state, SPEEX_PREPROCESS_SET_ECHO_STATE, echo);
        set_attenuation(state, SPEEX_PREPROCESS_SET_ECHO_SUPPRESS, settings.echo_db);
        set_attenuation(state, SPEEX_PREPROCESS_SET_ECHO_SUPPRESS_ACTIVE, settings.echo_active_db);
    }
}

void ProcessingStage::process_frame(AudioBlock &frame) {
    ProcessingSettings settings;
    {
        std::lock_guard<std::mutex> lock(node_->live_mutex);
        settings = node_->processing;
    }
    if (!applied_once_ || !(settings == applied_)) {
        apply(settings);
        applied_ = settings;
        applied_once_ = true;
    }
    if (!settings.any_on())
        return;
    for (int c = 0; c < (int)channels_.size(); c++) {
        ChannelState &channel = channels_[c];
        if (!channel.preprocess)
            continue;
        channel_to_int16(frame.samples, frame.channels, c, &near_);
        if (settings.echo_cancel && channel.echo) {
            // A camera plays nothing back: the far end is silence.
            cleaned_.resize(near_.size());
            speex_echo_cancellation(channel.echo, near_.data(), far_.data(), cleaned_.data());
            near_.swap(cleaned_);
        }
        speex_preprocess_run(channel.preprocess, near_.data());
        channel_from_int16(near_, frame.channels, c, &frame.samples);
    }
}

void ProcessingStage::process(const AudioBlock &in, const EmitBlock &emit) {
    if (!framer_)
        prepare(in);
    framer_->push(in, [&](AudioBlock &frame) {
        process_frame(frame);
        emit(frame);
    });
}
