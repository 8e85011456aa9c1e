// MJPEG and YUYV pictures that only the window reads are converted straight into the window
// buffer; any other reader (raw-frame callback, capture buffer) sends them through a pool frame.
// Both ways must put the same picture on the surface (for YUYV see yuyv_order_test), and a
// reader that comes mid-stream gets its frames.
#include <stdio.h>
#include <turbojpeg.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "host_android.h"
#include "temp_path.h"
#include "uvc_testing.h"

namespace {

const int kWidth = 640, kHeight = 480;

// A detailed 4:2:2 JPEG (gradients and a fine checker), as a camera at quality 85 sends it.
std::vector<unsigned char> detailed_jpeg() {
    std::vector<unsigned char> rgb((size_t)kWidth * kHeight * 3);
    for (int y = 0; y < kHeight; y++) {
        for (int x = 0; x < kWidth; x++) {
            unsigned char *p = &rgb[((size_t)y * kWidth + x) * 3];
            const bool checker = ((x / 3) + (y / 3)) % 2 == 0;
            p[0] = (unsigned char)(x * 255 / kWidth);
            p[1] = (unsigned char)(y * 255 / kHeight);
            p[2] = checker ? 200 : 40;
        }
    }
    tjhandle encoder = tjInitCompress();
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    EXPECT_EQ(tjCompress2(encoder, rgb.data(), kWidth, 0, kHeight, TJPF_RGB, &jpeg, &size,
                          TJSAMP_422, 85, 0),
              0);
    std::vector<unsigned char> out(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(encoder);
    return out;
}

// The picture TurboJPEG itself makes of the JPEG with the preview's decoding flags.
std::vector<uint8_t> reference_picture(std::vector<unsigned char> &jpeg) {
    std::vector<uint8_t> rgbx((size_t)kWidth * kHeight * 4);
    tjhandle decoder = tjInitDecompress();
    EXPECT_EQ(tjDecompress2(decoder, jpeg.data(), jpeg.size(), rgbx.data(), kWidth, 0, kHeight,
                            TJPF_RGBX, TJFLAG_NOREALLOC | TJFLAG_FASTUPSAMPLE),
              0);
    tjDestroy(decoder);
    return rgbx;
}

// A camera that replays one JPEG over and over: every frame is the same picture.
CameraSetup replaying(const std::string &path) {
    CameraSetup setup = CameraSetup::atFps(30);
    setup.extra =
        "replay = mjpeg " + std::to_string(kWidth) + "x" + std::to_string(kHeight) + " " + path;
    return setup;
}

std::mutex g_mutex;
std::vector<std::vector<uint8_t>> g_callbackPictures;

void keep_raw_frame(long, char *data, int size) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_callbackPictures.emplace_back(data, data + size);
}

size_t callback_count() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_callbackPictures.size();
}

// The window's picture after a few frames of the replaying camera.
ShownPicture surface_picture(const std::string &path, bool withCallback, int stridePadding) {
    CameraSession s(replaying(path));
    EXPECT_EQ(s.connect(9, kWidth, kHeight), 0);
    if (withCallback)
        s.engine()->SetRawdataCallback(keep_raw_frame);
    host_window_set_stride_padding(s.window, stridePadding);
    EXPECT_EQ(s.attachWindow(), 0);
    const ShownPicture shown = s.startAndShow(4);
    s.camera.stopPreview();
    return shown;
}

TEST(DirectDraw, WindowAndPoolFramePathsPostTheSamePicture) {
    const std::string path = temp_path("direct_draw_replay.mjpeg");
    std::vector<unsigned char> jpeg = detailed_jpeg();
    FILE *file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(fwrite(jpeg.data(), 1, jpeg.size(), file), jpeg.size());
    fclose(file);
    const std::vector<uint8_t> reference = reference_picture(jpeg);

    g_callbackPictures.clear();
    // Straight into the window, also when its rows have a gap at their end.
    for (int padding : {0, 24}) {
        SCOPED_TRACE("stride padding " + std::to_string(padding));
        const ShownPicture shown = surface_picture(path, false, padding);
        EXPECT_TRUE(shown.pixels == reference);
        EXPECT_EQ(shown.width, kWidth);
        EXPECT_EQ(shown.height, kHeight);
    }
    // Through a pool frame, because the raw-frame callback reads the picture too.
    EXPECT_TRUE(surface_picture(path, true, 0).pixels == reference);
    ASSERT_GT(callback_count(), 0u);
    std::lock_guard<std::mutex> lock(g_mutex);
    EXPECT_TRUE(g_callbackPictures.back() == reference);
    remove(path.c_str());
}

// Readers that come while MJPEG or YUYV pictures go straight into the window get theirs; when
// they go, the window goes on showing the camera's frames in order.
TEST(DirectDraw, ReadersArrivingMidStreamGetTheirPictures) {
    for (int format : {9, 3}) {
        SCOPED_TRACE("format " + std::to_string(format));
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            g_callbackPictures.clear();
        }
        CameraSession s(CameraSetup::atFps(30));
        ASSERT_EQ(s.connect(format, kWidth, kHeight), 0);
        ASSERT_EQ(s.attachWindow(), 0);
        ASSERT_EQ(s.camera.startPreview(), 0);
        ASSERT_TRUE(s.waitPosts(3));
        const int64_t before = s.lastCounter();
        EXPECT_GT(before, 0);

        std::vector<char> buffer((size_t)kWidth * kHeight * 4);
        int info[3] = {0, 0, 0};
        ASSERT_EQ(s.engine()->get_capture_buffer(buffer.data(), info, (int)buffer.size()),
                  (int)buffer.size());
        const int64_t captured =
            uvc_test_decode_counter(reinterpret_cast<uint8_t *>(buffer.data()), kWidth, kHeight, 0);
        EXPECT_GE(captured, before);

        s.engine()->SetRawdataCallback(keep_raw_frame);
        ASSERT_TRUE(wait_until([] { return callback_count() >= 4; }, 5000));
        s.engine()->SetRawdataCallback(nullptr);
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            int64_t previous = captured - 1;  // the captured picture may go on to the callback
            for (const std::vector<uint8_t> &picture : g_callbackPictures) {
                ASSERT_EQ(picture.size(), (size_t)kWidth * kHeight * 4);
                const int64_t counter = uvc_test_decode_counter(picture.data(), kWidth, kHeight, 0);
                EXPECT_GT(counter, previous);
                previous = counter;
            }
        }

        const int64_t posts = host_window_post_count(s.window);
        const int64_t afterReaders = s.lastCounter();
        ASSERT_TRUE(s.waitPosts(posts + 3));
        EXPECT_GT(s.lastCounter(), afterReaders);
        EXPECT_EQ(s.camera.stopPreview(), 0);
    }
}

}  // namespace
