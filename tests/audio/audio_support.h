// Shared pieces of the audio tests: access to the engine's audio state, a camera with a
// virtual microphone, the stand-in microphone's own view of its device and graph, and a
// started real recorder.
#pragma once

#include <pthread.h>

#include <mutex>
#include <string>
#include <vector>

#include "LibMediaRecorder.h"
#include "UVCPreview.h"
#include "UVCPreview_audio.h"
#include "engine_fixture.h"
#include "recording.h"

class StartedRecorder;

// The engine's audio internals that the tests check or drive.
class UVCPreviewAudioAccess {
  public:
    static _AUXA_DEV *audioDev(UVCPreview *p) { return p->mAudioDev; }
    static CDataDistributor *processingNode(UVCPreview *p) { return p->mDenoiseDst; }
    static pthread_t audioThread(UVCPreview *p) { return p->mRun->mAudioRawThread.handle(); }
    static int queued(UVCPreview *p) { return (int)p->mAudioFrames.size(); }
    static void queueBlock(UVCPreview *p, _AudioRawData *block) { p->addAudioFrame(block); }
    // What a recording start leaves behind: the recording with `recorder` (whose library
    // instance the recording then holds) and the record mode, then the flag.
    static void setRecording(UVCPreview *p, StartedRecorder *recorder, int mode);
    // Flags that the microphone's thread reads while capture runs.
    static void setRecordingFlag(UVCPreview *p, bool on) { p->mIsRecording = on; }
    static void setVideoWritten(UVCPreview *p, bool on) {
        p->mRecording.owned()->set_picture_written(on);
    }
    static bool videoWritten(UVCPreview *p) { return p->mRecording.owned()->picture_written(); }
};

// A camera description with the microphone on and the given listed rates.
CameraSetup mic_camera(const std::string &rates = "48000");

// What the stand-in microphone currently holds for the device and the engine's processing node.
unsigned device_rate(_AUXA_DEV *dev);
int device_volume(_AUXA_DEV *dev);
struct ProcessingState {
    bool denoise, agc, echo, dereverb;
    int denoiseDb, agcLevel, echoDb, echoActiveDb;
};
ProcessingState processing_state(CDataDistributor *node);

// A real recorder, started for 16-bit sound at `rate` and `channels`; keeps the presentation
// times of the encoded sound it hands out.
class StartedRecorder {
  public:
    StartedRecorder(int rate, int channels);
    ~StartedRecorder();
    int64_t audioTaken();
    // Stops the recorder (flushing its encoders) and returns the sound's presentation times.
    std::vector<int64_t> stopAndTakeAudioTimes();
    // The library instance, for a recording that takes the recorder over and releases both.
    LibMediaRecorder *handOver();

    LibMediaRecorder *lib;
    MediaRecorder *recorder;

  private:
    static void output(void *user, int type, const MediaPacket *packet);
    std::mutex mMutex;  // guards mAudioTimes
    std::vector<int64_t> mAudioTimes;
    bool mStopped = false;
    bool mHandedOver = false;
};
