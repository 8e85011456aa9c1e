#include "band_decode.h"

#include <chrono>
#include <vector>

#include "decode_workers.h"
#include "jpeg_bands.h"
#include "thread_annotations.h"

namespace {

// Counts the bands of one picture as they are decoded; the picture's decoding thread waits
// for the last.
class BandLatch {
  public:
    explicit BandLatch(int count) : mLeft(count) {}
    void count_down(bool ok) {
        MutexLock lock(mMutex);
        mFailed = mFailed || !ok;
        if (--mLeft == 0)
            mDone.notify_all();
    }
    // True when every band decoded.
    bool wait() {
        MutexLock lock(mMutex);
        mDone.wait(mMutex, [this]() REQUIRES(mMutex) { return mLeft == 0; });
        return !mFailed;
    }

  private:
    Mutex mMutex;
    ConditionVariable mDone;
    int mLeft GUARDED_BY(mMutex);
    bool mFailed GUARDED_BY(mMutex) = false;
};

struct BandTask : DecodeTask {
    BandLatch *latch;
    const JpegBand *band;
    uint8_t *dst;
    int width, pitch, flags;
};

void decode_band(DecodeTask *task, tjhandle decoder) {
    BandTask *t = static_cast<BandTask *>(task);
    const JpegBand &band = *t->band;
    const bool ok = decoder && tjDecompress2(decoder, band.jpeg.data(), band.jpeg.size(),
                                             t->dst + (size_t)band.firstRow * t->pitch, t->width,
                                             t->pitch, band.rows, TJPF_RGBX, t->flags) == 0;
    t->latch->count_down(ok);
}

// Set while a thread decodes a frame's bands: a frame task it takes back meanwhile is decoded
// whole, as its bands would overwrite the ones being decoded.
thread_local bool t_inBands = false;

JpegDecode decode_bands(DecodeWorkers *workers, tjhandle decoder,
                        const std::vector<JpegBand> &bands, uint8_t *dst, int width, int pitch,
                        int flags) {
    BandTask tasks[DecodeWorkers::kMaxWorkers];
    const int count = (int)bands.size();
    t_inBands = true;
    BandLatch latch(count);
    for (int i = 0; i < count; i++) {
        tasks[i].run = decode_band;
        tasks[i].latch = &latch;
        tasks[i].band = &bands[i];
        tasks[i].dst = dst;
        tasks[i].width = width;
        tasks[i].pitch = pitch;
        tasks[i].flags = flags;
    }
    for (int i = 1; i < count; i++) {
        if (!workers->hand_over(&tasks[i]))
            decode_band(&tasks[i], decoder);
    }
    decode_band(&tasks[0], decoder);
    workers->run_unstarted(decoder);
    t_inBands = false;
    return latch.wait() ? JpegDecode::decoded : JpegDecode::failed;
}

std::vector<JpegBand> &thread_bands() {
    thread_local std::vector<JpegBand> bands;
    return bands;
}

}  // namespace

JpegDecoding::JpegDecoding(DecodeWorkers *workers, const uint8_t *jpeg, size_t bytes, int jpegWidth,
                           int jpegHeight, int width, int height)
    : mWorkers(workers),
      mJpeg(jpeg),
      mBytes(bytes),
      mJpegWidth(jpegWidth),
      mWidth(width),
      mHeight(height),
      mBands(thread_bands()) {
    // Bands are decoded at the frame's own size; a picture TurboJPEG scales goes in one piece.
    // A worker decodes whole frames beside the other workers: splitting them again brings
    // nothing.
    if (workers && workers->count() > 1 && !DecodeWorkers::on_worker() && !t_inBands &&
        jpegWidth <= width && jpegHeight <= height)
        mSplit = split_into_bands(jpeg, bytes, workers->count(), &mBands);
}

JpegDecode JpegDecoding::decode(tjhandle decoder, uint8_t *dst, int pitch, int flags) {
    if (mSplit == BandSplit::refused)
        return JpegDecode::refused;
    if (mSplit == BandSplit::split) {
        const int rowPitch = pitch ? pitch : mJpegWidth * tjPixelSize[TJPF_RGBX];
        return decode_bands(mWorkers, decoder, mBands, dst, mJpegWidth, rowPitch, flags);
    }
    const auto start = std::chrono::steady_clock::now();
    const int result =
        tjDecompress2(decoder, mJpeg, mBytes, dst, mWidth, pitch, mHeight, TJPF_RGBX, flags);
    if (mWorkers) {
        mWorkers->record_decode(std::chrono::duration_cast<std::chrono::microseconds>(
                                    std::chrono::steady_clock::now() - start)
                                    .count());
    }
    return result == 0 ? JpegDecode::decoded : JpegDecode::failed;
}
