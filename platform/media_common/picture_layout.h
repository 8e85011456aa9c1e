// Sizes and checks of the 4:2:0 pictures the media libraries exchange.
#pragma once

#include <stddef.h>

#include "media_formats.h"

// Even sizes up to 4096 x 4096: what the encoders and the decoder accept.
inline bool validPictureSize(int width, int height) {
    return width >= 2 && height >= 2 && width <= 4096 && height <= 4096 && width % 2 == 0 &&
           height % 2 == 0;
}

inline bool knownColorFormat(int format) {
    return format == MEDIA_COLOR_FORMAT_YUV420_PLANAR ||
           format == MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR;
}

// Bytes of a 4:2:0 picture (both layouts).
inline size_t yuv420Bytes(int width, int height) {
    return (size_t)width * height + 2 * (size_t)(width / 2) * (height / 2);
}
