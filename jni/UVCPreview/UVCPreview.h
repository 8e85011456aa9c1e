// The per-camera preview engine. One class, split over files by concern:
//   UVCPreview.cpp            construction, destruction, small setters and state accessors
//   UVCPreview_lifecycle.cpp  startPreview, stopPreview, the preview thread and streaming loop
//   UVCPreview_negotiation.cpp stream negotiation and the diagnostic array
//   UVCPreview_frames.cpp     frame pools, the frame callback and the preview queue
//   UVCPreview_draw.cpp       preview surface, conversion, draw queue and draw thread
//   UVCPreview_capture.cpp    capture surface and capture buffer
//   UVCPreview_rawdata.cpp    raw-frame queue and the raw-frame callback thread
//   UVCPreview_still.cpp      still trigger, still buffer and still resolutions
//   UVCPreview_still_threads.cpp the still command and still write threads
//   UVCPreview_controls.cpp   camera controls and extension-unit messages
//   UVCPreview_record.cpp     recording settings, start, stop, pause, the draw thread's step
//   recording.h               one recording's encoder and what stands behind it
//   UVCPreview_recorder_media.cpp / UVCPreview_recorder_omx.cpp  what differs between the
//                             deliverables (media recorder and muxer, or the RGBX encoder);
//                             each deliverable's source list takes one of the two
//   UVCPreview_livestream.cpp the live-stream connection, its statistics and settings
//   UVCPreview_watermark.cpp  watermarks blended into recorded pictures
//   UVCPreview_h264.cpp       the H.264 decoder and its output thread
// Still image, camera controls and audio add their own files.
#pragma once

#include <android/native_window.h>
#include <auxa_lumivo.h>
#include <libuvc/libuvc.h>
#include <pthread.h>
#include <stdint.h>
#include <turbojpeg.h>

#include <atomic>
#include <functional>
#include <memory>

#include "ObjectArray.h"
#include "bounded_queue.h"
#include "gated_slot.h"
#include "frame_pool.h"
#include "lifecycle_turn.h"
#include "live_connection.h"
#include "preview_run.h"
#include "still_exchange.h"
#include "thread_annotations.h"

struct _AudioRawData;
class Recording;

// Callbacks into the application; the first argument is always the camera id.
typedef void (*AudioVolumeCallback)(long cameraId, char *data, int size, int valueA, int valueB);
typedef void (*StillTriggerCallback)(long cameraId, char *data, int size, int kind);
typedef void (*FirstPreviewCallback)(long cameraId);
typedef void (*RawdataCallback)(long cameraId, char *data, int size);
typedef void (*ErrorNotifyCallback)(long cameraId, long kind, int code, char *text);

// How MJPEG frames are decoded: as measured (one thread while one core keeps up and a frame has
// no restart markers), always in one piece on one thread, or always whole frames side by side.
enum class DecodeChoice { measured, oneThread, sideBySide };

// Camera-library converter used by the drawing path (uvc_any2rgbx and the like).
typedef uvc_error_t (*FrameConverter)(uvc_frame_t *in, uvc_frame_t *out);

// Stream format codes.
enum {
    PIXEL_FORMAT_YUYV = 3,
    PIXEL_FORMAT_MJPEG = 9,
    PIXEL_FORMAT_H264 = 13,
};

#define DIAG_DATA_COUNT 1021
// Every watermark picture buffer holds a full-HD picture, so later pictures need no
// reallocation.
const int WATERMARK_BUFFER_BYTES = 1920 * 1080 * 4;
#define CONTROL_LIST_COUNT 32
// Pictures the draw and raw-frame queues hold; a picture beyond them goes back to its pool.
const size_t MAX_QUEUED_PICTURES = 2;

// The application's pending capture: its buffer while it waits, and the outcome.
struct CaptureBuffer {
    int32_t capture_bytes;
    char *buffer;
    uint8_t buffer_small;
    int32_t buffer_size;
};

// Bytes of a width x height picture, formed in 64 bits so that no size can overflow.
inline int64_t picture_bytes(int width, int height, int pixelBytes) {
    return (int64_t)width * height * pixelBytes;
}

// Copies a converted picture into a native window; 0, or -1 when the window cannot be locked.
int copyToSurface(uvc_frame_t *frame, ANativeWindow **window);

class UVCPreview {
  public:
    explicit UVCPreview(uvc_device_handle_t *devh);
    ~UVCPreview();
    UVCPreview(const UVCPreview &) = delete;
    UVCPreview &operator=(const UVCPreview &) = delete;

