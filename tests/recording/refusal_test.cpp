// Every refusal of SetRecording, recordStart and recordStop, with its code and its line, and
// what a refused start leaves behind: nothing.
#include "host_android.h"
#include "recording_support.h"
#include "uvc_testing.h"

namespace {

class Refusals : public testing::Test {
  protected:
    void SetUp() override {
        reset_recorder_faults();
        host_log_set_echo(false);
        host_log_capture_start();
    }
    void TearDown() override {
        reset_recorder_faults();
        host_log_capture_stop();
        host_log_set_echo(true);
    }
    // The code, with `line` written since the last check.
    void expectRefusal(int result, int code, const char *line) {
        EXPECT_EQ(result, code) << line;
        EXPECT_EQ(host_log_count(line), 1) << line;
        host_log_capture_start();
    }
    void expectNothingLeft() {
        EXPECT_EQ(s.engine()->getRecordState(), 0);
        EXPECT_EQ(recorder_objects_alive(), 0);
        // The hardware encoder's library stays with the colour format SetRecording chose.
        EXPECT_LE(recorder_instance_holders(), hardware_encoder() ? 1 : 0);
    }
    RecordingSession s{recording_camera(false), true};
    const std::string path = temp_file("refusal.mp4");
};

TEST_F(Refusals, StartAndSetRecordingInOrder) {
    ASSERT_EQ(s.connect(PIXEL_FORMAT_MJPEG, 1280, 720), 0);
    UVCPreview *e = s.engine();
    expectRefusal(e->recordStart(false, path.c_str()), REC_NOT_RUNNING, "Not running state");
    expectRefusal(e->SetRecording(nullptr), REC_NOT_RUNNING, "Lumivo is not running state");
    ASSERT_TRUE(s.startPreview(REC_MODE_VIDEO_ONLY));
    host_log_capture_start();
    if (hardware_encoder()) {
        expectRefusal(e->recordStart(false, path.c_str()), REC_RECORDER_FAILED,
                      "not initialize recoder");
    } else {
        expectRefusal(e->recordStart(false, path.c_str()), REC_ENCODER_NOT_SET,
                      "Encoder Setting Fail");
    }
    e->setRecMode(0);
    expectRefusal(e->SetRecording(nullptr), REC_MODE_NOT_SET, "Recmode is 0");
    e->setRecMode(REC_MODE_VIDEO_ONLY);
    ASSERT_EQ(e->SetRecording(nullptr), 0);
    expectRefusal(e->recordStart(false, path.c_str()), REC_VIDEO_NOT_SET,
                  "Video Bitrate or FPS was not set!");
    e->setVideoFPS(kRecordFps);
    expectRefusal(e->recordStart(false, path.c_str()), REC_VIDEO_NOT_SET,
                  "Video Bitrate or FPS was not set!");
    e->setVideoBitrate(kRecordBitrate);
    e->setRecMode(RECORD_MODE_VIDEO_AUDIO);
    e->setAudioSamplerate(0);
    expectRefusal(e->recordStart(false, path.c_str()), REC_AUDIO_FAILED, "Audio Samplerate : 0");
    e->setRecMode(REC_MODE_VIDEO_ONLY);

    // A camera that stopped sending: nothing is drawn within the 100 ms check.
    uvc_test_set_fault(UVCPreviewTestAccess::handle(e), UvcFault::kStallAfter, 1);
    ASSERT_TRUE(wait_until(
        [&] {
            int before = UVCPreviewTestAccess::viewCount(e);
            usleep(150000);
            return UVCPreviewTestAccess::viewCount(e) == before;
        },
        5000));
    EXPECT_EQ(e->recordStart(false, path.c_str()), REC_NO_PICTURES);
    expectNothingLeft();
    EXPECT_EQ(e->recordStop(), REC_NOT_RECORDING);
}

// A camera whose size is odd (one the camera does not offer either): no 4:2:0 layout fits it.
TEST_F(Refusals, OddPictureSizesAreRefused) {
    ASSERT_EQ(s.connect(PIXEL_FORMAT_MJPEG, 321, 240), 0);
    s.camera.setRecMode(REC_MODE_VIDEO_ONLY);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(
        wait_until([] { return host_log_count("could not negotiate with camera") > 0; }, 5000));
    ASSERT_EQ(s.prepare(), 0);
    expectRefusal(s.engine()->recordStart(false, path.c_str()), REC_ODD_PICTURE_SIZE,
                  "odd picture size 321 x 240 cannot be recorded");
    expectNothingLeft();
}

class RunningRefusals : public Refusals {
  protected:
    void SetUp() override {
        Refusals::SetUp();
        ASSERT_TRUE(s.startPreview(REC_MODE_VIDEO_ONLY));
        ASSERT_EQ(s.prepare(), 0);
        host_log_capture_start();
    }
};

TEST_F(RunningRefusals, FailedStartsReleaseEverything) {
    const std::string unwritable = "/nonexistent-folder/recording.mp4";
    int result = s.start(unwritable);
    if (hardware_encoder()) {
        EXPECT_NE(result, 0);
        EXPECT_EQ(host_log_count("Start fail : "), 1);
    } else {
        expectRefusal(result, REC_NOT_RECORDING, "FFMuxer Init Failed : ");
    }
    expectNothingLeft();

    fail_recorder_init(true);
    expectRefusal(s.start(path), REC_RECORDER_FAILED,
                  hardware_encoder() ? "OMX Init fail : " : "mMediaRecorderWrapper Init fail : ");
    fail_recorder_init(false);
    expectNothingLeft();

    // After all that, a recording works.
    ASSERT_TRUE(s.record(path, 10));
    EXPECT_EQ(probe_recording(path).codecs, "h264");
    expectNothingLeft();
}

TEST_F(RunningRefusals, StopRefusalsKeepTheRecordingGoing) {
    UVCPreview *e = s.engine();
    ASSERT_EQ(s.start(path.c_str()), 0);
    ASSERT_TRUE(s.waitMorePosts(5));
    host_log_capture_start();
    // A second start leaves the running recording alone.
    EXPECT_EQ(e->recordStart(false, temp_file("second.mp4").c_str()), REC_ALREADY_RECORDING);
    EXPECT_EQ(e->getRecordState(), 1);

    fail_recorder_stop(true);
    expectRefusal(e->recordStop(), REC_STOP_FAILED,
                  hardware_encoder() ? "OMX Stop failed" : "Mediacodec Stop failed");
    EXPECT_EQ(e->getRecordState(), 1);
    fail_recorder_stop(false);
    ASSERT_TRUE(s.waitMorePosts(5));
    EXPECT_EQ(e->recordStop(), 0);
    expectRefusal(e->recordStop(), REC_NOT_RECORDING, "Record not started");
    expectNothingLeft();
    const RecordedFile file = probe_recording(path);
    EXPECT_EQ(file.codecs, "h264");
    EXPECT_GE(file.videoFrames, 8);
}

}  // namespace
