#include "encoder_codec.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
}

std::string avErrorText(const char *what, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE];
    return std::string(what) + ": " + av_make_error_string(text, sizeof(text), code);
}

bool EncoderCodec::allocate(const AVCodec *codec, std::string *error) {
    free();
    context = avcodec_alloc_context3(codec);
    frame = av_frame_alloc();
    packet = av_packet_alloc();
    if (context && frame && packet)
        return true;
    free();
    *error = "out of memory";
    return false;
}

bool EncoderCodec::open(const AVCodec *codec, std::string *error) {
    int result = avcodec_open2(context, codec, nullptr);
    if (result == 0)
        return true;
    *error = avErrorText((std::string(codec->name) + " refused the settings").c_str(), result);
    free();
    return false;
}

void EncoderCodec::free() {
    avcodec_free_context(&context);
    av_frame_free(&frame);
    av_packet_free(&packet);
}

int EncoderCodec::drain(const std::function<void(const AVPacket &packet)> &take) {
    for (;;) {
        int result = avcodec_receive_packet(context, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return 0;
        if (result < 0)
            return -1;
        take(*packet);
        av_packet_unref(packet);
    }
}
