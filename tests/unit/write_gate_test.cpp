#include "gated_slot.h"
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

// Writers reach a slot's object only while it is installed; take() hands it back only after
// the writer inside has left.
TEST(GatedSlot, WritersSeeTheObjectOnlyBetweenInstallAndTake) {
    GatedSlot<int> slot;
    EXPECT_EQ(GatedSlot<int>::Pass(slot).get(), nullptr);
    slot.install(nullptr);
    EXPECT_EQ(GatedSlot<int>::Pass(slot).get(), nullptr);
    slot.install(std::make_unique<int>(7));
    auto writer = std::make_unique<GatedSlot<int>::Pass>(slot);
    ASSERT_NE(writer->get(), nullptr);

    std::atomic<bool> left{false};
    std::unique_ptr<int> taken;
    std::thread owner([&] {
        taken = slot.take();
        EXPECT_TRUE(left.load());
    });
    while (GatedSlot<int>::Pass(slot).get())
        std::this_thread::yield();
    left = true;
    writer.reset();
    owner.join();
    ASSERT_TRUE(taken);
    EXPECT_EQ(*taken, 7);
    EXPECT_EQ(slot.owned(), nullptr);
}
