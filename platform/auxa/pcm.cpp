#include "pcm.h"

#include <algorithm>
#include <cmath>

namespace {
int64_t quantize(float sample, int bits) {
    double full = std::ldexp(1.0, bits - 1);
    double value = std::nearbyint((double)sample * full);
    return (int64_t)std::clamp(value, -full, full - 1);
}
}  // namespace

void encode_pcm(const std::vector<float> &samples, int bits, std::vector<uint8_t> *bytes) {
    int width = bits / 8;
    bytes->resize(samples.size() * width);
    uint8_t *out = bytes->data();
    for (float sample : samples) {
        uint64_t value = (uint64_t)quantize(sample, bits);
        for (int i = 0; i < width; i++)
            *out++ = (uint8_t)(value >> (8 * i));
    }
}

BlockLevels measure_levels(const std::vector<float> &samples) {
    double peak = 0, energy = 0;
    for (float sample : samples) {
        peak = std::max(peak, (double)std::fabs(sample));
        energy += (double)sample * sample;
    }
    double rms = samples.empty() ? 0 : std::sqrt(energy / samples.size());
    return {(int)std::min(32767.0, std::nearbyint(peak * 32767)),
            (int)std::min(32767.0, std::nearbyint(rms * 32767))};
}

void channel_to_int16(const std::vector<float> &samples, int channels, int channel,
                      std::vector<int16_t> *out) {
    out->resize(samples.size() / channels);
    for (size_t i = 0; i < out->size(); i++) {
        (*out)[i] = (int16_t)quantize(samples[i * channels + channel], 16);
    }
}

void channel_from_int16(const std::vector<int16_t> &in, int channels, int channel,
                        std::vector<float> *samples) {
    for (size_t i = 0; i < in.size(); i++) {
        (*samples)[i * channels + channel] = in[i] / 32768.0f;
    }
}

void map_channels(const std::vector<float> &in, int from, int to, std::vector<float> *out) {
    size_t frames = in.size() / from;
    out->resize(frames * to);
    for (size_t f = 0; f < frames; f++) {
        const float *frame = &in[f * from];
        float *mapped = &(*out)[f * to];
        if (to == 1) {
            float sum = 0;
            for (int c = 0; c < from; c++)
                sum += frame[c];
            mapped[0] = sum / from;
        } else {
            for (int c = 0; c < to; c++)
                mapped[c] = frame[c % from];
        }
    }
}
