#include "encode_session.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "media_log.h"

extern "C" {
#include <libavutil/log.h>
}
#include "picture_layout.h"

// libavcodec's own lines (x264 banners and the like) only for errors.
static void quietLibraryLogs() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}

bool isFilePath(const char *path) {
    return path && *path && !strstr(path, "://");
}

EncodeSession::EncodeSession(const char *log_tag) : tag_(log_tag), queue_(kVideoJobs, kAudioJobs) {}

EncodeSession::~EncodeSession() {
    if (running())
        stop();
}

int EncodeSession::start(const EncodeSettings &settings, int width, int height, int color_format,
                         const char *path) {
    quietLibraryLogs();
    std::lock_guard<std::mutex> lock(lifecycle_mutex_);
    if (running_) {
        MEDIA_LOG(tag_, "already started");
        return -1;
    }
    std::string error;
    H264Settings video;
    video.width = width;
    video.height = height;
    video.fps = settings.fps;
    video.bitrate = settings.bitrate;
    video.iframe_interval = settings.iframe_interval;
    video.color_format = color_format;
    if (video_encoder_.open(video, &error) != 0) {
        MEDIA_LOG(tag_, "video encoder: %s (%dx%d, %d fps, %d bit/s)", error.c_str(), width, height,
                  settings.fps, settings.bitrate);
        return -1;
    }
    bool audio = settings.rec_mode == MEDIA_REC_MODE_VIDEO_AUDIO;
    if (audio && settings.bits != 16) {
        MEDIA_LOG(tag_, "audio must be 16-bit PCM, not %d-bit", settings.bits);
        video_encoder_.close();
        return -1;
    }
    if (audio && audio_encoder_.open(settings.sample_rate, settings.channels, &error) != 0) {
        MEDIA_LOG(tag_, "audio encoder: %s (%d Hz, %d channels)", error.c_str(),
                  settings.sample_rate, settings.channels);
        video_encoder_.close();
        return -1;
    }
    if ((settings.rec_type & MEDIA_REC_TYPE_FILE) && !settings.output && isFilePath(path)) {
        Mp4VideoTrack video_track{width, height, settings.fps, video_encoder_.header()};
        Mp4AudioTrack audio_track{settings.sample_rate, settings.channels, audio_encoder_.header()};
        if (file_.open(path, &error) != 0 ||
            file_.start(video_track, audio ? &audio_track : nullptr, &error) != 0) {
            MEDIA_LOG(tag_, "file %s: %s", path, error.c_str());
            closeOutputs();
            return -1;
        }
    }
    settings_ = settings;
    width_ = width;
    height_ = height;
    color_format_ = color_format;
    audio_ = audio;
    file_failed_ = false;
    base_us_ = INT64_MIN;
    last_video_us_ = -1;
    encode_failure_reported_ = false;
    for (auto *counter : {&video_taken_, &video_dropped_, &video_encoded_, &audio_taken_,
                          &audio_dropped_, &audio_encoded_, &encode_us_}) {
        counter->store(0);
    }
    queue_.open(yuv420Bytes(width, height));
    running_ = true;
    thread_ = std::thread(&EncodeSession::run, this);
    MEDIA_LOG_IF(settings.debug, tag_, "started %dx%d format %d, %d fps, %d bit/s, audio %s%s%s",
                 width, height, color_format, settings.fps, settings.bitrate, audio ? "on" : "off",
                 file_.isOpen() ? ", file " : "", file_.isOpen() ? path : "");
    return 0;
}

int EncodeSession::stop() {
    std::lock_guard<std::mutex> lock(lifecycle_mutex_);
    if (!running_) {
        MEDIA_LOG(tag_, "not started");
        return -1;
    }
    running_ = false;
    queue_.close();
    thread_.join();
    closeOutputs();
    queue_.trim();
    EncodeStats s = stats();
    MEDIA_LOG_IF(settings_.debug, tag_,
                 "stopped: video %lld taken, %lld dropped, %lld encoded; audio %lld taken, "
                 "%lld dropped, %lld encoded",
                 (long long)s.video_taken, (long long)s.video_dropped, (long long)s.video_encoded,
                 (long long)s.audio_taken, (long long)s.audio_dropped, (long long)s.audio_encoded);
    return 0;
}

void EncodeSession::closeOutputs() {
    std::string error;
    if (file_.isOpen() && file_.finish(&error) != 0) {
        report(MEDIA_ERROR_FILE_FAILED, error);
    }
    video_encoder_.close();
    audio_encoder_.close();
}

int EncodeSession::writeVideo(int64_t time_us, const PictureFill &fill) {
    if (file_failed_)
        return MEDIA_ERROR_FILE_FAILED;
    EncodeJob job;
    if (!queue_.acquire(JobKind::kVideo, 0 /* the picture size */, &job)) {
        if (!running()) {
            MEDIA_LOG(tag_, "picture refused: not started");
            return -1;
        }
        countDrop(video_dropped_, "picture");
        return -2;
    }
    job.time_us = time_us;
    if (!fill(job.data.data())) {
        queue_.cancel(std::move(job));
        return -1;
    }
    if (!queue_.push(std::move(job))) {
        MEDIA_LOG(tag_, "picture refused: stopped meanwhile");
        return -1;
    }
    video_taken_++;
    return 0;
}

