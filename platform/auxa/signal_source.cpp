#include "signal_source.h"

#include <cmath>

SignalSource::SignalSource(const MicDescription &mic, int rate) : mic_(mic), rate_(rate) {}

void SignalSource::generate(int frames, float gain, std::vector<float> *samples) {
    int channels = mic_.channels;
    samples->assign((size_t)frames * channels, 0.0f);
    double amplitude = mic_.amplitude * gain;
    for (int f = 0; f < frames; f++) {
        for (int c = 0; c < channels; c++) {
            float value = 0;
            if (mic_.signal == SignalKind::Sine) {
                value = (float)(amplitude * std::sin(2 * M_PI * phase_));
            } else if (mic_.signal == SignalKind::Noise) {
                // xorshift64*: cheap white noise, each channel its own draw
                noise_state_ ^= noise_state_ >> 12;
                noise_state_ ^= noise_state_ << 25;
                noise_state_ ^= noise_state_ >> 27;
                uint64_t bits = noise_state_ * 0x2545f4914f6cdd1dull;
                value = (float)(amplitude * ((double)(bits >> 11) / (1ull << 52) - 1.0));
            }
            (*samples)[(size_t)f * channels + c] = value;
        }
        phase_ += mic_.frequency / rate_;
        phase_ -= std::floor(phase_);
    }
}
