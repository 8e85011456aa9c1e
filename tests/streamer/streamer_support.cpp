#include "streamer_support.h"

#include <gtest/gtest.h>
#include <libyuv.h>
#include <string.h>

#include <cmath>
#include <thread>

#include "picture_pattern.h"
#include "uvc_testing.h"

void configure(StreamWrapper &s, const StreamFormat &f) {
    s.SetResolution(f.width, f.height, 0);
    s.SetVideoFPS(f.fps);
    s.SetVideoBitrate(f.bitrate);
    s.SetAudioSamplerate(f.sampleRate);
    s.SetAudioBit(f.bits);
    s.SetAudioChannels(f.channels);
    s.SetRecMode(f.recMode);
    s.SetRecType(f.recType);
    s.setTlinkWaitTime(f.waitMs);
    if (!f.filePath.empty())
        s.setTlinkFilePath(f.filePath.c_str());
}

StreamFormat fileFormat(const char *name, int width, int height) {
    StreamFormat f;
    f.width = width;
    f.height = height;
    f.recType = 0x10;
    f.filePath = temp_path(name);
    return f;
}

std::vector<uint8_t> nv21Solid(int w, int h, Rgb colour) {
    std::vector<uint8_t> rgba = rgbxPicture(w, h, colour);
    std::vector<uint8_t> out((size_t)w * h * 3 / 2);
    libyuv::ABGRToNV21(rgba.data(), w * 4, out.data(), w, out.data() + (size_t)w * h, w, w, h);
    return out;
}

void drawCounter(uint8_t *luma, int w, int h, uint32_t number) {
    uint32_t cells = counter_cells(number);
    for (int i = 0; i < kCounterCells; i++) {
        CellRect cell = counter_cell(w, h, i % kCounterColumns, i / kCounterColumns);
        uint8_t value = (cells >> i) & 1 ? 235 : 16;
        for (int y = cell.y0; y < cell.y1; y++)
            memset(luma + (size_t)y * w + cell.x0, value, cell.x1 - cell.x0);
    }
}

std::vector<uint8_t> nv21Counter(int w, int h, uint32_t number) {
    std::vector<uint8_t> out((size_t)w * h * 3 / 2, 128);
    drawCounter(out.data(), w, h, number);
    return out;
}

int64_t counterOfRgb(const std::vector<uint8_t> &rgb, int w, int h) {
    std::vector<uint8_t> rgbx((size_t)w * h * 4, 255);
    for (size_t i = 0; i < (size_t)w * h; i++)
        memcpy(&rgbx[i * 4], &rgb[i * 3], 3);
    return uvc_test_decode_counter(rgbx.data(), w, h, 0);
}

Rgb meanColour(const std::vector<uint8_t> &rgb, int w, int x, int y) {
    int sum[3] = {0, 0, 0};
    for (int row = y; row < y + 16; row++)
        for (int col = x; col < x + 16; col++)
            for (int c = 0; c < 3; c++)
                sum[c] += rgb[((size_t)row * w + col) * 3 + c];
    return {(uint8_t)(sum[0] / 256), (uint8_t)(sum[1] / 256), (uint8_t)(sum[2] / 256)};
}

bool colourNear(const std::vector<uint8_t> &rgb, int w, int x, int y, Rgb colour, int tolerance) {
    Rgb mean = meanColour(rgb, w, x, y);
    return std::abs(mean.r - colour.r) <= tolerance && std::abs(mean.g - colour.g) <= tolerance &&
           std::abs(mean.b - colour.b) <= tolerance;
}

Rgb PicturePlan::colourOf(int index) const {
    int third = (index - counterFrames) * 3 / (frames - counterFrames);
    return third == 0 ? kRed : third == 1 ? kGreen : kBlue;
}

std::vector<uint8_t> PicturePlan::picture(int index) const {
    if (index < counterFrames)
        return nv21Counter(width, height, index);
    return nv21Solid(width, height, colourOf(index));
}

