// Blending a watermark picture into a 4-byte-per-pixel frame, kept inside the frame and inside
// the watermark's picture buffer whatever sizes and positions the application sets.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Watermark picture buffers hold a full-HD picture of 4-byte pixels.
constexpr size_t kWatermarkBufferBytes = 1920 * 1080 * 4;

struct WatermarkPlacement {
    int width = 0, height = 0;  // picture size in pixels
    int x = 0, y = 0;           // top-left corner in the frame
    int mode = 0;               // 0 keyed (dark pixels transparent), otherwise plain
};

// Pulls the position back so that the picture's far edges touch the frame's edges (y first,
// then x), then moves a negative position to 0.
void clamp_watermark_position(WatermarkPlacement *placement, int frameWidth, int frameHeight);

// Blends `picture` (`pictureBytes` long, rows of width x 4 bytes) at the placement's position:
// each of a pixel's first three bytes becomes frame x frameWeight + picture x 0.85, truncated.
// Keyed mode blends only pixels whose three bytes are all above 59. Rows and columns outside
// the frame or beyond the picture buffer are skipped.
void blend_watermark(uint8_t *frame, int frameWidth, int frameHeight, const uint8_t *picture,
                     size_t pictureBytes, const WatermarkPlacement &placement, double frameWeight);
