// A YUYV frame that only the window reads is converted straight into the window buffer, the
// R/B swap done row by row in cache (yuyv_to_rgbx_rows). Otherwise it is converted into a pool
// frame in libyuv's own pixel order (bytes B, G, R, X) and put into the engine's R, G, B, X order
// by the copy that follows anyway (into the window or the capture buffer): a YUYV frame then
// costs one conversion and one copy instead of a third pass for the swap. A converted picture still
// in B, G, R, X order carries FRAME_FORMAT_BGRX; every reader of converted pictures goes through
// these helpers, so no reader sees that order.
#pragma once

#include <libuvc/libuvc.h>
#include <stddef.h>
#include <stdint.h>

// Engine-only mark of a converted picture in B, G, R, X order: no camera library code, and
// within the values uvc_frame_format can hold (0..31, its codes going up to 20), since a
// frame_format outside them is undefined behaviour to read.
const int FRAME_FORMAT_BGRX = 31;

// Whether a YUYV frame's rows, `step` bytes apart (0: packed), lie within the bytes it holds.
bool yuyv_rows_fit(const uvc_frame_t *yuyv);

// The converter of uncompressed streams for draw_preview_one: a YUYV camera frame becomes a
// B, G, R, X picture; any other frame (a stream negotiated with "any format" may be MJPEG)
// goes through the camera library's uvc_any2rgbx.
uvc_error_t any_to_picture(uvc_frame_t *in, uvc_frame_t *out);

// Converts a YUYV camera frame straight into R, G, B, X rows at `dst` (`dstStep` bytes apart):
// `rows` rows of `pixels` pixels, as many as the destination takes. Each piece of a row is
// converted into a small buffer in the first-level cache and swapped into place from there, so
// the picture costs one pass. With `clearSource` each source row is zero-filled right after it
// was read; a frame cleared whole then reports 0 bytes (see copy_rows in the drawing code).
void yuyv_to_rgbx_rows(uvc_frame_t *yuyv, uint8_t *dst, size_t dstStep, int rows, int pixels,
                       bool clearSource);

inline bool in_bgrx_order(const uvc_frame_t *picture) {
    return (int)picture->frame_format == FRAME_FORMAT_BGRX;
}

// Copies `pixels` pixels of one row of `picture` into R, G, B, X order at `dst`.
void copy_row_as_rgbx(const uvc_frame_t *picture, const uint8_t *src, uint8_t *dst, int pixels);

// Copies `bytes` bytes of a picture in R, G, B, X order.
void copy_as_rgbx(const uvc_frame_t *picture, uint8_t *dst, size_t bytes);

// Puts rows [firstRow, height) of a picture into R, G, B, X order in place and marks it so;
// the rows before firstRow must be in that order already.
void put_in_rgbx_order(uvc_frame_t *picture, int firstRow = 0);
