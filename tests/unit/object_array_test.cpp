#include <gtest/gtest.h>

#include "ObjectArray.h"

namespace {

TEST(ObjectArray, GrowsByDoublingAndKeepsOrder) {
    int values[9];
    ObjectArray<int *> array(2);
    EXPECT_EQ(array.capacity(), 2);
    for (int i = 0; i < 9; i++) {
        EXPECT_EQ(array.put(&values[i]), i);
    }
    EXPECT_EQ(array.size(), 9);
    EXPECT_EQ(array.capacity(), 16);
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(array[i], &values[i]);
}

TEST(ObjectArray, RemoveShiftsLaterElementsDown) {
    int a, b, c, d;
    ObjectArray<int *> array(2);
    array.put(&a);
    array.put(&b);
    array.put(&c);
    array.put(&d);
    EXPECT_EQ(array.remove(1), &b);
    ASSERT_EQ(array.size(), 3);
    EXPECT_EQ(array[0], &a);
    EXPECT_EQ(array[1], &c);
    EXPECT_EQ(array[2], &d);
    EXPECT_EQ(array.remove(0), &a);
    EXPECT_EQ(array.remove(1), &d);
    EXPECT_EQ(array.remove(0), &c);
    EXPECT_EQ(array.size(), 0);
}

TEST(ObjectArray, ClearShrinksBackAndLeavesElementsAlive) {
    ObjectArray<int *> array(2);
    int *owned[5];
    for (int i = 0; i < 5; i++) {
        owned[i] = new int(i);
        array.put(owned[i]);
    }
    EXPECT_EQ(array.capacity(), 8);
    array.clear();
    EXPECT_EQ(array.size(), 0);
    EXPECT_EQ(array.capacity(), 2);
    // The elements are still the caller's and still valid.
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(*owned[i], i);
        delete owned[i];
    }
    int x;
    array.put(&x);
    EXPECT_EQ(array[0], &x);
}

TEST(ObjectArray, IndexesOutsideTheArrayGiveNull) {
    int a;
    ObjectArray<int *> array(2);
    EXPECT_EQ(array[0], nullptr);
    EXPECT_EQ(array.remove(0), nullptr);
    array.put(&a);
    EXPECT_EQ(array[1], nullptr);
    EXPECT_EQ(array[-1], nullptr);
    EXPECT_EQ(array.remove(5), nullptr);
    EXPECT_EQ(array.remove(-1), nullptr);
    EXPECT_EQ(array.size(), 1);
}

TEST(ObjectArray, ZeroInitialCapacityStartsGrowingAtTwo) {
    int a, b, c;
    ObjectArray<int *> array(0);
    EXPECT_EQ(array.capacity(), 0);
    array.put(&a);
    EXPECT_EQ(array.capacity(), 2);
    array.put(&b);
    array.put(&c);
    EXPECT_EQ(array.capacity(), 4);
    array.clear();
    EXPECT_EQ(array.capacity(), 0);
    EXPECT_EQ(array[0], nullptr);
}

}  // namespace
