// The libavcodec pieces every encoder here holds: the codec context, a reusable frame and a
// reusable packet, with the steps they share (allocate, open, drain, free).
#pragma once

#include <functional>
#include <string>

struct AVCodec;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;

// "what: libav's text for code".
std::string avErrorText(const char *what, int code);

struct EncoderCodec {
    AVCodecContext *context = nullptr;
    AVFrame *frame = nullptr;
    AVPacket *packet = nullptr;

    ~EncoderCodec() { free(); }
    // Allocates the three pieces; false (with `error`) when memory runs out.
    bool allocate(const AVCodec *codec, std::string *error);
    // Opens the context set up by the caller; frees everything on failure.
    bool open(const AVCodec *codec, std::string *error);
    void free();
    // Hands every packet the encoder has ready to `take`; 0, or -1 on an encoder error.
    int drain(const std::function<void(const AVPacket &packet)> &take);
};
