// A recording of the counter camera with its sine microphone, read back frame by frame.
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>

#include "recording_support.h"

namespace {

// Time from the first video picture of a file to the end of its last, by their time stamps.
double video_span(const std::string &path, double frame) {
    const std::vector<double> times = packet_times(path, "v");
    if (times.empty())
        return 0;
    return *std::max_element(times.begin(), times.end()) -
           *std::min_element(times.begin(), times.end()) + frame;
}

TEST(FileRecording, CounterCameraWithSineMicrophone) {
    RecordingSession s(recording_camera(true));
    ASSERT_TRUE(s.startPreview(RECORD_MODE_VIDEO_AUDIO));
    ASSERT_EQ(s.prepare(), 0);
    const std::string path = temp_file("counter_sine.mp4");

    ASSERT_EQ(s.start(path.c_str()), 0);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(s.engine()->getRecordState(), 1);
    ASSERT_TRUE(s.waitMorePosts(3 * kRecordFps));
    const auto stopping = std::chrono::steady_clock::now();
    ASSERT_EQ(s.engine()->recordStop(), 0);
    const double recorded = std::chrono::duration<double>(stopping - started).count();

    // The camera numbers its frames at its own rate, so the span of the recorded counters is
    // the time the recording covers, whatever the load on the machine delayed.
    const RecordedFile file = probe_recording(path);
    const double frame = 1.0 / kRecordFps;
    // Sanitizer builds run slower: the sound starts later and more pictures are lost.
    const double slow = test_time_scale();
    EXPECT_EQ(file.codecs, "h264,aac");
    EXPECT_EQ(file.width, 1280);
    EXPECT_EQ(file.height, 720);
    EXPECT_NEAR(file.videoStart, file.audioStart, frame * slow);
    EXPECT_NEAR(file.duration, recorded, 0.25 * slow);

    const std::vector<int64_t> counters = recorded_counters(path);
    ASSERT_GE((int)counters.size(), 2 * kRecordFps);
    int gaps = 0;
    for (size_t i = 1; i < counters.size(); i++) {
        ASSERT_GT(counters[i], counters[i - 1]) << "frame " << i;
        gaps += counters[i] - counters[i - 1] > 1 ? 1 : 0;
    }
    // Pictures lost on the way are a real-time figure, checked at full speed: a sanitizer build
    // on a small machine may record only every other frame; the order and the span are still
    // checked there.
    if (slow == 1) {
        EXPECT_LE(gaps, (int)counters.size() / 10);
    }
    const double span = (counters.back() - counters.front() + 1) * frame;
    // The pictures' time stamps follow the camera's clock, within the delays a loaded machine
    // adds to the first and last picture. (The file as a whole can run longer: the sound goes
    // on to the stop while a loaded machine can lose the last pictures.)
    EXPECT_NEAR(video_span(path, frame), span, 2 * frame * slow + 0.05 * span);
    EXPECT_NEAR(tone_hz(path), kMicHz, kMicHz * 0.03);
}

std::atomic<int> g_fileFailures{0};
void count_file_failure(long, long kind, int code, char *) {
    if (kind == MEDIA_ERROR_CLASS_ENCODER && code == MEDIA_ERROR_FILE_FAILED)
        g_fileFailures++;
}

// A file that cannot grow (a full disk; here a file-size limit): Java hears of it once, through
// the recorder's class, recordStop says that units were lost, and what was written plays.
TEST(FileRecording, AFileThatCannotGrowIsReportedOnceAndWhatItHoldsPlays) {
    RecordingSession s(recording_camera(false));
    ASSERT_TRUE(s.startPreview(REC_MODE_VIDEO_ONLY));
    ASSERT_EQ(s.prepare(), 0);
    s.engine()->SetErrorNotifyCallback(count_file_failure);
    const std::string path = temp_file("full.mp4");
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit before;
    getrlimit(RLIMIT_FSIZE, &before);
    struct rlimit small = before;
    small.rlim_cur = 96 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int started = s.start(path);
    const bool reported = wait_until([] { return g_fileFailures > 0; }, 20000);
    const bool drawnAfter = s.waitMorePosts(10);
    const int stopped = s.engine()->recordStop();
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, SIG_DFL);
    ASSERT_EQ(started, 0);
    EXPECT_TRUE(reported);
    EXPECT_TRUE(drawnAfter);
    EXPECT_EQ(stopped, REC_UNITS_LOST);
    EXPECT_EQ(g_fileFailures, 1);
    EXPECT_GT(probe_recording(path).videoFrames, 0);
    EXPECT_EQ(s.camera.stopPreview(), 0);
}

}  // namespace
