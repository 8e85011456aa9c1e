// The object the Java layer holds for one camera: opens and releases the USB camera and its
// microphone, owns the preview engine, and passes the preview start and stop on to it.
#pragma once

#include <auxa_lumivo.h>
#include <libuvc/libuvc.h>

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

  private:
    uvc_context_t *mContext;
    uvc_device_t *mDevice;
    uvc_device_handle_t *mDeviceHandle;
    UVCPreview *mPreview;
    _AUXA_CONTEXT *mAudioContext;
    _AUXA_DEV *mAudioDev;
    int mRecMode;
    bool mIsInternal;
    StreamWrapper *mStreamWrapper;
};