int EncodeSession::writeAudio(const uint8_t *pcm, int bytes, int64_t time_us) {
    if (!pcm || bytes <= 0) {
        MEDIA_LOG(tag_, "sound refused: %s", pcm ? "no bytes" : "null buffer");
        return -1;
    }
    EncodeJob job;
    if (!queue_.acquire(JobKind::kAudio, bytes, &job)) {
        if (!running()) {
            MEDIA_LOG(tag_, "sound refused: not started");
            return -1;
        }
        countDrop(audio_dropped_, "sound block");
        return -2;
    }
    if (!audio_ || bytes % (2 * settings_.channels) != 0) {
        queue_.cancel(std::move(job));
        MEDIA_LOG(tag_, "sound refused: %s", audio_ ? "bytes not whole samples" : "video only");
        return -1;
    }
    job.time_us = time_us;
    memcpy(job.data.data(), pcm, bytes);
    if (!queue_.push(std::move(job))) {
        MEDIA_LOG(tag_, "sound refused: stopped meanwhile");
        return -1;
    }
    audio_taken_++;
    return 0;
}

void EncodeSession::countDrop(std::atomic<int64_t> &dropped, const char *what) {
    int64_t total = video_dropped_.load() + audio_dropped_.load() + 1;
    dropped++;
    MEDIA_LOG_IF(settings_.debug, tag_, "%s dropped: encoder queue full", what);
    if (total % kOverflowReportEvery == 0) {
        report(MEDIA_ERROR_QUEUE_OVERFLOW,
               std::to_string(total) + " inputs dropped: encoder queue full");
    }
}

void EncodeSession::report(int code, const std::string &text) {
    MEDIA_LOG(tag_, "%s", text.c_str());
    if (!settings_.error)
        return;
    std::vector<char> message(text.begin(), text.end());
    message.push_back('\0');
    settings_.error(settings_.error_id, MEDIA_ERROR_CLASS_ENCODER, code, message.data());
}

void EncodeSession::run() {
    deliverHeader(MEDIA_PACKET_VIDEO, video_encoder_.header());
    if (audio_)
        deliverHeader(MEDIA_PACKET_AUDIO, audio_encoder_.header());
    EncodeJob job;
    while (queue_.pop(&job)) {
        encodeJob(job);
        queue_.recycle(std::move(job));
    }
    PacketSink sink = [this](const MediaPacket &unit) { deliver(unit); };
    if (video_encoder_.flush(sink) != 0)
        report(MEDIA_ERROR_ENCODE_FAILED, "video flush failed");
    if (audio_ && audio_encoder_.flush(sink) != 0) {
        report(MEDIA_ERROR_ENCODE_FAILED, "audio flush failed");
    }
}

void EncodeSession::encodeJob(const EncodeJob &job) {
    if (base_us_ == INT64_MIN)
        base_us_ = job.time_us;
    int64_t time_us = job.time_us - base_us_;
    PacketSink sink = [this](const MediaPacket &unit) { deliver(unit); };
    int result;
    if (job.kind == JobKind::kVideo) {
        // The encoder needs strictly increasing times; a late or repeated stamp is nudged.
        if (time_us <= last_video_us_)
            time_us = last_video_us_ + 1;
        last_video_us_ = time_us;
        auto begin = std::chrono::steady_clock::now();
        result = video_encoder_.encode(job.data.data(), time_us, sink);
        encode_us_ += std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - begin)
                          .count();
    } else {
        result = audio_encoder_.encode(job.data.data(), (int)job.data.size(), time_us, sink);
    }
    if (result != 0 && !encode_failure_reported_) {
        encode_failure_reported_ = true;
        report(MEDIA_ERROR_ENCODE_FAILED,
               job.kind == JobKind::kVideo ? "video encoder failed" : "audio encoder failed");
    }
}

void EncodeSession::deliverHeader(int type, const std::vector<uint8_t> &header) {
    MediaPacket unit = {};
    unit.type = type;
    unit.is_header = 1;
    unit.data = header.data();
    unit.size = (int32_t)header.size();
    if (type == MEDIA_PACKET_VIDEO) {
        unit.width = width_;
        unit.height = height_;
    } else {
        unit.sample_rate = settings_.sample_rate;
        unit.channels = settings_.channels;
    }
    deliver(unit);
}

void EncodeSession::deliver(const MediaPacket &unit) {
    if (!unit.is_header) {
        (unit.type == MEDIA_PACKET_VIDEO ? video_encoded_ : audio_encoded_)++;
    }
    if (settings_.output)
        settings_.output(settings_.output_user, unit.type, &unit);
    if (settings_.push) {
        int result = settings_.push(settings_.push_context, &unit);
        MEDIA_LOG_IF(settings_.debug && result != 0, tag_, "push refused a unit: %d", result);
    }
    // The file has its headers already; only frames go in.
    if (file_.isStarted() && !unit.is_header && !file_failed_) {
        std::string error;
        if (file_.write(unit, &error) != 0) {
            file_failed_ = true;
            report(MEDIA_ERROR_FILE_FAILED, "file: " + error);
        }
    }
}

EncodeStats EncodeSession::stats() const {
    EncodeStats s;
    s.video_taken = video_taken_;
    s.video_dropped = video_dropped_;
    s.video_encoded = video_encoded_;
    s.audio_taken = audio_taken_;
    s.audio_dropped = audio_dropped_;
    s.audio_encoded = audio_encoded_;
    s.encode_us = encode_us_;
    return s;
}
