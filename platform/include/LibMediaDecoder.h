// Decoder library (libMediaDecoder): H.264 access units in, 4:2:0 pictures out.
#pragma once

#include <stdint.h>

#include "media_formats.h"

// The decoder object. Release frees the decoding state but keeps the object: Init and Start
// make it run again.
class MediaDecoder {
  public:
    virtual ~MediaDecoder() {}
    virtual int Init() = 0;
    virtual int Release() = 0;
    virtual int SetDebug(int on) = 0;
    virtual int Start(int width, int height) = 0;  // 0 when the decoder runs
    virtual int Stop() = 0;
    // One access unit (Annex B); non-zero when it was not taken.
    virtual int PutData(uint8_t *data, int bytes) = 0;
    // Waits up to about 100 ms for a picture of the started size. Returns its colour format
    // (MEDIA_COLOR_FORMAT_*) with the picture in `buffer` and its byte count in *info; a
    // negative value when there is none; MEDIA_DECODER_FORMAT_CHANGED once when the output
    // format changed (nothing written).
    virtual int GetDecodeData(uint8_t *buffer, int *info, int size) = 0;
    virtual int GetColorFormat() = 0;
    virtual int Reset() = 0;
    virtual const char *GetVersion() = 0;
};

enum { MEDIA_DECODER_FORMAT_CHANGED = 0x7f000001 };

// The library instance: one per process, counted per getInstance.
class LibMediaDecoder {
  public:
    static LibMediaDecoder *getInstance();
    MediaDecoder *getMediaDecoder();  // a new decoder object, or null
    void releaseInstance();

  private:
    LibMediaDecoder() = default;
    friend struct DecoderLibraryHome;
};
