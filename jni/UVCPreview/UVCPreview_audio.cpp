// USB microphone capture: the processing graph, the capture and encoder rates, the audio
// settings, and the two node functions that receive the library's blocks.
#include <stdint.h>
#include <stdlib.h>

#include <initializer_list>
#include <utility>

#include "UVCPreview_audio.h"
#include "UVCPreview.h"
#include "logging.h"

namespace {

enum {
    RESULT_AUDIO_FAILED = -60,
    RESULT_NULL_ARGUMENT = -3,
    RESULT_RATE_LIST_FAILED = -200,
    RESULT_NO_AUDIO_DEVICE = -201,
    RECORD_TYPE_FILE = 16,
    RECORD_TYPE_LIVE = 32,
    PREFERRED_RATE = 44100,
    FILE_RATE_LIMIT = 48000,
};

// Reads one int configuration value of the device; `fallback` when the library has none.
int device_config(_AUXA_DEV *dev, int id, int fallback) {
    void *value = nullptr;
    if (AuxaGetConfiguration(dev, id, &value) != AUXA_OK || !value)
        return fallback;
    int result = *(int *)value;
    AuxaFreeConfiguration(value);
    return result;
}

}  // namespace

void UVCPreview::setAudioVolumeCallback(AudioVolumeCallback fn) {
    mAudioVolumeCallback = fn;
}

// Live streaming captures at the forced rate, else at the listed rate closest to 44100 Hz
// (the first of equally close rates; 0 when none is closer than 44100 Hz away). Other record
// types capture at mSampleRate.
int UVCPreview::choose_capture_rate() {
    if (mRecType != RECORD_TYPE_LIVE)
        return mSampleRate;
    int rate = mForceAudioSamplerete;
    if (rate == 0) {
        unsigned *rates = nullptr;
        int count = 0;
        if (AuxaGetSampleRateList(mAudioDev, &rates, &count) == AUXA_OK && rates) {
            int64_t bestDistance = PREFERRED_RATE;
            for (int i = 0; i < count; i++) {
                LOGD("supported sampleRate[%d]=[%d]\n", i + 1, (int)rates[i]);
                int64_t distance = llabs((int64_t)rates[i] - PREFERRED_RATE);
                if (distance < bestDistance) {
                    bestDistance = distance;
                    rate = (int)rates[i];
                }
            }
        }
        AuxaFreeSampleRateList(rates);
    }
    mSampleRate = rate;
    LOGD("mSampleRate : %d\n", mSampleRate);
    return rate;
}

