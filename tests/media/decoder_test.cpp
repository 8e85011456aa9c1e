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

// A decoder of the library instance, taken and given back as the engine does.
struct Decoder {
    LibMediaDecoder *lib = LibMediaDecoder::getInstance();
    MediaDecoder *decoder = lib->getMediaDecoder();
    std::vector<uint8_t> work = std::vector<uint8_t>((size_t)kW * kH * 4);
    int info = 0;
    // Init and Start at kW x kH unless `started` is false.
    explicit Decoder(bool started = true) {
        if (started) {
            EXPECT_EQ(decoder->Init(), 0);
            EXPECT_EQ(decoder->Start(kW, kH), 0);
        }
    }
    ~Decoder() {
        decoder->Stop();
        decoder->Release();
        lib->releaseInstance();
    }
    int put(std::vector<uint8_t> unit) { return decoder->PutData(unit.data(), (int)unit.size()); }
    int get() { return decoder->GetDecodeData(work.data(), &info, (int)work.size()); }
    // The picture in `work` (colour format `format`) at its centre.
    std::vector<uint8_t> centre(int format) {
        auto rgbx = decodedToRgbx(work.data(), kW, kH, format);
        return std::vector<uint8_t>(&rgbx[(120 * kW + 160) * 4], &rgbx[(120 * kW + 160) * 4 + 4]);
    }
};

class DecoderRoundTrip : public testing::TestWithParam<int> {
  protected:
    void TearDown() override { media_decoder_test_set_color_format(21); }
};

TEST_P(DecoderRoundTrip, ColoursSurviveWithTheEngineConversion) {
    const EncodedStream &encoded = stream();
    ASSERT_EQ((int)encoded.units.size(), encoded.plan.frames);
    media_decoder_test_set_color_format(GetParam());
    Decoder d;
    EXPECT_NE(std::string(d.decoder->GetVersion()).find("MediaDecoder"), std::string::npos);
    EXPECT_EQ(d.decoder->GetColorFormat(), GetParam());

    // Input on one thread, output on another, as the engine does. The input stays at most
    // two pictures ahead, so none is shed and every colour can be checked in order.
    std::atomic<int> taken{0};
    std::thread input([&] {
        for (size_t i = 0; i < encoded.units.size(); i++) {
            for (int waits = 0; taken.load() + 2 < (int)i && waits < 2000; waits++) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            EXPECT_EQ(d.put(encoded.accessUnit(i)), 0);
        }
    });
    int misses = 0;
    while (taken.load() < encoded.plan.frames && misses < 10) {
        int format = d.get();
        if (format < 0) {
            misses++;
            continue;
        }
        ASSERT_EQ(format, GetParam());
        EXPECT_EQ(d.info, kW * kH * 3 / 2);
        auto centre = d.centre(format);
        EXPECT_EQ(centre[3], 255);
        EXPECT_TRUE(looksLike(centre.data(), colourOfFrame(encoded.plan, taken.load())))
            << "picture " << taken.load() << ": " << (int)centre[0] << "," << (int)centre[1] << ","
            << (int)centre[2];
        taken++;
    }
    input.join();
    EXPECT_EQ(taken.load(), encoded.plan.frames);
    EXPECT_EQ(d.decoder->Stop(), 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, DecoderRoundTrip, testing::Values(21, 19));

// A slow reader gets the newest pictures; a forced format change is reported once and the
// engine's restart sequence on the same object decodes again.
TEST(Decoder, SlowReaderGetsTheNewestAndAFormatChangeRestarts) {
    const EncodedStream &encoded = stream();
    Decoder d;
    for (size_t i = 0; i < encoded.units.size(); i++)
        ASSERT_EQ(d.put(encoded.accessUnit(i)), 0);
    int pictures = 0;
    for (; d.get() == 21; pictures++)
        EXPECT_TRUE(looksLike(d.centre(21).data(), kBlue));  // the last third
    EXPECT_EQ(pictures, 3);

    std::vector<uint8_t> first = encoded.accessUnit(0);
    media_decoder_test_force_format_change(1);
    d.put(first);
    int format = d.get();
    EXPECT_GE(format, 0);
    EXPECT_NE(format, 21);
    EXPECT_NE(format, 19);
    EXPECT_EQ(d.decoder->Stop(), 0);
    EXPECT_EQ(d.decoder->Release(), 0);
    EXPECT_EQ(d.decoder->Reset(), 0);
    EXPECT_EQ(d.decoder->Init(), 0);
    EXPECT_EQ(d.decoder->Start(kW, kH), 0);
    d.put(first);
    EXPECT_EQ(d.get(), 21);
}

// Refusals, and an empty wait of about a tenth of a second whether started or not.
TEST(Decoder, RefusesWhatItCannotDoAndWaitsWhenThereIsNoPicture) {
    const EncodedStream &encoded = stream();
    {
        Decoder d(false);
        MediaDecoder *decoder = d.decoder;
        uint8_t junk[64] = {0, 0, 0, 1, 0x65};
        EXPECT_NE(decoder->Start(kW, kH), 0);  // before Init
        auto begin = std::chrono::steady_clock::now();
        EXPECT_LT(d.get(), 0);  // not started
        ASSERT_EQ(decoder->Init(), 0);
        EXPECT_NE(decoder->PutData(junk, sizeof(junk)), 0);  // before Start
        EXPECT_NE(decoder->Start(321, 240), 0);
        EXPECT_NE(decoder->Start(0, 240), 0);
        EXPECT_NE(decoder->Start(8192, 4320), 0);
        ASSERT_EQ(decoder->Start(kW, kH), 0);
        // An empty wait ends by itself (the guard only stops a hang); a load can only lengthen it.
        EXPECT_TRUE(returns_within([&] { EXPECT_LT(d.get(), 0); }));
        EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(180));
        EXPECT_NE(decoder->Start(kW, kH), 0);  // twice
        EXPECT_NE(decoder->PutData(nullptr, 10), 0);
        EXPECT_NE(decoder->PutData(junk, 0), 0);
        decoder->PutData(junk, sizeof(junk));  // garbage: no crash, the stream goes on
        EXPECT_EQ(d.put(encoded.accessUnit(0)), 0);
        std::vector<uint8_t> small(100);
        EXPECT_LT(decoder->GetDecodeData(small.data(), &d.info, (int)small.size()), 0);
        EXPECT_LT(decoder->GetDecodeData(nullptr, &d.info, 0), 0);
        EXPECT_EQ(decoder->Stop(), 0);
        EXPECT_NE(decoder->Stop(), 0);
    }
    EXPECT_EQ(media_decoder_test_holders(), 0);
    EXPECT_EQ(media_decoder_test_objects(), 0);
}

}  // namespace
