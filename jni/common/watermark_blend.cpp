#include "watermark_blend.h"

#include <algorithm>

namespace {

// In keyed mode a watermark pixel with a channel at or below this is transparent.
const int kKeyLevel = 59;

}  // namespace

bool watermark_size_fits(int width, int height) {
    const int longest = 1 << 16;
    return width >= 0 && height >= 0 && width <= longest && height <= longest;
}

void clamp_watermark_position(WatermarkPlacement *p, int frameWidth, int frameHeight) {
    if (p->y > frameHeight - p->height)
        p->y = frameHeight - p->height;
    if (p->x > frameWidth - p->width)
        p->x = frameWidth - p->width;
    p->y = std::max(p->y, 0);
    p->x = std::max(p->x, 0);
}

WatermarkBlendTable::WatermarkBlendTable(double frameWeight) {
    for (int f = 0; f < 256; f++)
        for (int w = 0; w < 256; w++)
            value_[f][w] = (uint8_t)(f * frameWeight + w * 0.85);
}

void blend_watermark(uint8_t *frame, int frameWidth, int frameHeight, const uint8_t *picture,
                     size_t pictureBytes, const WatermarkPlacement &p,
                     const WatermarkBlendTable &blend) {
    if (!frame || !picture || p.width <= 0 || p.height <= 0)
        return;
    const size_t rowBytes = (size_t)p.width * 4;
    const int64_t rows = std::min<int64_t>(p.height, pictureBytes / rowBytes);
    const int64_t r0 = std::max<int64_t>(0, -(int64_t)p.y);
    const int64_t r1 = std::min<int64_t>(rows, (int64_t)frameHeight - p.y);
    const int64_t c0 = std::max<int64_t>(0, -(int64_t)p.x);
    const int64_t c1 = std::min<int64_t>(p.width, (int64_t)frameWidth - p.x);
    for (int64_t r = r0; r < r1; r++) {
        uint8_t *out = frame + ((size_t)(p.y + r) * frameWidth + p.x + c0) * 4;
        const uint8_t *in = picture + (size_t)r * rowBytes + c0 * 4;
        for (int64_t c = c0; c < c1; c++, out += 4, in += 4) {
            if (p.mode == 0 && (in[0] <= kKeyLevel || in[1] <= kKeyLevel || in[2] <= kKeyLevel))
                continue;
            out[0] = blend(out[0], in[0]);
            out[1] = blend(out[1], in[1]);
            out[2] = blend(out[2], in[2]);
        }
    }
}
