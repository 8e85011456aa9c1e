// Decoding of one MJPEG frame into a picture: split into bands over the calling thread and the
// decode workers when the frame carries restart markers, else in one piece on the calling thread
// (timed, so that the preview thread can tell when one core no longer keeps up).
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <turbojpeg.h>

#include <vector>

#include "jpeg_bands.h"

class DecodeWorkers;

enum class JpegDecode {
    decoded,
    failed,   // TurboJPEG's error text says why
    refused,  // restart markers missing or misnumbered
};

// One MJPEG frame (jpegWidth x jpegHeight) decoded at most width x height, as tjDecompress2
// does. The frame is split into bands when it is made; `workers` may be null: one piece.
class JpegDecoding {
  public:
    JpegDecoding(DecodeWorkers *workers, const uint8_t *jpeg, size_t bytes, int jpegWidth,
                 int jpegHeight, int width, int height);
    // Whether the frame's restart markers make it unusable: nothing need be prepared for it.
    bool refused() const { return mSplit == BandSplit::refused; }
    // Decodes into `dst`, rows `pitch` bytes apart (0: packed).
    JpegDecode decode(tjhandle decoder, uint8_t *dst, int pitch, int flags);

  private:
    DecodeWorkers *const mWorkers;
    const uint8_t *const mJpeg;
    const size_t mBytes;
    const int mJpegWidth, mWidth, mHeight;
    BandSplit mSplit = BandSplit::whole;
    std::vector<JpegBand> &mBands;  // the calling thread's, kept from frame to frame
};
