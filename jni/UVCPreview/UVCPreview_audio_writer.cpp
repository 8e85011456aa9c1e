// Audio blocks: the volume queue with its thread, and the writer of the application's own
// sound to the recorder.
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "UVCPreview_audio.h"
#include "UVCPreview.h"
#include "logging.h"
#include "recording.h"
#include "timing.h"

namespace {

enum { RESULT_BAD_ARGUMENT = -2 };

}  // namespace

_AudioRawData *newAudioRawData(const uint8_t *data, int bytes, int valueA, int valueB) {
    if (bytes < 0 || (bytes > 0 && !data))
        return nullptr;
    _AudioRawData *block = (_AudioRawData *)calloc(1, sizeof(_AudioRawData));
    if (!block)
        return nullptr;
    block->data = (uint8_t *)malloc(bytes > 0 ? bytes : 1);
    if (!block->data) {
        free(block);
        return nullptr;
    }
    if (bytes > 0)
        memcpy(block->data, data, bytes);
    block->size = bytes;
    block->valueA = valueA;
    block->valueB = valueB;
    return block;
}

void freeAudioRawData(_AudioRawData *block) {
    if (!block)
        return;
    free(block->data);
    free(block);
}

int64_t audio_piece_duration_us(int channels, int rate, int bits) {
    int bytesPerSample = bits / 8;
    if (channels <= 0 || rate <= 0 || bytesPerSample <= 0)
        return -1;
    double pieceUs = 1000000.0 / ((double)channels * rate * bytesPerSample) * AUDIO_PIECE_BYTES;
    return (int64_t)((float)pieceUs + 0.5);
}

// A closed queue (no run) hands the block back; a full one drops its oldest block.
void UVCPreview::addAudioFrame(_AudioRawData *block) {
    _AudioRawData *out = mAudioFrames.put(block);
    if (!out)
        return;
    if (out != block) {
        const long dropped = mAudioFrames.dropped();
        if (dropped % 100 == 1)
            LOGD("audio queue full: %d blocks dropped\n", (int)dropped);
    }
    freeAudioRawData(out);
}

_AudioRawData *UVCPreview::waitAudioFrame() {
    return mAudioFrames.take();
}

void UVCPreview::clearAudioFrame() {
    for (_AudioRawData *block : mAudioFrames.take_all())
        freeAudioRawData(block);
}

void *UVCPreview::AudioRawThread(void *vptr_args) {
    static_cast<UVCPreview *>(vptr_args)->AudioRawDataThread();
    return nullptr;
}

// The volume callback runs here, on the engine's own thread, with no lock held.
void UVCPreview::AudioRawDataThread() {
    while (mIsRunning) {
        _AudioRawData *block = waitAudioFrame();
        if (!block)
            continue;
        block->in_use = 1;
        AudioVolumeCallback callback = mAudioVolumeCallback;
        if (callback)
            callback(mCameraID, (char *)block->data, block->size, block->valueA, block->valueB);
        freeAudioRawData(block);
    }
}

void UVCPreview::SetInternalAudio(bool on) {
    mInternalAudio = on;
}

void UVCPreview::SetRecType(int type) {
    mRecType = type;
}

void UVCPreview::SetAudioChannels(int channels) {
    mChannel = channels;
    LOGD("Set Channel : %d\n", channels);
}

void UVCPreview::SetAudioBit(int bit) {
    mBit = bit;
    LOGD("Set Bit : %d\n", bit);
}

// Writes through the recording's gate, so a recording being stopped is never written to. With
// `afterFirstPicture` the sound waits (0) until the recording has written its first picture.
int UVCPreview::write_audio_to_recorder(uint8_t *pcm, int bytes, int64_t timeUs,
                                        bool afterFirstPicture) {
    GatedSlot<Recording>::Pass pass(mRecording);
    Recording *recording = pass.get();
    if (!recording || !mIsRecording)
        return RESULT_BAD_ARGUMENT;
    if (afterFirstPicture && !recording->picture_written())
        return 0;
    return recording->write_sound(pcm, bytes, timeUs);
}

// Writes the application's PCM in pieces of 4096 bytes; each piece is stamped with the time
// the pieces before it take to play. Refuses (-2) a format with no channels, rate or bytes
// per sample, whose piece duration cannot be computed.
int UVCPreview::WriteAudioData(unsigned char *data, int bytes) {
    if (mDebug) {
        int count = ++mInternalAudioCount;
        if (count % 100 == 1)
            LOGD("internal Audio callback cnt : %d\n", count);
    }
    if (mRecMode != RECORD_MODE_VIDEO_AUDIO || !mIsRecording || bytes <= 0)
        return 0;
    if (!data)
        return RESULT_BAD_ARGUMENT;
    const int64_t step = audio_piece_duration_us(mChannel, mSampleRate, mBit);
    if (step < 0) {
        LOGE("audio format unset: channels %d, rate %d, bits %d\n", mChannel, mSampleRate, mBit);
        return RESULT_BAD_ARGUMENT;
    }
    int64_t timeUs = getcurtime();
    int result = 0;
    for (int64_t offset = 0; offset < bytes; offset += AUDIO_PIECE_BYTES) {
        int piece = (int)std::min<int64_t>(AUDIO_PIECE_BYTES, bytes - offset);
        result = write_audio_to_recorder(data + offset, piece, timeUs, false);
        if (result != 0)
            LOGD("write_Buffer failed\n");
        timeUs += step;
    }
    return result;
}
