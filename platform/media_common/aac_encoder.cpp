#include "aac_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <cstring>

AacEncoder::~AacEncoder() {
    close();
}

void AacEncoder::close() {
    codec_.free();
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
    if (!codec_.allocate(codec, error))
        return -1;
    codec_.context->sample_rate = sample_rate;
    codec_.context->sample_fmt = AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&codec_.context->ch_layout, channels);
    codec_.context->bit_rate = 64000 * channels;
    codec_.context->time_base = AVRational{1, sample_rate};
    codec_.context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (!codec_.open(codec, error))
        return -1;
    channels_ = channels;
    sample_rate_ = sample_rate;
    header_.assign(codec_.context->extradata,
                   codec_.context->extradata + codec_.context->extradata_size);
    codec_.frame->format = AV_SAMPLE_FMT_FLTP;
    codec_.frame->nb_samples = codec_.context->frame_size;
    codec_.frame->sample_rate = sample_rate;
    av_channel_layout_copy(&codec_.frame->ch_layout, &codec_.context->ch_layout);
    if (av_frame_get_buffer(codec_.frame, 0) < 0) {
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
    if (!codec_.context)
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
    const size_t frame_values = (size_t)codec_.context->frame_size * channels_;
    while (pending_.size() >= frame_values) {
        if (encodeFrame(sink) != 0)
            return -1;
    }
    return 0;
}

int AacEncoder::encodeFrame(const PacketSink &sink) {
    if (av_frame_make_writable(codec_.frame) < 0)
        return -1;
    const int frame_size = codec_.context->frame_size;
    const size_t available = pending_.size() / channels_;
    for (int c = 0; c < channels_; c++) {
        float *out = (float *)codec_.frame->data[c];
        for (int i = 0; i < frame_size; i++) {
            out[i] = (size_t)i < available ? pending_[(size_t)i * channels_ + c] / 32768.0f : 0.0f;
        }
    }
    codec_.frame->pts = pending_start_;
    size_t used = std::min(pending_.size(), (size_t)frame_size * channels_);
    pending_.erase(pending_.begin(), pending_.begin() + used);
    pending_start_ += frame_size;
    if (avcodec_send_frame(codec_.context, codec_.frame) < 0)
        return -1;
    return drain(sink);
}

int AacEncoder::flush(const PacketSink &sink) {
    if (!codec_.context)
        return -1;
    if (!pending_.empty() && encodeFrame(sink) != 0)
        return -1;
    if (avcodec_send_frame(codec_.context, nullptr) < 0)
        return -1;
    return drain(sink);
}

int AacEncoder::drain(const PacketSink &sink) {
    return codec_.drain([this, &sink](const AVPacket &packet) {
        MediaPacket unit = {};
        unit.type = MEDIA_PACKET_AUDIO;
        unit.is_key = 1;
        unit.pts_us = samplesToUs(packet.pts);
        unit.dts_us = samplesToUs(packet.dts);
        unit.data = packet.data;
        unit.size = packet.size;
        unit.sample_rate = sample_rate_;
        unit.channels = channels_;
        sink(unit);
    });
}
