// Watermarks blended into recorded pictures: the system watermark, placed by record type, and
// the user watermark on top of it, placed by the application.
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "UVCPreview.h"
#include "UVCPreview_record.h"
#include "logging.h"
#include "watermark_blend.h"

namespace {

// The engine keeps 14 % of the frame under a watermark pixel.
const WatermarkBlendTable &frame_blend() {
    static const WatermarkBlendTable table(0.14);
    return table;
}

// Blends the part of the picture that lies inside both the frame and the picture buffer.
void blend(uvc_frame_t *frame, int frameHeight, const uint8_t *picture,
           const WatermarkPlacement &p) {
    blend_watermark(static_cast<uint8_t *>(frame->data), (int)frame->width, frameHeight, picture,
                    WATERMARK_BUFFER_BYTES, p, frame_blend());
}

// Keeps the first picture: a copy of at most a buffer's worth of `size` bytes.
void keep_picture(uint8_t **buffer, const unsigned char *data, int size) {
    if (*buffer)
        return;
    *buffer = static_cast<uint8_t *>(calloc(1, WATERMARK_BUFFER_BYTES));
    if (*buffer && size > 0)
        memcpy(*buffer, data, std::min(size, WATERMARK_BUFFER_BYTES));
}

void drop_picture(uint8_t **buffer) {
    free(*buffer);
    *buffer = nullptr;
}

}  // namespace

int UVCPreview::SetWatermarkInit(int width, int height, int x, int y, int mode) {
    if (!watermark_size_fits(width, height)) {
        LOGE("watermark size %d x %d refused\n", width, height);
        return kWatermarkBadSize;
    }
    {
        MutexLock lock(mWatermarkMutex);
        drop_picture(&mWatermark_buf);
    }
    mWatermarkWidth = width;
    mWatermarkHeight = height;
    mWatermarkX = x;
    mWatermarkY = y;
    mWatermarkMode = mode;
    return 0;
}

int UVCPreview::SetUserWatermarkInit(int width, int height, int x, int y, int mode) {
    if (!watermark_size_fits(width, height)) {
        LOGE("watermark size %d x %d refused\n", width, height);
        return kWatermarkBadSize;
    }
    {
        MutexLock lock(mUserWatermarkMutex);
        drop_picture(&mUserWatermark_buf);
    }
    mUserWatermarkWidth = width;
    mUserWatermarkHeight = height;
    mUserWatermarkX = x;
    mUserWatermarkY = y;
    mUserWatermarkMode = mode;
    return 0;
}

int UVCPreview::SetWatermarkBuf(unsigned char *data, int size) {
    LOGD("size : %d\n", size);
    if (!data) {
        LOGD("buffer NULL, size : %d\n", size);
        return 0;
    }
    MutexLock lock(mWatermarkMutex);
    keep_picture(&mWatermark_buf, data, size);
    return 0;
}

int UVCPreview::SetUserWatermarkBuf(unsigned char *data, int size) {
    LOGD("size : %d\n", size);
    if (!data) {
        LOGD("buffer NULL, size : %d\n", size);
        return 0;
    }
    MutexLock lock(mUserWatermarkMutex);
    keep_picture(&mUserWatermark_buf, data, size);
    return 0;
}

int UVCPreview::SetUserWatermarkXY(int x, int y) {
    mUserWatermarkX = x;
    mUserWatermarkY = y;
    return 0;
}

// A private copy of the first picture given; it takes no part in compositing.
int UVCPreview::SetWatermark1(unsigned char *data, int size) {
    if (!data || size <= 0)
        return 0;
    MutexLock lock(mWatermarkMutex);
    if (!mWatermark1) {
        mWatermark1 = static_cast<uint8_t *>(malloc(size));
        if (mWatermark1)
            memcpy(mWatermark1, data, size);
    }
    return 0;
}

namespace {

// Reads a watermark's geometry once and corrects its position into the recording's size; the
// corrected position is stored back unless the application moved the watermark meanwhile.
WatermarkPlacement placed_at(std::atomic<int> &x, std::atomic<int> &y, int width, int height,
                             int mode, int recordWidth, int recordHeight) {
    int givenX = x, givenY = y;
    WatermarkPlacement placement{width, height, givenX, givenY, mode};
    clamp_watermark_position(&placement, recordWidth, recordHeight);
    if (placement.y != givenY)
        y.compare_exchange_strong(givenY, placement.y);
    if (placement.x != givenX)
        x.compare_exchange_strong(givenX, placement.x);
    return placement;
}

}  // namespace

void UVCPreview::addWaterMark(uvc_frame_t *frame) {
    if (!frame || !frame->data) {
        LOGD("frame is null \n");
        return;
    }
    if (frame->width == 0)
        return;
    // Rows that the frame's buffer really holds.
    const int frameHeight =
        (int)std::min<size_t>(frame->height, frame->data_bytes / ((size_t)frame->width * 4));

    {
        MutexLock lock(mWatermarkMutex);
        if (mWatermark_buf) {
            const int width = mWatermarkWidth, height = mWatermarkHeight, mode = mWatermarkMode;
            WatermarkPlacement placement{width, height, 0, 0, mode};
            const int recType = mRecType;
            if (recType == REC_TYPE_FILE) {
                placement.y = (int)frame->height - height;
                placement.x = (int)frame->width / 2 - width / 2;
            } else if (recType == REC_TYPE_LIVE) {
                placement =
                    placed_at(mWatermarkX, mWatermarkY, width, height, mode, mWidth, mHeight);
            }
            blend(frame, frameHeight, mWatermark_buf, placement);
        }
    }

    MutexLock lock(mUserWatermarkMutex);
    if (mUserWatermark_buf) {
        WatermarkPlacement placement =
            placed_at(mUserWatermarkX, mUserWatermarkY, mUserWatermarkWidth, mUserWatermarkHeight,
                      mUserWatermarkMode, mWidth, mHeight);
        blend(frame, frameHeight, mUserWatermark_buf, placement);
    }
}
