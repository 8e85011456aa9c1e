// YUYV pictures: whichever reader gets them (surface, capture buffer, raw-frame callback, with
// or without a surface) sees exactly the camera library's R, G, B, X conversion.
#include <string.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "host_android.h"
#include "picture_order.h"
#include "uvc_testing.h"

namespace {

const int kWidth = 640, kHeight = 480;

std::mutex g_rawMutex;  // guards g_raw
std::vector<uint8_t> g_raw;

void keep_raw(long, char *data, int size) {
    std::lock_guard<std::mutex> lock(g_rawMutex);
    g_raw.assign(data, data + size);
}

std::vector<uint8_t> last_raw() {
    std::lock_guard<std::mutex> lock(g_rawMutex);
    return g_raw;
}

// The bars picture as the camera library itself converts it (every frame is the same).
std::vector<uint8_t> library_conversion(const CameraSetup &setup) {
    std::vector<std::vector<uint8_t>> frames = camera_frames(setup, 3, kWidth, kHeight, 1);
    std::vector<uint8_t> yuyv = frames.empty() ? std::vector<uint8_t>() : frames[0];
    std::vector<uint8_t> rgbx(kWidth * kHeight * 4);
    uvc_frame_t in;
    memset(&in, 0, sizeof(in));
    in.data = yuyv.data();
    in.data_bytes = in.actual_bytes = yuyv.size();
    in.width = kWidth;
    in.height = kHeight;
    in.frame_format = UVC_FRAME_FORMAT_YUYV;
    uvc_frame_t *out = uvc_allocate_frame(rgbx.size());
    if (!yuyv.empty() && uvc_yuyv2rgbx(&in, out) == UVC_SUCCESS)
        memcpy(rgbx.data(), out->data, rgbx.size());
    uvc_free_frame(out);
    return rgbx;
}

TEST(YuyvPictures, EveryReaderGetsTheLibrarysConversionByteForByte) {
    CameraSetup setup = CameraSetup::atFps(20);
    setup.pattern = "bars";
    const std::vector<uint8_t> expected = library_conversion(setup);

    // Surface and capture buffer, nothing reading after the surface: the frame is converted
    // straight into the window buffer, also when its rows have a gap at their end; the capture
    // request sends it through a pool frame.
    for (int padding : {24, 0}) {
        SCOPED_TRACE("stride padding " + std::to_string(padding));
        CameraSession s(setup);
        ASSERT_EQ(s.connect(3, kWidth, kHeight), 0);
        host_window_set_stride_padding(s.window, padding);
        ASSERT_EQ(s.attachWindow(), 0);
        const ShownPicture shown = s.startAndShow(2);
        EXPECT_EQ(shown.width, kWidth);
        EXPECT_EQ(shown.height, kHeight);
        EXPECT_TRUE(shown.pixels == expected);
        if (padding)
            continue;
        std::vector<char> buffer(expected.size());
        int info[3] = {0, 0, 0};
        ASSERT_EQ(s.engine()->get_capture_buffer(buffer.data(), info, (int)buffer.size()),
                  (int)expected.size());
        EXPECT_EQ(memcmp(buffer.data(), expected.data(), expected.size()), 0);
    }
    // The raw-frame callback after the surface, and without any surface.
    for (bool withWindow : {true, false}) {
        CameraSession s(setup);
        ASSERT_EQ(s.connect(3, kWidth, kHeight), 0);
        g_raw.clear();
        s.engine()->SetRawdataCallback(keep_raw);
        if (withWindow) {
            ASSERT_EQ(s.attachWindow(), 0);
        }
        ASSERT_EQ(s.camera.startPreview(), 0);
        ASSERT_TRUE(wait_until([] { return !last_raw().empty(); }, 5000));
        EXPECT_TRUE(last_raw() == expected) << "with a window: " << withWindow;
    }
}

// A frame whose row step would carry its last rows past the bytes it holds is refused, not read
// beyond its end; the same bytes packed convert.
TEST(YuyvPictures, ARowStepPastTheFrameIsRefused) {
    const int width = 64, height = 8;
    std::vector<uint8_t> yuyv((size_t)width * height * 2, 0x80);
    uvc_frame_t in;
    memset(&in, 0, sizeof(in));
    in.data = yuyv.data();
    in.data_bytes = in.actual_bytes = yuyv.size();
    in.width = width;
    in.height = height;
    in.frame_format = UVC_FRAME_FORMAT_YUYV;
    uvc_frame_t *out = uvc_allocate_frame((size_t)width * height * 4);
    in.step = (size_t)width * 2 + 16;
    EXPECT_EQ(any_to_picture(&in, out), UVC_ERROR_INVALID_PARAM);
    in.step = (size_t)width * 2 - 2;
    EXPECT_EQ(any_to_picture(&in, out), UVC_ERROR_INVALID_PARAM);
    in.step = 0;
    EXPECT_EQ(any_to_picture(&in, out), UVC_SUCCESS);
    EXPECT_EQ(out->width, (uint32_t)width);
    uvc_free_frame(out);

    // A step of more than two rows' worth: the last row ends well before its step. Converting
    // straight into a window clears only the frame's own bytes.
    const size_t step = (size_t)width * 5, bytes = step * (height - 1) + width * 2;
    std::vector<uint8_t> spaced(bytes + 64, 0x80);
    in.data = spaced.data();
    in.data_bytes = in.actual_bytes = bytes;
    in.step = step;
    ASSERT_TRUE(yuyv_rows_fit(&in));
    std::vector<uint8_t> rgbx((size_t)width * height * 4);
    yuyv_to_rgbx_rows(&in, rgbx.data(), (size_t)width * 4, height, width, true);
    EXPECT_EQ(std::count(spaced.begin(), spaced.begin() + bytes, 0), (long)bytes);
    EXPECT_EQ(std::count(spaced.begin() + bytes, spaced.end(), 0x80), 64);
}

}  // namespace
