// The internal-source streamer: pictures and sound supplied by the application are converted,
// watermarked, encoded and sent to a live stream (and, with record type 48, to a file).
//
// Input contract of videoDataCallback: NV21 pictures of the configured size, that is the luma
// plane (width x height bytes) followed by one plane of interleaved V, U pairs (stride width),
// at least width x height x 3 / 2 bytes. Sound is interleaved PCM of the configured format.
//
// The encoder differs between the deliverables: the media recorder (libOrrinUVC5_TL) or the
// hardware encoder (libOrrinUVC0). The operations under "Encoder seam" are defined once per
// deliverable, in StreamWrapper_recorder_media.cpp and StreamWrapper_recorder_omx.cpp, and the
// deliverable's source list picks one of them; the streamer holds its Encoder by pointer, so
// its layout is the same in both.
#pragma once

#include <stdint.h>

#include <atomic>
#include <memory>

#include "live_connection.h"
#include "thread_annotations.h"
#include <vector>

#include "watermark_blend.h"
#include "write_gate.h"

class Encoder;

typedef void (*StreamErrorNotify)(long cameraId, long errorClass, int code, char *text);

// Result codes of the streamer.
enum {
    STREAM_NO_ENCODER = -3,            // no recorder or encoder object
    STREAM_BAD_ARGUMENT = -2,          // null or short picture, null samples
    STREAM_NO_AVC_ENCODER = -51,       // getOMXColorformat: no H.264 encoder
    STREAM_ENCODER_FAILED = -52,       // encoder Init failed, or Stop without an encoder
    STREAM_BAD_SIZE = -53,             // Start: width or height unusable
    STREAM_NOT_STARTED = -53,          // Stop, pause, resume, intake: not started or paused
    STREAM_ENCODER_STOP_FAILED = -54,  // Stop: the encoder refused to stop
    STREAM_ALREADY_STARTED = -55,      // Start while started
    STREAM_NO_MODE = -61,              // record mode or type 0
    STREAM_BAD_VIDEO_RATE = -62,       // frame rate or bit rate unusable
    STREAM_NO_COLOR_FORMAT = -63,      // the encoder takes neither format 21 nor 19
    STREAM_BAD_AUDIO = -64,            // sample rate, bits or channels unusable
    STREAM_NO_FILE_PATH = -66,         // record type 48 without a file path
    STREAM_LIVE_START_FAILED = -300,   // live-stream start, wait, configuration or callback
    STREAM_LIVE_STOP_REFUSED = -301,   // live-stream stop refused
};

// Record type bits.
enum { STREAM_TYPE_LIVE = 0x20, STREAM_TYPE_LIVE_AND_FILE = 0x30 };

// One watermark: its picture (packed R, G, B, X rows, kWatermarkBufferBytes once set; null until
// then) and where and how it is blended. The picture is replaced, never changed in place, so an
// intake thread can blend a copy of the pointer without holding the watermark's mutex.
struct Watermark {
    std::shared_ptr<const std::vector<uint8_t>> picture;
    WatermarkPlacement placement;
};

// A watermark with the mutex that guards it: set from Java threads, read for every picture.
struct GuardedWatermark {
    Mutex mutex;
    Watermark watermark GUARDED_BY(mutex);
};

// The settings a started stream runs with, taken at Start.
struct StreamSettings {
    int width = 0, height = 0;
    int fps = 0, bitrate = 0;
    int sampleRate = 0, bits = 0, channels = 0;
    int recMode = 0, recType = 0;
};

bool isGalaxtGrandDevice();
void onStreamRuntimeError(void *context, int code, int errnum, void *user);

class StreamWrapper {
  public:
    StreamWrapper();
    ~StreamWrapper();
    StreamWrapper(const StreamWrapper &) = delete;
    StreamWrapper &operator=(const StreamWrapper &) = delete;

    void Init(bool debug);
    void Deinit();
    int Start(const char *destination);
    int Stop();
    int getOMXColorformat();
    void SetRecType(int type);
    void setTlinkFilePath(const char *path);

    // Intake, on the application's feeding threads. 0 when handed to the encoder; otherwise
    // the picture or block was dropped (not started or paused, bad input, encoder refused).
    int videoDataCallback(const uint8_t *picture, int length);
    int audioDataCallback(const uint8_t *samples, int count);
    int pauseStreaming();
    int resumeStreaming();

    int SetWatermarkInit(int width, int height, int x, int y, int mode);
    int SetWatermarkBuf(const uint8_t *bytes, int size);
    int SetUserWatermarkInit(int width, int height, int x, int y, int mode);
    void SetUserWatermarkXY(int x, int y);
    int SetUserWatermarkBuf(const uint8_t *bytes, int size);

