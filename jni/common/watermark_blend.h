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

// Result of a watermark setter given a size it cannot place.
constexpr int kWatermarkBadSize = -2;

// Whether a picture of width x height pixels can be placed at all: neither side negative or
// longer than 65536 pixels, so that no placement arithmetic can overflow. Larger pictures than
// the frame or the buffer are placeable: what lies outside either is skipped.
bool watermark_size_fits(int width, int height);

// Pulls the position back so that the picture's far edges touch the frame's edges (y first,
// then x), then moves a negative position to 0.
void clamp_watermark_position(WatermarkPlacement *placement, int frameWidth, int frameHeight);

// frame x frameWeight + picture x 0.85, truncated, for every pair of byte values: one lookup
// a byte instead of two multiplications.
class WatermarkBlendTable {
  public:
    explicit WatermarkBlendTable(double frameWeight);
    uint8_t operator()(uint8_t frame, uint8_t picture) const { return value_[frame][picture]; }

  private:
    uint8_t value_[256][256];
};

// Blends `picture` (`pictureBytes` long, rows of width x 4 bytes) at the placement's position,
// each of a pixel's first three bytes through `blend`. Keyed mode blends only pixels whose
// three bytes are all above 59. Parts of the picture outside the frame (a negative position
// included) or beyond the picture buffer are skipped.
void blend_watermark(uint8_t *frame, int frameWidth, int frameHeight, const uint8_t *picture,
                     size_t pictureBytes, const WatermarkPlacement &placement,
                     const WatermarkBlendTable &blend);
