// The H.264 path: the decoder fed by the streaming loop, and the output thread that turns its
// pictures into R, G, B, X frames for capture and drawing.
#include <libyuv.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>

#include "UVCPreview.h"
#include "logging.h"
#include "timing.h"

namespace {

// Decoder output layouts the output thread converts.
const int DECODER_FORMAT_PLANAR = 19;      // Y, then Cb, then Cr planes
const int DECODER_FORMAT_SEMIPLANAR = 21;  // Y, then interleaved Cb, Cr pairs
// A failed decoder restart is tried again at most this often.
const int RESTART_RETRY_MS = 250;
// Pause before asking the exhausted converted pool again.
const int POOL_RETRY_MS = 10;
const int NAP_MS = 10;

// Whether an Annex B access unit holds an IDR slice (NAL unit type 5), from which the decoder
// can start without earlier pictures.
bool holds_key_frame(const uint8_t *data, size_t bytes) {
    for (size_t i = 0; i + 3 < bytes; i++) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && (data[i + 3] & 0x1f) == 5)
            return true;
    }
    return false;
}

}  // namespace

void *UVCPreview::H264GetData(void *vptr_args) {
    PreviewRun *run = static_cast<PreviewRun *>(vptr_args);
    run->engine->H264GetDataThread(run->mDecoder);
    return nullptr;
}

// Sleeps up to `ms` in short steps, returning early once the engine stops.
void UVCPreview::nap_while_running(int ms) {
    for (int slept = 0; slept < ms && mIsRunning; slept += NAP_MS)
        usleep(NAP_MS * 1000);
}

bool UVCPreview::start_decoder(PreviewRun &run) {
    RunDecoder &decoder = run.mDecoder;
    decoder.object = take_library_object<LibMediaDecoder>(
        [](LibMediaDecoder *library) { return library->getMediaDecoder(); });
    if (!decoder.object) {
        LOGD("mMediaDecoderWrapper->Start failed\n");
        return false;
    }
    if (mDebug) {
        decoder.object->SetDebug(1);
        LOGD("MediaDecoder Version : %s\n", decoder.object->GetVersion());
    }
    decoder.object->Init();
    if (decoder.object->Start(mWidth, mHeight) != 0) {
        LOGD("mMediaDecoderWrapper->Start failed\n");
        return false;
    }
    if (run.mH264GetdataThread.start(H264GetData, &run) != 0) {
        LOGD("H.264 output thread could not be created");
        return false;
    }
    return true;
}

// The decoder did not start: nothing is decoded or drawn. The preview thread waits for
// stopPreview and then stops the camera's stream as after any run, so the camera's thread never
// calls into the engine once it is deleted.
void UVCPreview::halt_after_decoder_failure() {
    ErrorNotifyCallback notify = mErrorNotifyCallback;
    if (notify)
        notify(mCameraID, 1, -13, (char *)"failed to start H.264 decoder.");
    mPreviewMutex.lock();
    while (mIsRunning)
        mPreviewSync.wait(mPreviewMutex);
    mPreviewMutex.unlock();
}

// Frames that arrive while the decoder restarts are dropped, and the restarted decoder waits
// for the next key frame. Every other accepted frame is fed, also after a lost one: the
// decoder conceals what it lacks until the next key frame, where holding frames back would
// freeze the picture for a whole key-frame interval.
void UVCPreview::feed_decoder(uvc_frame_t *frame, RunDecoder &decoder) {
    uint8_t *data = static_cast<uint8_t *>(frame->data);
    const bool restarting = decoder.restarting;
    if (restarting)
        decoder.awaitsKeyFrame = true;
    else if (decoder.awaitsKeyFrame && holds_key_frame(data, frame->data_bytes))
        decoder.awaitsKeyFrame = false;
    if (!restarting && !decoder.awaitsKeyFrame)
        decoder.object->PutData(data, (int)frame->data_bytes);
    freeSharedFrameRaw(frame);
}

// Stop, Release, Reset, Init and Start on the same decoder object; the streaming loop feeds
// nothing meanwhile. True when the decoder runs again.
bool UVCPreview::restart_decoder(RunDecoder &decoder) {
    decoder.restarting = true;
    MediaDecoder *object = decoder.object.get();
    object->Stop();
    object->Release();
    object->Reset();
    object->Init();
    int result = object->Start(mWidth, mHeight);
    if (result != 0) {
        LOGD("mMediaDecoderWrapper->Start error : %d\n", result);
        return false;
    }
    decoder.restarting = false;
    return true;
}

