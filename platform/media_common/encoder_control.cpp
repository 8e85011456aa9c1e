#include "encoder_control.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

int EncoderControl::init() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (released_) {
        MEDIA_LOG(tag_, "refused: released");
        return -1;
    }
    if (!avcodec_find_encoder_by_name("libx264") || !avcodec_find_encoder(AV_CODEC_ID_AAC)) {
        MEDIA_LOG(tag_, "H.264 or AAC encoder missing");
        return -1;
    }
    initialised_ = true;
    return 0;
}

int EncoderControl::release() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (released_) {
            MEDIA_LOG(tag_, "already released");
            return -1;
        }
        released_ = true;
    }
    if (session_.running())
        session_.stop();
    return 0;
}

bool EncoderControl::idle() {
    std::lock_guard<std::mutex> lock(mutex_);
    return released_;
}

int EncoderControl::start(int width, int height, const char *path, int color_format) {
    EncodeSettings settings;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (released_ || !initialised_) {
            MEDIA_LOG(tag_, "refused: %s", released_ ? "released" : "Init not done");
            return -1;
        }
        settings = settings_;
    }
    return session_.start(settings, width, height, color_format, path);
}

int EncoderControl::setDebug(int on) {
    return set("SetDebug", [on](EncodeSettings &s) { s.debug = on != 0; });
}

int EncoderControl::setFrameRate(int fps) {
    return set("SetFrameRate", [fps](EncodeSettings &s) { s.fps = fps; });
}

int EncoderControl::setBitrate(int bits_per_second) {
    return set("SetBitrate", [bits_per_second](EncodeSettings &s) { s.bitrate = bits_per_second; });
}

int EncoderControl::setSampleRate(int hz) {
    return set("SetSampleRate", [hz](EncodeSettings &s) { s.sample_rate = hz; });
}

int EncoderControl::setChannel(int channels) {
    return set("SetChannel", [channels](EncodeSettings &s) { s.channels = channels; });
}

int EncoderControl::setBit(int bits_per_sample) {
    return set("SetBit", [bits_per_sample](EncodeSettings &s) { s.bits = bits_per_sample; });
}

int EncoderControl::setAudioByteRate(int bytes_per_second) {
    // The byte rate follows from rate, width and channels; it is only checked for sense.
    if (bytes_per_second <= 0) {
        MEDIA_LOG(tag_, "refused: byte rate %d", bytes_per_second);
        return -1;
    }
    return set("SetAudioByteRate", [](EncodeSettings &) {});
}

int EncoderControl::setRecMode(int mode) {
    if (mode != MEDIA_REC_MODE_VIDEO && mode != MEDIA_REC_MODE_VIDEO_AUDIO) {
        MEDIA_LOG(tag_, "refused: record mode %d", mode);
        return -1;
    }
    return set("SetRecMode", [mode](EncodeSettings &s) { s.rec_mode = mode; });
}

int EncoderControl::setRecType(int type) {
    return set("SetRecType", [type](EncodeSettings &s) { s.rec_type = type; });
}

int EncoderControl::setPushFunction(MediaPushFunction push, void *context) {
    return set("SetPushFunction", [push, context](EncodeSettings &s) {
        s.push = push;
        s.push_context = context;
    });
}

int EncoderControl::setIFrameInterval(int seconds) {
    return set("SetIFrameInterval", [seconds](EncodeSettings &s) { s.iframe_interval = seconds; });
}
