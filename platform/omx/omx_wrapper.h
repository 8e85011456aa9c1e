// The RGBX encoder object: R, G, B, X pictures (converted here) or ready 4:2:0 pictures in the
// selected colour format, 16-bit PCM; writes the MP4 itself or pushes to a push function.
#pragma once

#include <atomic>

#include "OMXLib.h"
#include "encoder_control.h"

class OMXWrapperImpl : public OMXWrapper {
  public:
    OMXWrapperImpl() : control_("OMX") {}

    int Init() override;
    int Release() override { return control_.release(); }
    int Start(int width, int height, const char *path) override;
    int Stop() override;
    int Reserved6() override { return 0; }
    int SetFrameRate(int fps) override { return control_.setFrameRate(fps); }
    int SetSampleRate(int hz) override { return control_.setSampleRate(hz); }
    int SetChannel(int channels) override { return control_.setChannel(channels); }
    int SetBit(int bits_per_sample) override { return control_.setBit(bits_per_sample); }
    int SetAudioByteRate(int bytes_per_second) override {
        return control_.setAudioByteRate(bytes_per_second);
    }
    int SetBitrate(int bits_per_second) override { return control_.setBitrate(bits_per_second); }
    int Reserved13() override { return 0; }
    int write_Buffer(uint8_t *picture, int64_t time_us, int kind, int colour) override;
    int write_AudioBuffer(uint8_t *pcm, int bytes, int64_t time_us) override {
        return control_.session().writeAudio(pcm, bytes, time_us);
    }
    int SetRecMode(int mode) override { return control_.setRecMode(mode); }
    int SetColorFormat(int format) override;
    int IsConfigured() override { return color_format_ != 0 ? 1 : 0; }
    int SetRecType(int type) override { return control_.setRecType(type); }
    int SetPushFunction(MediaPushFunction push, void *context) override {
        return control_.setPushFunction(push, context);
    }
    int SetIFrameInterval(int seconds) override { return control_.setIFrameInterval(seconds); }

    bool idle() { return control_.idle(); }
    EncodeStats stats() { return control_.session().stats(); }

  private:
    EncoderControl control_;
    std::atomic<int> color_format_{0};
};
