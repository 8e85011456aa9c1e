// The live-streaming library against real servers: nginx (RTMP) and an ffmpeg RTSP listener.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>

#include "LibMediaRecorder.h"
#include "loopback_peer.h"
#include "tlink_test.h"
#include "tlink_test_support.h"
#include "wait_until.h"

namespace {

const std::vector<TestUnit> &three_seconds() {
    static const std::vector<TestUnit> units = encode_test_stream(TestStreamFormat(), 3.0);
    return units;
}

// A live context publishing to `url`; null (with a failure) when it did not connect.
void *publish(int mode, const std::string &url) {
    void *context = nullptr;
    int started = TlinkAsyncStart(mode, url.c_str(), &context);
    EXPECT_EQ(started, 0);
    int connected = started == 0 ? TlinkWaitAsyncJobCompletion(&context, 5000) : started;
    EXPECT_EQ(connected, 0);
    return connected == 0 ? context : nullptr;
}

// Runtime errors as the library reports them.
struct ErrorLog {
    std::atomic<int> calls{0};
    std::atomic<int> code{0};
    std::atomic<int> err{0};
    std::atomic<void *> context{nullptr};
    static void record(void *context, int code, int err, void *user) {
        ErrorLog *log = static_cast<ErrorLog *>(user);
        log->context = context;
        log->code = code;
        log->err = err;
        log->calls++;
    }
};

// The recorder stand-in encoding `seconds` of pictures at 25 fps and a 44.1 kHz tone, paced like
// a camera, its units pushed straight into the live stream as the engine links them.
struct RecorderFeed {
    int video_written = 0;
    bool ok = false;
};

// A write of the recorder, tried again while its queue is full (-2): a loaded machine holds the
// encoder back for a moment only.
template <typename Write>
int retried(Write write) {
    int result = write();
    for (int tries = 0; result == -2 && tries < 500; tries++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        result = write();
    }
    return result;
}

RecorderFeed record_into(void *context, int width, int height, double seconds) {
    const int fps = 25, sample_rate = 44100, block = 1024;
    RecorderFeed feed;
    LibMediaRecorder *lib = LibMediaRecorder::getInstance();
    MediaRecorder *recorder = lib ? lib->getMediaRecorder() : nullptr;
    if (!recorder)
        return feed;
    recorder->SetRecMode(MEDIA_REC_MODE_VIDEO_AUDIO);
    recorder->SetRecType(MEDIA_REC_TYPE_LIVE);
    bool ready = recorder->Init() == 0;
    recorder->SetFrameRate(fps);
    recorder->SetBitrate(500000);
    recorder->SetIFrameInterval(1);
    recorder->SetSampleRate(sample_rate);
    recorder->SetBit(16);
    recorder->SetChannel(1);
    recorder->SetAudioByteRate(sample_rate * 2);
    recorder->SetPushFunction(TlinkPush, context);
    ready = ready && recorder->Start(width, height, nullptr) == 0;
    if (ready) {
        // Y then chroma at 128 reads the same in the planar and the semi-planar layout.
        std::vector<uint8_t> picture(width * height * 3 / 2, 128);
        std::vector<int16_t> tone(block);
        auto start = std::chrono::steady_clock::now();
        int64_t start_us =
            std::chrono::duration_cast<std::chrono::microseconds>(start.time_since_epoch()).count();
        int64_t samples = 0;
        for (int i = 0; i < seconds * fps; i++) {
            int64_t at_us = i * 1000000LL / fps;
            std::this_thread::sleep_until(start + std::chrono::microseconds(at_us));
            memset(picture.data(), 16 + (i * 4) % 200, width * height);
            feed.video_written +=
                retried([&] {
                    return recorder->write_Buffer(picture.data(), start_us + at_us, 0, 0);
                }) == 0;
            for (; samples * 1000000LL / sample_rate <= at_us; samples += block) {
                for (int s = 0; s < block; s++) {
                    tone[s] = static_cast<int16_t>(
                        8000 * sin(2 * M_PI * 440 * (samples + s) / sample_rate));
                }
                retried([&] {
                    return recorder->write_AudioBuffer(
                        reinterpret_cast<uint8_t *>(tone.data()), block * 2,
                        start_us + samples * 1000000LL / sample_rate);
                });
            }
        }
        feed.ok = recorder->Stop() == 0;
    }
    recorder->Release();
    lib->releaseInstance();
    return feed;
}

class StreamTest : public ::testing::TestWithParam<int> {};

TEST_P(StreamTest, ThreeSecondsFromTheRecorderReachTheServer) {
    LoopbackPeer peer(peer_kind(GetParam()));
    ASSERT_TRUE(peer.running());
    int threads = count_threads(), descriptors = count_open_descriptors();

    void *context = publish(GetParam(), peer.url());
    ASSERT_NE(context, nullptr);
    EXPECT_STREQ(TlinkGetUrl(&context), peer.url().c_str());
    int deblock = 1;
    EXPECT_EQ(TlinkSetConfig(&context, TLC_DEBLOCK, &deblock), 0);
    ErrorLog errors;
    EXPECT_EQ(TlinkSetCallbackRuntimeError(&context, ErrorLog::record, &errors), 0);

    RecorderFeed feed = record_into(context, 320, 240, 3.0);
    ASSERT_TRUE(feed.ok);
    EXPECT_EQ(feed.video_written, 75);
    // The recorder has flushed; let the sender catch up before reading the counts.
    for (int i = 0; i < 100 && TlinkGetStats(&context, TLS_VIDEO_FRAMES_SENT, nullptr) <
                                   unsigned(feed.video_written);
         i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    double seconds = 0;
    EXPECT_EQ(TlinkGetStats(&context, TLS_VIDEO_FRAMES_SENT, &seconds),
              unsigned(feed.video_written));
    EXPECT_GT(seconds, 2.5);
    EXPECT_LT(seconds, 10.0);
    // 3 s of 1024-sample AAC frames at 44.1 kHz: about 129.
    unsigned audio = TlinkGetStats(&context, TLS_AUDIO_FRAMES_SENT, nullptr);
    EXPECT_GT(audio, 120u);
    EXPECT_LT(audio, 140u);
    EXPECT_EQ(TlinkGetStats(&context, TLS_VIDEO_FRAMES_DROPPED, nullptr), 0u);
    EXPECT_EQ(TlinkGetStats(&context, TLS_AUDIO_FRAMES_DROPPED, nullptr), 0u);
    EXPECT_GT(TlinkGetStats(&context, TLS_BYTES_SENT, nullptr), 20000u);

    ASSERT_EQ(TlinkAsyncStop(&context), 0);
    EXPECT_EQ(TlinkAsyncStop(&context), TL_ERROR_PREVIOUS_JOB_NOT_COMPLETED);
    EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, 5000), 0);
    EXPECT_EQ(errors.calls, 0);
    // The stopped context is gone: stopping or pushing again is refused.
    EXPECT_EQ(TlinkAsyncStop(&context), TL_ERROR_INVALID_OBJECT);
    MediaPacket packet = three_seconds().back().packet();
    EXPECT_EQ(TlinkPush(context, &packet), TL_ERROR_INVALID_OBJECT);
    EXPECT_EQ(settled_thread_count(threads), threads);
    EXPECT_EQ(count_open_descriptors(), descriptors);

