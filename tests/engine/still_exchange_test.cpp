// The exchange between the camera's threads and the run's still threads: one still sequence per
// press, a still cut to the buffer, and a stop that wakes whoever waits.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "still_exchange.h"

TEST(StillExchange, OnePressPerSequenceAndAPressBeforeTheWaitIsKept) {
    std::atomic<bool> running{true};
    StillExchange stills(running);
    stills.press();
    stills.press();  // the sequence of the first is under way
    EXPECT_TRUE(stills.busy());
    EXPECT_TRUE(stills.wait_press());
    stills.press();
    stills.finished();
    stills.press();
    EXPECT_TRUE(stills.wait_press());

    std::thread waiter([&] { EXPECT_FALSE(stills.wait_press()); });
    stills.stop();
    waiter.join();
    EXPECT_TRUE(stills.command_stopped());
    stills.reset();
    EXPECT_FALSE(stills.busy());
    EXPECT_FALSE(stills.command_stopped());
}

TEST(StillExchange, StillsAreCutToTheBufferAndTheStopEndsTheWait) {
    std::atomic<bool> running{true};
    StillExchange stills(running);
    const uint8_t still[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(stills.put(still, 6), -1) << "no buffer yet";
    stills.replace_buffer(4);
    stills.request_frame();
    EXPECT_EQ(stills.put_requested_frame(still, 6), 4);
    EXPECT_FALSE(stills.frame_requested());
    uint8_t taken[6] = {};
    int size = 0;
    ASSERT_TRUE(stills.take(taken, 3, &size));
    EXPECT_EQ(size, 3);
    EXPECT_EQ(taken[2], 3);
    EXPECT_EQ(taken[3], 0);

    std::thread writer([&] {
        size = -1;
        EXPECT_FALSE(stills.take(taken, 6, &size));
    });
    running = false;
    stills.stop();
    writer.join();
    EXPECT_EQ(size, -1) << "a stop is not a still";
}
