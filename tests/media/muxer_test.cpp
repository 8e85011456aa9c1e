// The muxer on its own: readiness, targets, and refusals.
#include <gtest/gtest.h>

#include "FFMpegLib.h"
#include "media_test_support.h"
#include "muxer_test_controls.h"

namespace {

const uint8_t kSpsPps[] = {0,    0,    0, 1, 0x67, 0x42, 0xc0, 0x1e, 0xd9, 0x01, 0x40,
                           0x7b, 0x20, 0, 0, 0,    1,    0x68, 0xce, 0x3c, 0x80};
const uint8_t kAsc[] = {0x11, 0x90};

MediaPacket unitOf(int type, const uint8_t *data, int size, bool is_header) {
    MediaPacket unit = {};
    unit.type = type;
    unit.is_header = is_header;
    unit.is_key = 1;
    unit.data = data;
    unit.size = size;
    return unit;
}

MediaPacket header(int type, const uint8_t *data, int size) {
    return unitOf(type, data, size, true);
}

struct Muxer {
    FFMpegLib *lib = FFMpegLib::getInstance();
    FFMuxer *muxer = lib->getMuxer();
    const MediaPacket videoHeader = header(MEDIA_PACKET_VIDEO, kSpsPps, sizeof(kSpsPps));

    // A muxer set for 320x240 video and 48 kHz stereo sound, of which `mask` is written.
    explicit Muxer(int mask) { setParams(mask); }
    ~Muxer() {
        muxer->Release();
        lib->releaseInstance();
    }

  private:
    void setParams(int mask) {
        FFMuxerVideoParam video{320, 240, 30, 0};
        FFMuxerAudioParam audio{0, 48000, 2, 0};
        ASSERT_EQ(muxer->SetVideoParam(&video), 0);
        ASSERT_EQ(muxer->SetAudioParam(&audio), 0);
        ASSERT_EQ(muxer->SetStreamMask(mask), 0);
    }
};

TEST(Muxer, ParameterRecordsAreSixteenBytes) {
    EXPECT_EQ(sizeof(FFMuxerVideoParam), 16u);
    EXPECT_EQ(sizeof(FFMuxerAudioParam), 16u);
}

TEST(Muxer, ReadyOnlyOnceEveryMaskedStreamHasItsHeader) {
    Muxer m(48);
    std::string path = temp_path("ready.mp4");
    ASSERT_EQ(m.muxer->Init(path.c_str()), 0);
    MediaPacket audio = header(MEDIA_PACKET_AUDIO, kAsc, sizeof(kAsc));
    EXPECT_EQ(m.muxer->IsReady(), 0);
    EXPECT_LT(m.muxer->Start(), 0);  // headers missing
    EXPECT_EQ(m.muxer->WriteVideoHeader(&m.videoHeader), 0);
    EXPECT_EQ(m.muxer->IsReady(), 0);                         // audio still missing
    EXPECT_LT(m.muxer->WriteAudioHeader(&m.videoHeader), 0);  // a video unit is not an audio header
    EXPECT_EQ(m.muxer->WriteAudioHeader(&audio), 0);
    EXPECT_NE(m.muxer->IsReady(), 0);
    EXPECT_EQ(m.muxer->IsStarted(), 0);
    EXPECT_EQ(m.muxer->Start(), 0);
    EXPECT_NE(m.muxer->IsStarted(), 0);
    EXPECT_LT(m.muxer->Start(), 0);                           // twice
    EXPECT_LT(m.muxer->WriteVideoHeader(&m.videoHeader), 0);  // too late
    EXPECT_EQ(m.muxer->Stop(), 0);
}

TEST(Muxer, VideoOnlyMaskIsReadyWithTheVideoHeaderAndRefusesAudio) {
    Muxer m(16);
    std::string path = temp_path("video_only.mp4");
    ASSERT_EQ(m.muxer->Init(path.c_str()), 0);
    ASSERT_EQ(m.muxer->WriteVideoHeader(&m.videoHeader), 0);
    EXPECT_NE(m.muxer->IsReady(), 0);
    ASSERT_EQ(m.muxer->Start(), 0);
    uint8_t aac[8] = {0x21, 0x10, 0x05};
    MediaPacket audio = unitOf(MEDIA_PACKET_AUDIO, aac, sizeof(aac), false);
    EXPECT_LT(m.muxer->writeAudioBuffer(&audio), 0);
    EXPECT_EQ(m.muxer->Stop(), 0);
}

TEST(Muxer, StreamTargetIsAcceptedAndWritesNothing) {
    Muxer m(16);
    ASSERT_EQ(m.muxer->Init("rtmp://127.0.0.1/live/stream"), 0);
    ASSERT_EQ(m.muxer->WriteVideoHeader(&m.videoHeader), 0);
    ASSERT_EQ(m.muxer->Start(), 0);
    uint8_t frame[] = {0, 0, 0, 1, 0x65, 0x88, 0x84};
    MediaPacket unit = unitOf(MEDIA_PACKET_VIDEO, frame, sizeof(frame), false);
    EXPECT_EQ(m.muxer->writeVideoBuffer(&unit), 0);
    EXPECT_EQ(m.muxer->Stop(), 0);
    EXPECT_FALSE(fileExists("rtmp:"));
}

TEST(Muxer, RefusalsLeaveNoBrokenFile) {
    {
        Muxer m(16);
        EXPECT_NE(m.muxer->Init("/nonexistent-folder/out.mp4"), 0);
        EXPECT_NE(m.muxer->Init(nullptr), 0);
        EXPECT_NE(m.muxer->SetStreamMask(32), 0);
        EXPECT_NE(m.muxer->SetVideoParam(nullptr), 0);
        FFMuxerVideoParam bad{0, 240, 30, 0};
        EXPECT_NE(m.muxer->SetVideoParam(&bad), 0);
        EXPECT_NE(m.muxer->WriteVideoHeader(nullptr), 0);
    }
    std::string path = temp_path("never_started.mp4");
    {
        Muxer m(16);
        ASSERT_EQ(m.muxer->Init(path.c_str()), 0);
        EXPECT_NE(m.muxer->Init(path.c_str()), 0);  // twice
        uint8_t frame[] = {0, 0, 0, 1, 0x65, 0x88};
        MediaPacket unit = unitOf(MEDIA_PACKET_VIDEO, frame, sizeof(frame), false);
        EXPECT_LT(m.muxer->writeVideoBuffer(&unit), 0);  // before Start
        EXPECT_LT(m.muxer->writeVideoBuffer(nullptr), 0);
        EXPECT_NE(m.muxer->Stop(), 0);  // nothing to finish
    }
    EXPECT_FALSE(fileExists(path));  // an empty, headerless file is not left behind
}

TEST(Muxer, MuxersAreFreedOnlyWhenReleasedAndUnheld) {
    int objects = ffmuxer_test_objects();
    FFMpegLib *lib = FFMpegLib::getInstance();
    FFMuxer *muxer = lib->getMuxer();
    lib->releaseInstance();
    lib->releaseInstance();                          // extra: ignored
    EXPECT_EQ(ffmuxer_test_objects(), objects + 1);  // not released, so kept
    EXPECT_EQ(muxer->Release(), 0);
    EXPECT_NE(muxer->Release(), 0);
    FFMpegLib::getInstance()->releaseInstance();
    EXPECT_EQ(ffmuxer_test_objects(), objects);
    EXPECT_EQ(ffmuxer_test_holders(), 0);
}

}  // namespace
