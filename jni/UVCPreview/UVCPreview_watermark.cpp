// Watermarks blended into recorded pictures: the system watermark, placed by record type, and
// the user watermark on top of it, placed by the application.
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "UVCPreview.h"
#include "UVCPreview_record.h"
#include "logging.h"

namespace {

// In keyed mode a watermark pixel with a channel at or below this is transparent.
const int KEY_LEVEL = 59;

// frame * 0.14 + watermark * 0.85, truncated, for every pair of byte values.
struct BlendTable {
    uint8_t value[256][256];
    BlendTable() {
        for (int f = 0; f < 256; f++)
            for (int w = 0; w < 256; w++)
                value[f][w] = (uint8_t)(f * 0.14 + w * 0.85);
    }
};

const BlendTable &blend_table() {
    static const BlendTable table;
    return table;
}

// Pulls a position back so that `size` pixels from it stay within `limit`, and never below 0.
int corrected_position(int position, int size, int limit) {
    if (position > limit - size)
        position = limit - size;
    return std::max(position, 0);
}

// A watermark picture as read once for one frame.
struct Placement {
    int left, top;  // in frame pixels; may lie partly outside the frame
    int width, height, mode;
};

// Blends the part of the picture that lies inside both the frame and the picture buffer.
void blend(uvc_frame_t *frame, int frameHeight, const uint8_t *picture, const Placement &p) {
    if (p.width <= 0 || p.height <= 0)
        return;
    const int frameWidth = (int)frame->width;
    const int rows = std::min<int64_t>(p.height, WATERMARK_BUFFER_BYTES / ((int64_t)p.width * 4));
    const int r0 = std::max(0, -p.top), r1 = std::min(rows, frameHeight - p.top);
    const int c0 = std::max(0, -p.left), c1 = std::min(p.width, frameWidth - p.left);
    const BlendTable &table = blend_table();
    uint8_t *frameData = static_cast<uint8_t *>(frame->data);
    for (int r = r0; r < r1; r++) {
        uint8_t *f = frameData + ((size_t)(p.top + r) * frameWidth + p.left + c0) * 4;
        const uint8_t *w = picture + ((size_t)r * p.width + c0) * 4;
        for (int c = c0; c < c1; c++, f += 4, w += 4) {
            if (p.mode == 0 && (w[0] <= KEY_LEVEL || w[1] <= KEY_LEVEL || w[2] <= KEY_LEVEL))
                continue;
            f[0] = table.value[f[0]][w[0]];
            f[1] = table.value[f[1]][w[1]];
            f[2] = table.value[f[2]][w[2]];
        }
    }
}

// Keeps the first picture: a copy of at most a buffer's worth of `size` bytes.
void keep_picture(uint8_t **buffer, const unsigned char *data, int size) {
    if (*buffer)
        return;
    *buffer = static_cast<uint8_t *>(calloc(1, WATERMARK_BUFFER_BYTES));
    if (*buffer && size > 0)
        memcpy(*buffer, data, std::min(size, WATERMARK_BUFFER_BYTES));
}

void drop_picture(pthread_mutex_t *mutex, uint8_t **buffer) {
    pthread_mutex_lock(mutex);
    free(*buffer);
    *buffer = nullptr;
    pthread_mutex_unlock(mutex);
}

}  // namespace

int UVCPreview::SetWatermarkInit(int width, int height, int x, int y, int mode) {
    drop_picture(&mWatermarkMutex, &mWatermark_buf);
    mWatermarkWidth = width;
    mWatermarkHeight = height;
    mWatermarkX = x;
    mWatermarkY = y;
    mWatermarkMode = mode;
    return 0;
}

int UVCPreview::SetUserWatermarkInit(int width, int height, int x, int y, int mode) {
    drop_picture(&mUserWatermarkMutex, &mUserWatermark_buf);
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
    pthread_mutex_lock(&mWatermarkMutex);
    keep_picture(&mWatermark_buf, data, size);
    pthread_mutex_unlock(&mWatermarkMutex);
    return 0;
}

int UVCPreview::SetUserWatermarkBuf(unsigned char *data, int size) {
    LOGD("size : %d\n", size);
    if (!data) {
        LOGD("buffer NULL, size : %d\n", size);
        return 0;
    }
    pthread_mutex_lock(&mUserWatermarkMutex);
    keep_picture(&mUserWatermark_buf, data, size);
    pthread_mutex_unlock(&mUserWatermarkMutex);
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
    pthread_mutex_lock(&mWatermarkMutex);
    if (!mWatermark1) {
        mWatermark1 = static_cast<uint8_t *>(malloc(size));
        if (mWatermark1)
            memcpy(mWatermark1, data, size);
    }
    pthread_mutex_unlock(&mWatermarkMutex);
    return 0;
}

namespace {

// Reads a watermark's geometry once and corrects its position into the recording's size; the
// corrected position is stored back unless the application moved the watermark meanwhile.
Placement placed_at(std::atomic<int> &x, std::atomic<int> &y, int width, int height, int mode,
                    int recordWidth, int recordHeight) {
    int givenX = x, givenY = y;
    const int top = corrected_position(givenY, height, recordHeight);
    const int left = corrected_position(givenX, width, recordWidth);
    if (top != givenY)
        y.compare_exchange_strong(givenY, top);
    if (left != givenX)
        x.compare_exchange_strong(givenX, left);
    return {left, top, width, height, mode};
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

    pthread_mutex_lock(&mWatermarkMutex);
    if (mWatermark_buf) {
        const int width = mWatermarkWidth, height = mWatermarkHeight, mode = mWatermarkMode;
        Placement placement = {0, 0, width, height, mode};
        const int recType = mRecType;
        if (recType == REC_TYPE_FILE) {
            placement.top = (int)frame->height - height;
            placement.left = (int)frame->width / 2 - width / 2;
        } else if (recType == REC_TYPE_LIVE) {
            placement = placed_at(mWatermarkX, mWatermarkY, width, height, mode, mWidth, mHeight);
        }
        blend(frame, frameHeight, mWatermark_buf, placement);
    }
    pthread_mutex_unlock(&mWatermarkMutex);

    pthread_mutex_lock(&mUserWatermarkMutex);
    if (mUserWatermark_buf) {
        Placement placement = placed_at(mUserWatermarkX, mUserWatermarkY, mUserWatermarkWidth,
                                        mUserWatermarkHeight, mUserWatermarkMode, mWidth, mHeight);
        blend(frame, frameHeight, mUserWatermark_buf, placement);
    }
    pthread_mutex_unlock(&mUserWatermarkMutex);
}