int UVCPreview::StartAudio() {
    LOGD("%s IN\n", __FUNCTION__);
    _AUXA_DEV *dev = mAudioDev;
    if (!dev) {
        LOGD("not found audio interface\n");
        return RESULT_AUDIO_FAILED;
    }
    if (mBit == 0 && mChannel == 0) {
        mBit = device_config(dev, AUXA_CONFIG_BITS, 0);
        LOGD("~~~~~> bit: %d\n", mBit);
        mChannel = device_config(dev, AUXA_CONFIG_CHANNELS, 0);
        LOGD("~~~~~> channel: %d\n", mChannel);
    }

    int captureRate = choose_capture_rate();
    AuxaSetSampleRate(dev, captureRate);
    LOGD("mSampleRate : %d\n", captureRate);

    // The encoder rate; the resampler converts the capture rate to it.
    if (mRecType == RECORD_TYPE_FILE) {
        if (mSampleRate > FILE_RATE_LIMIT)
            mSampleRate = FILE_RATE_LIMIT;
        LOGD("find muxing mode. set samplerate : %d\n", mSampleRate);
    } else if (mRecType == RECORD_TYPE_LIVE) {
        mSampleRate = PREFERRED_RATE;
        LOGD("find TLink. set samplerate = 44100\n");
    } else {
        LOGD("else\n");
    }

    CDataDistributor *source = nullptr;
    CDataDistributor *resampler = nullptr;
    CDataDistributor *volumeNode = nullptr;
    CDataDistributor *dataNode = nullptr;
    AuxaDstGet(dev, AUXA_NODE_SOURCE, nullptr, &source);
    AuxaDstCreate(dev, AUXA_NODE_RESAMPLER, "myResampler", &resampler);
    AuxaDstSetConfig(dev, resampler, AUXA_RESAMPLER_RATE, &mSampleRate);
    AuxaDstSetConfig(dev, resampler, AUXA_RESAMPLER_BITS, &mBit);
    AuxaDstSetConfig(dev, resampler, AUXA_RESAMPLER_CHANNELS, &mChannel);
    AuxaDstLink(dev, source, resampler);
    AuxaDstCreate(dev, AUXA_NODE_PROCESSING, "mydenoise", &mDenoiseDst);
    AuxaDstLink(dev, resampler, mDenoiseDst);

    void *user = this;
    AuxaBlockCallback function = onAudioNodeVolume;
    AuxaDstCreate(dev, AUXA_NODE_CALLBACK, "myVolumeCallback", &volumeNode);
    AuxaDstSetConfig(dev, volumeNode, AUXA_CALLBACK_FUNCTION, &function);
    AuxaDstSetConfig(dev, volumeNode, AUXA_CALLBACK_USER, &user);
    AuxaDstLink(dev, mDenoiseDst, volumeNode);
    function = onAudioNodeData;
    AuxaDstCreate(dev, AUXA_NODE_CALLBACK, "myCallback", &dataNode);
    AuxaDstSetConfig(dev, dataNode, AUXA_CALLBACK_FUNCTION, &function);
    AuxaDstSetConfig(dev, dataNode, AUXA_CALLBACK_USER, &user);
    AuxaDstLink(dev, mDenoiseDst, dataNode);

    if (mDebug) {
        AuxaDstDump(dev);
        LOGD("Start Audio Stream\n");
    }
    if (AuxaStart(dev) != AUXA_OK) {
        LOGD("LUMIVO_ERR_AUDIOSTART\n");
        return RESULT_AUDIO_FAILED;
    }
    LOGD("%s OUT\n", __FUNCTION__);
    return 0;
}

// Stops capture (no node function runs once this returns) and drops the engine's reference to
// the microphone; the camera object hands it over again before the next start.
void UVCPreview::stopAudioCapture(const char *caller) {
    LOGD_AS(mDebug, caller, "auxaStop IN\n");
    if (_AUXA_DEV *dev = mAudioDev.exchange(nullptr))
        AuxaStop(dev);
    LOGD_AS(mDebug, caller, "auxaStop OUT\n");
}

int UVCPreview::getAudioSamplerateList(int *out) {
    _AUXA_DEV *dev = mAudioDev;
    if (!dev) {
        LOGD("mAudioDev was NULL\n");
        return RESULT_NO_AUDIO_DEVICE;
    }
    if (!out) {
        LOGD("argument pointer was NULL\n");
        return RESULT_NULL_ARGUMENT;
    }
    unsigned *rates = nullptr;
    int count = 0;
    int result = AuxaGetSampleRateList(dev, &rates, &count);
    if (result != AUXA_OK) {
        LOGD("AuxaGetSampleRateList fail : %d\n", result);
        AuxaFreeSampleRateList(rates);
        return RESULT_RATE_LIST_FAILED;
    }
    out[0] = count;
    for (int i = 0; i < count; i++)
        out[i + 1] = (int)rates[i];
    AuxaFreeSampleRateList(rates);
    return 0;
}

void UVCPreview::setAudioSamplerate(int rate) {
    mSampleRate = rate;
    LOGD("set samplerate : %d\n", rate);
}

void UVCPreview::setForceAudioSamplerate(int rate) {
    mForceAudioSamplerete = rate;
    LOGD("mForceAudioSamplerete : %d\n", rate);
}

