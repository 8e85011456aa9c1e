#include "picture_order.h"

#include <libyuv.h>
#include <string.h>

#include <algorithm>

bool yuyv_rows_fit(const uvc_frame_t *yuyv) {
    const size_t rowBytes = (size_t)yuyv->width * 2;
    const size_t step = yuyv->step ? yuyv->step : rowBytes;
    return yuyv->width > 0 && yuyv->height > 0 && step >= rowBytes &&
           yuyv->actual_bytes >= step * (yuyv->height - 1) + rowBytes;
}

uvc_error_t any_to_picture(uvc_frame_t *in, uvc_frame_t *out) {
    if (!in || !out || !in->data || !out->data)
        return UVC_ERROR_INVALID_PARAM;
    if (in->frame_format != UVC_FRAME_FORMAT_YUYV)
        return uvc_any2rgbx(in, out);
    const int width = (int)in->width, height = (int)in->height;
    const size_t bytes = (size_t)width * height * 4;
    if (!yuyv_rows_fit(in))
        return UVC_ERROR_INVALID_PARAM;
    if (out->data_bytes < bytes)
        return UVC_ERROR_NO_MEM;
    const int inStep = in->step ? (int)in->step : width * 2;
    // libyuv's "ARGB" is B, G, R, A in memory.
    libyuv::YUY2ToARGB(static_cast<const uint8_t *>(in->data), inStep,
                       static_cast<uint8_t *>(out->data), width * 4, width, height);
    out->width = in->width;
    out->height = in->height;
    out->frame_format = (uvc_frame_format)FRAME_FORMAT_BGRX;
    out->step = (size_t)width * 4;
    out->data_bytes = bytes;
    out->actual_bytes = bytes;
    out->sequence = in->sequence;
    out->capture_time = in->capture_time;
    out->source = in->source;
    out->is_still = in->is_still;
    return UVC_SUCCESS;
}

void yuyv_to_rgbx_rows(uvc_frame_t *yuyv, uint8_t *dst, size_t dstStep, int rows, int pixels,
                       bool clearSource) {
    // An even count, so that every piece starts on a pixel pair sharing its colour samples.
    const int kPiecePixels = 2048;
    uint8_t bgrx[kPiecePixels * 4];
    const size_t srcStep = yuyv->step ? yuyv->step : (size_t)yuyv->width * 2;
    uint8_t *src = static_cast<uint8_t *>(yuyv->data);
    // The last row's step may reach past the frame's bytes; the clear stops at their end.
    const uint8_t *end = src + yuyv->data_bytes;
    for (int y = 0; y < rows; y++, src += srcStep, dst += dstStep) {
        for (int x = 0; x < pixels; x += kPiecePixels) {
            const int count = std::min(kPiecePixels, pixels - x);
            // libyuv's "ARGB" is B, G, R, A in memory.
            libyuv::YUY2ToARGB(src + (size_t)x * 2, 0, bgrx, 0, count, 1);
            libyuv::ARGBToABGR(bgrx, 0, dst + (size_t)x * 4, 0, count, 1);
        }
        if (clearSource && src < end)
            memset(src, 0, std::min<size_t>(srcStep, end - src));
    }
    if (clearSource && rows == (int)yuyv->height && yuyv->data_bytes <= srcStep * rows)
        yuyv->data_bytes = 0;
}

void copy_row_as_rgbx(const uvc_frame_t *picture, const uint8_t *src, uint8_t *dst, int pixels) {
    if (in_bgrx_order(picture))
        libyuv::ARGBToABGR(src, 0, dst, 0, pixels, 1);
    else
        memcpy(dst, src, (size_t)pixels * 4);
}

void copy_as_rgbx(const uvc_frame_t *picture, uint8_t *dst, size_t bytes) {
    const uint8_t *src = static_cast<const uint8_t *>(picture->data);
    copy_row_as_rgbx(picture, src, dst, (int)(bytes / 4));
    memcpy(dst + bytes / 4 * 4, src + bytes / 4 * 4, bytes % 4);
}

void put_in_rgbx_order(uvc_frame_t *picture, int firstRow) {
    if (!in_bgrx_order(picture))
        return;
    const int step = (int)picture->width * 4;
    uint8_t *rows = static_cast<uint8_t *>(picture->data) + (size_t)firstRow * step;
    const int count = (int)picture->height - firstRow;
    if (count > 0)
        libyuv::ARGBToABGR(rows, step, rows, step, (int)picture->width, count);
    picture->frame_format = UVC_FRAME_FORMAT_RGBX;
}
