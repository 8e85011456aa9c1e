// The streamer's Start and Stop lines, each under the operation that writes it and in the
// order Start takes its steps, also when a helper writes it. Built for both deliverables.
#include <gtest/gtest.h>

#include "host_android.h"
#include "log_lines.h"
#include "streamer_support.h"

namespace {

struct StreamerLogCase {
    const char *name;
    int width;  // 0: a start refused by its checks
    int recMode;
    int recType;
    int startResult;
    std::vector<ExpectedLine> startLines;
};

void PrintTo(const StreamerLogCase &c, std::ostream *os) {
    *os << c.name;
}

const StreamerLogCase kCases[] = {
    {"RefusedSize", 0, 2, 0x10, -53, {{"Start", "m_Width = 0 , m_Height = 240\n"}}},
    {"PicturesAndSound",
     320,
     2,
     0x10,
     0,
     {{"Start", "fps : 25, bitrate : 1000000"},
      {"Start", "mSampleRate : 44100, mBit : 16 mChannel : 2\n"},
      {"Start", "mfilepath : "},
      {"Start", "recordStart Success!\n"}}},
    {"PicturesOnly",
     320,
     1,
     0x10,
     0,
     {{"Start", "Video ONLY\n"},
      {"Start", "fps : 25, bitrate : 1000000"},
      {"Start", "recordStart Success!\n"}}},
    // Nothing listens on the port: the connection's wait fails within Start.
    {"LiveRefused",
     320,
     2,
     0x20,
     -300,
     {{"Start", "Start TLink\n"},
      {"Start", "tlink version: "},
      {"Start", "Start Tlink with RTMP mode\n"},
      {"Start", "m_TlinkWaitTime : "},
      {"Start", "TlinkWaitAsyncJobCompletion failed. reason : "}}},
};

class StreamerLogLines : public testing::TestWithParam<StreamerLogCase> {
  protected:
    void SetUp() override { host_log_set_echo(false); }
    void TearDown() override {
        host_log_capture_stop();
        host_log_set_echo(true);
    }
};

TEST_P(StreamerLogLines, StartAndStopLinesNameTheirOperation) {
    const StreamerLogCase &c = GetParam();
    StreamWrapper streamer;
    streamer.Init(true);
    StreamFormat format = fileFormat((std::string(c.name) + ".mp4").c_str(), c.width, 240);
    format.recMode = c.recMode;
    format.recType = c.recType;
    configure(streamer, format);

    host_log_capture_start();
    ASSERT_EQ(streamer.Start("rtmp://127.0.0.1:1/live/none"), c.startResult);
    EXPECT_EQ(first_missing_in_order(c.startLines), "");
    if (c.startResult != 0)
        return;

    host_log_capture_start();
    EXPECT_EQ(streamer.Stop(), 0);
    EXPECT_EQ(first_missing_in_order(
                  {{"Stop", "Stop IN\n"}, {"Stop", "release "}, {"Stop", "tlink stop success\n"}}),
              "");
}

INSTANTIATE_TEST_SUITE_P(Cases, StreamerLogLines, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<StreamerLogCase> &info) {
                             return std::string(info.param.name);
                         });

}  // namespace
