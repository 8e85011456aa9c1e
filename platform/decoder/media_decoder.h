// The decoder object: libavcodec's H.264 decoder fed with one access unit per PutData; decoded
// pictures are converted to the started size and the output colour format and wait in a short
// queue for GetDecodeData. When the consumer falls behind, the oldest waiting picture is dropped.
#pragma once

#include <stdint.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "LibMediaDecoder.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

class MediaDecoderImpl : public MediaDecoder {
  public:
    static constexpr size_t kMaxWaitingPictures = 3;
    static constexpr int kWaitMs = 100;

    ~MediaDecoderImpl() override;

    int Init() override;
    int Release() override;
    int SetDebug(int on) override;
    int Start(int width, int height) override;
    int Stop() override;
    int PutData(uint8_t *data, int bytes) override;
    int GetDecodeData(uint8_t *buffer, int *info, int size) override;
    int GetColorFormat() override;
    int Reset() override;
    const char *GetVersion() override;

    // Released and not initialised again: freed once the library has no holder.
    bool idle();

  private:
    void closeCodecLocked();
    int receiveFramesLocked();
    bool convertLocked(const AVFrame *frame, uint8_t *out);
    size_t pictureBytes() const;

    std::mutex mutex_;  // guards every member below
    std::condition_variable changed_;
    AVCodecContext *codec_ = nullptr;
    AVPacket *packet_ = nullptr;
    AVFrame *frame_ = nullptr;
    SwsContext *scaler_ = nullptr;
    bool debug_ = false;
    bool initialised_ = false;
    bool running_ = false;
    bool released_ = false;
    int width_ = 0;
    int height_ = 0;
    int color_format_ = MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR;
    int stream_width_ = 0;  // size of the last decoded picture
    int stream_height_ = 0;
    bool format_changed_ = false;
    std::deque<std::vector<uint8_t>> waiting_;
    std::vector<std::vector<uint8_t>> spare_;
    int64_t dropped_ = 0;
};
