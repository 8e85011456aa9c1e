#include "ff_muxer.h"

#include "encode_session.h"
#include "media_log.h"

static const char kTag[] = "FFMpegLib";

FFMuxerImpl::~FFMuxerImpl() {
    std::lock_guard<std::mutex> lock(mutex_);
    finishLocked();
}

bool FFMuxerImpl::idle() {
    std::lock_guard<std::mutex> lock(mutex_);
    return released_;
}

int FFMuxerImpl::Init(const char *path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (released_ || target_ != Target::kNone) {
        MEDIA_LOG(kTag, "refused: %s", released_ ? "muxer released" : "Init done already");
        return -1;
    }
    if (!path || !*path) {
        MEDIA_LOG(kTag, "refused: no path");
        return -1;
    }
    path_ = path;
    if (!isFilePath(path)) {
        MEDIA_LOG_IF(debug_, kTag, "%s is a stream target: nothing is written here", path);
        target_ = Target::kStream;
        return 0;
    }
    std::string error;
    if (writer_.open(path, &error) != 0) {
        MEDIA_LOG(kTag, "%s", error.c_str());
        return -1;
    }
    target_ = Target::kFile;
    return 0;
}

int FFMuxerImpl::Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (released_) {
        MEDIA_LOG(kTag, "already released");
        return -1;
    }
    finishLocked();
    released_ = true;
    return 0;
}

int FFMuxerImpl::SetVideoParam(const FFMuxerVideoParam *param) {
    if (!param || param->width <= 0 || param->height <= 0 || param->fps <= 0) {
        MEDIA_LOG(kTag, "refused: video parameters missing or not positive");
        return -1;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (started_) {
        MEDIA_LOG(kTag, "refused: already started");
        return -1;
    }
    video_.width = param->width;
    video_.height = param->height;
    video_.fps = param->fps;
    return 0;
}

int FFMuxerImpl::SetAudioParam(const FFMuxerAudioParam *param) {
    if (!param || param->sample_rate <= 0 || param->channels <= 0) {
        MEDIA_LOG(kTag, "refused: audio parameters missing or not positive");
        return -1;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (started_) {
        MEDIA_LOG(kTag, "refused: already started");
        return -1;
    }
    audio_.sample_rate = param->sample_rate;
    audio_.channels = param->channels;
    return 0;
}

int FFMuxerImpl::SetStreamMask(int mask) {
    if (mask != FFMUXER_STREAM_VIDEO && mask != FFMUXER_STREAM_VIDEO_AUDIO) {
        MEDIA_LOG(kTag, "refused: stream mask %d", mask);
        return -1;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (started_) {
        MEDIA_LOG(kTag, "refused: already started");
        return -1;
    }
    mask_ = mask;
    return 0;
}

int FFMuxerImpl::SetDebug(int on, int) {
    std::lock_guard<std::mutex> lock(mutex_);
    debug_ = on != 0;
    return 0;
}

int FFMuxerImpl::WriteVideoHeader(const MediaPacket *packet) {
    return writeHeader(MEDIA_PACKET_VIDEO, packet, &video_.header);
}

int FFMuxerImpl::WriteAudioHeader(const MediaPacket *packet) {
    return writeHeader(MEDIA_PACKET_AUDIO, packet, &audio_.header);
}

int FFMuxerImpl::writeHeader(int type, const MediaPacket *packet, std::vector<uint8_t> *header) {
    if (!packet || packet->type != type || !packet->data || packet->size <= 0) {
        MEDIA_LOG(kTag, "refused: %s header missing, empty or of another stream",
                  type == MEDIA_PACKET_VIDEO ? "video" : "audio");
        return -1;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (started_ || released_) {
        MEDIA_LOG(kTag, "refused: header after Start");
        return -1;
    }
    header->assign(packet->data, packet->data + packet->size);
    return 0;
}

bool FFMuxerImpl::readyLocked() const {
    return !video_.header.empty() && (!hasAudio() || !audio_.header.empty());
}

int FFMuxerImpl::IsReady() {
    std::lock_guard<std::mutex> lock(mutex_);
    return readyLocked() ? 1 : 0;
}

int FFMuxerImpl::IsStarted() {
    std::lock_guard<std::mutex> lock(mutex_);
    return started_ ? 1 : 0;
}

int FFMuxerImpl::Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (released_ || stopped_ || started_ || target_ == Target::kNone || !readyLocked()) {
        MEDIA_LOG(kTag, "refused: %s",
                  released_ || stopped_      ? "muxer finished"
                  : started_                 ? "already started"
                  : target_ == Target::kNone ? "Init not done"
                                             : "stream headers missing");
        return -1;
    }
    if (target_ == Target::kFile) {
        std::string error;
        if (video_.fps <= 0 || (hasAudio() && audio_.sample_rate <= 0)) {
            MEDIA_LOG(kTag, "refused: stream parameters not set");
            return -1;
        }
        if (writer_.start(video_, hasAudio() ? &audio_ : nullptr, &error) != 0) {
            MEDIA_LOG(kTag, "%s", error.c_str());
            return -1;
        }
    }
    started_ = true;
    return 0;
}

int FFMuxerImpl::writeVideoBuffer(const MediaPacket *packet) {
    return writeUnit(MEDIA_PACKET_VIDEO, packet);
}

int FFMuxerImpl::writeAudioBuffer(const MediaPacket *packet) {
    return writeUnit(MEDIA_PACKET_AUDIO, packet);
}

int FFMuxerImpl::writeUnit(int type, const MediaPacket *packet) {
    if (!packet || packet->type != type || packet->is_header) {
        MEDIA_LOG(kTag, "refused: unit missing, a header, or of another stream");
        return -1;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (!started_ || stopped_ || released_) {
        MEDIA_LOG(kTag, "refused: %s", started_ ? "muxer finished" : "not started");
        return -1;
    }
    if (type == MEDIA_PACKET_AUDIO && !hasAudio()) {
        MEDIA_LOG(kTag, "refused: no audio stream in the mask");
        return -1;
    }
    if (target_ == Target::kStream)
        return 0;
    std::string error;
    if (writer_.write(*packet, &error) != 0) {
        MEDIA_LOG(kTag, "%s", error.c_str());
        return -1;
    }
    units_written_++;
    return 0;
}

int FFMuxerImpl::Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!started_ || stopped_) {
        MEDIA_LOG(kTag, "refused: %s", stopped_ ? "already stopped" : "not started");
        // An Init without Start leaves an empty file behind otherwise.
        if (!stopped_)
            finishLocked();
        return -1;
    }
    finishLocked();
    MEDIA_LOG_IF(debug_, kTag, "%s finished, %lld units", path_.c_str(), (long long)units_written_);
    return 0;
}

void FFMuxerImpl::finishLocked() {
    std::string error;
    if (writer_.isOpen() && writer_.finish(&error) != 0)
        MEDIA_LOG(kTag, "%s", error.c_str());
    if (started_)
        stopped_ = true;
}