    peer.stop();
    ProbedMedia media = probe_media(peer.recording());
    EXPECT_EQ(media.codecs, "h264,aac");
    EXPECT_GT(media.duration, 2.6);
    EXPECT_LT(media.duration, 3.4);
}

TEST_P(StreamTest, ServerGoneMidStreamIsReportedOnce) {
    const std::vector<TestUnit> &units = three_seconds();
    ASSERT_FALSE(units.empty());
    LoopbackPeer peer(peer_kind(GetParam()));
    ASSERT_TRUE(peer.running());
    void *context = publish(GetParam(), peer.url());
    ASSERT_NE(context, nullptr);
    ErrorLog errors;
    ASSERT_EQ(TlinkSetCallbackRuntimeError(&context, ErrorLog::record, &errors), 0);

    std::atomic<bool> pushing{true};
    std::thread feeder([&] {
        while (pushing)
            push_paced(context, units);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    peer.stop(0);
    auto gone = std::chrono::steady_clock::now();
    while (errors.calls == 0 && elapsed_ms(gone) < 4000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(errors.calls, 1);
    EXPECT_TRUE(errors.code == TL_ERROR_SOCKET_READ || errors.code == TL_ERROR_SOCKET_WRITE)
        << std::hex << errors.code;
    EXPECT_NE(errors.err, 0);
    EXPECT_EQ(errors.context, context);
    // Units after the failure are refused with the failure's code.
    MediaPacket packet = units.back().packet();
    EXPECT_EQ(TlinkPush(context, &packet), errors.code.load());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(errors.calls, 1);

    pushing = false;
    ASSERT_EQ(TlinkAsyncStop(&context), 0);
    EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, 5000), errors.code.load());
    feeder.join();
    EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, 0), TL_ERROR_INVALID_OBJECT);
}

