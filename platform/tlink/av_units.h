// libavformat helpers shared by the RTMP and RTSP publishers.
#pragma once

#include <cstdint>

#include "publisher.h"

extern "C" {
#include <libavformat/avformat.h>
}

// Fills `par` for the stream of `type` (MEDIA_PACKET_VIDEO / _AUDIO) from its header.
// 0 or an AVERROR.
int fill_codec_parameters(AVCodecParameters *par, int type, const StreamHeader &header);

// The decoding time of the last unit written to a stream, as given and in the stream's base.
struct StreamClock {
    int64_t last_dts_us = AV_NOPTS_VALUE;
    int64_t last_dts = AV_NOPTS_VALUE;
};

// Writes `unit` to stream `index` of `ctx`. A unit later than the last one that rounds to the
// same time in the stream's base goes one tick later (two pictures in one millisecond are both
// sent); one not later than the last is skipped. 1 when skipped, 0 when written, else an
// AVERROR.
int write_unit(AVFormatContext *ctx, int index, const EncodedUnit &unit, int64_t pts_us,
               int64_t dts_us, StreamClock *clock);

// A libavformat failure as a send status: end of stream means the peer closed (socket read),
// an abort is TL_ERROR_PENDING, anything else `code` with its errno.
SendStatus status_from_averror(int averror, int code);

// Interrupt callback for libavformat; `opaque` is the publisher's abort flag.
int abort_requested(void *opaque);
