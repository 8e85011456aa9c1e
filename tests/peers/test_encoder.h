// Encodes a synthetic picture and tone with libx264 and AAC into the units a recorder pushes:
// header units first, then frames in decoding-time order. For tests of the media consumers.
#pragma once

#include <cstdint>
#include <vector>

#include "media_packet.h"

struct TestUnit {
    int type = 0;  // MEDIA_PACKET_VIDEO or MEDIA_PACKET_AUDIO
    bool header = false;
    bool key = false;
    int64_t pts_us = 0, dts_us = 0;
    std::vector<uint8_t> data;
    int width = 0, height = 0, sample_rate = 0, channels = 0;

    // A view of this unit, valid while the unit lives.
    MediaPacket packet() const;
};

struct TestStreamFormat {
    int width = 320, height = 240, fps = 25;
    int sample_rate = 44100, channels = 1;  // channels 0: no audio
    int key_interval = 25;                  // frames between key frames
    int video_bitrate = 400000;
};

// The headers followed by `seconds` of frames, empty when an encoder could not be opened.
std::vector<TestUnit> encode_test_stream(const TestStreamFormat &format, double seconds);