INSTANTIATE_TEST_SUITE_P(BothProtocols, StreamTest,
                         ::testing::Values(TLINK_MODE_RTMP, TLINK_MODE_RTSP), protocol_name);

// A frame before its stream's header is refused, the server refuses a second publisher of a
// stream name that is being published, and a stream with nothing sent stops.
TEST(RtmpStream, FramesNeedTheirHeaderOnePublisherPerNameAndAnEmptyStreamStops) {
    LoopbackPeer peer(LoopbackPeer::Rtmp);
    ASSERT_TRUE(peer.running());
    void *context = publish(TLINK_MODE_RTMP, peer.url()), *second = nullptr;
    ASSERT_NE(context, nullptr);
    const TestUnit *frame = nullptr;
    for (const TestUnit &unit : three_seconds()) {
        if (!unit.header && unit.type == MEDIA_PACKET_AUDIO)
            frame = &unit;
    }
    ASSERT_NE(frame, nullptr);
    MediaPacket packet = frame->packet();
    EXPECT_EQ(TlinkPush(context, &packet), TL_ERROR_NO_HEADER_FRAME);
    EXPECT_EQ(TlinkGetStats(&context, TLS_AUDIO_FRAMES_DROPPED, nullptr), 1u);
    ASSERT_EQ(TlinkAsyncStart(TLINK_MODE_RTMP, peer.url().c_str(), &second), 0);
    EXPECT_EQ(TlinkWaitAsyncJobCompletion(&second, 5000), TL_ERROR_RTMP_PUBLISH_STREAM);
    ASSERT_EQ(TlinkAsyncStop(&context), 0);
    EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, 5000), 0);
}

// Pictures closer together than the stream's millisecond clock are all sent, each a tick
// later; a unit not later than the one before it is skipped and counted.
TEST(RtmpStream, PicturesWithinOneMillisecondAreAllSent) {
    LoopbackPeer peer(LoopbackPeer::Rtmp);
    ASSERT_TRUE(peer.running());
    void *context = publish(TLINK_MODE_RTMP, peer.url());
    ASSERT_NE(context, nullptr);
    std::vector<TestUnit> video;
    for (const TestUnit &unit : three_seconds()) {
        if (unit.type == MEDIA_PACKET_VIDEO && video.size() < 13)
            video.push_back(unit);
    }
    ASSERT_TRUE(video.front().header);
    for (size_t i = 1; i < video.size(); i++)
        video[i].pts_us = video[i].dts_us = 1000000 + (int64_t)i * 300;
    video.back().pts_us = video.back().dts_us = video[video.size() - 2].dts_us;
    for (const TestUnit &unit : video) {
        MediaPacket packet = unit.packet();
        ASSERT_EQ(TlinkPush(context, &packet), 0);
    }
    auto counted = [&] {
        return TlinkGetStats(&context, TLS_VIDEO_FRAMES_SENT, nullptr) +
               TlinkGetStats(&context, TLS_VIDEO_FRAMES_DROPPED, nullptr);
    };
    ASSERT_TRUE(wait_until([&] { return counted() == 12u; }, 10000)) << counted();
    EXPECT_EQ(TlinkGetStats(&context, TLS_VIDEO_FRAMES_DROPPED, nullptr), 1u);
    ASSERT_EQ(TlinkAsyncStop(&context), 0);
    ASSERT_EQ(TlinkWaitAsyncJobCompletion(&context, 5000), 0);
    peer.stop();
    EXPECT_EQ(video_packets(peer.recording()), 11);
}

class ThrottledSender : public ::testing::TestWithParam<int> {};