int UVCPreview::setAudioVolume(int volume) {
    int result = AuxaSetConfiguration(mAudioDev, AUXA_CONFIG_VOLUME, &volume);
    if (result != AUXA_OK)
        LOGD("AuxaSetConfiguration fail : %d\n", result);
    return result;
}

int UVCPreview::GetAudioSettings(int what) {
    switch (what) {
        case 1:
            return mSampleRate;
        case 2:
            return mChannel;
        case 3:
            return mBit;
        default:
            return -2;
    }
}

namespace {

// Sends a switch (one byte) and, when it is on, its levels to the processing node. The node
// exists only once StartAudio built the graph; before that nothing reaches the library.
int configure_processing(_AUXA_DEV *dev, CDataDistributor *node, int switchId, bool on,
                         std::initializer_list<std::pair<int, int>> levels) {
    if (!dev || !node)
        return AUXA_ERROR_INVALID_PARAMETER;
    uint8_t enable = on ? 1 : 0;
    int result = AuxaDstSetConfig(dev, node, switchId, &enable);
    if (on) {
        for (const std::pair<int, int> &level : levels)
            result = AuxaDstSetConfig(dev, node, level.first, &level.second);
    }
    return result;
}

}  // namespace

int UVCPreview::setAudioDenoise(bool on, int db) {
    LOGD("Set AudioDenoise bEnable : %d, db : %d\n", on, db);
    return configure_processing(mAudioDev, mDenoiseDst, AUXA_PROCESSING_DENOISE, on,
                                {{AUXA_PROCESSING_DENOISE_DB, db}});
}

int UVCPreview::setAudioEchocancel(bool on, int db, int activedb) {
    LOGD("setAudioEchocancel bEnable : %d, db : %d, activedb : %d\n", on, db, activedb);
    return configure_processing(
        mAudioDev, mDenoiseDst, AUXA_PROCESSING_ECHO_CANCEL, on,
        {{AUXA_PROCESSING_ECHO_DB, db}, {AUXA_PROCESSING_ECHO_ACTIVE_DB, activedb}});
}

int UVCPreview::setAudioDereverd(bool on) {
    LOGD("setAudioDereverd bEnable : %d\n", on);
    return configure_processing(mAudioDev, mDenoiseDst, AUXA_PROCESSING_DEREVERB, on, {});
}

int UVCPreview::setAudioAgc(bool on, int level) {
    LOGD("setAudioAgc bEnable : %d, level : %d\n", on, level);
    return configure_processing(mAudioDev, mDenoiseDst, AUXA_PROCESSING_AGC, on,
                                {{AUXA_PROCESSING_AGC_LEVEL, level}});
}

void UVCPreview::onAudioNodeData(void *user, unsigned char *data, int bytes, void *info) {
    static_cast<UVCPreview *>(user)->audioDataCallback(data, bytes, info);
}

// Runs on the USB audio library's thread: the block goes to the recorder while a
// video-and-audio recording runs and has written its first picture.
void UVCPreview::audioDataCallback(unsigned char *data, int bytes, void *info) {
    if (mDebug) {
        int count = ++mAudioCallbackCount;
        if (count % 500 == 1)
            LOGD("Audio callback cnt : %d\n", count);
    }
    if (!mIsRecording || mRecMode != RECORD_MODE_VIDEO_AUDIO || !info)
        return;
    int64_t timeUs = static_cast<const AuxaBlockInfo *>(info)->timestamp_us;
    if (write_audio_to_recorder(data, bytes, timeUs, true) != 0)
        LOGD("write_Buffer failed\n");
}

// Runs on the USB audio library's thread: a copy of the block with its two levels is queued
// for the volume callback.
void UVCPreview::onAudioNodeVolume(void *user, unsigned char *data, int bytes, void *info) {
    UVCPreview *engine = static_cast<UVCPreview *>(user);
    if (!info)
        return;
    const AuxaBlockInfo *levels = static_cast<const AuxaBlockInfo *>(info);
    engine->addAudioFrame(newAudioRawData(data, bytes, levels->rms, levels->peak));
}
