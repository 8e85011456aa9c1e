// Pictures and sound on their way into the media recorder: conversion, watermarks, pieces and
// time stamps, bad input. Read back from the recorder's own file and counters.
#include <limits.h>
#include <gtest/gtest.h>

#include <thread>

#include "LibMediaRecorder.h"
#include "host_android.h"
#include "recorder_test_controls.h"
#include "streamer_access.h"
#include "streamer_support.h"

namespace {

// A started streamer writing pictures of 320 x 240 (and sound when `mode` is 2) to a file.
struct FileStream {
    StreamWrapper streamer;
    StreamFormat format;
    explicit FileStream(const char *name, int mode = 2, int colorFormat = 21)
        : format(fileFormat(name)) {
        host_log_capture_start();
        media_recorder_test_set_color_format(colorFormat);
        streamer.Init(false);
        format.recMode = mode;
        configure(streamer, format);
        EXPECT_EQ(streamer.Start(nullptr), 0);
    }
    ~FileStream() {
        media_recorder_test_set_color_format(21);
        host_log_capture_stop();
    }
    MediaRecorderTestStats stats() {
        return media_recorder_test_stats(StreamWrapperAccess::recorder(&streamer));
    }
};

class FileColours : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(FileColours, CountersAndColoursSurviveTheConversion) {
    FileStream f(GetParam() == 21 ? "colours21.mp4" : "colours19.mp4", 1, GetParam());
    PicturePlan plan{320, 240, 45, 15};
    EXPECT_TRUE(feedAll(f.streamer, plan, 25));
    EXPECT_EQ(f.streamer.Stop(), 0);
    // Red within 10 of (255, 0, 0): the chroma is read and written in the encoder's order.
    expectPlanInFile(f.format.filePath, plan, 10);
}

INSTANTIATE_TEST_SUITE_P(Formats, FileColours, ::testing::Values(21, 19));

TEST(StreamerIntake, BadPicturesAreDroppedWithAnError) {
    FileStream f("bad_pictures.mp4");
    StreamWrapper &s = f.streamer;
    std::vector<uint8_t> picture = nv21Solid(320, 240, kRed);
    int size = (int)picture.size();
    EXPECT_EQ(s.videoDataCallback(nullptr, size), -2);
    EXPECT_EQ(s.videoDataCallback(picture.data(), size - 1), -2);
    EXPECT_EQ(s.videoDataCallback(picture.data(), -1), -2);
    EXPECT_EQ(host_log_count("dropped, 320 x 240 needs 115200\n"), 2);
    EXPECT_EQ(f.stats().video_taken, 0);
    EXPECT_EQ(s.videoDataCallback(picture.data(), size), 0);
    EXPECT_EQ(f.stats().video_taken, 1);
    // Every hundredth picture offered is logged with the count, also when dropped.
    int lines = host_log_count("videoDataCallback, num1=[");
    for (int i = 0; i < 100; i++)
        s.videoDataCallback(nullptr, 0);
    EXPECT_EQ(host_log_count("videoDataCallback, num1=["), lines + 1);
    EXPECT_EQ(s.Stop(), 0);
}

TEST(StreamerIntake, SoundGoesInPiecesOf4096BytesStampedByTheirPlayTime) {
    FileStream f("sound.mp4");
    StreamWrapper &s = f.streamer;
    std::vector<uint8_t> picture = nv21Solid(320, 240, kGreen);
    ASSERT_EQ(s.videoDataCallback(picture.data(), (int)picture.size()), 0);
    std::vector<uint8_t> pcm = sinePcm(44100, 2, 40 * 1024, 0);
    EXPECT_EQ(s.audioDataCallback(pcm.data(), 2 * 4096 + 100), 0);
    EXPECT_EQ(f.stats().audio_taken, 3);
    EXPECT_EQ(s.audioDataCallback(pcm.data(), 0), 0);
    EXPECT_EQ(s.audioDataCallback(pcm.data(), -5), 0);
    EXPECT_EQ(s.audioDataCallback(nullptr, 4096), -2);
    EXPECT_EQ(f.stats().audio_taken, 3);
    // A pause of 400 ms, then 40 pieces in one call: the sound time line jumps once, by the
    // pause, and runs on without a gap through the 40 pieces.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(s.audioDataCallback(pcm.data(), (int)pcm.size()), 0);
    EXPECT_EQ(f.stats().audio_taken, 43);
    ASSERT_EQ(s.videoDataCallback(picture.data(), (int)picture.size()), 0);
    EXPECT_EQ(s.Stop(), 0);
    std::vector<double> times = packet_times(f.format.filePath, "a");
    ASSERT_GT(times.size(), 40u);
    int jumps = 0;
    size_t jumpAt = 0;
    for (size_t i = 1; i < times.size(); i++) {
        if (times[i] - times[i - 1] > 0.1) {
            jumps++;
            jumpAt = i;
        }
    }
    ASSERT_EQ(jumps, 1);
    EXPECT_GE(times[jumpAt] - times[jumpAt - 1], 0.3);
    // 40 pieces are 928.8 ms of sound; the encoder adds at most two frames of 23.2 ms.
    EXPECT_NEAR(times.back() - times[jumpAt], 0.92, 0.06);
}

TEST(StreamerIntake, PicturesOnlyDropSound) {
    FileStream f("video_only.mp4", 1);
    std::vector<uint8_t> pcm(4096, 0);
    EXPECT_EQ(f.streamer.audioDataCallback(pcm.data(), (int)pcm.size()), 0);
    EXPECT_EQ(f.stats().audio_taken, 0);
    EXPECT_EQ(host_log_count("Video ONLY\n"), 1);
    EXPECT_EQ(f.streamer.Stop(), 0);
}

TEST(StreamerWatermark, BlendedInsideThePictureWhereverTheyArePut) {
    FileStream f("watermarks.mp4", 1);
    StreamWrapper &s = f.streamer;
    // System watermark: plain grey 32 x 32, placed beyond the frame: pulled to the far corner.
    std::vector<uint8_t> grey = rgbxPicture(32, 32, {100, 100, 100});
    EXPECT_EQ(s.SetWatermarkInit(32, 32, 1000, 1000, 1), 0);
    EXPECT_EQ(s.SetWatermarkBuf(grey.data(), (int)grey.size()), 0);
    // A second picture without an init in between is not taken.
    std::vector<uint8_t> white = rgbxPicture(32, 32, {255, 255, 255});
    EXPECT_EQ(s.SetWatermarkBuf(white.data(), (int)white.size()), 0);
    // User watermark: keyed, 64 x 32 at a negative place (moved to 0, 0); its left half is
    // (59, 200, 200), transparent, its right half (60, 60, 60), blended.
    std::vector<uint8_t> user = rgbxPicture(64, 32, {59, 200, 200});
    for (int y = 0; y < 32; y++)
        for (int x = 32; x < 64; x++)
            memset(&user[(y * 64 + x) * 4], 60, 3);
    EXPECT_EQ(s.SetUserWatermarkInit(64, 32, 0, 0, 0), 0);
    s.SetUserWatermarkXY(-10, -10);
    EXPECT_EQ(s.SetUserWatermarkBuf(user.data(), (int)user.size()), 0);
    EXPECT_EQ(s.SetUserWatermarkBuf(user.data(), -5), 0);
    EXPECT_EQ(host_log_count("buffer NULL, size : -5\n"), 1);
    std::vector<uint8_t> red = nv21Solid(320, 240, kRed);
    for (int i = 0; i < 10; i++) {
        ASSERT_EQ(s.videoDataCallback(red.data(), (int)red.size()), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(s.Stop(), 0);
    std::vector<std::vector<uint8_t>> frames = decodeRgbFrames(f.format.filePath, 320, 240);
    ASSERT_FALSE(frames.empty());
    const std::vector<uint8_t> &frame = frames.back();
    // 255 x 0.15 + 100 x 0.85 = 123; 0 x 0.15 + 100 x 0.85 = 85.
    EXPECT_TRUE(colourNear(frame, 320, 288 + 8, 208 + 8, {123, 85, 85}, 10));
    EXPECT_TRUE(colourNear(frame, 320, 8, 8, kRed, 10));
    // 255 x 0.15 + 60 x 0.85 = 89; 60 x 0.85 = 51.
    EXPECT_TRUE(colourNear(frame, 320, 40, 8, {89, 51, 51}, 10));
    EXPECT_TRUE(colourNear(frame, 320, 150, 110, kRed, 10));
}

TEST(StreamerWatermark, OversizedPicturesStayInsideTheirBuffers) {
    FileStream f("big_watermarks.mp4", 1);
    StreamWrapper &s = f.streamer;
    // More bytes than the buffer holds, and a picture larger than the frame and the buffer.
    std::vector<uint8_t> huge(kWatermarkBufferBytes + 4096, 200);
    EXPECT_EQ(s.SetWatermarkInit(4000, 4000, -50, 30, 1), 0);
    EXPECT_EQ(s.SetWatermarkBuf(huge.data(), (int)huge.size()), 0);
    EXPECT_EQ(s.SetUserWatermarkInit(2000, 100, 100, 100, 0), 0);
    EXPECT_EQ(s.SetUserWatermarkBuf(huge.data(), 64), 0);
    // Sizes no placement can work with are refused, and the pictures set before stay.
    EXPECT_EQ(s.SetWatermarkInit(-1, 10, 0, 0, 1), -2);
    EXPECT_EQ(s.SetUserWatermarkInit(10, INT_MIN, 0, 0, 1), -2);
    std::vector<uint8_t> blue = nv21Solid(320, 240, kBlue);
    EXPECT_EQ(s.videoDataCallback(blue.data(), (int)blue.size()), 0);
    EXPECT_EQ(s.Stop(), 0);
    std::vector<std::vector<uint8_t>> frames = decodeRgbFrames(f.format.filePath, 320, 240);
    ASSERT_EQ(frames.size(), 1u);
    // 0 x 0.15 + 200 x 0.85 = 170; 255 x 0.15 + 170 = 208.
    EXPECT_TRUE(colourNear(frames[0], 320, 150, 110, {170, 170, 208}, 10));
}

// On the Galaxy Grand a red picture goes to the encoder with its chroma pairs Cr first, which
// a Cb-first reader shows as blue. 0 when it does.
int galaxyRedArrivesAsBlue() {
    host_property_set("ro.product.model", "SHV-E275");
    FileStream f("galaxy.mp4", 1);
    bool galaxy = isGalaxtGrandDevice();
    std::vector<uint8_t> red = nv21Solid(320, 240, kRed);
    f.streamer.videoDataCallback(red.data(), (int)red.size());
    f.streamer.Stop();
    std::vector<std::vector<uint8_t>> frames = decodeRgbFrames(f.format.filePath, 320, 240);
    if (!galaxy || host_log_count("THIS IS THE GALAXY GRAND!!!") != 1 || frames.empty())
        return 1;
    Rgb seen = meanColour(frames[0], 320, 150, 110);
    return seen.b > 200 && seen.r < 60 ? 0 : 2;
}

// The device model is read once per process, so the check runs in a fresh one.
TEST(StreamerDevice, GalaxyGrandEncoderGetsItsChromaPairsCrFirst) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(exit(galaxyRedArrivesAsBlue()), ::testing::ExitedWithCode(0), "");
}
