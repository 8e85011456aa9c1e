// Hardware encoder library (libOMX): takes R, G, B, X pictures or ready 4:2:0 pictures,
// encodes H.264 + AAC and writes the MP4 itself or pushes to a push function.
#pragma once

#include <stdint.h>

#include "media_formats.h"
#include "media_packet.h"

// write_Buffer kinds.
enum {
    OMX_INPUT_RGBX = 1,    // width x height pixels of bytes R, G, B, X, rows without gaps
    OMX_INPUT_YUV = 9999,  // a 4:2:0 picture in the selected colour format
};

// Codec query object.
class OMXCodecExtension {
  public:
    virtual ~OMXCodecExtension() {}
    virtual int QueryCodec(const char *mime) = 0;  // non-zero when an encoder for mime exists
    virtual int *GetColorFormats() = 0;            // address of the first supported colour format
    virtual int GetColorFormatCount() = 0;
    virtual int Reserved5() = 0;
    virtual int HasColorFormat() = 0;  // non-zero when at least one format is listed
};

// The encoder object. Results are 0 on success unless said otherwise.
class OMXWrapper {
  public:
    virtual ~OMXWrapper() {}
    virtual int Init() = 0;
    virtual int Release() = 0;  // stops if needed and destroys the object
    // Starts encoding; `path` is the MP4 written when the record type has MEDIA_REC_TYPE_FILE
    // and path is a file path (a target with a scheme is not a file).
    virtual int Start(int width, int height, const char *path) = 0;
    virtual int Stop() = 0;
    virtual int Reserved6() = 0;
    virtual int SetFrameRate(int fps) = 0;
    virtual int SetSampleRate(int hz) = 0;
    virtual int SetChannel(int channels) = 0;
    virtual int SetBit(int bits_per_sample) = 0;
    virtual int SetAudioByteRate(int bytes_per_second) = 0;
    virtual int SetBitrate(int bits_per_second) = 0;
    virtual int Reserved13() = 0;
    // kind OMX_INPUT_RGBX with colour 2 or 3, or OMX_INPUT_YUV; time in monotonic µs.
    virtual int write_Buffer(uint8_t *picture, int64_t time_us, int kind, int colour) = 0;
    virtual int write_AudioBuffer(uint8_t *pcm, int bytes, int64_t time_us) = 0;
    virtual int SetRecMode(int mode) = 0;
    virtual int SetColorFormat(int format) = 0;  // MEDIA_COLOR_FORMAT_* of OMX_INPUT_YUV input
    virtual int IsConfigured() = 0;              // zero until a colour format was set
    virtual int SetRecType(int type) = 0;
    virtual int SetPushFunction(MediaPushFunction push, void *context) = 0;
    virtual int SetIFrameInterval(int seconds) = 0;
};

// The library instance: one per process, counted per getInstance.
class OMXLib {
  public:
    static OMXLib *getInstance();
    OMXCodecExtension *getExtension();
    // A new encoder object; a supported colour format is set on it at once.
    OMXWrapper *getWrapper(int color_format);
    void releaseInstance();

  private:
    OMXLib() = default;
    friend struct OmxLibraryHome;
};