    // --- lifecycle (UVCPreview_lifecycle.cpp) ---
    int startPreview();
    int stopPreview();
    int CameraIsRunning();
    int getStartStatus();
    int isCallbackRunning();

    // --- small setters and accessors (UVCPreview.cpp) ---
    static const char *getLastErr();
    void setfunction(StillTriggerCallback fn);
    void setDebug(bool debug);
    void setVIDPID(int vid, int pid);
    void SetCameraID(long id);
    long getCameraID();
    void SetErrorNotifyCallback(ErrorNotifyCallback fn);
    void setFirstPreviewCallback(FirstPreviewCallback fn);
    void setAudioObject(_AUXA_DEV *dev);
    void setRecMode(int mode);

    // --- negotiation (UVCPreview_negotiation.cpp) ---
    void set_UVC_Resolution(int pixelFormat, int width, int height, int frame);
    int get_UVC_DiagData(int *out);
    int getCurrentResolutionIdx();

    // --- drawing (UVCPreview_draw.cpp) ---
    int setPreviewDisplay(ANativeWindow *window);
    void clearDisplay();
    double getviewFPS();

    // --- capture (UVCPreview_capture.cpp) ---
    int get_capture_buffer(char *data, int *info, int size);
    int setCaptureDisplay(ANativeWindow *window);
    void clearCaptureFrame();

    // --- raw frames (UVCPreview_rawdata.cpp) ---
    void SetRawdataCallback(RawdataCallback fn);

    // --- still image (UVCPreview_still.cpp) ---
    int getCameraStillResolution(int *list);
    void setStillResolutionIndex(int index, int width, int height);

    // --- camera controls (UVCPreview_controls.cpp) ---
    int getUVCControlStatus();
    int getEnableControl(int *it, int *pu);
    int setUVCCameraInputTerminalControl(int index, int value);
    void getUVCCameraInputTerminalControl(int index, int *value);
    int setUVCCameraProcessingUnitControl(int index, int value);
    void getUVCCameraProcessingUnitControl(int index, int *value);
    int Set_pantilt_rel(int *args);
    int sendExtensionMsg(int bmRequestType, int bRequest, int wValue, int wIndex,
                         unsigned char *data, int wLength);
    int recvExtensionMsg(int bmRequestType, int bRequest, int wValue, int wIndex,
                         unsigned char *data, int wLength);
    void setSDKVersion(int version);

    // --- audio (UVCPreview_audio.cpp) ---
    void setAudioVolumeCallback(AudioVolumeCallback fn);
    int StartAudio();
    int getAudioSamplerateList(int *out);
    void setAudioSamplerate(int rate);
    void setForceAudioSamplerate(int rate);
    int setAudioVolume(int volume);
    int GetAudioSettings(int what);
    int setAudioDenoise(bool on, int db);
    int setAudioEchocancel(bool on, int db, int activedb);
    int setAudioDereverd(bool on);
    int setAudioAgc(bool on, int level);

    // --- audio frames and writer (UVCPreview_audio_writer.cpp) ---
    void SetInternalAudio(bool on);
    void SetRecType(int type);
    void SetAudioChannels(int channels);
    void SetAudioBit(int bit);
    int WriteAudioData(unsigned char *data, int bytes);

    // --- recording (UVCPreview_record.cpp and the deliverable's recorder file) ---
    void setVideoFPS(int fps);
    void setVideoBitrate(int bitrate);
    void RecVideoOnly(bool videoOnly);
    void setTLinkMode(int mode);
    char *getTLinkUrl();
    void setTlinkWaitTime(int ms);
    int SetRecording(unsigned char *data);
    int recordStart(bool watermark, const char *path);
    int recordStop();
    int getRecordState();
    void pauseStreaming();
    void resumeStreaming();

    // --- live stream (UVCPreview_livestream.cpp) ---
    static void onTlinkRuntimeError(void *context, int code, int err, void *engine);
    double getTransmission_sec();
    double getAudioTransmission();
    double getVideoTransmission();
    int getAudioDropFrame();
    int getVideoDropFrame();
    int SetTlinkLogLevel(int level);
    void setTlinkDeblock(int deblock);
    void setIframeInterval(unsigned int interval);

    // --- watermarks (UVCPreview_watermark.cpp) ---
    int SetWatermarkInit(int width, int height, int x, int y, int mode);
    int SetWatermarkBuf(unsigned char *data, int size);
    int SetUserWatermarkInit(int width, int height, int x, int y, int mode);
    int SetUserWatermarkBuf(unsigned char *data, int size);
    int SetUserWatermarkXY(int x, int y);
    int SetWatermark1(unsigned char *data, int size);
    void addWaterMark(uvc_frame_t *frame);

