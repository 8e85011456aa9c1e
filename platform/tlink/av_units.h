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

// Writes `unit` to stream `index` of `ctx`. 1 when skipped because its decoding time does not
// follow *last_dts (kept in the stream's time base), 0 when written, else an AVERROR.
int write_unit(AVFormatContext *ctx, int index, const EncodedUnit &unit, int64_t pts_us,
               int64_t dts_us, int64_t *last_dts);

// A libavformat failure as a send status: end of stream means the peer closed (socket read),
// an abort is TL_ERROR_PENDING, anything else `code` with its errno.
SendStatus status_from_averror(int averror, int code);

// Interrupt callback for libavformat; `opaque` is the publisher's abort flag.
int abort_requested(void *opaque);
