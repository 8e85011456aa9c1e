#include "signal_source.h"

#include <cmath>

namespace {

// The clap: a 1 kHz burst that starts at full strength on the clap and dies away within it.
constexpr double kBurstHz = 1000.0;
constexpr int64_t kBurstNs = 150000000;
constexpr double kBurstDecayS = 0.07;
// Between claps: a voiced sound with three harmonics whose pitch wanders like speech, in
// syllables, about 18 dB below the claps.
constexpr double kVoiceLevel = 0.12;
constexpr double kSyllablesPerS = 3.3;

}  // namespace

SignalSource::SignalSource(const MicDescription &mic, int rate, int64_t first_sample_ns)
    : mic_(mic), rate_(rate), first_sample_ns_(first_sample_ns) {}

void SignalSource::generate(int frames, float gain, std::vector<float> *samples) {
    int channels = mic_.channels;
    samples->assign((size_t)frames * channels, 0.0f);
    const int64_t delay_ns = (int64_t)mic_.delay_ms * 1000000;
    for (int f = 0; f < frames; f++, produced_++) {
        const int64_t time_ns = first_sample_ns_ + produced_ * 1000000000LL / rate_;
        float value = 0;
        if (mic_.signal == SignalKind::Clapper || mic_.signal == SignalKind::Sine)
            value = (float)(mic_.amplitude * gain * next_value(time_ns - delay_ns));
        for (int c = 0; c < channels; c++) {
            if (mic_.signal == SignalKind::Noise) {
                // xorshift64*: cheap white noise, each channel its own draw
                noise_state_ ^= noise_state_ >> 12;
                noise_state_ ^= noise_state_ << 25;
                noise_state_ ^= noise_state_ >> 27;
                uint64_t bits = noise_state_ * 0x2545f4914f6cdd1dull;
                value =
                    (float)(mic_.amplitude * gain * ((double)(bits >> 11) / (1ull << 52) - 1.0));
            }
            (*samples)[(size_t)f * channels + c] = value;
        }
    }
}

// One sample (full scale 1) of a sine or the clapper, heard at `heard_ns`.
double SignalSource::next_value(int64_t heard_ns) {
    if (mic_.signal == SignalKind::Clapper)
        return clapper_value(heard_ns);
    double value = std::sin(2 * M_PI * phase_);
    phase_ += mic_.frequency / rate_;
    phase_ -= std::floor(phase_);
    return value;
}

double SignalSource::clapper_value(int64_t heard_ns) {
    const int64_t interval = (int64_t)mic_.clapper_ms * 1000000;
    const int64_t since_clap = ((heard_ns % interval) + interval) % interval;
    if (since_clap < kBurstNs) {
        const double t = since_clap / 1e9;
        return std::exp(-t / kBurstDecayS) * std::sin(2 * M_PI * kBurstHz * t);
    }
    const double seconds = heard_ns / 1e9;
    const double pitch = 150 + 60 * std::sin(2 * M_PI * 0.9 * seconds);
    phase_ += pitch / rate_;
    phase_ -= std::floor(phase_);
    const double syllable =
        std::sin(M_PI * (seconds * kSyllablesPerS - std::floor(seconds * kSyllablesPerS)));
    const double voice = std::sin(2 * M_PI * phase_) + 0.5 * std::sin(4 * M_PI * phase_) +
                         0.25 * std::sin(6 * M_PI * phase_);
    return kVoiceLevel * syllable * syllable * voice / 1.75;
}
