#include "h264_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
}
#include <libyuv.h>

#include <climits>

#include "media_formats.h"
#include "picture_layout.h"

H264Encoder::~H264Encoder() {
    close();
}

void H264Encoder::close() {
    avcodec_free_context(&context_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
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
    context_ = avcodec_alloc_context3(codec);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!context_ || !frame_ || !packet_) {
        close();
        *error = "out of memory";
        return -1;
    }
    context_->width = settings.width;
    context_->height = settings.height;
    context_->time_base = AVRational{1, 1000000};
    context_->framerate = AVRational{settings.fps, 1};
    context_->pix_fmt = settings.color_format == MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR
                            ? AV_PIX_FMT_NV12
                            : AV_PIX_FMT_YUV420P;
    context_->bit_rate = settings.bitrate;
    context_->rc_max_rate = settings.bitrate;
    context_->rc_buffer_size = settings.bitrate;
    context_->gop_size = keyFrameDistance(settings.fps, settings.iframe_interval);
    context_->max_b_frames = 0;
    context_->thread_count = 0;
    context_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(context_->priv_data, "preset", "ultrafast", 0);
    av_opt_set(context_->priv_data, "tune", "zerolatency", 0);
    int result = avcodec_open2(context_, codec, nullptr);
    if (result < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE];
        *error = std::string("libx264 refused the settings: ") +
                 av_make_error_string(text, sizeof(text), result);
        close();
        return -1;
    }
    header_.assign(context_->extradata, context_->extradata + context_->extradata_size);
    frame_->format = context_->pix_fmt;
    frame_->width = settings.width;
    frame_->height = settings.height;
    if (av_frame_get_buffer(frame_, 0) < 0) {
        close();
        *error = "out of memory";
        return -1;
    }
    return 0;
}

int H264Encoder::encode(const uint8_t *picture, int64_t time_us, const PacketSink &sink) {
    if (!context_ || av_frame_make_writable(frame_) < 0)
        return -1;
    const int w = settings_.width, h = settings_.height;
    const uint8_t *chroma = picture + (size_t)w * h;
    if (settings_.color_format == MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR) {
        libyuv::NV12Copy(picture, w, chroma, w, frame_->data[0], frame_->linesize[0],
                         frame_->data[1], frame_->linesize[1], w, h);
    } else {
        libyuv::I420Copy(picture, w, chroma, w / 2, chroma + (size_t)(w / 2) * (h / 2), w / 2,
                         frame_->data[0], frame_->linesize[0], frame_->data[1], frame_->linesize[1],
                         frame_->data[2], frame_->linesize[2], w, h);
    }
    frame_->pts = time_us;
    if (avcodec_send_frame(context_, frame_) < 0)
        return -1;
    return drain(sink);
}

int H264Encoder::flush(const PacketSink &sink) {
    if (!context_)
        return -1;
    if (avcodec_send_frame(context_, nullptr) < 0)
        return -1;
    return drain(sink);
}

int H264Encoder::drain(const PacketSink &sink) {
    for (;;) {
        int result = avcodec_receive_packet(context_, packet_);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return 0;
        if (result < 0)
            return -1;
        MediaPacket unit = {};
        unit.type = MEDIA_PACKET_VIDEO;
        unit.is_key = (packet_->flags & AV_PKT_FLAG_KEY) ? 1 : 0;
        unit.pts_us = packet_->pts;
        unit.dts_us = packet_->dts;
        unit.data = packet_->data;
        unit.size = packet_->size;
        unit.width = settings_.width;
        unit.height = settings_.height;
        sink(unit);
        av_packet_unref(packet_);
    }
}
