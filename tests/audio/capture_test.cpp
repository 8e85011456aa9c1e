// The microphone graph: capture and encoder rates, the processing switches, volume and the
// rate list, against the virtual microphone.
#include "audio_support.h"
#include "host_android.h"

namespace {

struct RateCase {
    const char *rates;
    int recType;
    int forced;
    int wished;  // setAudioSamplerate before the start
    unsigned capture;
    int encoder;
    int listed;  // rates read from the device's list
};

TEST(CaptureRate, ChosenByRecordTypeAndListedRates) {
    const RateCase cases[] = {
        {"8000, 44100, 48000", 32, 0, 0, 44100, 44100, 3},  // live: closest to 44100
        {"48000", 32, 0, 0, 48000, 44100, 1},               // live: resampled to 44100
        {"43100, 45100", 32, 0, 0, 43100, 44100, 2},        // equally close: the first wins
        {"32000, 48000", 32, 32000, 0, 32000, 44100, 0},    // forced: the list is not read
        {"48000, 96000", 16, 0, 96000, 96000, 48000, 0},    // file: at most 48000 encoded
        {"22050, 48000", 16, 0, 22050, 22050, 22050, 0},    // file: lower rates kept
    };
    host_log_capture_start();
    for (const RateCase &c : cases) {
        SCOPED_TRACE(c.rates);
        CameraSession s(mic_camera(c.rates), true);
        ASSERT_EQ(s.connect(), 0);
        UVCPreview *engine = s.engine();
        engine->SetRecType(c.recType);
        engine->setForceAudioSamplerate(c.forced);
        if (c.wished)
            engine->setAudioSamplerate(c.wished);
        int listedBefore = host_log_count("supported sampleRate[");

        ASSERT_EQ(engine->StartAudio(), 0);
        EXPECT_EQ(device_rate(UVCPreviewAudioAccess::audioDev(engine)), c.capture);
        EXPECT_EQ(engine->GetAudioSettings(1), c.encoder);
        EXPECT_EQ(host_log_count("supported sampleRate[") - listedBefore, c.listed);
    }
    host_log_capture_stop();
}

TEST(CaptureRate, NoListedRateIsCloseEnough) {
    // Rates of twice 44100 Hz and above are never chosen: the live rate stays 0, so the device
    // keeps its own first rate and only the encoder rate is set.
    host_log_capture_start();
    CameraSession s(mic_camera("88200, 96000"), true);
    ASSERT_EQ(s.connect(), 0);
    s.engine()->SetRecType(32);
    ASSERT_EQ(s.engine()->StartAudio(), 0);
    EXPECT_EQ(host_log_count("mSampleRate : 0\n"), 2);
    EXPECT_EQ(device_rate(UVCPreviewAudioAccess::audioDev(s.engine())), 88200u);
    EXPECT_EQ(s.engine()->GetAudioSettings(1), 44100);
    host_log_capture_stop();
}

TEST(AudioGraph, FormatReadOnceFromTheDevice) {
    CameraSetup setup = mic_camera("48000");
    setup.extra += "\nmic_channels = 2\nmic_bits = 24";
    CameraSession s(setup);
    ASSERT_EQ(s.connect(), 0);
    UVCPreview *engine = s.engine();
    EXPECT_EQ(engine->GetAudioSettings(2), 0);
    engine->setAudioSamplerate(48000);
    ASSERT_EQ(engine->StartAudio(), 0);
    EXPECT_EQ(engine->GetAudioSettings(2), 2);
    EXPECT_EQ(engine->GetAudioSettings(3), 24);
    EXPECT_EQ(engine->GetAudioSettings(1), 48000);
    EXPECT_EQ(engine->GetAudioSettings(4), -2);
    EXPECT_EQ(engine->GetAudioSettings(0), -2);

    // A format set by the application is kept.
    CameraSession t(setup);
    ASSERT_EQ(t.connect(), 0);
    t.engine()->SetAudioChannels(1);
    ASSERT_EQ(t.engine()->StartAudio(), 0);
    EXPECT_EQ(t.engine()->GetAudioSettings(2), 1);
    EXPECT_EQ(t.engine()->GetAudioSettings(3), 0);
}

TEST(AudioGraph, VolumeRateListAndProcessingSwitches) {
    CameraSession s(mic_camera("16000, 44100, 48000"));
    ASSERT_EQ(s.connect(), 0);
    UVCPreview *engine = s.engine();
    EXPECT_EQ(engine->setAudioVolume(40), 0);
    EXPECT_EQ(device_volume(UVCPreviewAudioAccess::audioDev(engine)), 40);
    EXPECT_NE(engine->setAudioVolume(101), 0);
    EXPECT_EQ(device_volume(UVCPreviewAudioAccess::audioDev(engine)), 40);
    int list[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    EXPECT_EQ(engine->getAudioSamplerateList(list), 0);
    EXPECT_EQ(std::vector<int>(list, list + 5), (std::vector<int>{3, 16000, 44100, 48000, -1}));
    EXPECT_EQ(engine->getAudioSamplerateList(nullptr), -3);

    // Before StartAudio built the graph there is no node to configure.
    EXPECT_NE(engine->setAudioDenoise(true, 20), 0);
    EXPECT_NE(engine->setAudioAgc(true, 9000), 0);
    EXPECT_NE(engine->setAudioEchocancel(true, 30, 10), 0);
    EXPECT_NE(engine->setAudioDereverd(true), 0);
    ASSERT_EQ(engine->StartAudio(), 0);
    CDataDistributor *node = UVCPreviewAudioAccess::processingNode(engine);
    ASSERT_NE(node, nullptr);

    EXPECT_EQ(engine->setAudioDenoise(true, 20), 0);
    EXPECT_EQ(engine->setAudioAgc(true, 9000), 0);
    EXPECT_EQ(engine->setAudioEchocancel(true, 30, 10), 0);
    EXPECT_EQ(engine->setAudioDereverd(true), 0);
    ProcessingState on = processing_state(node);
    EXPECT_TRUE(on.denoise && on.agc && on.echo && on.dereverb);
    EXPECT_EQ(on.denoiseDb, 20);
    EXPECT_EQ(on.agcLevel, 9000);
    EXPECT_EQ(on.echoDb, 30);
    EXPECT_EQ(on.echoActiveDb, 10);

    // Switching off sends only the switch: the levels stay as they were.
    EXPECT_EQ(engine->setAudioDenoise(false, 50), 0);
    EXPECT_EQ(engine->setAudioAgc(false, 100), 0);
    EXPECT_EQ(engine->setAudioEchocancel(false, 60, 70), 0);
    EXPECT_EQ(engine->setAudioDereverd(false), 0);
    ProcessingState off = processing_state(node);
    EXPECT_FALSE(off.denoise || off.agc || off.echo || off.dereverb);
    EXPECT_EQ(off.denoiseDb, 20);
    EXPECT_EQ(off.agcLevel, 9000);
    EXPECT_EQ(off.echoDb, 30);
    EXPECT_EQ(off.echoActiveDb, 10);

    // The result is that of the last call: a level the library refuses is reported.
    EXPECT_NE(engine->setAudioEchocancel(true, 30, 1000), 0);
}

TEST(AudioGraph, CameraWithoutMicrophone) {
    CameraSession s;  // microphone off
    ASSERT_EQ(s.connect(), 0);
    UVCPreview *engine = s.engine();
    int list[4] = {-1, -1, -1, -1};
    EXPECT_EQ(engine->getAudioSamplerateList(list), -201);
    EXPECT_EQ(list[0], -1);
    EXPECT_EQ(engine->getAudioSamplerateList(nullptr), -201);
    EXPECT_EQ(engine->StartAudio(), -60);
    EXPECT_NE(engine->setAudioVolume(50), 0);
    EXPECT_NE(engine->setAudioDenoise(true, 10), 0);
    EXPECT_EQ(s.attachWindow(), 0);
    EXPECT_EQ(s.camera.startPreview(), 0);
    EXPECT_TRUE(s.waitPosts(1));
    EXPECT_EQ(s.camera.stopPreview(), 0);
}

}  // namespace
