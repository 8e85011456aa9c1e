// The camera-like `scene` pattern and the replay of recorded stream files.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <turbojpeg.h>
#include <unistd.h>

#include "host_android.h"
#include "virtual_camera.h"

namespace {

// A temporary file holding `bytes`; removed with the object.
class TempFile {
  public:
    explicit TempFile(const std::string &bytes) {
        char name[] = "/tmp/uvc_replay_XXXXXX";
        int fd = mkstemp(name);
        path_ = name;
        if (fd >= 0) {
            EXPECT_EQ(write(fd, bytes.data(), bytes.size()), (ssize_t)bytes.size());
            close(fd);
        }
    }
    ~TempFile() { unlink(path_.c_str()); }
    const std::string &path() const { return path_; }

  private:
    std::string path_;
};

std::string joined(const std::vector<CollectedFrame> &frames) {
    std::string bytes;
    for (const CollectedFrame &frame : frames)
        bytes.append(frame.data.begin(), frame.data.end());
    return bytes;
}

// Mean absolute difference of two pictures over counter cell (0, 1), whose bit (8) stays 0
// for small frame numbers.
double cell_difference(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b, int width,
                       int height) {
    int64_t sum = 0, count = 0;
    for (int y = height / 4 + 8; y < height / 2 - 8; ++y) {
        for (int x = 8; x < width / 8 - 8; ++x) {
            for (int c = 0; c < 3; ++c, ++count) {
                size_t i = ((size_t)y * width + x) * 4 + c;
                sum += abs(a[i] - b[i]);
            }
        }
    }
    return (double)sum / count;
}

TEST(UvcScene, MjpegFramesLookLikeACamerasAndCarryTheCounter) {
    DescribedCamera camera(webcam_text("pattern = scene\n"));
    std::vector<CollectedFrame> frames = collect_frames(camera.devh, 9, 1920, 1080, 10);
    ASSERT_GE(frames.size(), 10u);
    tjhandle decoder = tjInitDecompress();
    size_t total = 0;
    std::vector<std::vector<uint8_t>> pictures;
    for (size_t i = 0; i < 10; ++i) {
        const CollectedFrame &frame = frames[i];
        int width = 0, height = 0, subsampling = -1;
        ASSERT_EQ(tjDecompressHeader2(decoder, const_cast<uint8_t *>(frame.data.data()),
                                      frame.data.size(), &width, &height, &subsampling),
                  0);
        EXPECT_EQ(width, 1920);
        EXPECT_EQ(height, 1080);
        EXPECT_EQ(subsampling, TJSAMP_422);
        total += frame.data.size();
        std::vector<uint8_t> rgbx;
        ASSERT_TRUE(to_rgbx(frame, &rgbx));
        EXPECT_EQ(uvc_test_decode_counter(rgbx.data(), 1920, 1080, 0), frame.sequence);
        pictures.push_back(std::move(rgbx));
    }
    tjDestroy(decoder);
    // About the size of a 1080p webcam frame at quality 85.
    EXPECT_GT(total / 10, 140u * 1024);
    EXPECT_LT(total / 10, 230u * 1024) << total / 10;
    // The scene moves: consecutive frames differ where the counter does not.
    EXPECT_GT(cell_difference(pictures[0], pictures[1], 1920, 1080), 2.0);
}

// Restart markers in a frame's entropy data, and whether they count 0..7 over and over.
size_t restart_markers(const std::vector<uint8_t> &jpeg, bool *inSequence) {
    size_t count = 0;
    *inSequence = true;
    size_t i = 2;
    while (i + 4 <= jpeg.size() && jpeg[i + 1] != 0xda)
        i += 2 + ((size_t)jpeg[i + 2] << 8 | jpeg[i + 3]);
    for (i += 2; i + 1 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xff && jpeg[i + 1] >= 0xd0 && jpeg[i + 1] <= 0xd7) {
            *inSequence = *inSequence && jpeg[i + 1] == 0xd0 + count % 8;
            count++;
        }
    }
    return count;
}

TEST(UvcScene, RestartIntervalAndMisnumberedMarkers) {
    // 1920x1080 in 4:2:2: 120 x 135 MCUs; at counter cell edges, 15 MCUs apart.
    const struct {
        const char *extra;
        size_t markers;
    } cases[] = {{"", 120 * 135 / 15 - 1},
                 {"restart_interval = 0\n", 0},
                 {"restart_interval = 120\n", 135 - 1}};
    for (const auto &c : cases) {
        DescribedCamera camera(webcam_text(std::string("pattern = scene\n") + c.extra));
        std::vector<CollectedFrame> frames = collect_frames(camera.devh, 9, 1920, 1080, 2);
        ASSERT_GE(frames.size(), 2u) << c.extra;
        for (const CollectedFrame &frame : frames) {
            bool inSequence = false;
            EXPECT_EQ(restart_markers(frame.data, &inSequence), c.markers) << c.extra;
            EXPECT_TRUE(inSequence);
            std::vector<uint8_t> rgbx;
            ASSERT_TRUE(to_rgbx(frame, &rgbx));
            EXPECT_EQ(uvc_test_decode_counter(rgbx.data(), 1920, 1080, 0), frame.sequence);
        }
    }
    DescribedCamera faulty(webcam_text("pattern = scene\nmisnumbered_restart_every = 2\n"));
    for (const CollectedFrame &frame : collect_frames(faulty.devh, 9, 1920, 1080, 4)) {
        bool inSequence = false;
        EXPECT_EQ(restart_markers(frame.data, &inSequence), 120u * 135 / 15 - 1);
        EXPECT_EQ(inSequence, frame.sequence % 2 != 0) << frame.sequence;
    }
}

