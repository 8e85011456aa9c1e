// Recorded colours: solid cameras through both encoder layouts, and the conversion itself.
#include <vector>

#include "recording_support.h"

namespace {

struct ColourCase {
    const char *name;
    uint8_t r, g, b;
    int format;
};

class RecordedColour : public testing::TestWithParam<ColourCase> {};

TEST_P(RecordedColour, DecodesToTheCameraColour) {
    const ColourCase c = GetParam();
    char pattern[16];
    snprintf(pattern, sizeof(pattern), "solid %02X%02X%02X", c.r, c.g, c.b);
    select_encoder_format(c.format);
    RecordingSession s(recording_camera(false, pattern));
    ASSERT_TRUE(s.startPreview(REC_MODE_VIDEO_ONLY));
    ASSERT_EQ(s.prepare(), 0);
    const std::string path = temp_file(std::string("colour_") + c.name + ".mp4");
    ASSERT_TRUE(s.record(path, 10));
    reset_recorder_faults();

    const auto pictures = recorded_pictures(path, 320, 180);
    ASSERT_GE(pictures.size(), 5u);
    const std::vector<int> colour = centre_colour(pictures.back(), 320, 180);
    EXPECT_NEAR(colour[0], c.r, 10);
    EXPECT_NEAR(colour[1], c.g, 10);
    EXPECT_NEAR(colour[2], c.b, 10);
}

INSTANTIATE_TEST_SUITE_P(
    Recording, RecordedColour,
    testing::Values(ColourCase{"red21", 255, 0, 0, 21}, ColourCase{"green21", 0, 255, 0, 21},
                    ColourCase{"blue21", 0, 0, 255, 21}, ColourCase{"white21", 255, 255, 255, 21},
                    ColourCase{"red19", 255, 0, 0, 19}, ColourCase{"green19", 0, 255, 0, 19},
                    ColourCase{"blue19", 0, 0, 255, 19}, ColourCase{"white19", 255, 255, 255, 19}),
    [](const testing::TestParamInfo<ColourCase> &info) { return std::string(info.param.name); });

// Red in the planar layout: Y near 82, the Cb plane (first) below 128, the Cr plane above;
// in the semi-planar layout the pairs start with Cb.
TEST(EncoderConversion, RedKeepsItsBrightnessAndChromaOrder) {
    const int w = 16, h = 8;
    std::vector<uint8_t> red((size_t)w * h * 4, 0);
    for (size_t i = 0; i < red.size(); i += 4)
        red[i] = 255;
    std::vector<uint8_t> out((size_t)w * h * 3 / 2, 0);

    ASSERT_EQ(convert_for_encoder(red.data(), out.data(), w, h, ENCODER_COLOR_PLANAR), 0);
    EXPECT_NEAR(out[0], 82, 2);
    const uint8_t *cb = &out[w * h], *cr = cb + (w / 2) * (h / 2);
    EXPECT_LT(cb[0], 128);
    EXPECT_GT(cr[0], 128);
    EXPECT_GT(cr[(w / 2) * (h / 2) - 1], 200);

    std::fill(out.begin(), out.end(), 0);
    ASSERT_EQ(convert_for_encoder(red.data(), out.data(), w, h, ENCODER_COLOR_SEMIPLANAR), 0);
    EXPECT_NEAR(out[0], 82, 2);
    EXPECT_LT(out[w * h], 128);
    EXPECT_GT(out[w * h + 1], 200);

    // Another kind leaves the buffer as it is.
    std::fill(out.begin(), out.end(), 7);
    EXPECT_EQ(convert_for_encoder(red.data(), out.data(), w, h, 0), 0);
    EXPECT_EQ(out[0], 7);
}

}  // namespace
