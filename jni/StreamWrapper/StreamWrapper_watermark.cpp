// The streamer's two watermarks: set by the application, blended into every picture.
#include <string.h>

#include <algorithm>

#include "StreamWrapper.h"
#include "logging.h"

namespace {

// The streamer keeps 15 % of the frame under a watermark pixel.
const WatermarkBlendTable &frame_blend() {
    static const WatermarkBlendTable table(0.15);
    return table;
}

}  // namespace

void StreamWrapper::initWatermark(GuardedWatermark &slot, const WatermarkPlacement &placement) {
    LOGE("watermarkWidth : %d\n", placement.width);
    MutexLock lock(slot.mutex);
    slot.watermark.picture.reset();
    slot.watermark.placement = placement;
}

int StreamWrapper::setWatermarkPicture(GuardedWatermark &slot, const uint8_t *bytes, int size,
                                       const char *name) {
    if (!bytes || size < 0) {
        LOGE("buffer NULL, size : %d\n", size);
        return 0;
    }
    MutexLock lock(slot.mutex);
    // A new picture takes effect only after the init setter dropped the old one.
    if (slot.watermark.picture)
        return 0;
    auto picture = std::make_shared<std::vector<uint8_t>>(kWatermarkBufferBytes);
    LOGE("%s size : %d\n", name, size);
    memcpy(picture->data(), bytes, std::min<size_t>(size, kWatermarkBufferBytes));
    slot.watermark.picture = std::move(picture);
    return 0;
}

Watermark StreamWrapper::takeWatermark(GuardedWatermark &slot) {
    MutexLock lock(slot.mutex);
    if (slot.watermark.picture)
        clamp_watermark_position(&slot.watermark.placement, mActive.width, mActive.height);
    return slot.watermark;
}

void StreamWrapper::addWatermark(uint8_t *picture, const Watermark &system, const Watermark &user) {
    for (const Watermark *mark : {&system, &user}) {
        if (mark->picture)
            blend_watermark(picture, mActive.width, mActive.height, mark->picture->data(),
                            mark->picture->size(), mark->placement, frame_blend());
    }
}

int StreamWrapper::SetWatermarkInit(int width, int height, int x, int y, int mode) {
    if (!watermark_size_fits(width, height)) {
        LOGE("watermark size %d x %d refused\n", width, height);
        return kWatermarkBadSize;
    }
    initWatermark(mWatermark, {width, height, x, y, mode});
    return 0;
}

int StreamWrapper::SetWatermarkBuf(const uint8_t *bytes, int size) {
    return setWatermarkPicture(mWatermark, bytes, size, "mWatermark_buf");
}

int StreamWrapper::SetUserWatermarkInit(int width, int height, int x, int y, int mode) {
    if (!watermark_size_fits(width, height)) {
        LOGE("watermark size %d x %d refused\n", width, height);
        return kWatermarkBadSize;
    }
    initWatermark(mUserWatermark, {width, height, x, y, mode});
    return 0;
}

void StreamWrapper::SetUserWatermarkXY(int x, int y) {
    MutexLock lock(mUserWatermark.mutex);
    mUserWatermark.watermark.placement.x = x;
    mUserWatermark.watermark.placement.y = y;
}

int StreamWrapper::SetUserWatermarkBuf(const uint8_t *bytes, int size) {
    return setWatermarkPicture(mUserWatermark, bytes, size, "mUserWatermark_buf");
}
