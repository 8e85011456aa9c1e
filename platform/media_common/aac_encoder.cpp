#include "aac_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
}

#include <cstring>

AacEncoder::~AacEncoder() {
    close();
}

void AacEncoder::close() {
    avcodec_free_context(&context_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    header_.clear();
    pending_.clear();
    pending_start_ = -1;
}

int AacEncoder::open(int sample_rate, int channels, std::string *error) {
    close();
    if (sample_rate < 8000 || sample_rate > 96000 || channels < 1 || channels > 2) {
        *error = "sample rate must be 8000..96000 Hz and channels 1 or 2";
        return -1;
    }
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec) {
        *error = "no AAC encoder";
        return -1;
    }
    context_ = avcodec_alloc_context3(codec);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!context_ || !frame_ || !packet_) {
        close();
        *error = "out of memory";
        return -1;
    }
    context_->sample_rate = sample_rate;
    context_->sample_fmt = AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&context_->ch_layout, channels);
    context_->bit_rate = 64000 * channels;
    context_->time_base = AVRational{1, sample_rate};
    context_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = avcodec_open2(context_, codec, nullptr);
    if (result < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE];
        *error = std::string("AAC encoder refused the settings: ") +
                 av_make_error_string(text, sizeof(text), result);
        close();
        return -1;
    }
    channels_ = channels;
    sample_rate_ = sample_rate;
    header_.assign(context_->extradata, context_->extradata + context_->extradata_size);
    frame_->format = AV_SAMPLE_FMT_FLTP;
    frame_->nb_samples = context_->frame_size;
    frame_->sample_rate = sample_rate;
    av_channel_layout_copy(&frame_->ch_layout, &context_->ch_layout);
    if (av_frame_get_buffer(frame_, 0) < 0) {
        close();
        *error = "out of memory";
        return -1;
    }
    return 0;
}

int64_t AacEncoder::samplesToUs(int64_t samples) const {
    return samples * 1000000 / sample_rate_;
}

int AacEncoder::encode(const uint8_t *pcm, int bytes, int64_t time_us, const PacketSink &sink) {
    if (!context_)
        return -1;
    const int sample_bytes = 2 * channels_;
    if (!pcm || bytes <= 0 || bytes % sample_bytes != 0)
        return -1;
    int64_t block_start = (time_us < 0 ? 0 : time_us) * sample_rate_ / 1000000;
    if (pending_start_ < 0) {
        pending_start_ = block_start;
    } else {
        int64_t expected = pending_start_ + (int64_t)(pending_.size() / channels_);
        if (samplesToUs(block_start - expected) > kResyncUs) {
            pending_start_ += block_start - expected;
        }
    }
    size_t count = bytes / 2;
    size_t old_size = pending_.size();
    pending_.resize(old_size + count);
    memcpy(pending_.data() + old_size, pcm, count * 2);
    const size_t frame_values = (size_t)context_->frame_size * channels_;
    while (pending_.size() >= frame_values) {
        if (encodeFrame(sink) != 0)
            return -1;
    }
    return 0;
}

int AacEncoder::encodeFrame(const PacketSink &sink) {
    if (av_frame_make_writable(frame_) < 0)
        return -1;
    const int frame_size = context_->frame_size;
    const size_t available = pending_.size() / channels_;
    for (int c = 0; c < channels_; c++) {
        float *out = (float *)frame_->data[c];
        for (int i = 0; i < frame_size; i++) {
            out[i] = (size_t)i < available ? pending_[(size_t)i * channels_ + c] / 32768.0f : 0.0f;
        }
    }
    frame_->pts = pending_start_;
    size_t used = std::min(pending_.size(), (size_t)frame_size * channels_);
    pending_.erase(pending_.begin(), pending_.begin() + used);
    pending_start_ += frame_size;
    if (avcodec_send_frame(context_, frame_) < 0)
        return -1;
    return drain(sink);
}

int AacEncoder::flush(const PacketSink &sink) {
    if (!context_)
        return -1;
    if (!pending_.empty() && encodeFrame(sink) != 0)
        return -1;
    if (avcodec_send_frame(context_, nullptr) < 0)
        return -1;
    return drain(sink);
}

int AacEncoder::drain(const PacketSink &sink) {
    for (;;) {
        int result = avcodec_receive_packet(context_, packet_);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return 0;
        if (result < 0)
            return -1;
        MediaPacket unit = {};
        unit.type = MEDIA_PACKET_AUDIO;
        unit.is_key = 1;
        unit.pts_us = samplesToUs(packet_->pts);
        unit.dts_us = samplesToUs(packet_->dts);
        unit.data = packet_->data;
        unit.size = packet_->size;
        unit.sample_rate = sample_rate_;
        unit.channels = channels_;
        sink(unit);
        av_packet_unref(packet_);
    }
}
