// AAC-LC encoding of interleaved 16-bit PCM with libavcodec's AAC encoder.
//
// Sound is cut into frames of 1024 samples. Frame times follow the sample count from the first
// block on, so the audio time line has no holes or overlaps; when a block arrives more than
// kResyncUs later than the samples so far account for (a pause), the time line jumps forward.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "encoder_codec.h"
#include "packet_sink.h"

class AacEncoder {
  public:
    static constexpr int64_t kResyncUs = 200000;

    ~AacEncoder();

    int open(int sample_rate, int channels, std::string *error);
    void close();
    bool isOpen() const { return codec_.context != nullptr; }

    // The AudioSpecificConfig.
    const std::vector<uint8_t> &header() const { return header_; }

    // Interleaved 16-bit samples (bytes a multiple of the sample size); time of the first
    // sample in µs from the stream's start.
    int encode(const uint8_t *pcm, int bytes, int64_t time_us, const PacketSink &sink);
    // Encodes what is buffered (padded with silence) and drains the encoder.
    int flush(const PacketSink &sink);

  private:
    int encodeFrame(const PacketSink &sink);
    int drain(const PacketSink &sink);
    int64_t samplesToUs(int64_t samples) const;

    EncoderCodec codec_;
    int channels_ = 0;
    int sample_rate_ = 0;
    std::vector<uint8_t> header_;
    std::vector<int16_t> pending_;  // interleaved samples not yet in a frame
    int64_t pending_start_ = -1;    // time line position of pending_[0], in samples
};
