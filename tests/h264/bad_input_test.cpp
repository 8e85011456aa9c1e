// Bad H.264 input: truncated and corrupt frames, a stream without SPS/PPS, a size change. At
// most the frames up to the next key frame are lost; every drawn picture has the engine's size.
#include <string.h>

#include <random>
#include <vector>

#include "h264_support.h"
#include "test_encoder.h"
#include "uvc_testing.h"

namespace {

const int kWidth = 640, kHeight = 480;

TEST(H264BadInput, DecodingRecoversAfterEachTruncatedFrame) {
    // Key frames every 30 frames; frames 40, 80 and 120 arrive cut in half. A small picture keeps
    // the camera's encoder and the decoder light, so that a loaded machine drops few frames.
    const int width = 320, height = 240;
    CameraSession s(h264_camera("counter", "broken_every = 40\n"));
    DrawnPictures pictures(width, height);
    ASSERT_EQ(s.connect(9, width, height), 0);
    pictures.attach(s.engine());
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(wait_until(
        [&] {
            std::vector<DrawnPicture> all = pictures.taken();
            return !all.empty() && all.back().counter > 125;
        },
        30000));
    s.camera.stopPreview();

    bool between[2] = {false, false};
    for (const DrawnPicture &p : pictures.taken()) {
        EXPECT_EQ(p.size, width * height * 4);
        // Decoded again after each cut, before the next one.
        between[0] = between[0] || (p.counter > 40 && p.counter < 80);
        between[1] = between[1] || (p.counter > 80 && p.counter < 120);
    }
    EXPECT_TRUE(between[0]);
    EXPECT_TRUE(between[1]);
}

// With one frame in seven refused by the frame check, the frames between still reach the
// decoder and make pictures, concealed until the next key frame where they lack a reference.
TEST(H264BadInput, RefusedFramesLoseOnlyThemselves) {
    const int width = 320, height = 240;
    CameraSession s(h264_camera("counter", "wrong_size_every = 7\n"));
    DrawnPictures pictures(width, height);
    ASSERT_EQ(s.connect(9, width, height), 0);
    pictures.attach(s.engine());
    const DecoderCalls before = DecoderCalls::now();
    ASSERT_EQ(s.camera.startPreview(), 0);
    uvc_device_handle_t *handle = UVCPreviewTestAccess::handle(s.engine());
    ASSERT_TRUE(wait_until([&] { return uvc_test_frames_delivered(handle) >= 120; }, 30000));
    s.camera.stopPreview();
    const double delivered = uvc_test_frames_delivered(handle);
    // A loaded sanitizer build drops some frames of its own.
    const double slack = test_time_scale() > 1 ? 0.6 : 1.0;
    EXPECT_GE(DecoderCalls::now().puts - before.puts, 0.8 * slack * delivered);
    EXPECT_GE(pictures.count(), 0.5 * slack * delivered);
}

// A camera that stops after its first frame; the test then hands the engine its own units
// through the frame callback, one at a time.
class InjectedUnits : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(s.connect(9, kWidth, kHeight), 0);
        pictures.attach(s.engine());
        ASSERT_EQ(s.camera.startPreview(), 0);
        ASSERT_TRUE(pictures.waitFor(1));
        sequence = uvc_test_frames_delivered(UVCPreviewTestAccess::handle(s.engine()));
    }
    void TearDown() override { s.camera.stopPreview(); }

    // Encoded frames of `width` x `height`, key frames every 10, each key frame led by the
    // SPS/PPS unless `headers` is false.
    static std::vector<std::vector<uint8_t>> units(int width, int height, bool headers) {
        TestStreamFormat format;
        format.width = width;
        format.height = height;
        format.channels = 0;
        format.key_interval = 10;
        std::vector<std::vector<uint8_t>> out;
        std::vector<uint8_t> header;
        for (const TestUnit &unit : encode_test_stream(format, 1.2)) {
            if (unit.header) {
                header = unit.data;
                continue;
            }
            std::vector<uint8_t> bytes = unit.key && headers ? header : std::vector<uint8_t>();
            bytes.insert(bytes.end(), unit.data.begin(), unit.data.end());
            out.push_back(bytes);
        }
        return out;
    }

    // Hands one unit to the frame callback as the camera would, once the streaming loop took
    // the previous one. With `picture`, waits for the picture it makes.
    void deliver(const std::vector<uint8_t> &bytes, bool picture) {
        ASSERT_TRUE(
            wait_until([&] { return UVCPreviewTestAccess::previewQueued(s.engine()) == 0; }, 5000));
        const size_t before = pictures.count();
        uvc_frame_t *frame = make_camera_frame(9, kWidth, kHeight, bytes.size());
        memcpy(frame->data, bytes.data(), bytes.size());
        frame->sequence = ++sequence;
        UVCPreviewTestAccess::deliver(s.engine(), frame);
        uvc_free_frame(frame);
        if (picture) {
            EXPECT_TRUE(pictures.waitFor(before + 1, 5000)) << "no picture";
        }
    }

    void expect_right_sizes() {
        for (const DrawnPicture &p : pictures.taken())
            EXPECT_EQ(p.size, kWidth * kHeight * 4);
    }

    CameraSession s{h264_camera("counter", "stall_after = 1\n")};
    DrawnPictures pictures{kWidth, kHeight};
    uint32_t sequence = 0;  // the camera's frame number of the last frame handed over
};

