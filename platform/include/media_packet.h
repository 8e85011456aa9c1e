// One encoded unit as the media libraries hand it on: from the recorder to its output
// callback and push function, from the engine to the muxer, and into the live-stream sender.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    MEDIA_PACKET_VIDEO = 256,
    MEDIA_PACKET_AUDIO = 512,
};

typedef struct MediaPacket {
    int32_t type;         // offset 0: MEDIA_PACKET_VIDEO or MEDIA_PACKET_AUDIO
    uint8_t is_header;    // offset 4: non-zero for codec header data (SPS/PPS, AudioSpecificConfig)
    uint8_t is_key;       // offset 5: non-zero for a key frame (video)
    uint8_t reserved[2];  // offset 6
    int64_t pts_us;       // offset 8: presentation time, microseconds from the stream's start
    int64_t dts_us;       // offset 16: decoding time, microseconds from the stream's start
    const uint8_t *data;  // offset 24: Annex B H.264 or raw AAC; the header bytes for headers
    int32_t size;         // offset 32: bytes at data
    int32_t width;        // video: picture size; audio: 0
    int32_t height;
    int32_t sample_rate;  // audio: rate in Hz and channel count; video: 0
    int32_t channels;
} MediaPacket;

// Where encoded units are pushed (the live-stream library's TlinkPush); `context` is the
// value of the live-stream context slot. Returns 0 when the unit was taken.
typedef int (*MediaPushFunction)(void *context, const MediaPacket *packet);

#ifdef __cplusplus
}
#endif
