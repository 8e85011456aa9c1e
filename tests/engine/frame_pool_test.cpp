// The frame pool: frames go home to the pool they came from, cleared as far as they were written.
#include <gtest/gtest.h>
#include <string.h>

#include "frame_pool.h"

namespace {

bool all_zero(const uvc_frame_t *frame, size_t bytes) {
    const uint8_t *data = static_cast<const uint8_t *>(frame->data);
    for (size_t i = 0; i < bytes; i++)
        if (data[i])
            return false;
    return true;
}

TEST(FramePool, FramesGoBackToTheirOwnPoolClearedAsFarAsWritten) {
    FramePool raw, converted;
    raw.set_frame_bytes(4096);
    converted.set_frame_bytes(8192);
    EXPECT_EQ(raw.fill(1), 0);
    bool grew = true;
    uvc_frame_t *a = raw.take(&grew);
    EXPECT_FALSE(grew);
    uvc_frame_t *b = converted.take(&grew);  // an empty pool grows
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(grew);
    EXPECT_EQ(b->data_bytes, 8192u);
    memset(a->data, 0xab, 1000);
    a->data_bytes = 1000;
    FramePool::give_back(b);
    FramePool::give_back(a);
    EXPECT_EQ(raw.in_use(), 0);
    EXPECT_EQ(converted.in_use(), 0);
    EXPECT_EQ(converted.size(), 1);
    uvc_frame_t *again = raw.take(&grew);
    EXPECT_EQ(again, a);
    EXPECT_EQ(again->data_bytes, 4096u);
    EXPECT_TRUE(all_zero(again, 4096));
    FramePool::give_back(again);
}

TEST(FramePool, RecycleFreesWhatWasLeftOutAndANewSizeStartsAfresh) {
    FramePool pool;
    pool.set_frame_bytes(4096);
    EXPECT_EQ(pool.fill(2), 0);
    bool grew = false;
    uvc_frame_t *frames[3];
    for (uvc_frame_t *&frame : frames) {
        frame = pool.take(&grew);
        memset(frame->data, 0x5a, 4096);
    }
    EXPECT_TRUE(grew);  // the third
    EXPECT_EQ(pool.in_use(), 3);
    pool.recycle();
    EXPECT_EQ(pool.in_use(), 0);
    EXPECT_EQ(pool.size(), 3);
    EXPECT_TRUE(all_zero(pool.take(&grew), 4096));
    pool.recycle();
    pool.set_frame_bytes(4096);  // same size: the frames stay
    EXPECT_EQ(pool.size(), 3);
    pool.set_frame_bytes(16384);
    EXPECT_EQ(pool.size(), 0);
    EXPECT_EQ(pool.fill(1), 0);
    EXPECT_EQ(pool.take(&grew)->data_bytes, 16384u);
}

}  // namespace
