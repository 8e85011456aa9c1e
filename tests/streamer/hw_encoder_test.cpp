// The streamer in libOrrinUVC0: the hardware encoder's colour formats, chosen through its codec
// query, and the pictures it receives in them.
#include <gtest/gtest.h>

#include "host_android.h"
#include "loopback_peer.h"
#include "omx_test_controls.h"
#include "streamer_support.h"

namespace {

struct HwStreamer {
    StreamWrapper streamer;
    StreamFormat format;
    explicit HwStreamer(const char *name) : format(fileFormat(name)) {
        host_log_capture_start();
        omx_test_reset();
        streamer.Init(true);
        configure(streamer, format);
    }
    ~HwStreamer() {
        omx_test_reset();
        host_log_capture_stop();
    }
};

class HwColours : public ::testing::TestWithParam<int> {};

}  // namespace

// No AVC encoder, a failing Init, or only colour formats the intake cannot make: the start is
// refused and nothing stays held.
TEST(HwEncoder, EncodersItCannotUseAreRefused) {
    {
        HwStreamer h("no_avc.mp4");
        omx_test_set_codec_available(false);
        EXPECT_EQ(h.streamer.getOMXColorformat(), -51);
        EXPECT_EQ(host_log_count("getEncoderCodecProfiles fail\n"), 1);
        EXPECT_EQ(h.streamer.Start(nullptr), -63);
        EXPECT_EQ(host_log_count("hw enc does not have omxyuv420sp or omxyuv420p\n"), 1);
        h.streamer.SetRecMode(0);
        EXPECT_EQ(h.streamer.getOMXColorformat(), -61);
        EXPECT_EQ(host_log_count("Recmode is 0\n"), 1);
    }
    {
        HwStreamer h("init_fails.mp4");
        omx_test_fail_init(true);
        EXPECT_EQ(h.streamer.Start(nullptr), -52);
        EXPECT_EQ(host_log_count("mOMXWrapper Init fail : -1 \n"), 1);
        EXPECT_EQ(omx_test_holders(), 0);
        EXPECT_EQ(omx_test_objects(), 0);
        omx_test_fail_init(false);
        EXPECT_EQ(h.streamer.Start(nullptr), 0);
        EXPECT_EQ(h.streamer.Stop(), 0);
    }
    const int none[1] = {0};
    const int other[1] = {0x7f000789};
    for (int count : {0, 1}) {
        HwStreamer h("no_format.mp4");
        omx_test_set_color_formats(count ? other : none, count);
        EXPECT_EQ(h.streamer.Start(nullptr), -63) << count;
        std::vector<uint8_t> picture = nv21Solid(320, 240, kRed);
        EXPECT_EQ(h.streamer.videoDataCallback(picture.data(), (int)picture.size()), -53);
    }
}

TEST_P(HwColours, CountersAndColoursSurviveTheConversion) {
    HwStreamer h(GetParam() == 21 ? "hw21.mp4" : "hw19.mp4");
    const int formats[1] = {GetParam()};
    omx_test_set_color_formats(formats, 1);
    ASSERT_EQ(h.streamer.Start(nullptr), 0);
    EXPECT_EQ(host_log_count(GetParam() == 21 ? "Selected colorFormat : 0x00000015\n"
                                              : "Selected colorFormat : 0x00000013\n"),
              1);
    PicturePlan plan{320, 240, 45, 15};
    std::vector<uint8_t> pcm = sinePcm(44100, 2, 1024, 0);
    EXPECT_EQ(h.streamer.audioDataCallback(pcm.data(), (int)pcm.size()), 0);
    EXPECT_TRUE(feedAll(h.streamer, plan, 25));
    EXPECT_EQ(h.streamer.Stop(), 0);
    EXPECT_EQ(host_log_count("release OMX WRAPPER object\n"), 1);
    expectPlanInFile(h.format.filePath, plan, 10);
}

INSTANTIATE_TEST_SUITE_P(Formats, HwColours, ::testing::Values(21, 19));

TEST(HwEncoder, LiveStreamReachesTheRtmpPeer) {
    LoopbackPeer peer(LoopbackPeer::Rtmp);
    ASSERT_TRUE(peer.running());
    HwStreamer h("unused.mp4");
    h.streamer.SetRecType(0x20);
    h.streamer.SetResolution(640, 480, 0);
    h.streamer.setTlinkWaitTime(5000);
    h.streamer.setIframeInterval(0);  // a picture the sender drops costs only itself
    ASSERT_EQ(h.streamer.Start(peer.url().c_str()), 0);
    PicturePlan plan{640, 480, 50, 20};
    EXPECT_EQ(feedPaced(h.streamer, plan, 25, 44100, 2), plan.frames);
    EXPECT_EQ(h.streamer.Stop(), 0);
    peer.stop();
    EXPECT_EQ(probe_media(peer.recording()).codecs, "h264,aac");
    expectPlanInFile(peer.recording(), plan, 10);
}
