// MJPEG decoded on more than one thread: bands of one frame's restart intervals give the picture
// a single decode gives, broken markers are refused, and pictures, captures and raw frames keep
// camera order while whole frames are decoded side by side.
#include <turbojpeg.h>

#include <mutex>
#include <vector>

#include "band_decode.h"
#include "decode_workers.h"
#include "engine_fixture.h"
#include "host_android.h"
#include "uvc_testing.h"

namespace {

CameraSetup scene_camera(const std::string &size, const std::string &extra) {
    CameraSetup setup;
    setup.mjpeg = size;
    setup.defaultStream = "mjpeg " + size;
    setup.pattern = "scene";
    setup.extra = extra;
    return setup;
}

const int kFlags = TJFLAG_NOREALLOC | TJFLAG_FASTUPSAMPLE;

TEST(ParallelDecode, BandsGiveTheSinglePictureAndBrokenMarkersAreRefused) {
    const int width = 3840, height = 2160;
    std::vector<std::vector<uint8_t>> frames = camera_frames(
        scene_camera("3840x2160", "misnumbered_restart_every = 3\n"), 9, width, height, 3);
    ASSERT_EQ(frames.size(), 3u);
    DecodeWorkers workers;
    workers.start(2);
    ASSERT_EQ(workers.count(), 2);
    tjhandle decoder = tjInitDecompress();
    std::vector<uint8_t> single((size_t)width * height * 4), banded(single.size());
    for (size_t i = 0; i < frames.size(); i++) {
        const std::vector<uint8_t> &jpeg = frames[i];
        const bool broken = i == 2;  // frame number 3
        ASSERT_EQ(tjDecompress2(decoder, jpeg.data(), jpeg.size(), single.data(), width, 0, height,
                                TJPF_RGBX, kFlags) == 0,
                  !broken);
        JpegDecoding decoding(&workers, jpeg.data(), jpeg.size(), width, height, width, height);
        EXPECT_EQ(decoding.refused(), broken);
        const JpegDecode result = decoding.decode(decoder, banded.data(), 0, kFlags);
        EXPECT_EQ(result, broken ? JpegDecode::refused : JpegDecode::decoded);
        if (!broken) {
            EXPECT_TRUE(single == banded) << "frame " << i + 1;
            EXPECT_EQ(uvc_test_decode_counter(banded.data(), width, height, 0), (int64_t)i + 1);
        }
    }
    // Cut short: markers missing, refused; at half its bytes a band never gets a picture.
    JpegDecoding cut(&workers, frames[0].data(), frames[0].size() / 2, width, height, width,
                     height);
    EXPECT_TRUE(cut.refused());
    tjDestroy(decoder);
}

struct Readers {
    std::mutex mutex;  // guards raw
    std::vector<int64_t> raw;
    int width = 0, height = 0;
};
Readers g_readers;

void on_raw(long, char *data, int) {
    const int64_t counter = uvc_test_decode_counter(reinterpret_cast<uint8_t *>(data),
                                                    g_readers.width, g_readers.height, 0);
    std::lock_guard<std::mutex> lock(g_readers.mutex);
    g_readers.raw.push_back(counter);
}

size_t raw_count() {
    std::lock_guard<std::mutex> lock(g_readers.mutex);
    return g_readers.raw.size();
}

// Every third frame is broken. Raw frames, captures and window pictures come in camera order and
// no broken frame shows.
void expect_camera_order(int width, int height, int fps, const std::string &extra,
                         DecodeChoice choice) {
    CameraSetup setup = scene_camera(std::to_string(width) + "x" + std::to_string(height), extra);
    setup.fps = fps;
    CameraSession s(setup);
    {
        std::lock_guard<std::mutex> lock(g_readers.mutex);
        g_readers.raw.clear();
        g_readers.width = width;
        g_readers.height = height;
    }
    ASSERT_EQ(s.connect(9, width, height), 0);
    UVCPreviewTestAccess::setDecodeChoice(s.engine(), choice);
    s.engine()->SetRawdataCallback(on_raw);
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(s.waitPosts(1));
    std::vector<int64_t> captured, shown;
    std::vector<char> buffer((size_t)width * height * 4);
    while (captured.size() < 10 || raw_count() < 40) {
        int info[3];
        // A capture that meets a broken frame learns it at once (-5).
        const int result = s.engine()->get_capture_buffer(buffer.data(), info, (int)buffer.size());
        ASSERT_TRUE(result == (int)buffer.size() || result == -5) << result;
        if (result < 0)
            continue;
        captured.push_back(
            uvc_test_decode_counter(reinterpret_cast<uint8_t *>(buffer.data()), width, height, 0));
        shown.push_back(s.lastCounter());
    }
    s.camera.stopPreview();
    std::lock_guard<std::mutex> lock(g_readers.mutex);
    for (const std::vector<int64_t> *seen : {&g_readers.raw, &captured, &shown}) {
        for (size_t i = 0; i < seen->size(); i++) {
            EXPECT_NE((*seen)[i] % 3, 0) << "a broken frame was shown: " << (*seen)[i];
            if (i == 0)
                continue;
            // The window is read at random times: the same picture may be read twice.
            if (seen == &shown) {
                EXPECT_GE((*seen)[i], (*seen)[i - 1]);
            } else {
                EXPECT_GT((*seen)[i], (*seen)[i - 1]);
            }
        }
    }
}

TEST(ParallelDecode, CameraOrderWhileDecodeTimesVary) {
    {
        // A 4K frame comes every 8 ms and takes longer to decode; an unreadable one takes
        // nothing: later frames often finish first.
        SCOPED_TRACE("whole frames side by side, some unreadable");
        expect_camera_order(3840, 2160, 120, "corrupt_jpeg_every = 3\n", DecodeChoice::sideBySide);
    }
    {
        SCOPED_TRACE("whole frames side by side, some with misnumbered restart markers");
        expect_camera_order(1280, 720, 60, "misnumbered_restart_every = 3\n",
                            DecodeChoice::sideBySide);
    }
    {
        SCOPED_TRACE("bands on the preview thread");
        expect_camera_order(1280, 720, 60, "misnumbered_restart_every = 3\n",
                            DecodeChoice::measured);
    }
}

// Nothing reads after the window: the draw thread decodes the bands straight into it.
TEST(ParallelDecode, FourKPicturesWithRestartMarkersInTheWindow) {
    CameraSession s(scene_camera("3840x2160", "misnumbered_restart_every = 2\n"));
    ASSERT_EQ(s.connect(9, 3840, 2160), 0);
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    std::vector<int64_t> shown;
    while (shown.size() < 8) {
        ASSERT_TRUE(s.waitPosts(host_window_post_count(s.window) + 1));
        shown.push_back(s.lastCounter());
    }
    s.camera.stopPreview();
    for (size_t i = 0; i < shown.size(); i++) {
        EXPECT_EQ(shown[i] % 2, 1) << shown[i];
        if (i > 0) {
            EXPECT_GT(shown[i], shown[i - 1]);
        }
    }
}

}  // namespace
