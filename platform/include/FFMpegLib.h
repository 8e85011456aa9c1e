// Muxer library (libFFMpegLib): writes the encoded units of one recording into an MP4 file.
#pragma once

#include <stdint.h>

#include "media_packet.h"

// 16-byte parameter records.
struct FFMuxerVideoParam {
    int32_t width;
    int32_t height;
    int32_t fps;
    uint8_t reserved;  // 0
};
struct FFMuxerAudioParam {
    int32_t reserved0;  // 0
    int32_t sample_rate;
    int32_t channels;
    uint8_t reserved;  // 0
};

enum {
    FFMUXER_STREAM_VIDEO = 16,        // stream mask: video only
    FFMUXER_STREAM_VIDEO_AUDIO = 48,  // stream mask: video and audio
};

// The muxer object. A target with a scheme ("rtmp://...", "rtsp://...") is accepted and nothing
// is written: the live-stream library carries that stream.
class FFMuxer {
  public:
    virtual ~FFMuxer() {}
    virtual int Init(const char *path) = 0;  // opens the file; non-zero is a failure
    virtual int Release() = 0;               // finishes an unfinished file and destroys
    virtual int SetVideoParam(const FFMuxerVideoParam *param) = 0;
    virtual int SetAudioParam(const FFMuxerAudioParam *param) = 0;
    virtual int SetStreamMask(int mask) = 0;
    virtual int writeVideoBuffer(const MediaPacket *packet) = 0;  // negative is a failure
    virtual int writeAudioBuffer(const MediaPacket *packet) = 0;  // negative is a failure
    virtual int SetDebug(int on, int level) = 0;
    virtual int Start() = 0;  // writes the file header; negative is a failure
    virtual int Stop() = 0;   // writes the trailer and closes the file
    virtual int WriteVideoHeader(const MediaPacket *packet) = 0;  // SPS/PPS, Annex B or avcC
    virtual int WriteAudioHeader(const MediaPacket *packet) = 0;  // AudioSpecificConfig
    virtual int IsReady() = 0;    // non-zero once every masked stream has its header
    virtual int IsStarted() = 0;  // non-zero once Start succeeded
};

// The library instance: one per process, counted per getInstance.
class FFMpegLib {
  public:
    static FFMpegLib *getInstance();
    FFMuxer *getMuxer();  // a new muxer object, or null
    void releaseInstance();

  private:
    FFMpegLib() = default;
    friend struct MuxerLibraryHome;
};
