// MP4 file writing with libavformat: one H.264 track and optionally one AAC track.
//
// The file is created by open(), so an unwritable path fails early; the tracks are described
// once their codec headers are known, and start() writes the file header. Units carry times in
// µs from the stream's start; each track's decoding times must increase, a unit that would go
// back in time is refused rather than written out of order. The file is a fragmented MP4 (a
// fragment about every second), so a process killed while recording leaves a playable file.
#pragma once

#include <stdint.h>

#include <climits>

#include <string>
#include <vector>

#include "media_packet.h"

struct AVFormatContext;
struct AVPacket;
struct AVStream;

struct Mp4VideoTrack {
    int width = 0;
    int height = 0;
    int fps = 0;
    std::vector<uint8_t> header;  // SPS and PPS, Annex B or avcC
};

struct Mp4AudioTrack {
    int sample_rate = 0;
    int channels = 0;
    std::vector<uint8_t> header;  // AudioSpecificConfig
};

class Mp4Writer {
  public:
    ~Mp4Writer();

    int open(const char *path, std::string *error);
    // Describes the tracks (audio may be null) and writes the file header.
    int start(const Mp4VideoTrack &video, const Mp4AudioTrack *audio, std::string *error);
    int write(const MediaPacket &unit, std::string *error);
    // Writes the trailer and closes the file; a file that never started is removed.
    int finish(std::string *error);

    bool isOpen() const { return context_ != nullptr; }
    bool isStarted() const { return started_; }

  private:
    struct Track {
        AVStream *stream = nullptr;
        int64_t frame_us = 0;  // duration of one unit
        int64_t last_dts_us = INT64_MIN;
    };

    void discard();

    AVFormatContext *context_ = nullptr;
    AVPacket *packet_ = nullptr;
    std::string path_;
    bool started_ = false;
    Track video_;
    Track audio_;
};
