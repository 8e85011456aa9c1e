// Pictures of an H.264 camera on the surface and in the capture buffer: counters at two sizes,
// colours in both decoder layouts.
#include <algorithm>
#include <string>
#include <vector>

#include "decoder_test_controls.h"
#include "h264_support.h"
#include "host_android.h"
#include "uvc_testing.h"

namespace {

// Both sizes show increasing counters; the capture buffer returns the next decoded picture.
TEST(H264Stream, WindowShowsIncreasingCountersAndTheCaptureTheNextPicture) {
    for (const auto &size : {std::make_pair(640, 480), std::make_pair(1280, 720)}) {
        const int width = size.first, height = size.second;
        SCOPED_TRACE(width);
        CameraSession s(h264_camera());
        ASSERT_EQ(s.connect(9, width, height), 0);
        ASSERT_EQ(s.attachWindow(), 0);
        ASSERT_EQ(s.camera.startPreview(), 0);
        ASSERT_TRUE(wait_for_readable_counter(s));

        // The counter of each new post. A camera frame dropped at the intake of a loaded machine
        // leaves pictures without a readable counter until the next key frame; those are
        // skipped, here and in the captures.
        std::vector<int64_t> counters;
        int64_t seenPosts = host_window_post_count(s.window);
        ASSERT_TRUE(wait_until(
            [&] {
                const int64_t posts = host_window_post_count(s.window);
                if (posts != seenPosts) {
                    seenPosts = posts;
                    const int64_t counter = s.lastCounter();
                    if (counter >= 0)
                        counters.push_back(counter);
                }
                return counters.size() >= 6;
            },
            20000));
        EXPECT_EQ(UVCPreviewTestAccess::pixelFormat(s.engine()), 13);
        const ShownPicture picture = s.lastPicture();
        EXPECT_EQ(picture.width, width);
        EXPECT_EQ(picture.height, height);
        EXPECT_TRUE(std::is_sorted(counters.begin(), counters.end()));
        EXPECT_GT(counters.back(), counters.front());

        const int64_t shown = std::max(s.lastCounter(), counters.back());
        std::vector<char> buffer((size_t)width * height * 4);
        int64_t captured = -1;
        for (int attempt = 0; attempt < 10 && captured < 0; attempt++) {
            int info[3] = {0, 0, 0};
            ASSERT_EQ(s.engine()->get_capture_buffer(buffer.data(), info, (int)buffer.size()),
                      width * height * 4);
            EXPECT_EQ(info[0], 13);
            EXPECT_EQ(info[1], width);
            EXPECT_EQ(info[2], height);
            captured = uvc_test_decode_counter(reinterpret_cast<uint8_t *>(buffer.data()), width,
                                               height, 0);
        }
        EXPECT_GT(captured, shown);
        s.camera.stopPreview();
    }
}

class H264Colours : public testing::TestWithParam<int> {
  protected:
    void TearDown() override { media_decoder_test_set_color_format(21); }
};

// Solid cameras in red, green, blue and white: every checked pixel within 8 of the colour,
// fourth byte 255.
TEST_P(H264Colours, SurfaceShowsTheCameraColours) {
    media_decoder_test_set_color_format(GetParam());
    const struct {
        const char *hex;
        int r, g, b;
    } colours[] = {{"ff0000", 255, 0, 0},
                   {"00ff00", 0, 255, 0},
                   {"0000ff", 0, 0, 255},
                   {"ffffff", 255, 255, 255}};
    for (const auto &colour : colours) {
        SCOPED_TRACE(colour.hex);
        CameraSession s(h264_camera(std::string("solid ") + colour.hex));
        ASSERT_EQ(s.connect(9, 640, 480), 0);
        ASSERT_EQ(s.attachWindow(), 0);
        const ShownPicture shown = s.startAndShow(3, 10000);
        const std::vector<uint8_t> &pixels = shown.pixels;
        ASSERT_FALSE(pixels.empty());
        ASSERT_EQ((size_t)shown.width * shown.height * 4, pixels.size());
        int worst = 0;
        for (size_t i = 0; i < pixels.size(); i += 4 * 97) {
            worst =
                std::max({worst, std::abs(pixels[i] - colour.r), std::abs(pixels[i + 1] - colour.g),
                          std::abs(pixels[i + 2] - colour.b)});
            ASSERT_EQ(pixels[i + 3], 255) << "pixel " << i / 4;
        }
        EXPECT_LE(worst, 8);
        s.camera.stopPreview();
    }
}

INSTANTIATE_TEST_SUITE_P(DecoderFormats, H264Colours, testing::Values(21, 19));

}  // namespace
