// The muxer object: collects the stream parameters and codec headers, then writes the units
// into an MP4 file. A target with a scheme is a live stream carried elsewhere: accepted, and
// nothing is written.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "FFMpegLib.h"
#include "mp4_writer.h"

class FFMuxerImpl : public FFMuxer {
  public:
    ~FFMuxerImpl() override;

    int Init(const char *path) override;
    int Release() override;
    int SetVideoParam(const FFMuxerVideoParam *param) override;
    int SetAudioParam(const FFMuxerAudioParam *param) override;
    int SetStreamMask(int mask) override;
    int writeVideoBuffer(const MediaPacket *packet) override;
    int writeAudioBuffer(const MediaPacket *packet) override;
    int SetDebug(int on, int level) override;
    int Start() override;
    int Stop() override;
    int WriteVideoHeader(const MediaPacket *packet) override;
    int WriteAudioHeader(const MediaPacket *packet) override;
    int IsReady() override;
    int IsStarted() override;

    bool idle();

  private:
    enum class Target { kNone, kFile, kStream };

    bool hasAudio() const { return mask_ == FFMUXER_STREAM_VIDEO_AUDIO; }
    bool readyLocked() const;
    int writeHeader(int type, const MediaPacket *packet, std::vector<uint8_t> *header);
    int writeUnit(int type, const MediaPacket *packet);
    void finishLocked();

    std::mutex mutex_;  // guards every member below
    Target target_ = Target::kNone;
    std::string path_;
    Mp4VideoTrack video_;
    Mp4AudioTrack audio_;
    int mask_ = FFMUXER_STREAM_VIDEO;
    Mp4Writer writer_;
    bool started_ = false;
    bool stopped_ = false;
    bool released_ = false;
    bool debug_ = false;
    int64_t units_written_ = 0;
};