// A slow link: queues stay within their bounds, what does not fit is dropped and counted, and
// with deblocking on, video resumes only at a key frame.
TEST_P(ThrottledSender, DropsWhatDoesNotFitAndStaysBounded) {
    const bool deblock = GetParam() != 0;
    TestStreamFormat format;
    format.width = 160;
    format.height = 120;
    format.key_interval = 250;  // one key frame at the start only
    static const std::vector<TestUnit> units = encode_test_stream(format, 8.0);
    ASSERT_FALSE(units.empty());
    LoopbackPeer peer(LoopbackPeer::Rtmp);
    ASSERT_TRUE(peer.running());
    void *context = publish(TLINK_MODE_RTMP, peer.url());
    ASSERT_NE(context, nullptr);
    int deblock_value = deblock ? 1 : 0;
    ASSERT_EQ(TlinkSetConfig(&context, TLC_DEBLOCK, &deblock_value), 0);
    ASSERT_EQ(TlinkTestSetSendDelay(&context, 30), 0);

    unsigned max_units[2], max_bytes[2];
    TlinkTestGetQueueLimits(MEDIA_PACKET_VIDEO, &max_units[0], &max_bytes[0]);
    TlinkTestGetQueueLimits(MEDIA_PACKET_AUDIO, &max_units[1], &max_bytes[1]);
    int overflows = 0;
    const TestUnit *last_video = nullptr;
    for (const TestUnit &unit : units) {
        MediaPacket packet = unit.packet();
        if (TlinkPush(context, &packet) == TL_ERROR_BUFFER_OVERFLOW)
            overflows++;
        if (unit.type == MEDIA_PACKET_VIDEO && !unit.header)
            last_video = &unit;
        for (int i = 0; i < 2; i++) {
            unsigned queued_units = 0, queued_bytes = 0;
            TlinkTestGetQueued(&context, i == 0 ? MEDIA_PACKET_VIDEO : MEDIA_PACKET_AUDIO,
                               &queued_units, &queued_bytes);
            ASSERT_LE(queued_units, max_units[i]);
            ASSERT_LE(queued_bytes, max_bytes[i]);
        }
    }
    EXPECT_GT(overflows, 0);
    unsigned video_dropped = TlinkGetStats(&context, TLS_VIDEO_FRAMES_DROPPED, nullptr);
    EXPECT_GT(video_dropped, 0u);
    EXPECT_GT(TlinkGetStats(&context, TLS_AUDIO_FRAMES_DROPPED, nullptr), 0u);

    // Once the queue has room again, a frame that is not a key frame is taken only without
    // deblocking.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    unsigned queued = 0;
    TlinkTestGetQueued(&context, MEDIA_PACKET_VIDEO, &queued, nullptr);
    ASSERT_LT(queued, max_units[0]);
    ASSERT_NE(last_video, nullptr);
    ASSERT_FALSE(last_video->key);
    MediaPacket packet = last_video->packet();
    packet.dts_us = packet.pts_us = last_video->dts_us + 40000;
    EXPECT_EQ(TlinkPush(context, &packet), deblock ? TL_ERROR_BUFFER_OVERFLOW : 0);
    packet.is_key = 1;
    packet.dts_us = packet.pts_us = last_video->dts_us + 80000;
    EXPECT_EQ(TlinkPush(context, &packet), 0);

    // Cancel the stop: what is still queued is abandoned, so the peer gets far fewer frames than
    // were sent and queued (draining would send them all, one per send delay).
    TlinkTestGetQueued(&context, MEDIA_PACKET_VIDEO, &queued, nullptr);
    ASSERT_GE(queued, 20u);
    const unsigned sent = TlinkGetStats(&context, TLS_VIDEO_FRAMES_SENT, nullptr);
    ASSERT_EQ(TlinkAsyncStop(&context), 0);
    ASSERT_EQ(TlinkCancelAsyncJob(&context), 0);
    EXPECT_TRUE(returns_within(
        [&] { EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, -1), TL_ERROR_PENDING); }));
    peer.stop();
    EXPECT_LT(video_packets(peer.recording()), static_cast<int>(sent + queued / 2));
}

INSTANTIATE_TEST_SUITE_P(Deblock, ThrottledSender, ::testing::Values(1, 0),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return std::string(info.param ? "On" : "Off");
                         });

}  // namespace
