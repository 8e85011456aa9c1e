// Raw-frame delivery on the engine's own callback thread.
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "engine_fixture.h"
#include "uvc_testing.h"

namespace {

struct Delivery {
    long camera;
    int size;
    int64_t counter;
};
std::mutex g_mutex;
std::vector<Delivery> g_deliveries;
int g_blockFirstMs = 0;  // the first call sleeps this long
int g_blockEveryMs = 0;  // every call sleeps this long
const int kWidth = 320, kHeight = 240;

void on_raw_frame(long camera, char *data, int size) {
    int64_t counter =
        uvc_test_decode_counter(reinterpret_cast<uint8_t *>(data), kWidth, kHeight, 0);
    size_t index;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        index = g_deliveries.size();
        g_deliveries.push_back({camera, size, counter});
    }
    int sleepMs = g_blockEveryMs + (index == 0 ? g_blockFirstMs : 0);
    if (sleepMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
}

size_t delivered() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_deliveries.size();
}

class RawFrames : public testing::Test {
  protected:
    void SetUp() override {
        g_deliveries.clear();
        g_blockFirstMs = g_blockEveryMs = 0;
        ASSERT_EQ(session.connect(9, kWidth, kHeight), 0);
        session.engine()->SetCameraID(31337);
        session.engine()->SetRawdataCallback(on_raw_frame);
    }
    CameraSession session{CameraSetup::atFps(20)};
};

TEST_F(RawFrames, EachPictureOnceInOrderWithSizeAndCameraId) {
    ASSERT_EQ(session.camera.startPreview(), 0);
    ASSERT_TRUE(wait_until([] { return delivered() >= 8; }, 5000));
    session.camera.stopPreview();
    std::lock_guard<std::mutex> lock(g_mutex);
    for (size_t i = 0; i < g_deliveries.size(); i++) {
        EXPECT_EQ(g_deliveries[i].camera, 31337);
        EXPECT_EQ(g_deliveries[i].size, kWidth * kHeight * 4);
        EXPECT_GT(g_deliveries[i].counter, 0);
        if (i > 0) {
            EXPECT_GT(g_deliveries[i].counter, g_deliveries[i - 1].counter);
        }
    }
}

TEST_F(RawFrames, BlockingCallbackLosesOnlyPicturesBeyondTheTwoQueued) {
    g_blockFirstMs = 1000;
    ASSERT_EQ(session.camera.startPreview(), 0);
    ASSERT_TRUE(wait_until([] { return delivered() >= 6; }, 6000));
    session.camera.stopPreview();
    std::lock_guard<std::mutex> lock(g_mutex);
    const auto &d = g_deliveries;
    for (size_t i = 1; i < d.size(); i++)
        EXPECT_GT(d[i].counter, d[i - 1].counter);
    // The two pictures queued while the first call blocked are the ones drawn right after it
    // (a loaded machine may draw fewer of the camera's frames, so they are compared with the
    // gap that follows); after them comes a picture drawn a second later.
    EXPECT_LT(d[2].counter - d[0].counter, d[3].counter - d[2].counter);
    EXPECT_GE(d[3].counter - d[2].counter, 10);
}

TEST_F(RawFrames, StopWhileTheCallbackRuns) {
    g_blockEveryMs = 400;
    ASSERT_EQ(session.camera.startPreview(), 0);
    ASSERT_TRUE(wait_until([] { return delivered() >= 1; }, 5000));
    EXPECT_TRUE(returns_within([&] { EXPECT_EQ(session.camera.stopPreview(), 0); }, 1500));
    const size_t count = delivered();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(delivered(), count);
}

}  // namespace
