// Pictures and sound from the application's feeding threads: converted, watermarked, stamped
// with the monotonic clock and handed to the encoder.
#include <libyuv.h>

#include <algorithm>

#include "StreamWrapper.h"
#include "UVCPreview_audio.h"
#include "logging.h"
#include "timing.h"

namespace {

// Pictures offered to any streamer of the process.
std::atomic<int> num1(0);

}  // namespace

int StreamWrapper::videoDataCallback(const uint8_t *picture, int length) {
    int before = num1.fetch_add(1);
    if (before % 100 == 0)
        LOGE("videoDataCallback, num1=[%d]\n", before + 1);
    if (!mRunning)
        return STREAM_NOT_STARTED;
    if (!picture) {
        LOGE("picture is null\n");
        return STREAM_BAD_ARGUMENT;
    }
    WriteGate::Pass pass(mGate);
    if (!pass.admitted())
        return STREAM_NOT_STARTED;
    int64_t needed = (int64_t)mActive.width * mActive.height * 3 / 2;
    if (length < needed) {
        LOGE("picture of %d bytes dropped, %d x %d needs %lld\n", length, mActive.width,
             mActive.height, (long long)needed);
        return STREAM_BAD_ARGUMENT;
    }
    // Both watermarks are taken before the picture lock, so no two locks are ever held.
    Watermark system = takeWatermark(mWatermark);
    Watermark user = takeWatermark(mUserWatermark);
    MutexLock lock(mIntakeMutex);
    convertPicture(picture, system, user);
    int result = writePicture(mYuvBuf, getcurtime());
    if (result != 0)
        LOGE("write_Buffer failed\n");
    return result;
}

// Format 21 takes Cb before Cr, format 19 is planar. Both are reached through R, G, B, A bytes,
// the order the watermark pictures have.
void StreamWrapper::convertPicture(const uint8_t *in, const Watermark &system,
                                   const Watermark &user) {
    int w = mActive.width, h = mActive.height;
    uint8_t *work = mWorkPicture, *out = mYuvBuf;
    libyuv::NV21ToABGR(in, w, in + (size_t)w * h, w, work, w * 4, w, h);
    addWatermark(work, system, user);
    uint8_t *chroma = out + (size_t)w * h;
    if (mColorFormat == 19) {
        libyuv::ABGRToI420(work, w * 4, out, w, chroma, w / 2, chroma + (size_t)(w / 2) * (h / 2),
                           w / 2, w, h);
    } else if (isGalaxtGrandDevice()) {
        // This device's encoder reads the chroma pairs Cr first.
        libyuv::ABGRToNV21(work, w * 4, out, w, chroma, w, w, h);
    } else {
        libyuv::ABGRToNV12(work, w * 4, out, w, chroma, w, w, h);
    }
}

int StreamWrapper::audioDataCallback(const uint8_t *samples, int count) {
    if (!mRunning)
        return STREAM_NOT_STARTED;
    if (count <= 0)
        return 0;
    if (!samples) {
        LOGE("samples are null, count : %d\n", count);
        return STREAM_BAD_ARGUMENT;
    }
    WriteGate::Pass pass(mGate);
    if (!pass.admitted())
        return STREAM_NOT_STARTED;
    if (mActive.recMode != RECORD_MODE_VIDEO_AUDIO)
        return 0;
    int64_t step = audio_piece_duration_us(mActive.channels, mActive.sampleRate, mActive.bits);
    int64_t timeUs = getcurtime();
    int result = 0;
    for (int64_t offset = 0; offset < count; offset += AUDIO_PIECE_BYTES) {
        int piece = (int)std::min<int64_t>(count - offset, AUDIO_PIECE_BYTES);
        int written = writeSound((uint8_t *)samples + offset, piece, timeUs);
        if (written != 0) {
            LOGE("write_Buffer failed\n");
            result = written;
        }
        timeUs += step;
    }
    return result;
}
