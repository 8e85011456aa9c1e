#include "av_units.h"

#include <cerrno>
#include <cstring>

#include "tlink.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
}

int fill_codec_parameters(AVCodecParameters *par, int type, const StreamHeader &header) {
    if (type == MEDIA_PACKET_VIDEO) {
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_H264;
        par->width = header.width;
        par->height = header.height;
    } else {
        par->codec_type = AVMEDIA_TYPE_AUDIO;
        par->codec_id = AV_CODEC_ID_AAC;
        par->sample_rate = header.sample_rate;
        av_channel_layout_default(&par->ch_layout, header.channels > 0 ? header.channels : 1);
    }
    par->extradata =
        static_cast<uint8_t *>(av_mallocz(header.config.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!par->extradata)
        return AVERROR(ENOMEM);
    memcpy(par->extradata, header.config.data(), header.config.size());
    par->extradata_size = static_cast<int>(header.config.size());
    return 0;
}

int write_unit(AVFormatContext *ctx, int index, const EncodedUnit &unit, int64_t pts_us,
               int64_t dts_us, StreamClock *clock) {
    const AVRational micro = {1, 1000000};
    AVStream *stream = ctx->streams[index];
    int64_t dts = av_rescale_q(dts_us, micro, stream->time_base);
    int64_t pts = av_rescale_q(pts_us < dts_us ? dts_us : pts_us, micro, stream->time_base);
    if (clock->last_dts != AV_NOPTS_VALUE) {
        if (dts_us <= clock->last_dts_us)
            return 1;
        if (dts <= clock->last_dts) {
            pts += clock->last_dts + 1 - dts;
            dts = clock->last_dts + 1;
        }
    }
    AVPacket *packet = av_packet_alloc();
    if (!packet)
        return AVERROR(ENOMEM);
    // The muxer only reads the payload, so it can point at the unit without a copy.
    packet->data = const_cast<uint8_t *>(unit.data.data());
    packet->size = static_cast<int>(unit.data.size());
    packet->stream_index = index;
    packet->pts = pts;
    packet->dts = dts;
    if (unit.key)
        packet->flags |= AV_PKT_FLAG_KEY;
    int ret = av_write_frame(ctx, packet);
    av_packet_free(&packet);
    if (ret >= 0) {
        clock->last_dts_us = dts_us;
        clock->last_dts = dts;
    }
    return ret < 0 ? ret : 0;
}

SendStatus status_from_averror(int averror, int code) {
    if (averror == AVERROR_EOF)
        return {TL_ERROR_SOCKET_READ, ECONNRESET};
    if (averror == AVERROR_EXIT)
        return {TL_ERROR_PENDING, EINTR};
    if (averror < 0 && averror > -4096)
        return {code, -averror};
    return {code, EIO};
}

int abort_requested(void *opaque) {
    return static_cast<const std::atomic<bool> *>(opaque)->load() ? 1 : 0;
}
