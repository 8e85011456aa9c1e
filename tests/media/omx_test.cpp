// The RGBX encoder: codec query, R, G, B, X and ready 4:2:0 input, its own file, push.
#include <gtest/gtest.h>

#include "OMXLib.h"
#include "media_test_support.h"
#include "omx_test_controls.h"
#include "recorder_settings.h"

namespace {

struct Encoder {
    OMXLib *lib = OMXLib::getInstance();
    OMXWrapper *omx;
    explicit Encoder(int color_format, const FeedPlan &plan, int rec_type = MEDIA_REC_TYPE_FILE)
        : omx(lib->getWrapper(color_format)) {
        EXPECT_EQ(omx->Init(), 0);
        omx->SetRecMode(plan.audio ? 3 : 2);
        omx->SetRecType(rec_type);
        apply_recording_settings(omx, plan);
    }
    ~Encoder() {
        omx->Release();
        lib->releaseInstance();
    }
};

class OmxTest : public testing::Test {
  protected:
    void TearDown() override { omx_test_reset(); }
};

TEST_F(OmxTest, CodecQueryListsTwentyOneAndNineteenByDefault) {
    OMXLib *lib = OMXLib::getInstance();
    OMXCodecExtension *codecs = lib->getExtension();
    EXPECT_NE(codecs->QueryCodec("video/avc"), 0);
    EXPECT_EQ(codecs->QueryCodec("video/hevc"), 0);
    EXPECT_EQ(codecs->QueryCodec(nullptr), 0);
    ASSERT_NE(codecs->HasColorFormat(), 0);
    EXPECT_EQ(codecs->GetColorFormats()[0], 21);
    EXPECT_EQ(codecs->GetColorFormats()[1], 19);

    omx_test_set_codec_available(false);
    EXPECT_EQ(codecs->QueryCodec("video/avc"), 0);
    omx_test_set_color_formats(nullptr, 0);
    EXPECT_EQ(codecs->HasColorFormat(), 0);
    const int other[] = {0x7f420888};
    omx_test_set_color_formats(other, 1);
    EXPECT_EQ(codecs->GetColorFormats()[0], 0x7f420888);
    // An encoder asked for a format the codec does not list stays unconfigured.
    OMXWrapper *omx = lib->getWrapper(21);
    EXPECT_EQ(omx->IsConfigured(), 0);
    EXPECT_NE(omx->SetColorFormat(21), 0);
    EXPECT_NE(omx->Start(320, 240, nullptr), 0);
    omx->Release();
    lib->releaseInstance();
}

TEST_F(OmxTest, ConfiguredWithTheFormatItWasMadeFor) {
    OMXLib *lib = OMXLib::getInstance();
    OMXWrapper *omx = lib->getWrapper(0);
    EXPECT_EQ(omx->IsConfigured(), 0);
    EXPECT_EQ(omx->SetColorFormat(19), 0);
    EXPECT_NE(omx->IsConfigured(), 0);
    omx->Release();
    EXPECT_NE(lib->getWrapper(21)->IsConfigured(), 0);
    lib->releaseInstance();
}

// kind 1 with R, G, B, X pictures (both colour kinds), and 9999 with ready pictures in 21 / 19.
struct InputCase {
    int color_format;
    int kind;
    int colour;
};

class OmxRecording : public testing::TestWithParam<InputCase> {};

TEST_P(OmxRecording, WritesAPlayableFileWithTheRightColours) {
    const InputCase input = GetParam();
    FeedPlan plan;
    std::string path = temp_path(
        ("omx_" + std::to_string(input.color_format) + "_" + std::to_string(input.kind) + ".mp4")
            .c_str());
    Encoder enc(input.color_format, plan);
    ASSERT_NE(enc.omx->IsConfigured(), 0);
    ASSERT_EQ(enc.omx->Start(plan.width, plan.height, path.c_str()), 0);
    std::vector<uint8_t> pictures[3];
    for (int i = 0; i < 3; i++) {
        auto rgbx = rgbxPicture(plan.width, plan.height, colourOfFrame(plan, i * plan.frames / 3));
        pictures[i] = input.kind == OMX_INPUT_RGBX
                          ? rgbx
                          : encoderPicture(rgbx, plan.width, plan.height, input.color_format);
    }
    feed(
        plan,
        [&](int i, int64_t t) {
            return enc.omx->write_Buffer(pictures[i * 3 / plan.frames].data(), t, input.kind,
                                         input.colour);
        },
        [&](const uint8_t *pcm, int bytes, int64_t t) {
            return enc.omx->write_AudioBuffer((uint8_t *)pcm, bytes, t);
        });
    ASSERT_EQ(enc.omx->Stop(), 0);

    expectPlayableFile(path, plan);
}

INSTANTIATE_TEST_SUITE_P(Inputs, OmxRecording,
                         testing::Values(InputCase{21, OMX_INPUT_RGBX, 3},
                                         InputCase{19, OMX_INPUT_RGBX, 2},
                                         InputCase{21, OMX_INPUT_YUV, 0},
                                         InputCase{19, OMX_INPUT_YUV, 0}));

TEST_F(OmxTest, LiveTargetPushesHeadersFirstAndWritesNoFile) {
    FeedPlan plan;
    plan.frames = 10;
    plan.audio = false;
    struct Pushed {
        std::vector<int> headers, frames;
    } pushed;
    Encoder enc(21, plan, MEDIA_REC_TYPE_LIVE);
    enc.omx->SetPushFunction(
        [](void *context, const MediaPacket *unit) {
            Pushed *p = (Pushed *)context;
            (unit->is_header ? p->headers : p->frames).push_back((int)p->frames.size());
            return 0;
        },
        &pushed);
    ASSERT_EQ(enc.omx->Start(plan.width, plan.height, "rtmp://127.0.0.1/live/x"), 0);
    auto rgbx = rgbxPicture(plan.width, plan.height, kRed);
    feed(
        plan, [&](int, int64_t t) { return enc.omx->write_Buffer(rgbx.data(), t, 1, 3); },
        [](const uint8_t *, int, int64_t) { return 0; });
    ASSERT_EQ(enc.omx->Stop(), 0);
    EXPECT_EQ(pushed.headers, std::vector<int>{0});  // one video header, before any frame
    EXPECT_EQ((int)pushed.frames.size(), plan.frames);
    EXPECT_EQ(omx_test_stats(enc.omx).video_encoded, plan.frames);
}

TEST_F(OmxTest, BadPicturesAreRefused) {
    FeedPlan plan;
    plan.audio = false;
    Encoder enc(19, plan);
    auto rgbx = rgbxPicture(plan.width, plan.height, kRed);
    EXPECT_NE(enc.omx->write_Buffer(rgbx.data(), 0, 1, 3), 0);  // before Start
    ASSERT_EQ(enc.omx->Start(plan.width, plan.height, nullptr), 0);
    EXPECT_NE(enc.omx->SetColorFormat(21), 0);  // not while encoding
    EXPECT_NE(enc.omx->write_Buffer(nullptr, 0, 1, 3), 0);
    EXPECT_NE(enc.omx->write_Buffer(rgbx.data(), 0, 5, 3), 0);  // unknown kind
    EXPECT_NE(enc.omx->write_Buffer(rgbx.data(), 0, 1, 7), 0);  // unknown colour kind
    EXPECT_EQ(enc.omx->write_Buffer(rgbx.data(), 0, 1, 2), 0);
    EXPECT_EQ(enc.omx->Stop(), 0);
    EXPECT_EQ(omx_test_stats(enc.omx).video_encoded, 1);
}

}  // namespace
