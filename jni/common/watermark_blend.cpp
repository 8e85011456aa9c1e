#include "watermark_blend.h"

#include <algorithm>

void clamp_watermark_position(WatermarkPlacement *p, int frameWidth, int frameHeight) {
    if (p->y > frameHeight - p->height)
        p->y = frameHeight - p->height;
    if (p->x > frameWidth - p->width)
        p->x = frameWidth - p->width;
    p->y = std::max(p->y, 0);
    p->x = std::max(p->x, 0);
}

void blend_watermark(uint8_t *frame, int frameWidth, int frameHeight, const uint8_t *picture,
                     size_t pictureBytes, const WatermarkPlacement &p, double frameWeight) {
    if (!frame || !picture || p.width <= 0 || p.height <= 0 || p.x < 0 || p.y < 0)
        return;
    size_t rowBytes = (size_t)p.width * 4;
    int64_t rows =
        std::min<int64_t>(std::min(p.height, frameHeight - p.y), pictureBytes / rowBytes);
    int columns = std::min(p.width, frameWidth - p.x);
    for (int64_t r = 0; r < rows; r++) {
        uint8_t *out = frame + ((size_t)(p.y + r) * frameWidth + p.x) * 4;
        const uint8_t *in = picture + (size_t)r * rowBytes;
        for (int c = 0; c < columns; c++, out += 4, in += 4) {
            if (p.mode == 0 && !(in[0] > 59 && in[1] > 59 && in[2] > 59))
                continue;
            for (int i = 0; i < 3; i++)
                out[i] = (uint8_t)(out[i] * frameWeight + in[i] * 0.85);
        }
    }
}