TEST_F(InjectedUnits, StreamWithoutParameterSetsDecodesFromTheFirstKeyFrameWithThem) {
    const auto plain = units(kWidth, kHeight, false);
    const auto full = units(kWidth, kHeight, true);
    for (size_t i = 0; i < 10; i++)
        deliver(plain[i], false);
    for (size_t i = 10; i < 20; i++)
        deliver(full[i], true);
    expect_right_sizes();
}

TEST_F(InjectedUnits, CorruptAndTruncatedFramesAreLostUntilTheNextKeyFrame) {
    const auto full = units(kWidth, kHeight, true);
    std::mt19937 random(7);
    std::vector<uint8_t> noise(3000);
    for (uint8_t &byte : noise)
        byte = (uint8_t)random();
    deliver(noise, false);
    deliver(std::vector<uint8_t>(full[0].begin(), full[0].begin() + full[0].size() / 2), false);
    for (size_t i = 1; i < 10; i++) {
        std::vector<uint8_t> unit = full[i];
        for (size_t b = unit.size() / 3; b < unit.size() && b < unit.size() / 3 + 40; b++)
            unit[b] ^= 0xa5;
        deliver(unit, false);
    }
    deliver(std::vector<uint8_t>(4, 0), false);
    for (size_t i = 10; i < 20; i++)
        deliver(full[i], true);
    expect_right_sizes();
}

// A lost frame holds nothing back: the frames after it still reach the decoder, which conceals
// what it lacks until the next key frame.
TEST_F(InjectedUnits, AFrameLostOnTheWayHoldsNothingBack) {
    const auto full = units(kWidth, kHeight, true);
    for (size_t i = 0; i < 5; i++)
        deliver(full[i], true);
    sequence++;  // frame 5 never arrives
    const DecoderCalls before = DecoderCalls::now();
    for (size_t i = 6; i < 15; i++)
        deliver(full[i], i >= 10);
    EXPECT_EQ(DecoderCalls::now().puts, before.puts + 9);
    expect_right_sizes();
}

TEST_F(InjectedUnits, SizeChangeMidStreamKeepsThePictureSize) {
    const auto small = units(320, 240, true);
    const auto large = units(1280, 720, true);
    // The first change restarts the decoder, which then needs the next key frame.
    const int starts = DecoderCalls::now().starts;
    deliver(small[0], false);
    ASSERT_TRUE(wait_until(
        [&] {
            return DecoderCalls::now().starts > starts &&
                   !UVCPreviewTestAccess::decoderRestarting(s.engine());
        },
        5000));
    for (size_t i = 1; i < 10; i++)
        deliver(small[i], false);
    for (size_t i = 10; i < 20; i++)
        deliver(small[i], true);
    // The second change is reported as one picture without decoded content.
    for (size_t i = 0; i < 10; i++)
        deliver(large[i], true);
    expect_right_sizes();
    EXPECT_EQ(DecoderCalls::now().starts, starts + 1);
}

}  // namespace
