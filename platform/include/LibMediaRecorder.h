// Media recorder library (libMediaRecorder_TLink): H.264 + AAC encoder whose output goes to an
// output function, a push function and, on its own, to an MP4 file.
#pragma once

#include <stdint.h>

#include "media_formats.h"
#include "media_packet.h"

// The recorder object. Results are 0 on success unless said otherwise.
class MediaRecorder {
  public:
    virtual ~MediaRecorder() {}
    virtual int Init() = 0;     // prepares; non-zero is a failure
    virtual int Release() = 0;  // stops if needed and destroys the object
    virtual int SetDebug(int on) = 0;
    // Opens the encoders and starts the encoder thread. `path` is the MP4 written when the
    // record type has MEDIA_REC_TYPE_FILE and no output function is set.
    virtual int Start(int width, int height, const char *path) = 0;
    virtual int Stop() = 0;  // encodes what is queued, flushes the encoders, ends the outputs
    virtual int SetFrameRate(int fps) = 0;
    virtual int SetBitrate(int bits_per_second) = 0;
    virtual int SetSampleRate(int hz) = 0;
    virtual int SetChannel(int channels) = 0;
    virtual int SetBit(int bits_per_sample) = 0;  // 16 is the only width accepted by Start
    virtual int SetAudioByteRate(int bytes_per_second) = 0;
    // One picture of width x height in GetColorFormat()'s layout, time in monotonic µs.
    // Non-zero when the picture was not taken (not started, bad argument, queue full).
    virtual int write_Buffer(uint8_t *picture, int64_t time_us, int reserved1, int reserved2) = 0;
    // Interleaved 16-bit PCM; non-zero when not taken.
    virtual int write_AudioBuffer(uint8_t *pcm, int bytes, int64_t time_us) = 0;
    virtual int SetRecMode(int mode) = 0;  // MEDIA_REC_MODE_*
    virtual int GetColorFormat() = 0;      // MEDIA_COLOR_FORMAT_*
    virtual int SetRecType(int type) = 0;  // MEDIA_REC_TYPE_* bits
    virtual int SetPushFunction(MediaPushFunction push, void *context) = 0;
    virtual int SetIFrameInterval(int seconds) = 0;
    // Failures are reported as error(id, MEDIA_ERROR_CLASS_ENCODER, MEDIA_ERROR_*, text).
    virtual int SetErrorCallback(MediaErrorFunction error, long id) = 0;
    virtual int SetOutputCallback(MediaOutputFunction output, void *user) = 0;
};

// The library instance: one per process, counted per getInstance.
class LibMediaRecorder {
  public:
    static LibMediaRecorder *getInstance();
    // A new recorder object, or null.
    MediaRecorder *getMediaRecorder();
    // Gives back one getInstance; extra releases are ignored.
    void releaseInstance();

  private:
    LibMediaRecorder() = default;
    friend struct RecorderLibraryHome;
};
