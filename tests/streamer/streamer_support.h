// Shared pieces of the streamer tests: pictures in the streamer's NV21 input, a configured
// streamer, feeding threads, and reading the received streams and files back.
#pragma once

#include <stdint.h>
#include <tlink.h>

#include <atomic>
#include <string>
#include <vector>

#include "StreamWrapper.h"
#include "media_test_support.h"

// Everything a start needs; a start with these settings streams 640x480 at 25 fps.
struct StreamFormat {
    int width = 640, height = 480, fps = 25, bitrate = 1000000;
    int sampleRate = 44100, bits = 16, channels = 2;
    int recMode = 2, recType = STREAM_TYPE_LIVE;
    int waitMs = 5000;
    std::string filePath;
};
void configure(StreamWrapper &streamer, const StreamFormat &format);
// A file-only start into `name` in the test's folder: no live stream, nothing to connect to.
StreamFormat fileFormat(const char *name, int width = 320, int height = 240);

// An NV21 picture of one colour, made from R, G, B, A bytes as the application would.
std::vector<uint8_t> nv21Solid(int width, int height, Rgb colour);
// Draws `number` in the virtual camera's counter pattern into a luma plane (stride `width`).
void drawCounter(uint8_t *luma, int width, int height, uint32_t number);
// An NV21 picture showing `number` in the virtual camera's counter pattern, neutral chroma.
std::vector<uint8_t> nv21Counter(int width, int height, uint32_t number);

// The counter of a decoded R, G, B frame, or -1.
int64_t counterOfRgb(const std::vector<uint8_t> &rgb, int width, int height);
// Whether every channel of the mean of a 16 x 16 square at (x, y) of an R, G, B frame lies
// within `tolerance` of `colour`.
bool colourNear(const std::vector<uint8_t> &rgb, int width, int x, int y, Rgb colour,
                int tolerance);
Rgb meanColour(const std::vector<uint8_t> &rgb, int width, int x, int y);

// Picture `index` of a feed: counters for the first `counterFrames`, then solid red, green and
// blue thirds.
struct PicturePlan {
    int width = 640, height = 480, frames = 75, counterFrames = 25;
    Rgb colourOf(int index) const;
    std::vector<uint8_t> picture(int index) const;
};

// Offers a picture until the streamer takes it (an encoder queue may be full for a moment on a
// loaded machine); false when it was never taken.
bool offer(StreamWrapper &streamer, const std::vector<uint8_t> &picture);

// Feeds the plan's pictures at `fps` on one thread (a refused picture is offered again) and a
// 440 Hz sine in 4096-byte blocks at the same pace on another. Returns the pictures taken.
int feedPaced(StreamWrapper &streamer, const PicturePlan &plan, int fps, int sampleRate,
              int channels);

// Error reports reaching the application's error function.
struct ErrorReports {
    static std::atomic<int> calls;
    static std::atomic<long> errorClass;
    static std::atomic<int> code;
    static void reset();
    static void record(long cameraId, long errorClass, int code, char *text);
};

// Feeds the plan's pictures at `fps`, offering a refused picture again until the encoder takes
// it; false when one was never taken.
bool feedAll(StreamWrapper &streamer, const PicturePlan &plan, int fps);
// Checks a received or recorded file against the plan: size, counters in increasing order and
// colours within `tolerance`. `counters` receives the counters read back.
void expectPlanInFile(const std::string &path, const PicturePlan &plan, int tolerance,
                      std::vector<int64_t> *counters = nullptr);