  private:
    // A start, stop, record, pause or resume asked for from a callback or an engine thread,
    // which must not wait for the engine's threads: the finisher runs it once the caller has
    // returned. 0: the operation is under way.
    int finish_later(std::function<void()> operation);
    void end_run(PreviewRun &run, bool wasRunning);

    // Thread bodies: plain functions with the engine as argument.
    static void *preview_thread_func(void *vptr_args);
    static void *draw_thread_func(void *vptr_args);
    static void *JavaCallbackThread(void *vptr_args);
    static void uvc_preview_frame_callback(uvc_frame_t *frame, void *vptr_args);

    // Preview thread.
    int prepare_preview(uvc_stream_ctrl_t *ctrl);
    void do_preview(uvc_stream_ctrl_t *ctrl, PreviewRun &run);
    void serve_capture_request(uvc_frame_t *frame);
    // A picture's way on in camera order: the capture request, then the draw queue.
    void hand_on_picture(uvc_frame_t *picture, bool decoded);
    // A decode worker's task: one camera frame decoded into a picture and handed on.
    static void decode_frame_task(DecodeTask *task, tjhandle decoder);

    // Frame pools and the preview queue.
    size_t pool_frame_bytes() const { return picture_bytes(mWidth, mHeight, 4); }
    void init_sharedframe();
    void clearSharedFrame();
    // The pool helpers' lines carry the calling operation's name.
    void recycleSharedFrames();
    void fill_pool(FramePool &pool, const char *caller);
    uvc_frame_t *take_pool_frame(FramePool &pool, const char *caller);
    uvc_frame_t *getSharedFrameRaw();
    uvc_frame_t *getSharedFrameConv();
    void freeSharedFrameRaw(uvc_frame_t *frame);
    void freeSharedFrameConv(uvc_frame_t *frame);
    void addPreviewFrame(uvc_frame_t *frame);
    uvc_frame_t *waitPreviewFrame();
    void clearPreviewFrame();

    // Drawing.
    uvc_frame_t *draw_preview_one(uvc_frame_t *frame, ANativeWindow **window,
                                  FrameConverter converter, int pixelBytes);
    uvc_frame_t *decode_mjpeg(uvc_frame_t *frame, uvc_frame_t *converted, int pixelBytes,
                              tjhandle decoder);
    // MJPEG and YUYV frames that only the preview window reads are handed to the draw thread
    // unconverted and converted straight into the window buffer (UVCPreview_draw.cpp).
    bool pass_unconverted(const uvc_frame_t *frame, FrameConverter converter) const;
    // A raw-frame callback, a recording or a capture request reads pictures after the window,
    // so they are decoded into converted-pool frames.
    bool readers_after_window() const {
        return mRawdataCallback || mIsRecording || mCaptureRequest == 1;
    }
    bool draw_camera_frame(uvc_frame_t *frame);
    uvc_frame_t *picture_of_camera_frame(uvc_frame_t *frame);
    uvc_frame_t *decode_to_pool_frame(uvc_frame_t *frame, tjhandle decoder, int pixelBytes);
    uvc_frame_t *convert_to_pool_frame(uvc_frame_t *frame, FrameConverter converter);
    void count_shown_picture();
    void add_bounded(BoundedQueue<uvc_frame_t *> &queue, uvc_frame_t *frame);
    // Opens the run's queues as it starts, closes them (waking their threads) as it ends.
    void open_queues(bool open);
    void addDrawFrame(uvc_frame_t *frame);
    uvc_frame_t *waitDrawFrame();
    void clearDrawFrame();
    void draw_screen();

    // Audio: node functions of the USB audio library, the audio queue and its thread.
    static void onAudioNodeData(void *user, unsigned char *data, int bytes, void *info);
    static void onAudioNodeVolume(void *user, unsigned char *data, int bytes, void *info);
    void audioDataCallback(unsigned char *data, int bytes, void *info);
    int choose_capture_rate();
    // Stops the microphone's stream; the lines carry the calling operation's name.
    void stopAudioCapture(const char *caller);
    int write_audio_to_recorder(uint8_t *pcm, int bytes, int64_t timeUs, bool afterFirstPicture);
    void addAudioFrame(_AudioRawData *block);
    _AudioRawData *waitAudioFrame();
    void clearAudioFrame();
    static void *AudioRawThread(void *vptr_args);
    void AudioRawDataThread();
    friend class UVCPreviewAudioAccess;

