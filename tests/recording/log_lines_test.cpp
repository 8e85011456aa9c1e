// The lines of a recording's start and stop, each under the operation that writes it and in
// the order the operations take their steps: also when a helper writes it, and when the
// preview's stop ends the recording.
#include "host_android.h"
#include "log_lines.h"
#include "recording_support.h"

namespace {

enum class Stop { kRecordStop, kStopPreview };

struct LogCase {
    const char *name;
    int recMode;  // the mode the recording starts with; SetRecording ran with mode 1 or 2
    bool microphone;
    const char *recModeText;  // "Rec Mode : " and what follows
    const char *muxerLine;    // libOrrinUVC5_TL's muxer parameter line
    Stop stop;
};

void PrintTo(const LogCase &c, std::ostream *os) {
    *os << c.name;
}

const LogCase kCases[] = {
    {"VideoOnly", REC_MODE_VIDEO_ONLY, false, "Rec Mode : VIDEO ONLY\n", "set Video param\n",
     Stop::kRecordStop},
    {"VideoAndAudio", RECORD_MODE_VIDEO_AUDIO, true, "Rec Mode : VIDEO+AUDIO\n",
     "set Video Audio Param\n", Stop::kRecordStop},
    // Only mode 1 is video only by name.
    {"UnchosenMode", 0, false, "Rec Mode : VIDEO+AUDIO\n", "set Video Audio Param\n",
     Stop::kRecordStop},
    // The preview's stop ends the recording as recordStop does, with recordStop's lines.
    {"EndedByStopPreview", REC_MODE_VIDEO_ONLY, false, "Rec Mode : VIDEO ONLY\n",
     "set Video param\n", Stop::kStopPreview},
};

// recordStart's lines from the mode line on, for this deliverable.
std::vector<ExpectedLine> start_lines(const LogCase &c) {
    std::vector<ExpectedLine> lines = {{"recordStart", c.recModeText}};
    if (hardware_encoder()) {
        lines.push_back({"recordStart", "mOMXWrapper == NULL\n"});
    } else {
        lines.push_back({"recordStart", "mMediaRecorderLib == NULL\n"});
        lines.push_back({"recordStart", "mMediaRecorderWrapper == NULL\n"});
    }
    if (c.recMode != RECORD_MODE_VIDEO_AUDIO)
        lines.push_back({"recordStart", "Video ONLY\n"});
    if (hardware_encoder()) {
        lines.push_back({"recordStart", "OMX Init\n"});
        lines.push_back({"recordStart", "OMX Init Success\n"});
    } else {
        lines.push_back({"recordStart", "color format : 0x"});
    }
    lines.push_back({"recordStart", "recording width : 1280, height : 720, path : "});
    lines.push_back({"recordStart", "fps : 30, bitrate : 4000000\n"});
    lines.push_back({"recordStart", "mSampleRate : "});
    if (!hardware_encoder())
        lines.push_back({"recordStart", c.muxerLine});
    lines.push_back({"recordStart", "recordStart Success!\n"});
    return lines;
}

class RecordingLogLines : public testing::TestWithParam<LogCase> {
  protected:
    void SetUp() override {
        reset_recorder_faults();
        host_log_set_echo(false);
    }
    void TearDown() override {
        host_log_capture_stop();
        host_log_set_echo(true);
    }
};

TEST_P(RecordingLogLines, StartAndStopLinesNameTheirOperation) {
    const LogCase &c = GetParam();
    RecordingSession s(recording_camera(c.microphone), true);
    const int prepareMode = c.recMode == 0 ? REC_MODE_VIDEO_ONLY : c.recMode;
    ASSERT_TRUE(s.startPreview(prepareMode));
    ASSERT_EQ(s.prepare(), 0);
    s.engine()->setRecMode(c.recMode);

    host_log_capture_start();
    ASSERT_EQ(s.start(temp_file(std::string(c.name) + ".mp4")), 0);
    ASSERT_TRUE(s.waitMorePosts(5));
    EXPECT_EQ(first_missing_in_order(start_lines(c)), "");

    // Only the lines count here: an unchosen mode gives the muxer a sound stream that never
    // comes, so its stop reports lost units.
    host_log_capture_start();
    if (c.stop == Stop::kRecordStop)
        s.engine()->recordStop();
    else
        s.camera.stopPreview();
    EXPECT_EQ(first_missing_in_order({{"recordStop", " IN\n"}, {"recordStop", " OUT\n"}}), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordingLogLines, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<LogCase> &info) {
                             return std::string(info.param.name);
                         });

}  // namespace
