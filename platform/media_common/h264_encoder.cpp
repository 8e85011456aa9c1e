#include "h264_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

#include <climits>

#include "media_formats.h"
#include "picture_layout.h"

H264Encoder::~H264Encoder() {
    close();
}

void H264Encoder::close() {
    codec_.free();
    header_.clear();
}

static int keyFrameDistance(int fps, int interval_seconds) {
    if (interval_seconds == 0)
        return 1;
    if (interval_seconds < 0 || interval_seconds > INT_MAX / fps)
        return INT_MAX;
    return fps * interval_seconds;
}

int H264Encoder::open(const H264Settings &settings, std::string *error) {
    close();
    if (!validPictureSize(settings.width, settings.height)) {
        *error = "picture size must be even and between 2x2 and 4096x4096";
        return -1;
    }
    if (settings.fps <= 0 || settings.fps > 240 || settings.bitrate <= 0) {
        *error = "frame rate (1..240) and bit rate must be positive";
        return -1;
    }
    if (!knownColorFormat(settings.color_format)) {
        *error = "unknown colour format";
        return -1;
    }
    const AVCodec *codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) {
        *error = "libx264 is not available";
        return -1;
    }
    settings_ = settings;
    if (!codec_.allocate(codec, error))
        return -1;
    codec_.context->width = settings.width;
    codec_.context->height = settings.height;
    codec_.context->time_base = AVRational{1, 1000000};
    codec_.context->framerate = AVRational{settings.fps, 1};
    codec_.context->pix_fmt = settings.color_format == MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR
                                  ? AV_PIX_FMT_NV12
                                  : AV_PIX_FMT_YUV420P;
    codec_.context->bit_rate = settings.bitrate;
    codec_.context->rc_max_rate = settings.bitrate;
    codec_.context->rc_buffer_size = settings.bitrate;
    codec_.context->gop_size = keyFrameDistance(settings.fps, settings.iframe_interval);
    codec_.context->max_b_frames = 0;
    codec_.context->thread_count = 0;
    codec_.context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(codec_.context->priv_data, "preset", "ultrafast", 0);
    av_opt_set(codec_.context->priv_data, "tune", "zerolatency", 0);
    if (!codec_.open(codec, error))
        return -1;
    header_.assign(codec_.context->extradata,
                   codec_.context->extradata + codec_.context->extradata_size);
    codec_.frame->format = codec_.context->pix_fmt;
    codec_.frame->width = settings.width;
    codec_.frame->height = settings.height;
    return 0;
}

// The picture is lent to the encoder for the call only: libx264 copies it in before
// avcodec_send_frame returns, so the buffer is wrapped, not copied.
static void keepBuffer(void *, uint8_t *) {}

int H264Encoder::encode(const uint8_t *picture, int64_t time_us, const PacketSink &sink) {
    if (!codec_.frame)
        return -1;
    const int w = settings_.width, h = settings_.height;
    uint8_t *luma = (uint8_t *)picture;
    uint8_t *chroma = luma + (size_t)w * h;
    codec_.frame->buf[0] = av_buffer_create(luma, (int)yuv420Bytes(w, h), keepBuffer, nullptr,
                                            AV_BUFFER_FLAG_READONLY);
    if (!codec_.frame->buf[0])
        return -1;
    codec_.frame->data[0] = luma;
    codec_.frame->linesize[0] = w;
    codec_.frame->data[1] = chroma;
    if (settings_.color_format == MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR) {
        codec_.frame->linesize[1] = w;
    } else {
        codec_.frame->linesize[1] = w / 2;
        codec_.frame->data[2] = chroma + (size_t)(w / 2) * (h / 2);
        codec_.frame->linesize[2] = w / 2;
    }
    codec_.frame->pts = time_us;
    int result = avcodec_send_frame(codec_.context, codec_.frame);
    av_frame_unref(codec_.frame);
    codec_.frame->format = codec_.context->pix_fmt;
    codec_.frame->width = w;
    codec_.frame->height = h;
    if (result < 0)
        return -1;
    return drain(sink);
}

int H264Encoder::flush(const PacketSink &sink) {
    if (!codec_.context)
        return -1;
    if (avcodec_send_frame(codec_.context, nullptr) < 0)
        return -1;
    return drain(sink);
}

int H264Encoder::drain(const PacketSink &sink) {
    return codec_.drain([this, &sink](const AVPacket &packet) {
        MediaPacket unit = {};
        unit.type = MEDIA_PACKET_VIDEO;
        unit.is_key = (packet.flags & AV_PKT_FLAG_KEY) ? 1 : 0;
        unit.pts_us = packet.pts;
        unit.dts_us = packet.dts;
        unit.data = packet.data;
        unit.size = packet.size;
        unit.width = settings_.width;
        unit.height = settings_.height;
        sink(unit);
    });
}
