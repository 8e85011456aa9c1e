#include "media_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}
#include <libyuv.h>

#include <chrono>
#include <cstring>
#include <string>

#include "decoder_settings.h"
#include "media_log.h"
#include "picture_layout.h"

static const char kTag[] = "MediaDecoder";

MediaDecoderImpl::~MediaDecoderImpl() {
    std::lock_guard<std::mutex> lock(mutex_);
    closeCodecLocked();
}

bool MediaDecoderImpl::idle() {
    std::lock_guard<std::mutex> lock(mutex_);
    return released_;
}

size_t MediaDecoderImpl::pictureBytes() const {
    return yuv420Bytes(width_, height_);
}

int MediaDecoderImpl::Init() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!avcodec_find_decoder(AV_CODEC_ID_H264)) {
        MEDIA_LOG(kTag, "no H.264 decoder");
        return -1;
    }
    initialised_ = true;
    released_ = false;
    return 0;
}

int MediaDecoderImpl::Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    closeCodecLocked();
    running_ = false;
    initialised_ = false;
    released_ = true;
    waiting_.clear();
    spare_.clear();
    changed_.notify_all();
    return 0;
}

int MediaDecoderImpl::SetDebug(int on) {
    std::lock_guard<std::mutex> lock(mutex_);
    debug_ = on != 0;
    return 0;
}

void MediaDecoderImpl::closeCodecLocked() {
    avcodec_free_context(&codec_);
    av_packet_free(&packet_);
    av_frame_free(&frame_);
    sws_freeContext(scaler_);
    scaler_ = nullptr;
}

int MediaDecoderImpl::Start(int width, int height) {
    countStartCall();
    std::lock_guard<std::mutex> lock(mutex_);
    if (takeForcedStartFailure()) {
        MEDIA_LOG(kTag, "refused: start failure forced by a test");
        return -1;
    }
    if (!initialised_ || running_) {
        MEDIA_LOG(kTag, "refused: %s", running_ ? "already started" : "Init not done");
        return -1;
    }
    if (!validPictureSize(width, height)) {
        MEDIA_LOG(kTag, "refused: cannot decode to %dx%d (even sizes up to 4096x4096)", width,
                  height);
        return -1;
    }
    const AVCodec *codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    codec_ = avcodec_alloc_context3(codec);
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (!codec_ || !packet_ || !frame_) {
        closeCodecLocked();
        MEDIA_LOG(kTag, "out of memory");
        return -1;
    }
    // Pictures come out as soon as their access unit went in: no frame threads, no reordering
    // delay beyond what the stream declares.
    codec_->flags |= AV_CODEC_FLAG_LOW_DELAY;
    codec_->thread_type = FF_THREAD_SLICE;
    codec_->thread_count = 2;
    if (avcodec_open2(codec_, codec, nullptr) < 0) {
        closeCodecLocked();
        MEDIA_LOG(kTag, "H.264 decoder did not open");
        return -1;
    }
    width_ = width;
    height_ = height;
    color_format_ = decoderColorFormat();
    stream_width_ = stream_height_ = 0;
    format_changed_ = false;
    waiting_.clear();
    running_ = true;
    changed_.notify_all();
    MEDIA_LOG_IF(debug_, kTag, "started %dx%d, colour format %d", width, height, color_format_);
    return 0;
}

int MediaDecoderImpl::Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!running_) {
        MEDIA_LOG(kTag, "not started");
        return -1;
    }
    running_ = false;
    closeCodecLocked();
    waiting_.clear();
    changed_.notify_all();
    MEDIA_LOG_IF(debug_, kTag, "stopped, %lld pictures dropped", (long long)dropped_);
    return 0;
}

int MediaDecoderImpl::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (codec_)
        avcodec_flush_buffers(codec_);
    waiting_.clear();
    format_changed_ = false;
    stream_width_ = stream_height_ = 0;
    dropped_ = 0;
    return 0;
}

