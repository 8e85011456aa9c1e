#include "test_encoder.h"

#include <algorithm>
#include <cmath>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

namespace {

struct CodecDeleter {
    void operator()(AVCodecContext *ctx) const { avcodec_free_context(&ctx); }
};
struct FrameDeleter {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

// Picture size or sound format of the unit's stream.
void describe(TestUnit *unit, const TestStreamFormat &format) {
    if (unit->type == MEDIA_PACKET_VIDEO) {
        unit->width = format.width;
        unit->height = format.height;
    } else {
        unit->sample_rate = format.sample_rate;
        unit->channels = format.channels;
    }
}

TestUnit header_unit(int type, const AVCodecContext *ctx, const TestStreamFormat &format) {
    TestUnit unit;
    unit.type = type;
    unit.header = true;
    unit.data.assign(ctx->extradata, ctx->extradata + ctx->extradata_size);
    describe(&unit, format);
    return unit;
}

// Takes every packet the encoder has ready; times are shifted by `delay` (the encoder's
// priming) so that each stream starts at 0.
void drain(AVCodecContext *ctx, int type, int64_t delay, const TestStreamFormat &format,
           std::vector<TestUnit> *out) {
    AVPacket *packet = av_packet_alloc();
    while (avcodec_receive_packet(ctx, packet) == 0) {
        TestUnit unit;
        unit.type = type;
        unit.key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        unit.pts_us = av_rescale_q(packet->pts + delay, ctx->time_base, {1, 1000000});
        unit.dts_us = av_rescale_q(packet->dts + delay, ctx->time_base, {1, 1000000});
        unit.data.assign(packet->data, packet->data + packet->size);
        describe(&unit, format);
        out->push_back(std::move(unit));
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
}

CodecPtr open_video(const TestStreamFormat &format) {
    const AVCodec *codec = avcodec_find_encoder_by_name("libx264");
    if (!codec)
        return nullptr;
    CodecPtr ctx(avcodec_alloc_context3(codec));
    ctx->width = format.width;
    ctx->height = format.height;
    ctx->time_base = {1, format.fps};
    ctx->framerate = {format.fps, 1};
    ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ctx->gop_size = format.key_interval;
    ctx->max_b_frames = 0;
    ctx->bit_rate = format.video_bitrate;
    ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(ctx->priv_data, "preset", "ultrafast", 0);
    av_opt_set(ctx->priv_data, "tune", "zerolatency", 0);
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return nullptr;
    return ctx;
}

CodecPtr open_audio(const TestStreamFormat &format) {
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec)
        return nullptr;
    CodecPtr ctx(avcodec_alloc_context3(codec));
    ctx->sample_rate = format.sample_rate;
    av_channel_layout_default(&ctx->ch_layout, format.channels);
    ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
    ctx->bit_rate = 64000;
    ctx->time_base = {1, format.sample_rate};
    ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return nullptr;
    return ctx;
}

// A moving gradient, so that every picture differs.
void paint(AVFrame *frame, int index) {
    for (int y = 0; y < frame->height; y++) {
        for (int x = 0; x < frame->width; x++) {
            frame->data[0][y * frame->linesize[0] + x] = static_cast<uint8_t>(x + y + index * 3);
        }
    }
    for (int y = 0; y < frame->height / 2; y++) {
        for (int x = 0; x < frame->width / 2; x++) {
            frame->data[1][y * frame->linesize[1] + x] = static_cast<uint8_t>(128 + index);
            frame->data[2][y * frame->linesize[2] + x] = static_cast<uint8_t>(128 - index);
        }
    }
}

}  // namespace

MediaPacket TestUnit::packet() const {
    MediaPacket packet = {};
    packet.type = type;
    packet.is_header = header ? 1 : 0;
    packet.is_key = key ? 1 : 0;
    packet.pts_us = pts_us;
    packet.dts_us = dts_us;
    packet.data = data.data();
    packet.size = static_cast<int32_t>(data.size());
    packet.width = width;
    packet.height = height;
    packet.sample_rate = sample_rate;
    packet.channels = channels;
    return packet;
}

std::vector<TestUnit> encode_test_stream(const TestStreamFormat &format, double seconds) {
    av_log_set_level(AV_LOG_ERROR);
    std::vector<TestUnit> headers, frames;
    CodecPtr video = open_video(format);
    if (!video)
        return {};
    headers.push_back(header_unit(MEDIA_PACKET_VIDEO, video.get(), format));
    FramePtr picture(av_frame_alloc());
    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = format.width;
    picture->height = format.height;
    av_frame_get_buffer(picture.get(), 0);
    int pictures = static_cast<int>(seconds * format.fps);
    for (int i = 0; i < pictures; i++) {
        av_frame_make_writable(picture.get());
        paint(picture.get(), i);
        picture->pts = i;
        avcodec_send_frame(video.get(), picture.get());
        drain(video.get(), MEDIA_PACKET_VIDEO, 0, format, &frames);
    }
    avcodec_send_frame(video.get(), nullptr);
    drain(video.get(), MEDIA_PACKET_VIDEO, 0, format, &frames);

    if (format.channels > 0) {
        CodecPtr audio = open_audio(format);
        if (!audio)
            return {};
        headers.push_back(header_unit(MEDIA_PACKET_AUDIO, audio.get(), format));
        FramePtr block(av_frame_alloc());
        block->format = AV_SAMPLE_FMT_FLTP;
        block->nb_samples = audio->frame_size;
        block->sample_rate = format.sample_rate;
        av_channel_layout_copy(&block->ch_layout, &audio->ch_layout);
        av_frame_get_buffer(block.get(), 0);
        int64_t total = static_cast<int64_t>(seconds * format.sample_rate);
        for (int64_t at = 0; at < total; at += audio->frame_size) {
            av_frame_make_writable(block.get());
            for (int c = 0; c < format.channels; c++) {
                float *samples = reinterpret_cast<float *>(block->data[c]);
                for (int s = 0; s < audio->frame_size; s++) {
                    samples[s] = 0.3f * std::sin(2 * M_PI * 440.0 * (at + s) / format.sample_rate);
                }
            }
            block->pts = at;
            avcodec_send_frame(audio.get(), block.get());
            drain(audio.get(), MEDIA_PACKET_AUDIO, audio->initial_padding, format, &frames);
        }
        avcodec_send_frame(audio.get(), nullptr);
        drain(audio.get(), MEDIA_PACKET_AUDIO, audio->initial_padding, format, &frames);
    }
    std::stable_sort(frames.begin(), frames.end(),
                     [](const TestUnit &a, const TestUnit &b) { return a.dts_us < b.dts_us; });
    headers.insert(headers.end(), std::make_move_iterator(frames.begin()),
                   std::make_move_iterator(frames.end()));
    return headers;
}
