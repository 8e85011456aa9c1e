// The state both encoder objects (recorder and RGBX encoder) keep around their encode session:
// settings gathered before Start, Init and Release, and refusal of calls after Release.
#pragma once

#include <mutex>

#include "encode_session.h"
#include "media_log.h"

class EncoderControl {
  public:
    explicit EncoderControl(const char *log_tag) : tag_(log_tag), session_(log_tag) {}

    // Checks that the encoders exist; non-zero when they do not.
    int init();
    // Stops a running session; later calls are refused.
    int release();
    bool idle();
    // Starts with the settings gathered so far; requires init.
    int start(int width, int height, const char *path, int color_format);
    int stop() { return session_.stop(); }

    // Applies `change` to the settings unless released; 0 or -1.
    template <typename Change>
    int set(const char *what, Change change) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (released_) {
            MEDIA_LOG(tag_, "%s refused: released", what);
            return -1;
        }
        change(settings_);
        return 0;
    }

    // The shared setters of both encoder objects.
    int setDebug(int on);
    int setFrameRate(int fps);
    int setBitrate(int bits_per_second);
    int setSampleRate(int hz);
    int setChannel(int channels);
    int setBit(int bits_per_sample);
    int setAudioByteRate(int bytes_per_second);
    int setRecMode(int mode);
    int setRecType(int type);
    int setPushFunction(MediaPushFunction push, void *context);
    int setIFrameInterval(int seconds);

    EncodeSession &session() { return session_; }
    const char *tag() const { return tag_; }

  private:
    const char *const tag_;
    std::mutex mutex_;  // guards settings_, initialised_, released_
    EncodeSettings settings_;
    bool initialised_ = false;
    bool released_ = false;
    EncodeSession session_;
};
