// A recording's life around the preview: video only with a microphone, pause and resume, stop
// while paused, a refused picture, and repeated recordings that leave nothing behind.
#include <atomic>

#include "host_android.h"
#include "loopback_peer.h"
#include "recording_support.h"
#include "uvc_testing.h"

namespace {

std::atomic<int> g_volumeBlocks{0};
void count_volume(long, char *, int, int, int) {
    g_volumeBlocks++;
}

// Counter numbers missing between the first and the last recorded frame.
int64_t missing_frames(const std::vector<int64_t> &counters) {
    if (counters.size() < 2)
        return -1;
    return counters.back() - counters.front() + 1 - (int64_t)counters.size();
}

// Video only stops the microphone; a refused picture is logged and is the only one lost, the
// recording goes on after it.
TEST(RecordingLife, VideoOnlyStopsTheMicrophoneAndARefusedPictureIsTheOnlyOneLost) {
    RecordingSession s(recording_camera(true), true);
    ASSERT_TRUE(s.startPreview(REC_MODE_VIDEO_ONLY));
    s.engine()->setAudioVolumeCallback(count_volume);
    ASSERT_TRUE(wait_until([] { return g_volumeBlocks > 5; }, 5000));
    ASSERT_EQ(s.prepare(), 0);
    const std::string path = temp_file("video_only.mp4");
    ASSERT_EQ(s.start(path.c_str()), 0);
    ASSERT_TRUE(s.waitMorePosts(5));
    const int blocks = g_volumeBlocks;
    ASSERT_TRUE(s.waitMorePosts(10));
    EXPECT_LE(g_volumeBlocks - blocks, 1);

    host_log_capture_start();
    fail_video_writes(1);
    ASSERT_TRUE(s.waitMorePosts(15));
    EXPECT_EQ(host_log_count("write_Buffer failed"), 1);
    host_log_capture_stop();
    ASSERT_EQ(s.engine()->recordStop(), 0);
    reset_recorder_faults();
    EXPECT_EQ(probe_recording(path).codecs, "h264");
    const std::vector<int64_t> counters = recorded_counters(path);
    ASSERT_GE(counters.size(), 25u);
    EXPECT_GE(missing_frames(counters), 1);
}

// Paused frames are absent from a file that plays; stopping the preview while paused finishes
// the next file.
TEST(RecordingLife, PausedFramesAreAbsentAndStoppingWhilePausedFinishesTheFile) {
    RecordingSession s(recording_camera(true));
    ASSERT_TRUE(s.startPreview(RECORD_MODE_VIDEO_AUDIO));
    ASSERT_EQ(s.prepare(), 0);
    UVCPreview *e = s.engine();
    const std::string path = temp_file("paused.mp4");
    ASSERT_EQ(s.start(path.c_str()), 0);
    ASSERT_TRUE(s.waitMorePosts(20));
    e->pauseStreaming();
    EXPECT_EQ(e->getRecordState(), 0);
    EXPECT_EQ(e->recordStop(), REC_NOT_RECORDING);  // a paused recording does not stop
    ASSERT_TRUE(s.waitMorePosts(30));
    e->resumeStreaming();
    EXPECT_EQ(e->getRecordState(), 1);
    ASSERT_TRUE(s.waitMorePosts(20));
    ASSERT_EQ(e->recordStop(), 0);

    EXPECT_EQ(probe_recording(path).codecs, "h264,aac");
    const std::vector<int64_t> counters = recorded_counters(path);
    ASSERT_GE(counters.size(), 30u);
    int64_t longest = 0;
    for (size_t i = 1; i < counters.size(); i++) {
        ASSERT_GT(counters[i], counters[i - 1]);
        longest = std::max(longest, counters[i] - counters[i - 1]);
    }
    EXPECT_GE(longest, 28);

    const std::string stopped = temp_file("stopped_paused.mp4");
    ASSERT_EQ(s.start(stopped.c_str()), 0);
    ASSERT_TRUE(s.waitMorePosts(15));
    e->pauseStreaming();
    EXPECT_EQ(s.camera.stopPreview(), 0);
    EXPECT_EQ(recorder_objects_alive(), 0);
    EXPECT_EQ(recorder_instance_holders(), 0);
    const RecordedFile file = probe_recording(stopped);
    EXPECT_EQ(file.codecs, "h264,aac");
    EXPECT_GE(file.videoFrames, 10);
}

// Resume without a paused recording, before any recording or after one finished, changes
// nothing but a line: no recorder, no recording state, and the next file recording is a file.
TEST(RecordingLife, ResumeWithoutAPausedRecordingChangesNothing) {
    host_log_capture_start();
    RecordingSession s(recording_camera(false));
    ASSERT_TRUE(s.startPreview(REC_MODE_VIDEO_ONLY));
    ASSERT_EQ(s.prepare(), 0);
    UVCPreview *e = s.engine();
    e->resumeStreaming();
    EXPECT_EQ(e->getRecordState(), 0);
    EXPECT_EQ(recorder_objects_alive(), 0);
    const std::string first = temp_file("before_resume.mp4");
    ASSERT_TRUE(s.record(first, 10));
    e->resumeStreaming();
    EXPECT_EQ(e->getRecordState(), 0);
    EXPECT_EQ(host_log_count("no paused recording to resume"), 2);
    const std::string second = temp_file("after_resume.mp4");
    ASSERT_TRUE(s.record(second, 10));
    EXPECT_GE(probe_recording(second).videoFrames, 5);
    EXPECT_EQ(s.camera.stopPreview(), 0);
    EXPECT_EQ(recorder_instance_holders(), 0);
    host_log_capture_stop();
}

TEST(RecordingLife, RepeatedRecordingsLeaveNothingBehind) {
    RecordingSession s(recording_camera(true));
    ASSERT_TRUE(s.startPreview(RECORD_MODE_VIDEO_AUDIO));
    ASSERT_EQ(s.prepare(), 0);
    const std::string path = temp_file("cycles.mp4");
    ASSERT_TRUE(s.record(path, 3));
    const int threads = count_threads(), descriptors = count_open_descriptors();
    for (int i = 0; i < 20; i++)
        ASSERT_TRUE(s.record(path, 2)) << "cycle " << i;
    EXPECT_EQ(settled_thread_count(threads), threads);
    EXPECT_EQ(count_open_descriptors(), descriptors);
    EXPECT_EQ(recorder_objects_alive(), 0);
    EXPECT_EQ(recorder_instance_holders(), 0);
    EXPECT_EQ(probe_recording(path).codecs, "h264,aac");
}

}  // namespace