int MediaDecoderImpl::PutData(uint8_t *data, int bytes) {
    countPutCall();
    if (!data || bytes <= 0) {
        MEDIA_LOG(kTag, "refused: %s", data ? "no bytes" : "null buffer");
        return -1;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (!running_) {
        MEDIA_LOG(kTag, "refused: not started");
        return -1;
    }
    if (av_new_packet(packet_, bytes) < 0)
        return -1;
    memcpy(packet_->data, data, bytes);
    int result = avcodec_send_packet(codec_, packet_);
    av_packet_unref(packet_);
    if (result < 0 && result != AVERROR(EAGAIN)) {
        MEDIA_LOG_IF(debug_, kTag, "access unit of %d bytes refused by the decoder", bytes);
        // A broken unit must not stop the stream: the next key frame decodes again.
        receiveFramesLocked();
        return -1;
    }
    return receiveFramesLocked();
}

int MediaDecoderImpl::receiveFramesLocked() {
    for (;;) {
        int result = avcodec_receive_frame(codec_, frame_);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return 0;
        if (result < 0)
            return -1;
        if (stream_width_ && (frame_->width != stream_width_ || frame_->height != stream_height_)) {
            format_changed_ = true;
        }
        stream_width_ = frame_->width;
        stream_height_ = frame_->height;
        std::vector<uint8_t> picture;
        if (!spare_.empty()) {
            picture = std::move(spare_.back());
            spare_.pop_back();
        }
        picture.resize(pictureBytes());
        bool converted = convertLocked(frame_, picture.data());
        av_frame_unref(frame_);
        if (!converted) {
            MEDIA_LOG_IF(debug_, kTag, "picture could not be converted");
            spare_.push_back(std::move(picture));
            continue;
        }
        if (waiting_.size() >= kMaxWaitingPictures) {
            spare_.push_back(std::move(waiting_.front()));
            waiting_.pop_front();
            dropped_++;
        }
        waiting_.push_back(std::move(picture));
        changed_.notify_all();
    }
}

bool MediaDecoderImpl::convertLocked(const AVFrame *frame, uint8_t *out) {
    const int w = width_, h = height_;
    uint8_t *chroma = out + (size_t)w * h;
    uint8_t *cr = chroma + (size_t)(w / 2) * (h / 2);
    const bool semi_planar = color_format_ == MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR;
    const bool plain_420 =
        frame->format == AV_PIX_FMT_YUV420P || frame->format == AV_PIX_FMT_YUVJ420P;
    if (plain_420 && frame->width == w && frame->height == h) {
        if (semi_planar) {
            return libyuv::I420ToNV12(frame->data[0], frame->linesize[0], frame->data[1],
                                      frame->linesize[1], frame->data[2], frame->linesize[2], out,
                                      w, chroma, w, w, h) == 0;
        }
        return libyuv::I420Copy(frame->data[0], frame->linesize[0], frame->data[1],
                                frame->linesize[1], frame->data[2], frame->linesize[2], out, w,
                                chroma, w / 2, cr, w / 2, w, h) == 0;
    }
    // Another size or layout: scale and convert to what Start asked for.
    AVPixelFormat target = semi_planar ? AV_PIX_FMT_NV12 : AV_PIX_FMT_YUV420P;
    scaler_ =
        sws_getCachedContext(scaler_, frame->width, frame->height, (AVPixelFormat)frame->format, w,
                             h, target, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler_)
        return false;
    uint8_t *planes[3] = {out, chroma, semi_planar ? nullptr : cr};
    int strides[3] = {w, semi_planar ? w : w / 2, semi_planar ? 0 : w / 2};
    return sws_scale(scaler_, frame->data, frame->linesize, 0, frame->height, planes, strides) == h;
}

int MediaDecoderImpl::GetDecodeData(uint8_t *buffer, int *info, int size) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    // Even a call that cannot succeed waits, so that a caller looping on it does not spin.
    changed_.wait_until(lock, deadline, [this] { return running_ && !waiting_.empty(); });
    if (!running_ || waiting_.empty())
        return -1;
    if (format_changed_ || takeForcedFormatChange()) {
        format_changed_ = false;
        spare_.push_back(std::move(waiting_.front()));
        waiting_.pop_front();
        MEDIA_LOG_IF(debug_, kTag, "output format changed");
        return MEDIA_DECODER_FORMAT_CHANGED;
    }
    if (!buffer || size < 0 || (size_t)size < pictureBytes()) {
        MEDIA_LOG(kTag, "refused: buffer %s (%d bytes, %zu needed)", buffer ? "too small" : "null",
                  size, pictureBytes());
        return -1;
    }
    std::vector<uint8_t> picture = std::move(waiting_.front());
    waiting_.pop_front();
    memcpy(buffer, picture.data(), picture.size());
    if (info)
        *info = (int)picture.size();
    spare_.push_back(std::move(picture));
    return color_format_;
}

int MediaDecoderImpl::GetColorFormat() {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_ ? color_format_ : decoderColorFormat();
}

const char *MediaDecoderImpl::GetVersion() {
    static const std::string version =
        std::string("MediaDecoder 1.0 (libavcodec ") + LIBAVCODEC_IDENT + ")";
    return version.c_str();
}