    // Recording: the shared sequence (UVCPreview_record.cpp) and the steps the deliverable's
    // recorder file supplies.
    int recorder_check_prepared();
    int end_recording(bool force);
    int livestream_connect(const char *url);
    int livestream_stop();
    static void Lumivo_ErrorNotifyCallback(UVCPreview *engine, int code, int err);
    void finish_recording();
    bool record_picture(uvc_frame_t *frame);

    // H.264 decode path.
    static void *H264GetData(void *vptr_args);
    void H264GetDataThread(RunDecoder &decoder);
    bool start_decoder(PreviewRun &run);
    void halt_after_decoder_failure();
    void feed_decoder(uvc_frame_t *frame, RunDecoder &decoder);
    bool restart_decoder(RunDecoder &decoder);
    int convert_decoded(const uint8_t *work, int format, uvc_frame_t *frame);
    void fill_with_watermark(uvc_frame_t *frame);
    void nap_while_running(int ms);
    void release_decoder(RunDecoder &decoder);

    // Raw-frame queue and thread.
    void addRawdataFrame(uvc_frame_t *frame);
    uvc_frame_t *waitRawdataFrame();
    void clearRawdataFrame();
    void RawdataCallbackThread();

    // Still image.
    static void uvc_Interrupt_callback(enum uvc_status_class status_class, int event, int selector,
                                       enum uvc_status_attribute status_attribute, void *data,
                                       size_t data_len, void *vptr_args);
    static void *still_cmd_thread(void *vptr_args);
    static void *StillWriteThread(void *vptr_args);
    void reset_still_state();
    bool prepare_still();
    void start_still_threads(PreviewRun &run);
    int allocate_StillImageBuf();
    void Still_send_thread();
    void deliver_still(uint8_t *still, int size, int width, int height, uvc_frame_t *yuyv,
                       uvc_frame_t *converted);
    void StillFileWriteThread();

