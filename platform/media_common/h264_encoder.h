// H.264 encoding with libx264 through libavcodec.
//
// Settings chosen to keep up with 1080p30 on two cores: preset "ultrafast", tune "zerolatency"
// (no B-frames, no look-ahead, sliced threads, so each picture comes out as soon as it went in),
// threads chosen by x264, average bit rate with a one-second VBV. Headers (SPS, PPS) are kept
// out of band and given as Annex B by header().
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "encoder_codec.h"
#include "packet_sink.h"

struct H264Settings {
    int width = 0;
    int height = 0;
    int fps = 30;
    int bitrate = 2000000;
    // Seconds between key frames; 0 makes every frame a key frame, negative only the first.
    int iframe_interval = 1;
    // MEDIA_COLOR_FORMAT_YUV420_PLANAR or MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR.
    int color_format = 0;
};

class H264Encoder {
  public:
    ~H264Encoder();

    // 0 on success; on failure `error` says why.
    int open(const H264Settings &settings, std::string *error);
    void close();
    bool isOpen() const { return codec_.context != nullptr; }

    // SPS and PPS, Annex B.
    const std::vector<uint8_t> &header() const { return header_; }

    // Encodes one picture of the opened size and layout; time in µs from the stream's start,
    // strictly increasing. Encoded units go to `sink`. 0 on success.
    int encode(const uint8_t *picture, int64_t time_us, const PacketSink &sink);
    // Drains the encoder.
    int flush(const PacketSink &sink);

  private:
    int drain(const PacketSink &sink);

    EncoderCodec codec_;
    H264Settings settings_;
    std::vector<uint8_t> header_;
};
