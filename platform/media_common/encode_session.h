// One encoding run shared by the recorder and the RGBX encoder: a bounded queue in front of an
// encoder thread that encodes H.264 (and AAC) and hands every unit to the output function, the
// push function and, when asked, an MP4 file of its own.
//
// Writers never wait for encoding: a picture or a block of sound is copied into the queue, or
// refused at once when its kind of job is at the queue's limit (counted as dropped). Times are
// monotonic µs; the outputs count them from the first unit taken, so every run starts at 0.
#pragma once

#include <stdint.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "aac_encoder.h"
#include "encode_queue.h"
#include "h264_encoder.h"
#include "media_formats.h"
#include "mp4_writer.h"

struct EncodeSettings {
    int fps = 0;
    int bitrate = 0;
    int iframe_interval = 1;
    int rec_mode = MEDIA_REC_MODE_VIDEO;
    int rec_type = MEDIA_REC_TYPE_FILE;
    int sample_rate = 0;
    int channels = 0;
    int bits = 16;
    MediaPushFunction push = nullptr;
    void *push_context = nullptr;
    MediaOutputFunction output = nullptr;
    void *output_user = nullptr;
    MediaErrorFunction error = nullptr;
    long error_id = 0;
    bool debug = false;
};

struct EncodeStats {
    int64_t video_taken = 0;
    int64_t video_dropped = 0;
    int64_t video_encoded = 0;  // encoded units delivered
    int64_t audio_taken = 0;
    int64_t audio_dropped = 0;
    int64_t audio_encoded = 0;
    int64_t encode_us = 0;  // wall time spent inside the video encoder
};

class EncodeSession {
  public:
    // Jobs in flight per kind; pictures are large, sound blocks small and frequent.
    static constexpr size_t kVideoJobs = 8;
    static constexpr size_t kAudioJobs = 128;
    // A queue-overflow error is reported at every this many dropped inputs.
    static constexpr int64_t kOverflowReportEvery = 30;

    explicit EncodeSession(const char *log_tag);
    ~EncodeSession();

    // Opens the encoders (and the file), then starts the encoder thread. `color_format` is the
    // layout of the pictures writeVideo's fill produces. 0 on success.
    int start(const EncodeSettings &settings, int width, int height, int color_format,
              const char *path);
    // Encodes everything queued, flushes the encoders, finishes the file; non-zero when not
    // running.
    int stop();
    bool running() const { return running_.load(); }

    // Writes one picture: `fill` gets the queue buffer of the started picture size and returns
    // false when it could not produce the picture. Non-zero when the picture was not taken;
    // MEDIA_ERROR_FILE_FAILED once the file refused a unit.
    using PictureFill = std::function<bool(uint8_t *picture)>;
    int writeVideo(int64_t time_us, const PictureFill &fill);
    int writeAudio(const uint8_t *pcm, int bytes, int64_t time_us);

    int width() const { return width_; }
    int height() const { return height_; }
    int colorFormat() const { return color_format_; }
    EncodeStats stats() const;

  private:
    void run();
    void encodeJob(const EncodeJob &job);
    void deliver(const MediaPacket &unit);
    void deliverHeader(int type, const std::vector<uint8_t> &header);
    void countDrop(std::atomic<int64_t> &dropped, const char *what);
    void report(int code, const std::string &text);
    void closeOutputs();

    const char *const tag_;
    EncodeQueue queue_;
    std::atomic<bool> running_{false};

    std::mutex lifecycle_mutex_;  // guards starting and stopping (thread_ and the set-up below)
    std::thread thread_;
    // Set by start before the queue opens; read by writers only after the queue took a job.
    EncodeSettings settings_;
    int width_ = 0;
    int height_ = 0;
    int color_format_ = 0;
    bool audio_ = false;

    // Owned by the encoder thread while it runs.
    H264Encoder video_encoder_;
    AacEncoder audio_encoder_;
    Mp4Writer file_;
    // Set by the encoder thread when the file refused a unit; writers then refuse pictures
    // with MEDIA_ERROR_FILE_FAILED, the one way an encoder without an error function tells.
    std::atomic<bool> file_failed_{false};
    int64_t base_us_ = INT64_MIN;
    int64_t last_video_us_ = -1;
    bool encode_failure_reported_ = false;

    std::atomic<int64_t> video_taken_{0}, video_dropped_{0}, video_encoded_{0};
    std::atomic<int64_t> audio_taken_{0}, audio_dropped_{0}, audio_encoded_{0};
    std::atomic<int64_t> encode_us_{0};
};

// A path the encoder may write a file to: present, and not a URL ("rtmp://...").
bool isFilePath(const char *path);
