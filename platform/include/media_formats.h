// Values shared by the media libraries: picture layouts, record modes and types.
#pragma once

#include "media_packet.h"

enum {
    // No usable input layout.
    MEDIA_COLOR_FORMAT_NONE = 0,
    // 4:2:0 planar: Y plane, then the Cb plane, then the Cr plane (each half width, half height).
    MEDIA_COLOR_FORMAT_YUV420_PLANAR = 19,
    // 4:2:0 semi-planar: Y plane, then one plane of interleaved Cb, Cr pairs.
    MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR = 21,
};

enum {
    MEDIA_REC_MODE_VIDEO = 2,        // video only
    MEDIA_REC_MODE_VIDEO_AUDIO = 3,  // video and audio
};

// Record type bits: 0x10 file recording, 0x20 live streaming (48 is both).
enum {
    MEDIA_REC_TYPE_FILE = 0x10,
    MEDIA_REC_TYPE_LIVE = 0x20,
};

// Error class under which the encoders report their own failures to the error function.
enum { MEDIA_ERROR_CLASS_ENCODER = 3 };

// Codes reported with MEDIA_ERROR_CLASS_ENCODER.
enum {
    MEDIA_ERROR_ENCODE_FAILED = -1,   // the video or audio encoder refused data
    MEDIA_ERROR_QUEUE_OVERFLOW = -2,  // inputs keep arriving faster than they are encoded
    MEDIA_ERROR_FILE_FAILED = -3,     // the recorder's own MP4 file could not be written
};

// Error report: (id given with the function, error class, code, text).
typedef void (*MediaErrorFunction)(long id, long error_class, int code, char *text);

// Encoded output: (user, MEDIA_PACKET_VIDEO or MEDIA_PACKET_AUDIO, unit). Codec headers come
// first with is_header set (video: SPS and PPS as Annex B; audio: the AudioSpecificConfig),
// then the encoded frames (video: Annex B access units; audio: raw AAC frames). The unit is
// valid only during the call.
typedef void (*MediaOutputFunction)(void *user, int type, const MediaPacket *packet);
