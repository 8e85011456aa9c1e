// Frame records: allocation, copy, and conversion into R, G, B, X pictures.
#include <libyuv.h>
#include <stdlib.h>
#include <string.h>
#include <turbojpeg.h>

#include <algorithm>
#include <memory>

#include "uvc_internal.h"

namespace {

// Output bytes converted per band of rows: small enough to stay in the first-level cache.
const int kBandBytes = 16 * 1024;

struct DecompressorDeleter {
    void operator()(void *handle) const { tjDestroy(handle); }
};

// One MJPEG decoder per converting thread, made on first use.
tjhandle thread_decompressor() {
    static thread_local std::unique_ptr<void, DecompressorDeleter> handle(tjInitDecompress());
    return handle.get();
}

// Checks the output buffer and marks it as a width x height R, G, B, X picture.
uvc_error_t prepare_rgbx(const uvc_frame_t *in, uvc_frame_t *out, const char *call) {
    size_t bytes = (size_t)in->width * in->height * 4;
    if (!out->data || out->data_bytes < bytes) {
        uvc_log("%s: output buffer of %zu bytes is smaller than %zu", call, out->data_bytes, bytes);
        return UVC_ERROR_NO_MEM;
    }
    out->width = in->width;
    out->height = in->height;
    out->frame_format = UVC_FRAME_FORMAT_RGBX;
    out->step = (size_t)in->width * 4;
    out->data_bytes = bytes;
    out->actual_bytes = bytes;
    out->sequence = in->sequence;
    out->capture_time = in->capture_time;
    out->source = in->source;
    out->is_still = in->is_still;
    return UVC_SUCCESS;
}

bool frames_usable(const uvc_frame_t *in, const uvc_frame_t *out, const char *call) {
    if (!in || !out || !in->data || in->width == 0 || in->height == 0) {
        uvc_log("%s: null frame, null data or empty picture", call);
        return false;
    }
    return true;
}

}  // namespace

extern "C" uvc_frame_t *uvc_allocate_frame(size_t data_bytes) {
    uvc_frame_t *frame = static_cast<uvc_frame_t *>(calloc(1, sizeof(uvc_frame_t)));
    if (!frame)
        return nullptr;
    if (data_bytes > 0) {
        frame->data = malloc(data_bytes);
        if (!frame->data) {
            free(frame);
            return nullptr;
        }
    }
    frame->data_bytes = data_bytes;
    return frame;
}

extern "C" void uvc_free_frame(uvc_frame_t *frame) {
    if (!frame)
        return;
    if (!frame->library_owns_data)
        free(frame->data);
    free(frame);
}

extern "C" uvc_error_t uvc_copy_frame(uvc_frame_t *in, uvc_frame_t *out) {
    if (!in || !out || (in->actual_bytes > 0 && (!in->data || !out->data))) {
        uvc_log("uvc_copy_frame: null frame or data");
        return UVC_ERROR_INVALID_PARAM;
    }
    if (in->actual_bytes > out->data_bytes) {
        uvc_log("uvc_copy_frame: %zu bytes do not fit a buffer of %zu", in->actual_bytes,
                out->data_bytes);
        return UVC_ERROR_NO_MEM;
    }
    if (in->actual_bytes > 0)
        memcpy(out->data, in->data, in->actual_bytes);
    out->data_bytes = in->actual_bytes;
    out->actual_bytes = in->actual_bytes;
    out->width = in->width;
    out->height = in->height;
    out->frame_format = in->frame_format;
    out->step = in->step;
    out->sequence = in->sequence;
    out->capture_time = in->capture_time;
    out->source = in->source;
    out->is_still = in->is_still;
    return UVC_SUCCESS;
}

extern "C" uvc_error_t uvc_yuyv2rgbx(uvc_frame_t *in, uvc_frame_t *out) {
    const char *call = "uvc_yuyv2rgbx";
    if (!frames_usable(in, out, call))
        return UVC_ERROR_INVALID_PARAM;
    if (in->frame_format != UVC_FRAME_FORMAT_YUYV ||
        in->actual_bytes < (size_t)in->width * in->height * 2) {
        uvc_log("%s: format %d with %zu bytes is no %ux%u YUYV picture", call, in->frame_format,
                in->actual_bytes, in->width, in->height);
        return UVC_ERROR_INVALID_PARAM;
    }
    uvc_error_t error = prepare_rgbx(in, out, call);
    if (error != UVC_SUCCESS)
        return error;
    int width = (int)in->width, height = (int)in->height;
    int in_step = in->step ? (int)in->step : width * 2;
    const uint8_t *yuyv = static_cast<const uint8_t *>(in->data);
    uint8_t *pixels = static_cast<uint8_t *>(out->data);
    const int out_step = width * 4;
    // libyuv's ARGB is B, G, R, A in memory; swapping R and B gives R, G, B, X. Both passes run
    // over one band of rows at a time, so the swap reads rows still in the first-level cache
    // instead of the whole picture a second time from memory.
    const int band = std::max(1, kBandBytes / out_step);
    for (int y = 0; y < height; y += band) {
        const int rows = std::min(band, height - y);
        uint8_t *dst = pixels + (size_t)y * out_step;
        libyuv::YUY2ToARGB(yuyv + (size_t)y * in_step, in_step, dst, out_step, width, rows);
        libyuv::ARGBToABGR(dst, out_step, dst, out_step, width, rows);
    }
    return UVC_SUCCESS;
}

extern "C" uvc_error_t uvc_any2rgbx(uvc_frame_t *in, uvc_frame_t *out) {
    const char *call = "uvc_any2rgbx";
    if (!frames_usable(in, out, call))
        return UVC_ERROR_INVALID_PARAM;
    if (in->frame_format == UVC_FRAME_FORMAT_YUYV)
        return uvc_yuyv2rgbx(in, out);
    if (in->frame_format != UVC_FRAME_FORMAT_MJPEG) {
        uvc_log("%s: format %d cannot be converted", call, in->frame_format);
        return UVC_ERROR_NOT_SUPPORTED;
    }
    tjhandle decoder = thread_decompressor();
    int width, height, subsampling;
    unsigned char *jpeg = static_cast<unsigned char *>(in->data);
    if (!decoder ||
        tjDecompressHeader2(decoder, jpeg, in->actual_bytes, &width, &height, &subsampling) ||
        (uint32_t)width != in->width || (uint32_t)height != in->height) {
        uvc_log("%s: no %ux%u JPEG: %s", call, in->width, in->height, tjGetErrorStr());
        return UVC_ERROR_INVALID_PARAM;
    }
    uvc_error_t error = prepare_rgbx(in, out, call);
    if (error != UVC_SUCCESS)
        return error;
    if (tjDecompress2(decoder, jpeg, in->actual_bytes, static_cast<unsigned char *>(out->data),
                      width, 0, height, TJPF_RGBX, TJFLAG_NOREALLOC) != 0) {
        uvc_log("%s: JPEG decoding failed: %s", call, tjGetErrorStr());
        return UVC_ERROR_OTHER;
    }
    return UVC_SUCCESS;
}
