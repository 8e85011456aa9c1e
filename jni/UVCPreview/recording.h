// One recording, from the recordStart that succeeds to the stop that ends it: this
// deliverable's encoder object with the library instance it came from, what stands behind the
// encoder (the media recorder's muxer and its picture buffer), and what its writes found. The
// destructor releases the encoder first, then what stands behind it. What differs between the
// deliverables is defined in the seam file that the deliverable's source list takes
// (UVCPreview_recorder_media.cpp or UVCPreview_recorder_omx.cpp).
#pragma once

#include <stdint.h>

#include <atomic>
#include <memory>

#include "UVCPreview.h"
#include "encoder.h"

// Where and how a recording writes, fixed when it starts.
struct RecordingTarget {
    const char *path;
    int width, height, fps;
    bool withAudio;
    int sampleRate, bits, channels;
    void *liveContext;  // the live connection to push to; null for a file
    ErrorNotifyCallback notify;
    long cameraId;
    bool debug;
};

class Recording {
  public:
    // This deliverable's encoder object; `inputFormat` is the colour format the hardware
    // encoder was set up for (the media recorder reports its own). Null when none is had.
    static std::unique_ptr<Recording> obtain(int inputFormat, bool debug);
    explicit Recording(Encoder encoder);
    ~Recording();
    Recording(const Recording &) = delete;
    Recording &operator=(const Recording &) = delete;

    RecorderObject *encoder() const { return mEncoder.get(); }
    // Init, and where the encoder reports it, the layout its pictures take (ENCODER_COLOR_*).
    int init(bool debug, std::atomic<int> &colorKind);
    // The error report, the live push and what stands behind the encoder.
    int configure(const RecordingTarget &target);
    // Writes one drawn picture; false when it must go back to its pool.
    bool write_picture(uvc_frame_t *frame, bool watermarked, int64_t timeUs, int colorKind);
    int write_sound(uint8_t *pcm, int bytes, int64_t timeUs) {
        return mEncoder->write_AudioBuffer(pcm, bytes, timeUs);
    }
    static const char *stop_failure_text();

    // The file refused a unit (a full disk, a file-size limit): the rest of the recording is
    // lost, which the application learns once, through the encoder's error class.
    void report_units_lost();
    bool units_lost() const { return mUnitsLost; }
    // Sound waits for the first picture.
    bool picture_written() const { return mPictureWritten; }
    void set_picture_written(bool written) { mPictureWritten = written; }

  private:
    struct Outputs;  // what stands behind this deliverable's encoder

    std::unique_ptr<Outputs> mOutputs;
    int mWidth = 0, mHeight = 0;
    bool mDebug = false;
    ErrorNotifyCallback mNotify = nullptr;
    long mCameraId = 0;
    std::atomic<bool> mUnitsLost{false};
    std::atomic<bool> mPictureWritten{false};
    // Declared last, so released first: the encoder's output thread has ended before anything
    // it reaches goes.
    Encoder mEncoder;
};