    // --- members, in this order ---
    std::atomic<AudioVolumeCallback> mAudioVolumeCallback;
    std::atomic<StillTriggerCallback> mStillTriggerCallback;
    std::atomic<FirstPreviewCallback> mFirstPreviewCallback;
    std::atomic<RawdataCallback> mRawdataCallback;
    std::atomic<ErrorNotifyCallback> mErrorNotifyCallback;
    uvc_device_handle_t *mDeviceHandle;  // not owned: the camera object closes it
    ANativeWindow *mPreviewWindow GUARDED_BY(mPreviewMutex);
    std::atomic<bool> mIsRunning;
    // Presses and stills between the camera's threads and the run's still threads.
    StillExchange mStills{mIsRunning};
    // The negotiated request and the wish below are written by the preview thread and Java
    // setters and read by Java queries, the capture check and the converters.
    std::atomic<int> mRequestWidth, mRequestHeight;
    int mRequestFrame;
    int mFrameWidth, mFrameHeight;
    int mFrameBytes;
    // Guards mPreviewWindow, the start and end of the preview thread and the held resolution
    // wish; mPreviewSync wakes a preview thread that waits for the stop.
    Mutex mPreviewMutex;
    ConditionVariable mPreviewSync;
    // The one camera frame between the frame callback and the streaming loop.
    BoundedQueue<uvc_frame_t *> mPreviewFrames;
    int mPreviewWindowFormat;
    int mPreviewBytes;
    bool mIsCapturing;
    ANativeWindow *mCaptureWindow GUARDED_BY(mCaptureMutex);
    pthread_t mCaptureThread;  // never started
    // Guards mCaptureWindow and mCaptureFrame.
    Mutex mCaptureMutex;
    ConditionVariable mCaptureSync;
    uvc_frame_t *mCaptureFrame GUARDED_BY(mCaptureMutex);
    std::atomic<int> mPixelFormat;
    int mDiagData[DIAG_DATA_COUNT];
    std::atomic<int> mWidth, mHeight;
    std::atomic<int> mFrameIndex;
    // mCapBufMutex guards mcap_buf, mCaptureTicket and changes of mCaptureRequest.
    ConditionVariable mCapBufSync;
    Mutex mCapBufMutex;
    CaptureBuffer mcap_buf GUARDED_BY(mCapBufMutex);
    unsigned mCaptureTicket GUARDED_BY(mCapBufMutex) = 0;  // number of the newest request
    std::atomic<int> mCaptureRequest;
    std::atomic<int> mStartStatus;
    std::atomic<bool> mCallbackRunning;
    std::atomic<bool> mDebug;
    tjhandle _jpegDecompressor;
    // The draw thread's own decoder for the frames handed to it undecoded: a TurboJPEG handle
    // serves one thread at a time. Created and destroyed with _jpegDecompressor.
    tjhandle mDrawJpegDecompressor;
    // The running MJPEG stream's decode workers (its run owns them), null without; set by the
    // preview thread before it streams, cleared once the preview and draw threads ended.
    std::atomic<DecodeWorkers *> mDecodeWorkers{nullptr};
    // Set by tests and benchmarks only; the product always measures.
    std::atomic<DecodeChoice> mDecodeChoice{DecodeChoice::measured};
    // Pictures on their way to the draw thread.
    BoundedQueue<uvc_frame_t *> mDrawFrames;
    std::atomic<int> mViewCount;
    std::atomic<bool> mIsRecording;
    // The running or paused recording, installed and taken under mLifecycle's turn; the draw
    // and audio threads write into it through the slot's gate, so it never ends under a write.
    GatedSlot<Recording> mRecording;
    // The input colour format SetRecording chose where the deliverable asks its encoder; 0
    // where the recorder reports its own when it starts.
    int mEncoderInputFormat = 0;
    int mEncoderConfigured;
    std::atomic<int> mEncoderColorFormat;
    std::atomic<bool> mRecWatermark;
    int m_VideoFPS, m_VideoBitrate;
    // Handed over by the camera object before a start, dropped at a stop; read by any native.
    std::atomic<_AUXA_DEV *> mAudioDev;
    int mSampleRate, mBit, mChannel;
    std::atomic<int> mRecMode;  // set by Java, read by the audio threads
    int mSDKVersion;
    // Control status cache: supported-control bitmaps and their bit lists.
    uint32_t mCtControls;
    uint16_t mPuControls;
    int mEnableIT[CONTROL_LIST_COUNT];
    int mEnablePU[CONTROL_LIST_COUNT];
    std::atomic<int> mStillIndex;
    int mVid, mPid;
    // Watermark pictures. Sizes, positions and modes are set from Java threads and read by the
    // draw thread without the mutexes, hence atomics.
    Mutex mWatermarkMutex, mUserWatermarkMutex;
    uint8_t *mWatermark_buf GUARDED_BY(mWatermarkMutex);
    std::atomic<int> mWatermarkWidth, mWatermarkHeight, mWatermarkX, mWatermarkY, mWatermarkMode;
    uint8_t *mUserWatermark_buf GUARDED_BY(mUserWatermarkMutex);
    std::atomic<int> mUserWatermarkWidth, mUserWatermarkHeight, mUserWatermarkX, mUserWatermarkY,
        mUserWatermarkMode;
    uint8_t *mWatermark1 GUARDED_BY(mWatermarkMutex);
    std::atomic<int> mStillPixfmt, mStillWidth, mStillHeight;
    bool mVideoOnly;
    // Microphone blocks on their way to the audio writer thread; the oldest make room.
    BoundedQueue<_AudioRawData *> mAudioFrames;
    // Copies of camera frames, and converted or decoded pictures. Their frame size changes only
    // while no stream runs.
    FramePool mSharedFrame_raw, mSharedFrame_conv;
    std::atomic<int> mRecType;
    bool mFirstPreviewNotified;  // draw thread only
    bool mInternalAudio;
    std::atomic<int> mStillMethod;
    // Drawn pictures on their way to the raw-frame callback thread.
    BoundedQueue<uvc_frame_t *> mRawdataFrames;
    std::atomic<long> mCameraID;
    // The connection of a live recording.
    LiveConnection mLive;
    int m_TlinkWaitTime;
    int mTlinkMode;
    CDataDistributor *mDenoiseDst;
    int mDeBlock;
    unsigned int mIframe_Interval;
    int mForceAudioSamplerete;

    // Audio call counters for the thinned debug lines.
    std::atomic<int> mAudioCallbackCount{0};
    std::atomic<int> mInternalAudioCount{0};

    // A resolution asked for while the preview thread exists (until it has left its last
    // statement, also while a stop joins it); applied by the next startPreview.
    // Guarded by mPreviewMutex.
    bool mPreviewThreadAlive;
    bool mResolutionPending;
    int mPendingResolution[4];

    // The current preview run and its threads; taken and ended only with mLifecycle's turn.
    std::unique_ptr<PreviewRun> mRun;
    // Start, stop, record, pause, resume and destruction, one caller at a time.
    LifecycleTurn mLifecycle;

    friend class UVCPreviewTestAccess;
};
