// Conversions between the graph's float samples and the PCM bytes and 16-bit frames that
// callbacks and speexdsp take.
#pragma once

#include <cstdint>
#include <vector>

// Signed little-endian PCM of 16, 24 (packed) or 32 bits per sample.
void encode_pcm(const std::vector<float> &samples, int bits, std::vector<uint8_t> *bytes);

struct BlockLevels {
    int peak;  // 0..32767
    int rms;   // 0..32767
};
BlockLevels measure_levels(const std::vector<float> &samples);

// One channel of interleaved samples as 16-bit values (clipped), and back.
void channel_to_int16(const std::vector<float> &samples, int channels, int channel,
                      std::vector<int16_t> *out);
void channel_from_int16(const std::vector<int16_t> &in, int channels, int channel,
                        std::vector<float> *samples);

// Interleaved `from` channels to `to` channels: to mono by averaging, from mono by copying,
// otherwise the first channels are kept and missing ones repeat the input's channels.
void map_channels(const std::vector<float> &in, int from, int to, std::vector<float> *out);
