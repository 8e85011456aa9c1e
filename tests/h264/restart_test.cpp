// The decoder restart on an unexpected output format: once per output thread, retried at a
// bounded rate after a failed start, no camera data fed meanwhile; later reports draw the
// watermark picture.
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "decoder_test_controls.h"
#include "counter_order.h"
#include "h264_support.h"
#include "host_android.h"
#include "uvc_testing.h"

namespace {

// The virtual camera sends a key frame every second.
const int64_t kKeyInterval = CameraSetup().fps;

class H264Restart : public testing::Test {
  protected:
    void SetUp() override {
        host_log_set_echo(false);
        host_log_capture_start();
        ASSERT_EQ(s.connect(9, 640, 480), 0);
        ASSERT_EQ(s.attachWindow(), 0);
        pictures.attach(s.engine());
        ASSERT_EQ(s.camera.startPreview(), 0);
        ASSERT_TRUE(wait_for_readable_counter(s));
    }
    void TearDown() override {
        s.camera.stopPreview();
        media_decoder_test_fail_start(0);
        media_decoder_test_force_format_change(0);
        host_log_capture_stop();
        host_log_set_echo(true);
    }

    // Waits for `more` pictures with readable counters; success when those advance. A camera
    // frame dropped at the intake of a loaded machine leaves concealed pictures until the next
    // key frame: without a readable counter (skipped) or with an earlier one.
    testing::AssertionResult countersGoOn(size_t more) {
        const size_t first = pictures.count();
        std::vector<int64_t> counters;
        wait_until(
            [&] {
                counters.clear();
                std::vector<DrawnPicture> all = pictures.taken();
                for (size_t i = first; i < all.size(); i++)
                    if (all[i].counter >= 0)
                        counters.push_back(all[i].counter);
                return counters.size() >= more;
            },
            10000);
        std::string why = "too few counters";
        if (counters.size() < more || !counters_advance(counters, kKeyInterval, &why))
            return testing::AssertionFailure() << why;
        return testing::AssertionSuccess();
    }

    CameraSession s{h264_camera(), true};
    DrawnPictures pictures{640, 480};
    uvc_device_handle_t *camera() { return UVCPreviewTestAccess::handle(s.engine()); }
};

TEST_F(H264Restart, OnceThenTheWatermarkPictureIsDrawn) {
    const DecoderCalls before = DecoderCalls::now();
    media_decoder_test_force_format_change(1);
    ASSERT_TRUE(wait_until([&] { return DecoderCalls::now().starts > before.starts; }, 5000));
    EXPECT_TRUE(countersGoOn(5));
    EXPECT_EQ(DecoderCalls::now().starts, before.starts + 1);
    EXPECT_EQ(host_log_count("returned colorformat"), 1);

    // A second report after the restart draws the watermark image instead of restarting.
    std::vector<uint8_t> watermark(8294400, 0);
    const uint8_t colour[4] = {17, 99, 211, 77};
    for (size_t i = 0; i < (size_t)640 * 480 * 4; i += 4)
        memcpy(&watermark[i], colour, 4);
    s.engine()->SetWatermarkInit(640, 480, 0, 0, 1);
    s.engine()->SetWatermarkBuf(watermark.data(), 640 * 480 * 4);
    uint32_t expected;
    memcpy(&expected, colour, 4);
    media_decoder_test_force_format_change(1);
    ASSERT_TRUE(wait_until(
        [&] {
            for (const DrawnPicture &p : pictures.taken())
                if (p.allOneColour && p.firstPixel == expected && p.size == 640 * 480 * 4)
                    return true;
            return false;
        },
        5000));
    EXPECT_TRUE(countersGoOn(5));
    EXPECT_EQ(DecoderCalls::now().starts, before.starts + 1);
    EXPECT_EQ(host_log_count("returned colorformat"), 2);
}

TEST_F(H264Restart, WatermarkSmallerThanThePictureFillsOnlyItsPart) {
    ASSERT_TRUE(wait_until([&] { return DecoderCalls::now().starts > 0; }, 5000));
    media_decoder_test_force_format_change(1);
    ASSERT_TRUE(countersGoOn(3));  // the restart is done
    // 64 x 8 pixels of 0xee: the first 2048 bytes of the picture; the rest keeps the pool's zeros.
    std::vector<uint8_t> watermark(8294400, 0xee);
    s.engine()->SetWatermarkInit(64, 8, 0, 0, 1);
    s.engine()->SetWatermarkBuf(watermark.data(), (int)watermark.size());
    media_decoder_test_force_format_change(1);
    ASSERT_TRUE(wait_until(
        [&] {
            for (const DrawnPicture &p : pictures.taken())
                if (p.firstPixel == 0xeeeeeeee && !p.allOneColour)
                    return true;
            return false;
        },
        10000));
}

TEST_F(H264Restart, FailedRestartIsRetriedAtABoundedRateWithoutFeedingTheDecoder) {
    const DecoderCalls before = DecoderCalls::now();
    media_decoder_test_fail_start(2);
    media_decoder_test_force_format_change(1);
    auto startsReach = [&](int n) {
        return wait_until([&] { return DecoderCalls::now().starts >= before.starts + n; }, 5000);
    };
    ASSERT_TRUE(startsReach(1));
    const auto firstAttempt = std::chrono::steady_clock::now();
    const uint32_t framesAtFirst = uvc_test_frames_delivered(camera());
    ASSERT_TRUE(
        wait_until([&] { return uvc_test_frames_delivered(camera()) > framesAtFirst + 1; }, 5000));
    // Frames keep coming while the decoder restarts (waited above); none is fed to it until
    // the next attempt.
    const int putsWhileRestarting = DecoderCalls::now().puts;
    ASSERT_TRUE(startsReach(2));
    const auto secondAttempt = std::chrono::steady_clock::now();
    EXPECT_EQ(DecoderCalls::now().puts, putsWhileRestarting);
    EXPECT_GE(secondAttempt - firstAttempt, std::chrono::milliseconds(150));

    ASSERT_TRUE(startsReach(3));
    EXPECT_TRUE(countersGoOn(5));
    EXPECT_GT(DecoderCalls::now().puts, putsWhileRestarting);
    EXPECT_EQ(DecoderCalls::now().starts, before.starts + 3);
    EXPECT_EQ(host_log_count("mMediaDecoderWrapper->Start error : -1"), 2);
}

}  // namespace
