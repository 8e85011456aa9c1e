#include "h264_support.h"

#include <string.h>

#include <mutex>

#include "decoder_test_controls.h"
#include "uvc_testing.h"

namespace {

std::mutex g_mutex;  // guards the collector state below
std::vector<DrawnPicture> g_pictures;
int g_width = 0, g_height = 0;

void on_picture(long, char *data, int size) {
    DrawnPicture picture{size, -1, false, 0};
    const uint8_t *pixels = reinterpret_cast<const uint8_t *>(data);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (size >= g_width * g_height * 4 && size >= 4) {
        picture.counter = uvc_test_decode_counter(pixels, g_width, g_height, 0);
        memcpy(&picture.firstPixel, pixels, 4);
        picture.allOneColour = true;
        for (int i = 4; i < g_width * g_height * 4 && picture.allOneColour; i += 4)
            picture.allOneColour = memcmp(pixels, pixels + i, 4) == 0;
    }
    g_pictures.push_back(picture);
}

}  // namespace

CameraSetup h264_camera(const std::string &pattern, const std::string &extra) {
    CameraSetup setup;
    setup.vid = "0x041e";
    setup.pid = "0x4057";
    setup.pattern = pattern;
    setup.extra = "h264 = 1920x1080, 1280x720, 640x480, 320x240\n" + extra;
    return setup;
}

bool wait_for_readable_counter(CameraSession &s) {
    return wait_until([&] { return s.lastCounter() > 20; }, 30000);
}

DrawnPictures::DrawnPictures(int width, int height) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_pictures.clear();
    g_width = width;
    g_height = height;
}

void DrawnPictures::attach(UVCPreview *engine) {
    engine->SetRawdataCallback(on_picture);
}

DrawnPictures::~DrawnPictures() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_pictures.clear();
}

std::vector<DrawnPicture> DrawnPictures::taken() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_pictures;
}

size_t DrawnPictures::count() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_pictures.size();
}

bool DrawnPictures::waitFor(size_t wanted, int timeoutMs) {
    return wait_until([&] { return count() >= wanted; }, timeoutMs);
}

DecoderCalls DecoderCalls::now() {
    return {media_decoder_test_start_calls(), media_decoder_test_put_calls()};
}
