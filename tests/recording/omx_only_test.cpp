// libOrrinUVC0 only: SetRecording chooses the encoder's colour format.
#include "host_android.h"
#include "omx/omx_test_controls.h"
#include "recording_support.h"

namespace {

class ColourChoice : public testing::Test {
  protected:
    void SetUp() override {
        omx_test_reset();
        host_log_set_echo(false);
        host_log_capture_start();
        ASSERT_TRUE(s.startPreview(REC_MODE_VIDEO_ONLY));
        s.engine()->setVideoFPS(kRecordFps);
        s.engine()->setVideoBitrate(kRecordBitrate);
    }
    void TearDown() override {
        omx_test_reset();
        host_log_capture_stop();
        host_log_set_echo(true);
    }
    RecordingSession s{recording_camera(false), true};
};

// An unusable format keeps failing; once the codec offers a usable one, the choice is made and
// not asked for again.
TEST_F(ColourChoice, AnUnusableFormatKeepsFailingAChosenOneIsKept) {
    const int other = 0x7f000789;
    omx_test_set_color_formats(&other, 1);
    EXPECT_EQ(s.engine()->SetRecording(nullptr), REC_ENCODER_NOT_SET);
    EXPECT_EQ(s.engine()->SetRecording(nullptr), REC_ENCODER_NOT_SET);
    EXPECT_EQ(s.engine()->recordStart(false, temp_file("x.mp4").c_str()), REC_ENCODER_NOT_SET);
    omx_test_reset();
    EXPECT_EQ(s.engine()->SetRecording(nullptr), 0);
    omx_test_set_codec_available(false);
    host_log_capture_start();
    EXPECT_EQ(s.engine()->SetRecording(nullptr), 0);
    EXPECT_EQ(host_log_count("getColorFormatSize!"), 0);
    omx_test_reset();
    ASSERT_TRUE(s.record(temp_file("usable.mp4"), 5));
}

TEST_F(ColourChoice, NoEncoderRefuses) {
    omx_test_set_codec_available(false);
    EXPECT_EQ(s.engine()->SetRecording(nullptr), REC_ENCODER_NOT_SET);
    EXPECT_EQ(host_log_count("getEncoderCodecProfiles fail"), 1);
    s.camera.stopPreview();
    EXPECT_EQ(omx_test_holders(), 0);
}

}  // namespace
