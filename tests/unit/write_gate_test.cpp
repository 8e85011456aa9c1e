#include "write_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

// A closed gate refuses writers; close() returns only after the writer inside has left, so the
// resource behind it is never released under a write.
TEST(WriteGate, CloseWaitsForTheWriterInsideAndRefusesNewOnes) {
    WriteGate gate;
    EXPECT_FALSE(WriteGate::Pass(gate).admitted());
    gate.open();

    std::atomic<bool> left{false};
    std::atomic<bool> closed{false};
    auto writer = std::make_unique<WriteGate::Pass>(gate);
    ASSERT_TRUE(writer->admitted());
    std::thread closer([&] {
        gate.close();
        EXPECT_TRUE(left.load());
        closed = true;
    });
    while (gate.isOpen())
        std::this_thread::yield();
    EXPECT_FALSE(WriteGate::Pass(gate).admitted());
    EXPECT_FALSE(closed.load());
    left = true;
    writer.reset();
    closer.join();
    EXPECT_TRUE(closed.load());

    gate.open();
    EXPECT_TRUE(WriteGate::Pass(gate).admitted());
}