// libyuv's "ABGR" pictures are the bytes R, G, B, A: with the Cb plane as U they come out in
// the camera's colours, fourth byte 255.
int UVCPreview::convert_decoded(const uint8_t *work, int format, uvc_frame_t *frame) {
    const int w = mWidth, h = mHeight;
    const uint8_t *chroma = work + (size_t)w * h;
    uint8_t *out = static_cast<uint8_t *>(frame->data);
    if (format == DECODER_FORMAT_PLANAR) {
        const uint8_t *cr = chroma + (size_t)(w / 2) * (h / 2);
        return libyuv::I420ToABGR(work, w, chroma, w / 2, cr, w / 2, out, w * 4, w, h);
    }
    return libyuv::NV12ToABGR(work, w, chroma, w, out, w * 4, w, h);
}

// Fills a picture with the watermark image as far as the image reaches.
void UVCPreview::fill_with_watermark(uvc_frame_t *frame) {
    MutexLock lock(mWatermarkMutex);
    if (mWatermark_buf) {
        const int64_t imageBytes =
            std::max<int64_t>(0, (int64_t)mWatermarkWidth * mWatermarkHeight * 4);
        const size_t bytes = (size_t)std::min<int64_t>(
            {(int64_t)frame->data_bytes, imageBytes, (int64_t)WATERMARK_BUFFER_BYTES});
        memcpy(frame->data, mWatermark_buf, bytes);
    }
}

void UVCPreview::H264GetDataThread(RunDecoder &decoder) {
    LOGE("mWidth : %d, mHeight : %d\n", mWidth.load(), mHeight.load());
    const int pictureBytes = mWidth * mHeight * 4;
    uint8_t *work = static_cast<uint8_t *>(malloc(pictureBytes));
    if (!work) {
        LOGE("no work buffer of %d bytes\n", pictureBytes);
        return;
    }
    // Asked whatever the debug flag: the decoder may settle its output format on this call.
    MediaDecoder *object = decoder.object.get();
    const int colorFormat = object->GetColorFormat();
    LOGD("Decoder colorFormat : 0x%x\n", colorFormat);

    bool restartedOnce = false;
    int64_t lastRestartUs = 0;
    while (mIsRunning) {
        // No data reaches a decoder whose restart failed, so no format report would come to
        // trigger the next attempt: the thread tries again itself, at a bounded rate.
        if (decoder.restarting) {
            nap_while_running(RESTART_RETRY_MS - (int)((getcurtime() - lastRestartUs) / 1000));
            if (!mIsRunning)
                break;
            restartedOnce = restart_decoder(decoder);
            lastRestartUs = getcurtime();
            continue;
        }
        uvc_frame_t *frame = getSharedFrameConv();
        if (!frame) {
            LOGD("uvc_allocate_frame failed\n");
            nap_while_running(POOL_RETRY_MS);
            continue;
        }
        frame->width = mWidth;
        frame->height = mHeight;
        frame->data_bytes = pictureBytes;

        int ignored = 0;
        const int format = object->GetDecodeData(work, &ignored, pictureBytes);
        if (format < 0) {
            LOGD("GetDecodeData failed : %d\n", format);
            freeSharedFrameConv(frame);
            continue;
        }
        if (format == DECODER_FORMAT_PLANAR || format == DECODER_FORMAT_SEMIPLANAR) {
            int result = convert_decoded(work, format, frame);
            if (result != 0) {
                LOGD("NV21ToARGB failed : %d\n", result);
                freeSharedFrameConv(frame);
                continue;
            }
        } else {
            LOGD("returned colorformat : 0x%x\n", format);
            if (!restartedOnce) {
                restartedOnce = restart_decoder(decoder);
                lastRestartUs = getcurtime();
                freeSharedFrameConv(frame);
                continue;
            }
            fill_with_watermark(frame);
        }

        if (mCaptureRequest == 1)
            serve_capture_request(frame);
        addDrawFrame(frame);
    }
    free(work);
    LOGD("exit %s\n", "H264GetDataThread");
}

// Runs after the preview and output threads were joined: no PutData or GetDecodeData can be in
// flight on the decoder any more.
void UVCPreview::release_decoder(RunDecoder &decoder) {
    decoder.object.reset(true);
    LOGD("MediaDecoder Released\n");
}
