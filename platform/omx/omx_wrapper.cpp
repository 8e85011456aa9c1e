#include "omx_wrapper.h"

#include <libyuv.h>

#include <cstring>

#include "omx_codec_extension.h"
#include "fault_switches.h"
#include "picture_layout.h"

static const char kTag[] = "OMX";

// Colour kinds the engine passes with R, G, B, X pictures: 2 planar, 3 semi-planar.
static bool knownColourKind(int colour) {
    return colour == 2 || colour == 3;
}

int OMXWrapperImpl::Init() {
    if (omxFaults().fail_init) {
        MEDIA_LOG(kTag, "Init failed (test fault)");
        return -1;
    }
    return control_.init();
}

int OMXWrapperImpl::Stop() {
    if (omxFaults().fail_stop) {
        MEDIA_LOG(kTag, "Stop failed (test fault)");
        return -1;
    }
    return control_.stop();
}

int OMXWrapperImpl::SetColorFormat(int format) {
    if (!omxCodecExtension().supports(format)) {
        MEDIA_LOG(kTag, "refused: colour format %d is not supported", format);
        return -1;
    }
    if (control_.session().running()) {
        MEDIA_LOG(kTag, "refused: encoding");
        return -1;
    }
    color_format_ = format;
    return 0;
}

int OMXWrapperImpl::Start(int width, int height, const char *path) {
    int color_format = color_format_;
    if (!knownColorFormat(color_format)) {
        MEDIA_LOG(kTag, "refused: no colour format set");
        return -1;
    }
    return control_.start(width, height, path, color_format);
}

int OMXWrapperImpl::write_Buffer(uint8_t *picture, int64_t time_us, int kind, int colour) {
    if (!picture) {
        MEDIA_LOG(kTag, "picture refused: null buffer");
        return -1;
    }
    if (omxFaults().takeVideoWriteFault()) {
        MEDIA_LOG(kTag, "picture refused (test fault)");
        return -1;
    }
    if (kind != OMX_INPUT_RGBX && kind != OMX_INPUT_YUV) {
        MEDIA_LOG(kTag, "picture refused: kind %d", kind);
        return -1;
    }
    if (kind == OMX_INPUT_RGBX && !knownColourKind(colour)) {
        MEDIA_LOG(kTag, "picture refused: colour kind %d", colour);
        return -1;
    }
    EncodeSession &session = control_.session();
    return session.writeVideo(time_us, [&session, picture, kind](uint8_t *out) {
        const int w = session.width(), h = session.height();
        if (kind == OMX_INPUT_YUV) {
            memcpy(out, picture, yuv420Bytes(w, h));
            return true;
        }
        // libyuv's ABGR is the byte order R, G, B, A in memory.
        uint8_t *chroma = out + (size_t)w * h;
        if (session.colorFormat() == MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR) {
            return libyuv::ABGRToNV12(picture, w * 4, out, w, chroma, w, w, h) == 0;
        }
        return libyuv::ABGRToI420(picture, w * 4, out, w, chroma, w / 2,
                                  chroma + (size_t)(w / 2) * (h / 2), w / 2, w, h) == 0;
    });
}
