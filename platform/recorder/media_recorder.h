// The recorder object: 4:2:0 pictures in the colour format it reports, 16-bit PCM in.
#pragma once

#include <atomic>

#include "LibMediaRecorder.h"
#include "encoder_control.h"
#include "recorder_color_format.h"

class MediaRecorderImpl : public MediaRecorder {
  public:
    MediaRecorderImpl() : control_("MediaRecorder") {}

    int Init() override;
    int Release() override { return control_.release(); }
    int SetDebug(int on) override { return control_.setDebug(on); }
    int Start(int width, int height, const char *path) override;
    int Stop() override;
    int SetFrameRate(int fps) override { return control_.setFrameRate(fps); }
    int SetBitrate(int bits_per_second) override { return control_.setBitrate(bits_per_second); }
    int SetSampleRate(int hz) override { return control_.setSampleRate(hz); }
    int SetChannel(int channels) override { return control_.setChannel(channels); }
    int SetBit(int bits_per_sample) override { return control_.setBit(bits_per_sample); }
    int SetAudioByteRate(int bytes_per_second) override {
        return control_.setAudioByteRate(bytes_per_second);
    }
    int write_Buffer(uint8_t *picture, int64_t time_us, int reserved1, int reserved2) override;
    int write_AudioBuffer(uint8_t *pcm, int bytes, int64_t time_us) override {
        return control_.session().writeAudio(pcm, bytes, time_us);
    }
    int SetRecMode(int mode) override { return control_.setRecMode(mode); }
    int GetColorFormat() override { return color_format_; }
    int SetRecType(int type) override { return control_.setRecType(type); }
    int SetPushFunction(MediaPushFunction push, void *context) override {
        return control_.setPushFunction(push, context);
    }
    int SetIFrameInterval(int seconds) override { return control_.setIFrameInterval(seconds); }
    int SetErrorCallback(MediaErrorFunction error, long id) override;
    int SetOutputCallback(MediaOutputFunction output, void *user) override;

    // Released objects are freed once the library instance has no holder.
    bool idle() { return control_.idle(); }
    EncodeStats stats() { return control_.session().stats(); }

  private:
    EncoderControl control_;
    std::atomic<int> color_format_{recorderColorFormat()};
};