    // Settings; each takes effect at the next Start.
    void SetResolution(int width, int height, int third);
    void SetRecMode(int mode);
    void SetVideoBitrate(int bitrate);
    void SetVideoFPS(int fps);
    void SetAudioChannels(int channels);
    void SetAudioBit(int bits);
    void SetAudioSamplerate(int rate);
    void setTlinkWaitTime(int ms);
    int SetTlinkLogLevel(int level);
    void SetErrorNotifyCallback(StreamErrorNotify notify);
    void SetCameraID(long id);
    long getCameraID();
    void setTLinkMode(int mode);
    char *getTLinkUrl();
    void setTlinkDeblock(int deblock);
    void setIframeInterval(unsigned interval);

    // Live-stream figures of the streamer's own connection.
    double getTransmission_sec();
    double getAudioTransmission();
    double getVideoTransmission();
    int getAudioDropFrame();
    int getVideoDropFrame();

    static int64_t getcurtime();

  private:
    friend void onStreamRuntimeError(void *, int, int, void *);
    friend class StreamWrapperAccess;  // tests read the encoder object's own counters

    // Checks the settings and takes them into mActive; 0 or a Start code.
    int takeSettings();
    int allocateBuffers();
    int setRunning(bool running);
    void freeBuffers();
    // Opens the live stream for `destination`; 0, or -300 with nothing left open.
    int openLiveStream(const char *destination);
    // Stops the live stream: 0, -301 when refused, or the library's wait result. Its lines
    // name `operation`, the Start or Stop that closes it.
    int closeLiveStream(const char *operation);
    // Converts one picture into mYuvBuf, with the watermarks blended in.
    void convertPicture(const uint8_t *picture, const Watermark &system, const Watermark &user);
    void addWatermark(uint8_t *picture, const Watermark &system, const Watermark &user);
    // The watermark's picture and placement as the next picture uses them, its position
    // pulled into the configured picture size and stored back.
    Watermark takeWatermark(GuardedWatermark &slot);
    int setWatermarkPicture(GuardedWatermark &slot, const uint8_t *bytes, int size,
                            const char *name);
    void initWatermark(GuardedWatermark &slot, const WatermarkPlacement &placement);

    // Encoder seam, one definition per deliverable.
    // Takes, configures and starts the encoder and the live stream; on failure nothing is
    // left held or open.
    int startEncoder(const char *destination);
    int writePicture(uint8_t *picture, int64_t timeUs);
    // The lines of a refused and of a finished encoder stop.
    struct EncoderTexts {
        const char *stopFailed, *released;
    };
    static EncoderTexts encoderTexts();

    // Steps shared by both encoders (StreamWrapper_encoder.cpp).
    static bool usableColorFormat(int format);
    void setModeAndType(bool typeForVideoOnly);
    void setRates();
    void setAudio();
    int startLiveAndEncoder(const char *destination);
    // Stops the encoder: 0, -52 without one, -54 when it refused (it stays usable).
    int stopEncoder();
    // Releases the encoder object, then its library instance.
    void releaseEncoder();
    int writeSound(uint8_t *pcm, int bytes, int64_t timeUs);

    bool mDebug;
    std::atomic<bool> mRunning;  // taking pictures and sound: started and not paused
    int mRecMode;
    int mRecType;
    int m_Width, m_Height;
    int m_ResolutionParam;
    int m_VideoFPS;
    int m_VideoBitrate;
    int mSampleRate, mBit, mChannel;
    int mColorFormat;
    uint8_t *mYuvBuf;  // encoder input, contents guarded by mIntakeMutex
    long mCameraID;
    int mTlinkMode;
    int mTlinkDeblock;
    int mIframe_Interval;
    char mTlinkFilePath[256];
    std::unique_ptr<Encoder> mEncoder;  // while started
    StreamErrorNotify mErrorNotifyfnptr;
    GuardedWatermark mWatermark, mUserWatermark;
    LiveConnection mLive;
    int m_TlinkWaitTime;

    // Start / Stop / pause / resume run one at a time: guards mStarted, mActive, the encoder,
    // the live-stream connection and the lifetime of mYuvBuf and mWorkPicture.
    Mutex mControlMutex;
    bool mStarted GUARDED_BY(mControlMutex);
    StreamSettings mActive;
    // Admits the feeding threads' writes between a successful Start and Stop; Stop closes it
    // and waits for writes in flight before it releases the encoder.
    WriteGate mGate;
    // One picture at a time: guards the contents of mYuvBuf and mWorkPicture.
    Mutex mIntakeMutex;
    uint8_t *mWorkPicture;  // R, G, B, A picture the watermarks are blended into
};
