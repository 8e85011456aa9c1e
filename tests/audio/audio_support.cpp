#include "audio_support.h"

#include "auxa/device.h"
#include "recorder_test_controls.h"
#include "temp_path.h"

CameraSetup mic_camera(const std::string &rates) {
    CameraSetup setup;
    setup.microphone = "on";
    setup.extra = "mic_rates = " + rates;
    return setup;
}

unsigned device_rate(_AUXA_DEV *dev) {
    std::lock_guard<std::mutex> lock(dev->mutex);
    return dev->rate;
}

int device_volume(_AUXA_DEV *dev) {
    return dev->volume.load();
}

ProcessingState processing_state(CDataDistributor *node) {
    std::lock_guard<std::mutex> lock(node->live_mutex);
    const ProcessingSettings &s = node->processing;
    return {s.denoise,    s.agc,       s.echo_cancel, s.dereverb,
            s.denoise_db, s.agc_level, s.echo_db,     s.echo_active_db};
}

StartedRecorder::StartedRecorder(int rate, int channels)
    : lib(LibMediaRecorder::getInstance()), recorder(lib->getMediaRecorder()) {
    EXPECT_EQ(recorder->SetRecMode(MEDIA_REC_MODE_VIDEO_AUDIO), 0);
    EXPECT_EQ(recorder->SetRecType(MEDIA_REC_TYPE_FILE), 0);
    EXPECT_EQ(recorder->Init(), 0);
    recorder->SetFrameRate(30);
    recorder->SetBitrate(500000);
    recorder->SetSampleRate(rate);
    recorder->SetBit(16);
    recorder->SetChannel(channels);
    recorder->SetAudioByteRate(rate * 2 * channels);
    recorder->SetOutputCallback(output, this);
    EXPECT_EQ(recorder->Start(160, 120, temp_path("audio_test.mp4").c_str()), 0);
}

StartedRecorder::~StartedRecorder() {
    if (mHandedOver)
        return;
    if (!mStopped)
        recorder->Stop();
    recorder->Release();
    lib->releaseInstance();
}

LibMediaRecorder *StartedRecorder::handOver() {
    mHandedOver = true;
    return lib;
}

void UVCPreviewAudioAccess::setRecording(UVCPreview *p, StartedRecorder *recorder, int mode) {
    p->mRecMode = mode;
    p->mIsRecording = false;
    if (std::unique_ptr<Recording> ended = p->mRecording.take())
        ended->encoder()->Stop();
    if (recorder)
        p->mRecording.install(
            std::make_unique<Recording>(Encoder(recorder->handOver(), recorder->recorder)));
    p->mIsRecording = recorder != nullptr;
}

int64_t StartedRecorder::audioTaken() {
    return media_recorder_test_stats(recorder).audio_taken;
}

std::vector<int64_t> StartedRecorder::stopAndTakeAudioTimes() {
    recorder->Stop();
    mStopped = true;
    std::lock_guard<std::mutex> lock(mMutex);
    return mAudioTimes;
}

void StartedRecorder::output(void *user, int type, const MediaPacket *packet) {
    StartedRecorder *self = static_cast<StartedRecorder *>(user);
    if (type != MEDIA_PACKET_AUDIO || packet->is_header)
        return;
    std::lock_guard<std::mutex> lock(self->mMutex);
    self->mAudioTimes.push_back(packet->pts_us);
}