TEST(UvcScene, YuyvAndStillsCarryTheCounterToo) {
    DescribedCamera camera(webcam_text("pattern = scene\n"));
    std::vector<CollectedFrame> frames = collect_frames(camera.devh, 3, 640, 480, 3);
    ASSERT_GE(frames.size(), 3u);
    for (const CollectedFrame &frame : frames) {
        std::vector<uint8_t> rgbx;
        ASSERT_TRUE(to_rgbx(frame, &rgbx));
        EXPECT_EQ(uvc_test_decode_counter(rgbx.data(), 640, 480, 0), frame.sequence);
    }
}

// Records a few frames of the counter camera, replays them as another camera's stream, and
// expects the file's frames, byte for byte, in order and looping.
void expect_replay(const std::string &listing, int format, const char *format_name, int width,
                   int height, int stream_kind) {
    const size_t recorded_count = 5;
    std::vector<CollectedFrame> recorded;
    {
        DescriptionFile source(webcam_text(listing));
        OpenCamera camera(source.fd(), kWebcamVid, kWebcamPid);
        recorded = collect_frames(camera.devh, format, width, height, recorded_count, stream_kind);
    }
    ASSERT_GE(recorded.size(), recorded_count);
    recorded.resize(recorded_count);
    TempFile capture(joined(recorded));
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    DescriptionFile replaying(webcam_text(listing + "replay = " + format_name + " " + size + " " +
                                          capture.path() + "\n"));
    OpenCamera camera(replaying.fd(), kWebcamVid, kWebcamPid);
    ASSERT_EQ(camera.open_result, UVC_SUCCESS);
    std::vector<CollectedFrame> replayed =
        collect_frames(camera.devh, format, width, height, 2 * recorded_count + 1, stream_kind);
    ASSERT_GE(replayed.size(), 2 * recorded_count + 1);
    for (size_t i = 0; i < replayed.size(); ++i) {
        EXPECT_EQ(replayed[i].sequence, i + 1);
        EXPECT_TRUE(replayed[i].data == recorded[i % recorded_count].data) << format_name << i;
    }
}

TEST(UvcReplay, RecordedStreamsReplayFrameByFrameInOrder) {
    expect_replay("", 9, "mjpeg", 320, 240, 0);
    expect_replay("", 3, "yuyv", 320, 240, 0);
    expect_replay("h264 = 320x240\n", 9, "h264", 320, 240, 2);
}

TEST(UvcReplay, BadFilesAreRefusedWithAClearError) {
    std::vector<CollectedFrame> vga;
    {
        DescriptionFile source(webcam_text());
        OpenCamera camera(source.fd(), kWebcamVid, kWebcamPid);
        vga = collect_frames(camera.devh, 9, 640, 480, 1);
    }
    ASSERT_FALSE(vga.empty());
    const std::string jpeg = joined(vga);
    TempFile empty(""), garbage("this is no video"), odd(std::string(1000, '\x10'));
    TempFile truncated(jpeg.substr(0, jpeg.size() / 2)), large(jpeg);
    struct Case {
        std::string line;
        const char *message;
    } cases[] = {
        {"replay = mjpeg 320x240 /nonexistent/capture.mjpeg", "No such file"},
        {"replay = mjpeg 320x240 " + empty.path(), "empty"},
        {"replay = mjpeg 320x240 " + garbage.path(), "frame 1 does not start with a JPEG"},
        {"replay = mjpeg 320x240 " + truncated.path(), "frame 1 is truncated"},
        {"replay = mjpeg 320x240 " + large.path(), "frame 1 is 640x480, not 320x240"},
        {"replay = yuyv 320x240 " + odd.path(), "no whole number of 320x240 YUYV frames"},
        {"h264 = 640x480\nreplay = h264 640x480 " + garbage.path(), "no H.264 pictures"},
        {"replay = mjpeg 352x288 " + large.path(), "listed format and size"},
        {"replay = mjpeg 320x240", "bad value"},
    };
    host_log_set_echo(false);
    for (const Case &c : cases) {
        host_log_capture_start();
        EXPECT_EQ(DescribedCamera(webcam_text(c.line + "\n")).find_result, UVC_ERROR_INVALID_DEVICE)
            << c.line;
        EXPECT_EQ(host_log_count(c.message), 1) << c.line;
    }
    host_log_capture_stop();
    host_log_set_echo(true);
}

}  // namespace
