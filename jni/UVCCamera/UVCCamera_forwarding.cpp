// Requests of the Java layer that the camera object passes on to its engine or streamer.
#include <string.h>

#include <type_traits>

#include "StreamWrapper.h"
#include "UVCCamera.h"
#include "error_codes.h"

// --- engine only, -75 without an engine ---

// The window's reference belongs to this object: the engine keeps it, or it is released.
static int hand_over_window(UVCPreview *preview, int (UVCPreview::*setter)(ANativeWindow *),
                            ANativeWindow *window) {
    if (preview)
        return (preview->*setter)(window);
    if (window)
        ANativeWindow_release(window);
    return UVC_CAMERA_NO_TARGET;
}

int UVCCamera::setPreviewDisplay(ANativeWindow *window) {
    return hand_over_window(mPreview, &UVCPreview::setPreviewDisplay, window);
}

int UVCCamera::setCaptureDisplay(ANativeWindow *window) {
    return hand_over_window(mPreview, &UVCPreview::setCaptureDisplay, window);
}

int UVCCamera::getUVCDiagData(int *out) {
    return mPreview ? mPreview->get_UVC_DiagData(out) : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::get_capture(char *data, int *info, int size) {
    return mPreview ? mPreview->get_capture_buffer(data, info, size) : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::IsRunning() {
    return mPreview ? mPreview->CameraIsRunning() : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::getStartStatus() {
    return mPreview ? mPreview->getStartStatus() : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::SendExtensionMsg(int bmRequestType, int bRequest, int wValue, int wIndex,
                                unsigned char *data, int wLength) {
    return mPreview
               ? mPreview->sendExtensionMsg(bmRequestType, bRequest, wValue, wIndex, data, wLength)
               : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::RecvExtensionMsg(int bmRequestType, int bRequest, int wValue, int wIndex,
                                unsigned char *data, int wLength) {
    return mPreview
               ? mPreview->recvExtensionMsg(bmRequestType, bRequest, wValue, wIndex, data, wLength)
               : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::recordStart(bool watermark, const char *path) {
    return mPreview ? mPreview->recordStart(watermark, path) : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::recordStop() {
    return mPreview ? mPreview->recordStop() : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::SetRecording(unsigned char *data) {
    return mPreview ? mPreview->SetRecording(data) : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::SetWatermark1(unsigned char *data, int size) {
    return mPreview ? mPreview->SetWatermark1(data, size) : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::setUVCCameraInputTerminalControl(int index, int value) {
    return mPreview ? mPreview->setUVCCameraInputTerminalControl(index, value)
                    : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::setUVCCameraProcessingUnitControl(int index, int value) {
    return mPreview ? mPreview->setUVCCameraProcessingUnitControl(index, value)
                    : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::getAudioSamplerateList(int *out) {
    return mPreview ? mPreview->getAudioSamplerateList(out) : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::setAudioVolume(int volume) {
    return mPreview ? mPreview->setAudioVolume(volume) : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::Set_pantilt_rel(int *args) {
    return mPreview ? mPreview->Set_pantilt_rel(args) : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::getEnableControl(int *it, int *pu) {
    return mPreview ? mPreview->getEnableControl(it, pu) : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::getCameraStillResolution(int *list) {
    return mPreview ? mPreview->getCameraStillResolution(list) : UVC_CAMERA_NO_TARGET;
}

double UVCCamera::getviewFPS() {
    return mPreview ? mPreview->getviewFPS() : (double)UVC_CAMERA_NO_TARGET;
}

// --- engine only, nothing and 0 without an engine ---

int UVCCamera::setResolution(int pixelFormat, int width, int height, int frame) {
    if (mPreview)
        mPreview->set_UVC_Resolution(pixelFormat, width, height, frame);
    return 0;
}

int UVCCamera::setDebug(bool debug) {
    if (mPreview)
        mPreview->setDebug(debug);
    return 0;
}

int UVCCamera::setVideoFPS(int fps) {
    if (mPreview)
        mPreview->setVideoFPS(fps);
    return 0;
}

int UVCCamera::setVideoBitrate(int bitrate) {
    if (mPreview)
        mPreview->setVideoBitrate(bitrate);
    return 0;
}

int UVCCamera::RecVideoOnly(bool videoOnly) {
    if (mPreview)
        mPreview->RecVideoOnly(videoOnly);
    return 0;
}

int UVCCamera::getUVCCameraInputTerminalControl(int index, int *value) {
    if (mPreview)
        mPreview->getUVCCameraInputTerminalControl(index, value);
    return 0;
}

int UVCCamera::getUVCCameraProcessingUnitControl(int index, int *value) {
    if (mPreview)
        mPreview->getUVCCameraProcessingUnitControl(index, value);
    return 0;
}

int UVCCamera::setSDKVersion(int version) {
    if (mPreview)
        mPreview->setSDKVersion(version);
    return 0;
}

int UVCCamera::setAudioSamplerate(int rate) {
    if (mPreview)
        mPreview->setAudioSamplerate(rate);
    return 0;
}

int UVCCamera::setStillResolutionIdx(int index, int width, int height) {
    if (mPreview)
        mPreview->setStillResolutionIndex(index, width, height);
    return 0;
}

int UVCCamera::setAudioVolumeCallback(AudioVolumeCallback fn) {
    if (mPreview)
        mPreview->setAudioVolumeCallback(fn);
    return 0;
}

int UVCCamera::setFirstPreviewCallback(FirstPreviewCallback fn) {
    if (mPreview)
        mPreview->setFirstPreviewCallback(fn);
    return 0;
}

int UVCCamera::SetInternalAudio(bool on) {
    if (mPreview)
        mPreview->SetInternalAudio(on);
    return 0;
}

int UVCCamera::SetRawdataCallback(RawdataCallback fn) {
    if (mPreview)
        mPreview->SetRawdataCallback(fn);
    return 0;
}

int UVCCamera::setAudioDenoise(bool on, int db) {
    return mPreview ? mPreview->setAudioDenoise(on, db) : 0;
}

int UVCCamera::setAudioEchocancel(bool on, int db, int activedb) {
    return mPreview ? mPreview->setAudioEchocancel(on, db, activedb) : 0;
}

int UVCCamera::setAudioDereverd(bool on) {
    return mPreview ? mPreview->setAudioDereverd(on) : 0;
}

int UVCCamera::setAudioAgc(bool on, int level) {
    return mPreview ? mPreview->setAudioAgc(on, level) : 0;
}

int UVCCamera::setForceAudioSamplerate(int rate) {
    if (mPreview)
        mPreview->setForceAudioSamplerate(rate);
    return 0;
}

int UVCCamera::getLastError(char *buffer) {
    if (mPreview && buffer)
        memcpy(buffer, UVCPreview::getLastErr(), LAST_ERROR_SIZE);
    return 0;
}

// --- streamer of an internal-source object first, else the engine; 0 with neither ---

// The streamer of an internal-source object, or null.
static StreamWrapper *streamer_of(bool internal, StreamWrapper *streamer) {
    return internal ? streamer : nullptr;
}

// `call` takes either target, so one lambda serves operations both of them offer. A call that
// yields nothing answers 0 once it reached its target.
template <typename Result, typename Call>
Result UVCCamera::streamerOrEngine(Result none, Call call) {
    auto reach = [&](auto *target) -> Result {
        if constexpr (std::is_void_v<decltype(call(target))>) {
            call(target);
            return 0;
        } else {
            return call(target);
        }
    };
    if (StreamWrapper *streamer = streamer_of(mIsInternal, mStreamWrapper))
        return reach(streamer);
    return mPreview ? reach(mPreview) : none;
}

int UVCCamera::SetCameraID(long id) {
    return streamerOrEngine(0, [&](auto *target) { target->SetCameraID(id); });
}

int UVCCamera::setErrorNotifyCallback(ErrorNotifyCallback fn) {
    return streamerOrEngine(0, [&](auto *target) { target->SetErrorNotifyCallback(fn); });
}

int UVCCamera::SetRecType(int type) {
    return streamerOrEngine(0, [&](auto *target) { target->SetRecType(type); });
}

int UVCCamera::SetAudioChannels_internal(int channels) {
    return streamerOrEngine(0, [&](auto *target) { target->SetAudioChannels(channels); });
}

int UVCCamera::SetAudioBit_internal(int bit) {
    return streamerOrEngine(0, [&](auto *target) { target->SetAudioBit(bit); });
}

int UVCCamera::SetAudioSamplerate_internal(int rate) {
    if (StreamWrapper *streamer = streamer_of(mIsInternal, mStreamWrapper))
        streamer->SetAudioSamplerate(rate);
    else if (mPreview)
        mPreview->setAudioSamplerate(rate);
    return 0;
}

int UVCCamera::audioDataCallback_internal(unsigned char *data, int bytes) {
    if (StreamWrapper *streamer = streamer_of(mIsInternal, mStreamWrapper))
        return streamer->audioDataCallback(data, bytes);
    return mPreview ? mPreview->WriteAudioData(data, bytes) : 0;
}

int UVCCamera::pauseStreaming() {
    if (StreamWrapper *streamer = streamer_of(mIsInternal, mStreamWrapper))
        return streamer->pauseStreaming();
    if (mPreview)
        mPreview->pauseStreaming();
    return 0;
}

int UVCCamera::resumeStreaming() {
    if (StreamWrapper *streamer = streamer_of(mIsInternal, mStreamWrapper))
        return streamer->resumeStreaming();
    if (mPreview)
        mPreview->resumeStreaming();
    return 0;
}

int UVCCamera::setTlinkWaitTime(int ms) {
    return streamerOrEngine(0, [&](auto *target) { target->setTlinkWaitTime(ms); });
}

int UVCCamera::setTLinkMode(int mode) {
    return streamerOrEngine(0, [&](auto *target) { target->setTLinkMode(mode); });
}

char *UVCCamera::getTLinkUrl() {
    return streamerOrEngine((char *)nullptr, [](auto *target) { return target->getTLinkUrl(); });
}

double UVCCamera::getTransmission_sec() {
    return streamerOrEngine(0.0, [](auto *target) { return target->getTransmission_sec(); });
}

double UVCCamera::getAudioTransmission() {
    return streamerOrEngine(0.0, [](auto *target) { return target->getAudioTransmission(); });
}

double UVCCamera::getVideoTransmission() {
    return streamerOrEngine(0.0, [](auto *target) { return target->getVideoTransmission(); });
}

int UVCCamera::getAudioDropFrame() {
    return streamerOrEngine(0, [](auto *target) { return target->getAudioDropFrame(); });
}

int UVCCamera::getVideoDropFrame() {
    return streamerOrEngine(0, [](auto *target) { return target->getVideoDropFrame(); });
}

int UVCCamera::SetTlinkLogLevel(int level) {
    return streamerOrEngine(0, [&](auto *target) { return target->SetTlinkLogLevel(level); });
}

int UVCCamera::setTlinkDeblock(int deblock) {
    return streamerOrEngine(0, [&](auto *target) { target->setTlinkDeblock(deblock); });
}

int UVCCamera::setIframeInterval(unsigned interval) {
    return streamerOrEngine(0, [&](auto *target) { target->setIframeInterval(interval); });
}

// --- watermarks: streamer first, else the engine; 0 whatever the target says, -75 with neither ---

int UVCCamera::SetWatermarkInit(int width, int height, int x, int y, int mode) {
    return streamerOrEngine((int)UVC_CAMERA_NO_TARGET, [&](auto *target) {
        target->SetWatermarkInit(width, height, x, y, mode);
    });
}

int UVCCamera::SetWatermarkBuf(unsigned char *data, int size) {
    return streamerOrEngine((int)UVC_CAMERA_NO_TARGET,
                            [&](auto *target) { target->SetWatermarkBuf(data, size); });
}

int UVCCamera::SetUserWatermarkInit(int width, int height, int x, int y, int mode) {
    return streamerOrEngine((int)UVC_CAMERA_NO_TARGET, [&](auto *target) {
        target->SetUserWatermarkInit(width, height, x, y, mode);
    });
}

int UVCCamera::SetUserWatermarkXY(int x, int y) {
    return streamerOrEngine((int)UVC_CAMERA_NO_TARGET,
                            [&](auto *target) { target->SetUserWatermarkXY(x, y); });
}

int UVCCamera::SetUserWatermarkBuf(unsigned char *data, int size) {
    return streamerOrEngine((int)UVC_CAMERA_NO_TARGET,
                            [&](auto *target) { target->SetUserWatermarkBuf(data, size); });
}

// --- the streamer of an internal-source object only ---

int UVCCamera::Start_internal(const char *destination) {
    StreamWrapper *streamer = streamer_of(mIsInternal, mStreamWrapper);
    return streamer ? streamer->Start(destination) : UVC_CAMERA_NO_TARGET;
}

int UVCCamera::Stop_internal() {
    StreamWrapper *streamer = streamer_of(mIsInternal, mStreamWrapper);
    return streamer ? streamer->Stop() : UVC_CAMERA_NO_TARGET;
}

void UVCCamera::videoDataCallback_internal(unsigned char *picture, int length) {
    if (StreamWrapper *streamer = streamer_of(mIsInternal, mStreamWrapper))
        streamer->videoDataCallback(picture, length);
}

void UVCCamera::SetResolution_internal(int width, int height, int third) {
    if (StreamWrapper *streamer = streamer_of(mIsInternal, mStreamWrapper))
        streamer->SetResolution(width, height, third);
}

void UVCCamera::SetRecMode_internal(int mode) {
    if (StreamWrapper *streamer = streamer_of(mIsInternal, mStreamWrapper))
        streamer->SetRecMode(mode);
}

void UVCCamera::SetVideoBitrate_internal(int bitrate) {
    if (StreamWrapper *streamer = streamer_of(mIsInternal, mStreamWrapper))
        streamer->SetVideoBitrate(bitrate);
}

void UVCCamera::SetVideoFPS_internal(int fps) {
    if (StreamWrapper *streamer = streamer_of(mIsInternal, mStreamWrapper))
        streamer->SetVideoFPS(fps);
}

void UVCCamera::setTlinkFilePath(const char *path) {
    if (StreamWrapper *streamer = streamer_of(mIsInternal, mStreamWrapper))
        streamer->setTlinkFilePath(path);
}
