// Opening, previewing and releasing one USB camera and its microphone.
#include "UVCCamera.h"

#include "StreamWrapper.h"
#include "callback_scope.h"
#include "error_codes.h"
#include "finisher.h"
#include "logging.h"

UVCCamera::UVCCamera() : UVCCamera(false) {}

UVCCamera::UVCCamera(bool internal)
    : mContext(nullptr),
      mDevice(nullptr),
      mDeviceHandle(nullptr),
      mPreview(nullptr),
      mAudioContext(nullptr),
      mAudioDev(nullptr),
      mRecMode(0),
      mIsInternal(internal),
      mStreamWrapper(nullptr) {}

UVCCamera::~UVCCamera() {
    Finisher::instance().forget(this);
    release();
    // An internal-source camera object owns its streamer: it is stopped and freed with it.
    release_internal();
}

int UVCCamera::connect(int vid, int pid, int fd, void (*stillCallback)(long, char *, int, int),
                       bool debug, const char *usbfs) {
    if (mIsInternal) {
        if (mStreamWrapper) {
            LOGE("camera is already opened. you should release first");
            return UVC_CAMERA_ALREADY_OPEN;
        }
        LOGE("create streamWrapper\n");
        mStreamWrapper = new StreamWrapper();
        mStreamWrapper->Init(true);
        return 0;
    }
    if (mDeviceHandle || mContext) {
        LOGE("camera is already opened. you should release first");
        return UVC_CAMERA_ALREADY_OPEN;
    }
    if (uvc_init2(&mContext, nullptr, usbfs) != UVC_SUCCESS) {
        LOGE("UVC_init fail\n");
        mContext = nullptr;
        return UVC_CAMERA_NO_CONTEXT;
    }
    uvc_error_t result = uvc_find_device2(mContext, &mDevice, vid, pid, nullptr, fd);
    if (result != UVC_SUCCESS) {
        LOGE("could not find camera:err=%d", result);
        mDevice = nullptr;
        return UVC_CAMERA_NOT_FOUND;
    }
    result = uvc_open(mDevice, &mDeviceHandle);
    if (result != UVC_SUCCESS) {
        LOGE("uvc_open Failed:err = %d\n", result);
        uvc_unref_device(mDevice);
        mDevice = nullptr;
        mDeviceHandle = nullptr;
        return UVC_CAMERA_OPEN_FAILED;
    }
    int audio = connect_audio(vid, pid, fd, usbfs);
    if (audio != 0) {
        LOGE("connect_audio failed : %d\n", audio);
        return audio;
    }
    mPreview = new UVCPreview(mDeviceHandle);
    mPreview->setfunction(stillCallback);
    mPreview->setDebug(debug);
    mPreview->setVIDPID(vid, pid);
    mPreview->setAudioObject(mAudioDev);
    return 0;
}

int UVCCamera::connect_audio(int vid, int pid, int fd, const char * /*usbfs*/) {
    LOGE("connect_audio IN\n");
    int result = 0;
    int code = AuxaInit(&mAudioContext, nullptr, uvc_get_libusb_context(mContext));
    if (code != AUXA_OK) {
        mAudioContext = nullptr;
        result = parse_ErrCode(code);
        LOGE("audio initialize fail : %d\n", result);
    } else {
        code = AuxaOpen(mAudioContext, (uint16_t)vid, (uint16_t)pid, &mAudioDev, fd,
                        uvc_get_libusb_handle(mDeviceHandle));
        if (code != AUXA_OK) {
            result = parse_ErrCode(code);
            LOGE("audio open fail : %d\n", result);
        }
    }
    LOGE("connect_audio OUT\n");
    return result;
}

int UVCCamera::startPreview() {
    if (mRecMode == 0) {
        LOGE("please set rec mode\n");
        return UVC_CAMERA_NO_REC_MODE;
    }
    if (!mDeviceHandle || !mPreview)
        return UVC_CAMERA_NO_TARGET;
    // The engine drops its microphone reference at every stop; the camera object still owns
    // the open microphone, so it hands it over again and a restarted preview keeps its sound.
    mPreview->setAudioObject(mAudioDev);
    return mPreview->startPreview();
}

int UVCCamera::stopPreview() {
    if (mPreview)
        mPreview->stopPreview();
    return 0;
}

// From a callback the release runs on the finisher once the callback has returned: the
// callback's thread may be one of the engine threads that the release ends.
int UVCCamera::release() {
    if (in_callback()) {
        Finisher::instance().hand_over(this, [this] { release(); });
        return 0;
    }
    if (!mIsInternal) {
        stopPreview();
        if (mAudioDev) {
            AuxaClose(mAudioDev);
            mAudioDev = nullptr;
            if (mPreview)
                mPreview->setAudioObject(nullptr);
        }
        if (mAudioContext) {
            AuxaDeInit(mAudioContext);
            mAudioContext = nullptr;
        }
        if (mDeviceHandle) {
            // Closing the camera ends its status and streaming threads, so nothing of the
            // camera library can call the engine once it is deleted.
            uvc_close(mDeviceHandle);
            mDeviceHandle = nullptr;
            delete mPreview;
            mPreview = nullptr;
        }
        if (mDevice) {
            uvc_unref_device(mDevice);
            mDevice = nullptr;
        }
        if (mContext) {
            uvc_exit(mContext);
            mContext = nullptr;
        }
    }
    LOGE("release \n");
    return 0;
}

void UVCCamera::release_internal() {
    if (!mIsInternal)
        return;
    if (mStreamWrapper) {
        mStreamWrapper->Stop();
        mStreamWrapper->Deinit();
        delete mStreamWrapper;
    }
    mStreamWrapper = nullptr;
    LOGE("release_internal \n");
}

void UVCCamera::setRecMode(int mode) {
    mRecMode = mode;
    if (mPreview)
        mPreview->setRecMode(mode);
}