bool offer(StreamWrapper &streamer, const std::vector<uint8_t> &picture) {
    for (int tries = 0; tries < 500; tries++) {
        if (streamer.videoDataCallback(picture.data(), (int)picture.size()) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

int feedPaced(StreamWrapper &streamer, const PicturePlan &plan, int fps, int sampleRate,
              int channels) {
    using Clock = std::chrono::steady_clock;
    std::vector<std::vector<uint8_t>> pictures;
    for (int i = 0; i < plan.frames; i++)
        pictures.push_back(plan.picture(i));
    Clock::time_point start = Clock::now();
    auto frameTime = [&](int i) { return start + std::chrono::microseconds(1000000LL * i / fps); };
    std::atomic<bool> feeding{true};
    std::thread sound([&] {
        const int block = 4096;
        const int frames = block / 2 / channels;
        int64_t written = 0;
        while (feeding) {
            std::vector<uint8_t> pcm = sinePcm(sampleRate, channels, frames, written);
            streamer.audioDataCallback(pcm.data(), (int)pcm.size());
            written += frames;
            std::this_thread::sleep_until(
                start + std::chrono::microseconds(written * 1000000 / sampleRate));
        }
    });
    int taken = 0;
    Clock::time_point last = start;
    for (int i = 0; i < plan.frames; i++) {
        // A late feeder catches up, but never hands two pictures within the same millisecond:
        // the RTMP publisher keeps one picture per millisecond of its time line.
        last = std::max(frameTime(i), last + std::chrono::milliseconds(2));
        std::this_thread::sleep_until(last);
        taken += offer(streamer, pictures[i]);
    }
    feeding = false;
    sound.join();
    return taken;
}

std::atomic<int> ErrorReports::calls(0);
std::atomic<long> ErrorReports::errorClass(0);
std::atomic<int> ErrorReports::code(0);

void ErrorReports::reset() {
    calls = 0;
    errorClass = 0;
    code = 0;
}

void ErrorReports::record(long, long error_class, int c, char *) {
    errorClass = error_class;
    code = c;
    calls++;
}

bool feedAll(StreamWrapper &streamer, const PicturePlan &plan, int fps) {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    for (int i = 0; i < plan.frames; i++) {
        // One frame time apart: readers of the file keep one picture per frame time.
        std::this_thread::sleep_until(start + std::chrono::microseconds(1000000LL * i / fps));
        if (!offer(streamer, plan.picture(i)))
            return false;
    }
    return true;
}

void expectPlanInFile(const std::string &path, const PicturePlan &plan, int tolerance,
                      std::vector<int64_t> *counters) {
    ProbedStream video;
    ASSERT_TRUE(probeStream(path, "v", &video)) << path;
    EXPECT_EQ(video.codec, "h264");
    ASSERT_EQ(video.width, plan.width);
    ASSERT_EQ(video.height, plan.height);
    std::vector<std::vector<uint8_t>> frames = decodeRgbFrames(path, plan.width, plan.height);
    ASSERT_GT(frames.size(), 0u);
    std::vector<int64_t> seen;
    int coloured[3] = {0, 0, 0};
    const Rgb colours[3] = {kRed, kGreen, kBlue};
    for (const std::vector<uint8_t> &frame : frames) {
        int64_t counter = counterOfRgb(frame, plan.width, plan.height);
        if (counter >= 0) {
            if (!seen.empty()) {
                EXPECT_GT(counter, seen.back()) << "counters out of order";
            }
            seen.push_back(counter);
            continue;
        }
        // A solid picture: the centre and two corners show one of the plan's colours.
        bool matched = false;
        for (int c = 0; c < 3 && !matched; c++) {
            matched = colourNear(frame, plan.width, plan.width / 2 - 8, plan.height / 2 - 8,
                                 colours[c], tolerance) &&
                      colourNear(frame, plan.width, 8, 8, colours[c], tolerance) &&
                      colourNear(frame, plan.width, plan.width - 24, plan.height - 24, colours[c],
                                 tolerance);
            coloured[c] += matched;
        }
        if (!matched) {
            Rgb centre = meanColour(frame, plan.width, plan.width / 2 - 8, plan.height / 2 - 8);
            ADD_FAILURE() << "neither a counter nor a plan colour: " << (int)centre.r << ","
                          << (int)centre.g << "," << (int)centre.b;
        }
    }
    EXPECT_GE(seen.size(), (size_t)plan.counterFrames * 3 / 4);
    for (int c = 0; c < 3; c++)
        EXPECT_GT(coloured[c], 0) << "colour " << c << " never seen within " << tolerance;
    if (counters)
        *counters = seen;
}
