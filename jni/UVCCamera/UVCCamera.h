// The object the Java layer holds for one camera: opens and releases the USB camera and its
// microphone, owns the preview engine, and passes the preview start and stop on to it.
#pragma once

#include <auxa_lumivo.h>
#include <libuvc/libuvc.h>

#include <atomic>

#include "UVCPreview.h"

class StreamWrapper;

// Result codes of the camera object.
enum {
    UVC_CAMERA_NO_REC_MODE = -61,
    UVC_CAMERA_ALREADY_OPEN = -71,
    UVC_CAMERA_NO_CONTEXT = -72,
    UVC_CAMERA_NOT_FOUND = -73,
    UVC_CAMERA_OPEN_FAILED = -74,
    UVC_CAMERA_NO_TARGET = -75,
};

class UVCCamera {
  public:
    UVCCamera();
    explicit UVCCamera(bool internal);
    ~UVCCamera();
    UVCCamera(const UVCCamera &) = delete;
    UVCCamera &operator=(const UVCCamera &) = delete;

    int connect(int vid, int pid, int fd, void (*stillCallback)(long, char *, int, int), bool debug,
                const char *usbfs);
    int connect_audio(int vid, int pid, int fd, const char *usbfs);
    int startPreview();
    int stopPreview();
    int release();
    void release_internal();
    void setRecMode(int mode);

    // The engine while the camera is open; null otherwise.
    UVCPreview *preview() const { return mPreview; }
    // The streamer of a connected internal-source camera object; null otherwise.
    StreamWrapper *streamWrapper() const { return mStreamWrapper; }

    // ---- Requests passed on to the engine or the internal-source streamer -----------------
    // (UVCCamera_forwarding.cpp). Each reads its target pointer, calls the target with the
    // arguments unchanged, or returns the group's fixed value when there is no target. None
    // logs, locks or changes this object.

    // Engine only; UVC_CAMERA_NO_TARGET (-75, -75.0) without an engine. A window handed over
    // belongs to this object from then on: without an engine it is released at once.
    int setPreviewDisplay(ANativeWindow *window);
    int setCaptureDisplay(ANativeWindow *window);
    int getUVCDiagData(int *out);
    int get_capture(char *data, int *info, int size);
    int IsRunning();
    int getStartStatus();
    int SendExtensionMsg(int bmRequestType, int bRequest, int wValue, int wIndex,
                         unsigned char *data, int wLength);
    int RecvExtensionMsg(int bmRequestType, int bRequest, int wValue, int wIndex,
                         unsigned char *data, int wLength);
    int recordStart(bool watermark, const char *path);
    int recordStop();
    int SetRecording(unsigned char *data);
    int SetWatermark1(unsigned char *data, int size);
    int setUVCCameraInputTerminalControl(int index, int value);
    int setUVCCameraProcessingUnitControl(int index, int value);
    int getAudioSamplerateList(int *out);
    int setAudioVolume(int volume);
    int Set_pantilt_rel(int *args);
    // The engine's own result, failures included (its arrays are not filled on failure).
    int getEnableControl(int *it, int *pu);
    int getCameraStillResolution(int *list);
    double getviewFPS();

    // Engine only; without an engine nothing happens and the result is 0.
    int setResolution(int pixelFormat, int width, int height, int frame);
    int setDebug(bool debug);
    int setVideoFPS(int fps);
    int setVideoBitrate(int bitrate);
    int RecVideoOnly(bool videoOnly);
    int getUVCCameraInputTerminalControl(int index, int *value);
    int getUVCCameraProcessingUnitControl(int index, int *value);
    int setSDKVersion(int version);
    int setAudioSamplerate(int rate);
    int setStillResolutionIdx(int index, int width, int height);
    int setAudioVolumeCallback(AudioVolumeCallback fn);
    int setFirstPreviewCallback(FirstPreviewCallback fn);
    int SetInternalAudio(bool on);
    int SetRawdataCallback(RawdataCallback fn);
    int setAudioDenoise(bool on, int db);
    int setAudioEchocancel(bool on, int db, int activedb);
    int setAudioDereverd(bool on);
    int setAudioAgc(bool on, int level);
    int setForceAudioSamplerate(int rate);
    // Copies the engine's last-error text (LAST_ERROR_SIZE bytes) into `buffer` when not null.
    int getLastError(char *buffer);

    // The internal-source streamer when this object has one, else the engine; with neither,
    // nothing happens and the result is 0.
    int SetCameraID(long id);
    int setErrorNotifyCallback(ErrorNotifyCallback fn);
    int SetRecType(int type);
    int SetAudioChannels_internal(int channels);
    int SetAudioBit_internal(int bit);
    int SetAudioSamplerate_internal(int rate);
    int audioDataCallback_internal(unsigned char *data, int bytes);
    int pauseStreaming();
    int resumeStreaming();
    int setTlinkWaitTime(int ms);
    int setTLinkMode(int mode);
    // The live-stream address, null when there is none.
    char *getTLinkUrl();
    // Live-stream statistics (0.0 / 0 with neither target) and settings for the next start.
    double getTransmission_sec();
    double getAudioTransmission();
    double getVideoTransmission();
    int getAudioDropFrame();
    int getVideoDropFrame();
    int SetTlinkLogLevel(int level);
    int setTlinkDeblock(int deblock);
    int setIframeInterval(unsigned interval);

    // Watermarks: the streamer first as above, else the engine; 0, or -75 with neither.
    int SetWatermarkInit(int width, int height, int x, int y, int mode);
    int SetWatermarkBuf(unsigned char *data, int size);
    int SetUserWatermarkInit(int width, int height, int x, int y, int mode);
    int SetUserWatermarkXY(int x, int y);
    int SetUserWatermarkBuf(unsigned char *data, int size);

    // The streamer of an internal-source object only: -75 or nothing without one.
    int Start_internal(const char *destination);
    int Stop_internal();
    // `length` bytes of the application's picture (the streamer checks them against its size).
    void videoDataCallback_internal(unsigned char *picture, int length);
    void SetResolution_internal(int width, int height, int third);
    void SetRecMode_internal(int mode);
    void SetVideoBitrate_internal(int bitrate);
    void SetVideoFPS_internal(int fps);
    void setTlinkFilePath(const char *path);

  private:
    // Runs `call` on the streamer of an internal-source object, else on the engine; gives
    // `none` with neither (UVCCamera_forwarding.cpp).
    template <typename Result, typename Call>
    Result streamerOrEngine(Result none, Call call);

    uvc_context_t *mContext;
    uvc_device_t *mDevice;
    uvc_device_handle_t *mDeviceHandle;
    UVCPreview *mPreview;
    _AUXA_CONTEXT *mAudioContext;
    _AUXA_DEV *mAudioDev;
    // Java may set the mode from another thread than the one that starts the preview.
    std::atomic<int> mRecMode;
    bool mIsInternal;
    StreamWrapper *mStreamWrapper;
};
