// The decoder: the recorder's own H.264 decoded back on two threads, formats 21 and 19 turned
// into R, G, B, X by the engine's calls; format change; refusals.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "FFMpegLib.h"
#include "LibMediaDecoder.h"
#include "LibMediaRecorder.h"
#include "decoder_test_controls.h"
#include "media_test_support.h"
#include "wait_until.h"

namespace {

constexpr int kW = 320, kH = 240;

// Encodes red, green and blue thirds with the recorder and keeps the Annex B units.
struct EncodedStream {
    std::vector<uint8_t> header;
    std::vector<std::vector<uint8_t>> units;
    FeedPlan plan;
    // Access unit i as the camera would send it: the first one carries SPS and PPS.
    std::vector<uint8_t> accessUnit(size_t i) const {
        std::vector<uint8_t> unit = i == 0 ? header : std::vector<uint8_t>();
        unit.insert(unit.end(), units[i].begin(), units[i].end());
        return unit;
    }
    EncodedStream() {
        plan.frames = 30;
        plan.audio = false;
        LibMediaRecorder *lib = LibMediaRecorder::getInstance();
        MediaRecorder *recorder = lib->getMediaRecorder();
        recorder->SetRecMode(2);
        recorder->Init();
        recorder->SetFrameRate(plan.fps);
        recorder->SetBitrate(800000);
        recorder->SetOutputCallback(
            [](void *user, int, const MediaPacket *unit) {
                EncodedStream *self = (EncodedStream *)user;
                std::vector<uint8_t> bytes(unit->data, unit->data + unit->size);
                if (unit->is_header) {
                    self->header = bytes;
                } else {
                    self->units.push_back(bytes);
                }
            },
            this);
        EXPECT_EQ(recorder->Start(kW, kH, nullptr), 0);
        std::vector<uint8_t> pictures[3];
        for (int i = 0; i < 3; i++) {
            pictures[i] = encoderPicture(rgbxPicture(kW, kH, colourOfFrame(plan, i * 10)), kW, kH,
                                         recorder->GetColorFormat());
        }
        feed(
            plan,
            [&](int i, int64_t t) {
                return recorder->write_Buffer(pictures[i / 10].data(), t, 0, 0);
            },
            [](const uint8_t *, int, int64_t) { return 0; });
        EXPECT_EQ(recorder->Stop(), 0);
        recorder->Release();
        lib->releaseInstance();
    }
};

const EncodedStream &stream() {
    static EncodedStream encoded;
    return encoded;
}

class DecoderRoundTrip : public testing::TestWithParam<int> {
  protected:
    void TearDown() override { media_decoder_test_set_color_format(21); }
};

TEST_P(DecoderRoundTrip, ColoursSurviveWithTheEngineConversion) {
    const EncodedStream &encoded = stream();
    ASSERT_EQ((int)encoded.units.size(), encoded.plan.frames);
    media_decoder_test_set_color_format(GetParam());
    LibMediaDecoder *lib = LibMediaDecoder::getInstance();
    MediaDecoder *decoder = lib->getMediaDecoder();
    EXPECT_NE(std::string(decoder->GetVersion()).find("MediaDecoder"), std::string::npos);
    ASSERT_EQ(decoder->Init(), 0);
    ASSERT_EQ(decoder->Start(kW, kH), 0);
    EXPECT_EQ(decoder->GetColorFormat(), GetParam());

    // Input on one thread, output on another, as the engine does. The input stays at most
    // two pictures ahead, so none is shed and every colour can be checked in order.
    std::atomic<int> taken{0};
    std::thread input([&] {
        for (size_t i = 0; i < encoded.units.size(); i++) {
            for (int waits = 0; taken.load() + 2 < (int)i && waits < 2000; waits++) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            std::vector<uint8_t> unit = encoded.accessUnit(i);
            EXPECT_EQ(decoder->PutData(unit.data(), (int)unit.size()), 0);
        }
    });
    std::vector<uint8_t> work((size_t)kW * kH * 4);
    int misses = 0;
    while (taken.load() < encoded.plan.frames && misses < 10) {
        int info = 0;
        int format = decoder->GetDecodeData(work.data(), &info, (int)work.size());
        if (format < 0) {
            misses++;
            continue;
        }
        ASSERT_EQ(format, GetParam());
        EXPECT_EQ(info, kW * kH * 3 / 2);
        auto rgbx = decodedToRgbx(work.data(), kW, kH, format);
        const uint8_t *centre = &rgbx[(120 * kW + 160) * 4];
        EXPECT_EQ(centre[3], 255);
        Rgb want = colourOfFrame(encoded.plan, taken.load());
        EXPECT_TRUE(looksLike(centre, want)) << "picture " << taken.load() << ": " << (int)centre[0]
                                             << "," << (int)centre[1] << "," << (int)centre[2];
        taken++;
    }
    input.join();
    EXPECT_EQ(taken.load(), encoded.plan.frames);
    EXPECT_EQ(decoder->Stop(), 0);
    decoder->Release();
    lib->releaseInstance();
}

TEST(Decoder, ASlowReaderGetsTheNewestPictures) {
    const EncodedStream &encoded = stream();
    LibMediaDecoder *lib = LibMediaDecoder::getInstance();
    MediaDecoder *decoder = lib->getMediaDecoder();
    ASSERT_EQ(decoder->Init(), 0);
    ASSERT_EQ(decoder->Start(kW, kH), 0);
    for (size_t i = 0; i < encoded.units.size(); i++) {
        std::vector<uint8_t> unit = encoded.accessUnit(i);
        ASSERT_EQ(decoder->PutData(unit.data(), (int)unit.size()), 0);
    }
    std::vector<uint8_t> work((size_t)kW * kH * 3 / 2);
    int info = 0, pictures = 0;
    while (decoder->GetDecodeData(work.data(), &info, (int)work.size()) == 21) {
        auto rgbx = decodedToRgbx(work.data(), kW, kH, 21);
        EXPECT_TRUE(looksLike(&rgbx[(120 * kW + 160) * 4], kBlue));  // the last third
        pictures++;
    }
    EXPECT_EQ(pictures, 3);
    decoder->Stop();
    decoder->Release();
    lib->releaseInstance();
}

INSTANTIATE_TEST_SUITE_P(Formats, DecoderRoundTrip, testing::Values(21, 19));

TEST(Decoder, ForcedFormatChangeIsReportedOnceAndRestartWorks) {
    const EncodedStream &encoded = stream();
    LibMediaDecoder *lib = LibMediaDecoder::getInstance();
    MediaDecoder *decoder = lib->getMediaDecoder();
    ASSERT_EQ(decoder->Init(), 0);
    ASSERT_EQ(decoder->Start(kW, kH), 0);
    std::vector<uint8_t> first = encoded.accessUnit(0);
    std::vector<uint8_t> work((size_t)kW * kH * 3 / 2);
    int info = 0;
    media_decoder_test_force_format_change(1);
    decoder->PutData(first.data(), (int)first.size());
    int format = decoder->GetDecodeData(work.data(), &info, (int)work.size());
    EXPECT_GE(format, 0);
    EXPECT_NE(format, 21);
    EXPECT_NE(format, 19);
    // The engine's restart sequence on the same object.
    EXPECT_EQ(decoder->Stop(), 0);
    EXPECT_EQ(decoder->Release(), 0);
    EXPECT_EQ(decoder->Reset(), 0);
    EXPECT_EQ(decoder->Init(), 0);
    EXPECT_EQ(decoder->Start(kW, kH), 0);
    decoder->PutData(first.data(), (int)first.size());
    EXPECT_EQ(decoder->GetDecodeData(work.data(), &info, (int)work.size()), 21);
    decoder->Stop();
    decoder->Release();
    lib->releaseInstance();
}

TEST(Decoder, WaitsAboutATenthOfASecondWhenThereIsNoPicture) {
    LibMediaDecoder *lib = LibMediaDecoder::getInstance();
    MediaDecoder *decoder = lib->getMediaDecoder();
    std::vector<uint8_t> work((size_t)kW * kH * 3 / 2);
    int info = 0;
    auto begin = std::chrono::steady_clock::now();
    EXPECT_LT(decoder->GetDecodeData(work.data(), &info, (int)work.size()), 0);  // not started
    ASSERT_EQ(decoder->Init(), 0);
    ASSERT_EQ(decoder->Start(kW, kH), 0);
    // An empty wait ends by itself (the guard only stops a hang); a load can only lengthen it.
    EXPECT_TRUE(returns_within(
        [&] { EXPECT_LT(decoder->GetDecodeData(work.data(), &info, (int)work.size()), 0); }));
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(180));
    decoder->Stop();
    decoder->Release();
    lib->releaseInstance();
}

