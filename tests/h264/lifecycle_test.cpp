// Start and stop of the H.264 path: stop while the output thread waits for the decoder, many
// cycles, and a decoder that does not start.
#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "decoder_test_controls.h"
#include "h264_support.h"
#include "host_android.h"
#include "uvc_testing.h"

namespace {

// Position of the first captured line containing `needle`; -1 when none.
int line_index(const std::vector<HostLogLine> &lines, const char *needle) {
    for (size_t i = 0; i < lines.size(); i++)
        if (lines[i].text.find(needle) != std::string::npos)
            return (int)i;
    return -1;
}

void expect_no_decoder_left() {
    EXPECT_EQ(media_decoder_test_holders(), 0);
    EXPECT_EQ(media_decoder_test_objects(), 0);
}

class H264Lifecycle : public testing::Test {
  protected:
    void SetUp() override {
        host_log_set_echo(false);
        host_log_capture_start();
    }
    void TearDown() override {
        media_decoder_test_fail_start(0);
        host_log_capture_stop();
        host_log_set_echo(true);
    }
};

TEST_F(H264Lifecycle, StopWhileTheDecoderWaitsEndsPromptlyAfterTheJoins) {
    CameraSession s(h264_camera("counter", "stall_after = 8\n"), true);
    ASSERT_EQ(s.connect(9, 640, 480), 0);
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(s.waitPosts(1, 10000));
    // The camera has stalled; the output thread keeps waiting in GetDecodeData.
    ASSERT_TRUE(wait_until([&] { return host_log_count("GetDecodeData failed") >= 2; }, 10000));

    EXPECT_TRUE(returns_within([&] { EXPECT_EQ(s.camera.stopPreview(), 0); }, 3000));

    const std::vector<HostLogLine> lines = host_log_captured();
    const int previewEnd = line_index(lines, "preview_thread end");
    const int outputEnd = line_index(lines, "mH264GetdataThread end");
    const int released = line_index(lines, "MediaDecoder Released");
    ASSERT_GE(previewEnd, 0);
    ASSERT_GE(outputEnd, 0);
    EXPECT_GT(outputEnd, previewEnd);
    EXPECT_GT(released, outputEnd);
    EXPECT_EQ(host_log_count("exit H264GetDataThread"), 1);
    expect_no_decoder_left();
}

TEST_F(H264Lifecycle, FiftyStartStopCyclesLeaveNothingBehind) {
    CameraSession s(h264_camera());
    ASSERT_EQ(s.connect(9, 640, 480), 0);
    const int threadsBefore = uvc_test_live_threads();
    for (int cycle = 0; cycle < 50; cycle++) {
        ASSERT_EQ(s.attachWindow(), 0);
        ASSERT_EQ(s.camera.startPreview(), 0);
        if (cycle % 10 == 9) {
            const int64_t posts = host_window_post_count(s.window);
            ASSERT_TRUE(s.waitPosts(posts + 1, 10000)) << "cycle " << cycle;
        }
        ASSERT_EQ(s.camera.stopPreview(), 0);
        ASSERT_EQ(s.engine()->CameraIsRunning(), 0);
    }
    EXPECT_EQ(uvc_test_live_threads(), threadsBefore);
    expect_no_decoder_left();
}

std::atomic<int> g_errors{0};
std::atomic<int> g_lastError{0};
std::atomic<long> g_lastKind{0};
void on_error(long, long kind, int code, char *) {
    g_lastKind = kind;
    g_lastError = code;
    g_errors++;
}

TEST_F(H264Lifecycle, DecoderThatDoesNotStartLeavesNoThreadStreamOrDecoder) {
    g_errors = 0;
    CameraSession s(h264_camera(), true);
    ASSERT_EQ(s.connect(9, 640, 480), 0);
    ASSERT_EQ(s.attachWindow(), 0);
    UVCPreview *engine = s.engine();
    uvc_device_handle_t *camera = UVCPreviewTestAccess::handle(engine);
    engine->SetErrorNotifyCallback(on_error);
    const int threadsBefore = uvc_test_live_threads();

    media_decoder_test_fail_start(1);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(wait_until([&] { return g_errors.load() > 0; }, 10000));
    EXPECT_EQ(host_log_count("mMediaDecoderWrapper->Start failed"), 1);
    EXPECT_EQ(g_lastKind.load(), 1);
    EXPECT_EQ(g_lastError.load(), -13);
    EXPECT_EQ(engine->CameraIsRunning(), 1);
    EXPECT_EQ(engine->getStartStatus(), 1);
    // The camera streams on until the stop; nothing is decoded or drawn.
    const uint32_t frames = uvc_test_frames_delivered(camera);
    ASSERT_TRUE(wait_until([&] { return uvc_test_frames_delivered(camera) > frames + 2; }, 5000));
    EXPECT_EQ(host_window_post_count(s.window), 0);

    EXPECT_EQ(s.camera.stopPreview(), 0);
    EXPECT_EQ(g_errors.load(), 1);
    EXPECT_EQ(uvc_test_live_threads(), threadsBefore);
    EXPECT_EQ(uvc_test_stream_thread_cpu_ns(camera), -1);
    expect_no_decoder_left();

    // The next start runs normally.
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    EXPECT_TRUE(wait_for_readable_counter(s));
    s.camera.stopPreview();
    EXPECT_EQ(g_errors.load(), 1);
}

}  // namespace
