// libOrrinUVC5_TL only: the recorder's colour format, the muxer behind it, and resume on an
// engine that never recorded.
#include "host_android.h"
#include "muxer/muxer_test_controls.h"
#include "recorder/recorder_test_controls.h"
#include "recording_support.h"

namespace {

// No usable colour format fails the start and releases; the muxer lives with a recording.
TEST(MediaRecorder, NoUsableColourFormatFailsAndTheMuxerLivesWithTheRecording) {
    RecordingSession s(recording_camera(false), true);
    ASSERT_TRUE(s.startPreview(REC_MODE_VIDEO_ONLY));
    ASSERT_EQ(s.prepare(), 0);
    host_log_capture_start();
    media_recorder_test_set_color_format(0);
    EXPECT_EQ(s.start(temp_file("none.mp4")), REC_NO_COLOR_FORMAT);
    EXPECT_EQ(host_log_count("hw enc does not have omxyuv420sp or omxyuv420p"), 1);
    host_log_capture_stop();
    reset_recorder_faults();
    EXPECT_EQ(recorder_objects_alive(), 0);
    EXPECT_EQ(recorder_instance_holders(), 0);

    EXPECT_EQ(ffmuxer_test_objects(), 0);
    ASSERT_EQ(s.start(temp_file("muxer.mp4").c_str()), 0);
    EXPECT_EQ(ffmuxer_test_objects(), 1);
    ASSERT_TRUE(s.waitMorePosts(3));
    ASSERT_EQ(s.engine()->recordStop(), 0);
    EXPECT_EQ(ffmuxer_test_objects(), 0);
}

}  // namespace