TEST(Decoder, RefusesWhatItCannotDo) {
    const EncodedStream &encoded = stream();
    LibMediaDecoder *lib = LibMediaDecoder::getInstance();
    MediaDecoder *decoder = lib->getMediaDecoder();
    uint8_t junk[64] = {0, 0, 0, 1, 0x65};
    EXPECT_NE(decoder->Start(kW, kH), 0);  // before Init
    ASSERT_EQ(decoder->Init(), 0);
    EXPECT_NE(decoder->PutData(junk, sizeof(junk)), 0);  // before Start
    EXPECT_NE(decoder->Start(321, 240), 0);
    EXPECT_NE(decoder->Start(0, 240), 0);
    EXPECT_NE(decoder->Start(8192, 4320), 0);
    ASSERT_EQ(decoder->Start(kW, kH), 0);
    EXPECT_NE(decoder->Start(kW, kH), 0);  // twice
    EXPECT_NE(decoder->PutData(nullptr, 10), 0);
    EXPECT_NE(decoder->PutData(junk, 0), 0);
    decoder->PutData(junk, sizeof(junk));  // garbage: no crash, the stream goes on
    std::vector<uint8_t> first = encoded.accessUnit(0);
    EXPECT_EQ(decoder->PutData(first.data(), (int)first.size()), 0);
    std::vector<uint8_t> small(100);
    int info = 0;
    EXPECT_LT(decoder->GetDecodeData(small.data(), &info, (int)small.size()), 0);
    EXPECT_LT(decoder->GetDecodeData(nullptr, &info, 0), 0);
    EXPECT_EQ(decoder->Stop(), 0);
    EXPECT_NE(decoder->Stop(), 0);
    decoder->Release();
    lib->releaseInstance();
    EXPECT_EQ(media_decoder_test_holders(), 0);
    EXPECT_EQ(media_decoder_test_objects(), 0);
}

}  // namespace
