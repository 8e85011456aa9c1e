// The media recorder with the muxer behind it, as the engine drives them; and the recorder's
// own outputs (file, push function), its queue and its refusals.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <thread>

#include "FFMpegLib.h"
#include "LibMediaRecorder.h"
#include "host_android.h"
#include "media_test_support.h"
#include "recorder_settings.h"
#include "encode_session.h"
#include "recorder_test_controls.h"

namespace {

struct Recording {
    LibMediaRecorder *lib = LibMediaRecorder::getInstance();
    MediaRecorder *recorder = lib->getMediaRecorder();

    Recording(const FeedPlan &plan, int rec_type = MEDIA_REC_TYPE_FILE) {
        EXPECT_EQ(recorder->SetRecMode(plan.audio ? 3 : 2), 0);
        EXPECT_EQ(recorder->SetRecType(rec_type), 0);
        EXPECT_EQ(recorder->Init(), 0);
        apply_recording_settings(recorder, plan);
    }
    ~Recording() {
        recorder->Release();
        lib->releaseInstance();
    }
    void feedColours(const FeedPlan &plan) {
        int format = recorder->GetColorFormat();
        std::vector<uint8_t> pictures[3];
        for (int i = 0; i < 3; i++) {
            Rgb colour = colourOfFrame(plan, i * plan.frames / 3);
            pictures[i] = encoderPicture(rgbxPicture(plan.width, plan.height, colour), plan.width,
                                         plan.height, format);
        }
        feed(
            plan,
            [&](int i, int64_t t) {
                return recorder->write_Buffer(pictures[i * 3 / plan.frames].data(), t, 0, 0);
            },
            [&](const uint8_t *pcm, int bytes, int64_t t) {
                return recorder->write_AudioBuffer((uint8_t *)pcm, bytes, t);
            });
    }
};

class RecorderThroughMuxer : public testing::TestWithParam<int> {
  protected:
    void TearDown() override { media_recorder_test_set_color_format(21); }
};

TEST_P(RecorderThroughMuxer, RecordsColoursAndSineIntoPlayableFile) {
    media_recorder_test_set_color_format(GetParam());
    FeedPlan plan;
    std::string path = temp_path(("muxed_" + std::to_string(GetParam()) + ".mp4").c_str());
    FFMpegLib *muxer_lib = FFMpegLib::getInstance();
    MuxerBridge bridge;
    bridge.muxer = muxer_lib->getMuxer();
    ASSERT_EQ(open_muxer(bridge.muxer, plan, path), 0);
    {
        Recording rec(plan);
        EXPECT_EQ(rec.recorder->GetColorFormat(), GetParam());
        rec.recorder->SetOutputCallback(&MuxerBridge::output, &bridge);
        ASSERT_EQ(rec.recorder->Start(plan.width, plan.height, path.c_str()), 0);
        rec.feedColours(plan);
        ASSERT_EQ(rec.recorder->Stop(), 0);
    }
    EXPECT_EQ(bridge.muxer->Stop(), 0);
    EXPECT_EQ(bridge.muxer->Release(), 0);
    muxer_lib->releaseInstance();

    EXPECT_EQ(bridge.failures, 0);
    // Headers first (video, then audio), the muxer starts with the first frame, then frames.
    ASSERT_GE(bridge.events.size(), 4u);
    EXPECT_EQ(bridge.events[0], "video header");
    EXPECT_EQ(bridge.events[1], "audio header");
    EXPECT_EQ(bridge.events[2], "start");
    EXPECT_EQ(std::count(bridge.events.begin(), bridge.events.end(), "start"), 1);
    EXPECT_EQ(std::count(bridge.events.begin(), bridge.events.end(), "video"), plan.frames);
    ASSERT_FALSE(bridge.video_pts.empty());
    EXPECT_EQ(bridge.video_pts.front(), 0);  // the file starts at 0
    expectPlayableFile(path, plan);
}

INSTANTIATE_TEST_SUITE_P(ColourFormats, RecorderThroughMuxer, testing::Values(21, 19));

struct PushLog {
    std::mutex mutex;  // guards units
    std::vector<MediaPacket> units;
    void *context = nullptr;
    static int push(void *context, const MediaPacket *packet) {
        PushLog *log = (PushLog *)context;
        std::lock_guard<std::mutex> lock(log->mutex);
        log->context = context;
        MediaPacket copy = *packet;
        copy.data = nullptr;  // only valid during the call
        log->units.push_back(copy);
        return 0;
    }
};

TEST(RecorderOutputs, OwnFileAndPushWhenNoOutputFunction) {
    FeedPlan plan;
    plan.frames = 30;
    std::string path = temp_path("own_file.mp4");
    PushLog pushed;
    {
        Recording rec(plan, MEDIA_REC_TYPE_FILE | MEDIA_REC_TYPE_LIVE);
        rec.recorder->SetPushFunction(&PushLog::push, &pushed);
        ASSERT_EQ(rec.recorder->Start(plan.width, plan.height, path.c_str()), 0);
        rec.feedColours(plan);
        ASSERT_EQ(rec.recorder->Stop(), 0);
    }
    expectPlayableFile(path, plan);
    ASSERT_GE(pushed.units.size(), 2u);
    EXPECT_EQ(pushed.context, &pushed);
    EXPECT_EQ(pushed.units[0].type, MEDIA_PACKET_VIDEO);
    EXPECT_TRUE(pushed.units[0].is_header);
    EXPECT_EQ(pushed.units[1].type, MEDIA_PACKET_AUDIO);
    EXPECT_TRUE(pushed.units[1].is_header);
    int video = 0;
    for (size_t i = 2; i < pushed.units.size(); i++) {
        EXPECT_FALSE(pushed.units[i].is_header);
        if (pushed.units[i].type == MEDIA_PACKET_VIDEO)
            video++;
    }
    EXPECT_EQ(video, plan.frames);
    EXPECT_TRUE(pushed.units[2].is_key);
}

TEST(RecorderOutputs, NoOwnFileWithOutputFunctionOrWithoutFileType) {
    FeedPlan plan;
    plan.frames = 6;
    plan.audio = false;
    std::string with_output = temp_path("with_output.mp4");
    std::string live_only = temp_path("live_only.mp4");
    int units = 0;
    {
        Recording rec(plan);
        rec.recorder->SetOutputCallback(
            [](void *user, int, const MediaPacket *) { ++*(int *)user; }, &units);
        ASSERT_EQ(rec.recorder->Start(plan.width, plan.height, with_output.c_str()), 0);
        rec.feedColours(plan);
        ASSERT_EQ(rec.recorder->Stop(), 0);
    }
    {
        Recording rec(plan, MEDIA_REC_TYPE_LIVE);
        ASSERT_EQ(rec.recorder->Start(plan.width, plan.height, live_only.c_str()), 0);
        ASSERT_EQ(rec.recorder->Stop(), 0);
    }
    EXPECT_EQ(units, 1 + plan.frames);  // video header and frames, no audio
    EXPECT_FALSE(fileExists(with_output));
    EXPECT_FALSE(fileExists(live_only));
}

// The encoder thread is held inside the output function, so the queue fills up.
struct HeldOutput {
    std::mutex mutex;  // guards held, release, pts
    std::condition_variable changed;
    bool held = false;
    bool release = false;
    std::vector<int64_t> pts;
    static void output(void *user, int, const MediaPacket *packet) {
        HeldOutput *self = (HeldOutput *)user;
        std::unique_lock<std::mutex> lock(self->mutex);
        if (packet->is_header)
            return;
        self->pts.push_back(packet->pts_us);
        self->held = true;
        self->changed.notify_all();
        self->changed.wait(lock, [self] { return self->release; });
    }
};

struct ErrorLog {
    static std::atomic<int> overflows;
    static std::atomic<long> id;
    static void report(long camera, long error_class, int code, char *text) {
        if (error_class == MEDIA_ERROR_CLASS_ENCODER && code == MEDIA_ERROR_QUEUE_OVERFLOW &&
            text && *text) {
            overflows++;
            id = camera;
        }
    }
};
std::atomic<int> ErrorLog::overflows{0};
std::atomic<long> ErrorLog::id{0};

TEST(RecorderQueue, FullQueueRefusesOnlyThatFrameAndStopFlushes) {
    FeedPlan plan;
    plan.audio = false;
    HeldOutput out;
    ErrorLog::overflows = 0;
    ErrorLog::id = 0;
    Recording rec(plan);
    rec.recorder->SetOutputCallback(&HeldOutput::output, &out);
    rec.recorder->SetErrorCallback(&ErrorLog::report, 77);
    ASSERT_EQ(rec.recorder->Start(plan.width, plan.height, nullptr), 0);
    auto picture = encoderPicture(rgbxPicture(plan.width, plan.height, kGreen), plan.width,
                                  plan.height, rec.recorder->GetColorFormat());
    ASSERT_EQ(rec.recorder->write_Buffer(picture.data(), 0, 0, 0), 0);
    {
        std::unique_lock<std::mutex> lock(out.mutex);
        out.changed.wait(lock, [&] { return out.held; });
    }
    // One picture is in the encoder; the rest of the queue fills, then writes are refused
    // at once (the writer does not wait), each refusal counted as a drop.
    std::vector<int64_t> accepted{0}, refused;
    for (int i = 1; i <= 40; i++) {
        int64_t t = i * 33333;
        (rec.recorder->write_Buffer(picture.data(), t, 0, 0) == 0 ? accepted : refused)
            .push_back(t);
    }
    EXPECT_EQ(accepted.size(), EncodeSession::kVideoJobs);
    EXPECT_EQ(refused.size(), 41 - accepted.size());
    EXPECT_EQ(ErrorLog::overflows.load(), (int)refused.size() / 30);
    EXPECT_EQ(ErrorLog::id.load(), 77);
    {
        std::lock_guard<std::mutex> lock(out.mutex);
        out.release = true;
        out.changed.notify_all();
    }
    // Room again: one more is taken, then Stop encodes everything taken.
    int result;
    for (int tries = 0;
         (result = rec.recorder->write_Buffer(picture.data(), 2000000, 0, 0)) == -2 && tries < 1000;
         tries++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(result, 0);
    accepted.push_back(2000000);
    ASSERT_EQ(rec.recorder->Stop(), 0);
    EXPECT_EQ(out.pts, accepted);
    MediaRecorderTestStats stats = media_recorder_test_stats(rec.recorder);
    EXPECT_GE(stats.video_dropped, (int64_t)refused.size());
    EXPECT_EQ(stats.video_encoded, (int64_t)accepted.size());
}

TEST(RecorderRefusals, BadCallsGetAnErrorAndALogLine) {
    FeedPlan plan;
    plan.audio = false;
    host_log_capture_start();
    Recording rec(plan);
    auto picture =
        encoderPicture(rgbxPicture(plan.width, plan.height, kRed), plan.width, plan.height, 21);
    uint8_t pcm[64] = {};
    EXPECT_NE(rec.recorder->write_Buffer(picture.data(), 0, 0, 0), 0);  // before Start
    EXPECT_NE(rec.recorder->Stop(), 0);
    EXPECT_NE(rec.recorder->Start(321, 240, nullptr), 0);  // odd size
    EXPECT_NE(rec.recorder->Start(0, 0, nullptr), 0);
    EXPECT_NE(rec.recorder->Start(320, 240, "/nonexistent-folder/x.mp4"), 0);
    EXPECT_NE(rec.recorder->SetRecMode(7), 0);
    EXPECT_NE(rec.recorder->SetAudioByteRate(0), 0);
    ASSERT_EQ(rec.recorder->Start(plan.width, plan.height, nullptr), 0);
    EXPECT_NE(rec.recorder->Start(plan.width, plan.height, nullptr), 0);  // twice
    EXPECT_NE(rec.recorder->write_Buffer(nullptr, 0, 0, 0), 0);
    EXPECT_NE(rec.recorder->write_AudioBuffer(pcm, sizeof(pcm), 0), 0);  // video only
    EXPECT_NE(rec.recorder->write_AudioBuffer(nullptr, 4, 0), 0);
    EXPECT_EQ(rec.recorder->write_Buffer(picture.data(), 0, 0, 0), 0);
    EXPECT_EQ(rec.recorder->Stop(), 0);
    EXPECT_NE(rec.recorder->Stop(), 0);
    EXPECT_NE(rec.recorder->write_Buffer(picture.data(), 1, 0, 0), 0);  // after Stop
    int lines = 0;
    for (const HostLogLine &line : host_log_captured())
        lines += line.tag == "MediaRecorder";
    EXPECT_EQ(lines, 13);  // one per refused call
    host_log_capture_stop();
}

TEST(RecorderRefusals, NoColourFormatAndBadAudioSettingsFailStart) {
    FeedPlan plan;
    media_recorder_test_set_color_format(0);
    {
        Recording rec(plan);
        EXPECT_EQ(rec.recorder->GetColorFormat(), 0);
        EXPECT_NE(rec.recorder->Start(plan.width, plan.height, nullptr), 0);
    }
    media_recorder_test_set_color_format(21);
    Recording rec(plan);
    rec.recorder->SetBit(8);
    EXPECT_NE(rec.recorder->Start(plan.width, plan.height, nullptr), 0);
    rec.recorder->SetBit(16);
    rec.recorder->SetSampleRate(0);
    EXPECT_NE(rec.recorder->Start(plan.width, plan.height, nullptr), 0);
}

TEST(RecorderRefusals, ReleaseWhileEncodingFinishesTheFile) {
    FeedPlan plan;
    plan.frames = 15;
    std::string path = temp_path("released.mp4");
    plan.audio = false;
    Recording rec(plan);
    MediaRecorder *recorder = rec.recorder;
    ASSERT_EQ(recorder->Start(plan.width, plan.height, path.c_str()), 0);
    auto picture =
        encoderPicture(rgbxPicture(plan.width, plan.height, kBlue), plan.width, plan.height, 21);
    std::atomic<bool> writing{true};
    std::atomic<int> refused{0};
    std::thread writer([&] {
        for (int i = 0; writing; i++) {
            if (recorder->write_Buffer(picture.data(), i * 33333, 0, 0) == -1)
                refused++;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(recorder->Release(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    writing = false;
    writer.join();
    EXPECT_GT(refused.load(), 0);  // writes after Release are refused, not crashed on
    EXPECT_NE(recorder->Release(), 0);
    ProbedStream video;
    ASSERT_TRUE(probeStream(path, "v", &video));
    EXPECT_EQ(video.codec, "h264");
    EXPECT_GT(video.packets, 0);
}

TEST(RecorderLibrary, InstanceIsCountedAndExtraReleasesAreHarmless) {
    int holders = media_recorder_test_holders();
    LibMediaRecorder *a = LibMediaRecorder::getInstance();
    LibMediaRecorder *b = LibMediaRecorder::getInstance();
    EXPECT_EQ(a, b);
    EXPECT_EQ(media_recorder_test_holders(), holders + 2);
    MediaRecorder *recorder = a->getMediaRecorder();
    ASSERT_NE(recorder, nullptr);
    a->releaseInstance();
    b->releaseInstance();
    b->releaseInstance();  // one too many: ignored
    EXPECT_EQ(media_recorder_test_holders(), holders);
    // Not released yet, so still alive and usable.
    EXPECT_EQ(recorder->Init(), 0);
    EXPECT_EQ(recorder->Release(), 0);
    LibMediaRecorder::getInstance()->releaseInstance();
    EXPECT_EQ(media_recorder_test_objects(), 0);
}

}  // namespace
