// Sound on its way to a real recorder: the application's PCM through WriteAudioData, and the
// microphone's blocks through the data path while a recording runs.
#include <atomic>
#include <thread>

#include "audio_support.h"

namespace {

// An engine whose format is 44100 Hz, 16 bit, stereo, recording into a started recorder.
struct WriterSession {
    CameraSession session;
    StartedRecorder recorder{44100, 2};
    UVCPreview *engine = nullptr;

    WriterSession() {
        EXPECT_EQ(session.connect(), 0);
        engine = session.engine();
        engine->setAudioSamplerate(44100);
        engine->SetAudioChannels(2);
        engine->SetAudioBit(16);
        UVCPreviewAudioAccess::setRecording(engine, &recorder, RECORD_MODE_VIDEO_AUDIO);
    }
    ~WriterSession() { UVCPreviewAudioAccess::setRecording(engine, nullptr, 1); }
};

// Pieces of 4096 bytes reach the recorder while it records with sound in a usable format.
TEST(WriteAudioData, PiecesReachTheRecorderOnlyWhileRecordingWithSoundInAUsableFormat) {
    WriterSession w;
    std::vector<uint8_t> pcm(2 * AUDIO_PIECE_BYTES + 100, 0x11);
    auto write = [&](int bytes) { return w.engine->WriteAudioData(pcm.data(), bytes); };
    EXPECT_EQ(write(AUDIO_PIECE_BYTES), 0);
    EXPECT_EQ(w.recorder.audioTaken(), 1);
    EXPECT_EQ(write((int)pcm.size()), 0);
    EXPECT_EQ(w.recorder.audioTaken(), 4);
    EXPECT_EQ(write(4), 0);
    EXPECT_EQ(w.recorder.audioTaken(), 5);
    EXPECT_EQ(write(0), 0);
    EXPECT_EQ(write(-4), 0);
    EXPECT_EQ(w.recorder.audioTaken(), 5);
    // A piece the recorder refuses (not whole stereo samples) is its result.
    EXPECT_NE(write(6), 0);

    // A format without channels, rate or whole sample bytes is refused.
    w.engine->SetAudioChannels(0);
    EXPECT_EQ(write(AUDIO_PIECE_BYTES), -2);
    w.engine->SetAudioChannels(2);
    w.engine->setAudioSamplerate(0);
    EXPECT_EQ(write(AUDIO_PIECE_BYTES), -2);
    w.engine->setAudioSamplerate(-44100);
    EXPECT_EQ(write(AUDIO_PIECE_BYTES), -2);
    w.engine->setAudioSamplerate(44100);
    w.engine->SetAudioBit(7);  // less than one byte per sample
    EXPECT_EQ(write(AUDIO_PIECE_BYTES), -2);
    w.engine->SetAudioBit(16);
    EXPECT_EQ(w.engine->WriteAudioData(nullptr, 100), -2);
    EXPECT_EQ(w.recorder.audioTaken(), 5);
    EXPECT_EQ(write(AUDIO_PIECE_BYTES), 0);
    EXPECT_EQ(w.recorder.audioTaken(), 6);

    // Nothing is written without sound in the record mode or without a recording.
    w.engine->setRecMode(1);
    EXPECT_EQ(write(AUDIO_PIECE_BYTES), 0);
    w.engine->setRecMode(RECORD_MODE_VIDEO_AUDIO);
    UVCPreviewAudioAccess::setRecordingFlag(w.engine, false);
    EXPECT_EQ(write(AUDIO_PIECE_BYTES), 0);
    EXPECT_EQ(w.recorder.audioTaken(), 6);
}

TEST(WriteAudioData, PiecesAreStampedByTheirPlayTime) {
    // 4096 bytes of 16-bit stereo at 44100 Hz play 23219.95 us; mono at 48000 Hz 42666.67 us.
    EXPECT_EQ(audio_piece_duration_us(2, 44100, 16), 23220);
    EXPECT_EQ(audio_piece_duration_us(1, 48000, 16), 42667);
    EXPECT_EQ(audio_piece_duration_us(2, 48000, 24), 14222);
    EXPECT_EQ(audio_piece_duration_us(0, 48000, 16), -1);
    EXPECT_EQ(audio_piece_duration_us(2, 0, 16), -1);
    EXPECT_EQ(audio_piece_duration_us(2, 48000, 4), -1);

    // Through the recorder: a short call, a pause, then a call of 40 pieces. The recorder's
    // sound time line jumps once, by the pause, and runs on without a gap through the 40
    // pieces, which it would not if their stamps stepped by anything but their play time.
    WriterSession w;
    std::vector<uint8_t> pcm(40 * AUDIO_PIECE_BYTES, 0);
    EXPECT_EQ(w.engine->WriteAudioData(pcm.data(), 2 * AUDIO_PIECE_BYTES + 100), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(w.engine->WriteAudioData(pcm.data(), (int)pcm.size()), 0);
    EXPECT_EQ(w.recorder.audioTaken(), 43);
    std::vector<int64_t> times = w.recorder.stopAndTakeAudioTimes();
    ASSERT_GT(times.size(), 40u);
    int jumps = 0;
    size_t jumpAt = 0;
    for (size_t i = 1; i < times.size(); i++) {
        if (times[i] - times[i - 1] > 100000) {
            jumps++;
            jumpAt = i;
        }
    }
    ASSERT_EQ(jumps, 1);
    EXPECT_LE(jumpAt, 3u);
    EXPECT_GE(times[jumpAt] - times[jumpAt - 1], 300000);
    // 40 pieces are 928.8 ms of sound; the encoder adds at most two frames of 23.2 ms.
    EXPECT_LT(times.back() - times[jumpAt], 980000);
    EXPECT_GT(times.back() - times[jumpAt], 860000);
}

std::atomic<int> g_blocks(0);
void count_block(long, char *, int, int, int) {
    g_blocks++;
}

TEST(MicrophoneToRecorder, BlocksFollowTheFirstRecordedPicture) {
    CameraSession s(mic_camera("44100"));
    ASSERT_EQ(s.connect(), 0);
    UVCPreview *engine = s.engine();
    engine->SetAudioChannels(2);
    engine->SetAudioBit(16);
    engine->setAudioSamplerate(44100);
    StartedRecorder recorder(44100, 2);
    UVCPreviewAudioAccess::setRecording(engine, &recorder, RECORD_MODE_VIDEO_AUDIO);
    // Every block counted here but the latest has passed the data node as well.
    g_blocks = 0;
    engine->setAudioVolumeCallback(count_block);
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(wait_until([] { return g_blocks >= 5; }, 5000));
    // No sound before the first picture. The draw thread, which sees the recording flag too,
    // may count a picture of another size as the first one; only then may sound have passed.
    const int64_t early = recorder.audioTaken();
    if (!UVCPreviewAudioAccess::videoWritten(engine)) {
        EXPECT_EQ(early, 0);
    }

    UVCPreviewAudioAccess::setVideoWritten(engine, true);
    EXPECT_TRUE(wait_until([&] { return recorder.audioTaken() >= 5; }, 5000));
    UVCPreviewAudioAccess::setRecordingFlag(engine, false);
    int64_t taken = recorder.audioTaken();
    g_blocks = 0;
    ASSERT_TRUE(wait_until([] { return g_blocks >= 5; }, 5000));
    EXPECT_LE(recorder.audioTaken(), taken + 1);  // at most the block in flight
    EXPECT_EQ(s.camera.stopPreview(), 0);
}

}  // namespace
