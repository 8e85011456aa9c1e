// The owner of a device library's object and instance: what is released, in which order, and
// that each instance taken is given back exactly once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library_object.h"

namespace {

std::vector<std::string> calls;

struct FakeObject {
    std::string name;
    void Stop() { calls.push_back("stop " + name); }
    void Release() {
        calls.push_back("release " + name);
        delete this;
    }
};

struct FakeLibrary {
    static FakeLibrary *getInstance() {
        calls.push_back("instance");
        static FakeLibrary library;
        return &library;
    }
    void releaseInstance() { calls.push_back("release instance"); }
};

using Owned = LibraryObject<FakeLibrary, FakeObject>;

Owned take(const char *name) {
    return take_library_object<FakeLibrary>(
        [&](FakeLibrary *) { return name ? new FakeObject{name} : nullptr; });
}

}  // namespace

TEST(LibraryObject, ReleasesTheObjectBeforeItsInstanceOnceWhateverMovesItMade) {
    calls.clear();
    {
        Owned a = take("a");
        ASSERT_TRUE(a);
        Owned moved(std::move(a));
        EXPECT_FALSE(a);
        a = take("b");         // into the emptied owner
        moved = std::move(a);  // over a held object: that one goes first
        moved.reset(true);
        moved.reset(true);
    }
    const std::vector<std::string> expected = {"instance",         "instance", "release a",
                                               "release instance", "stop b",   "release b",
                                               "release instance"};
    EXPECT_EQ(calls, expected);
}

TEST(LibraryObject, NoObjectGivesTheInstanceStraightBack) {
    calls.clear();
    Owned none = take(nullptr);
    EXPECT_FALSE(none);
    EXPECT_FALSE(none.holds_instance());
    EXPECT_EQ(calls, (std::vector<std::string>{"instance", "release instance"}));
}
