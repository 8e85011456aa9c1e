// Native methods for recording, live streaming and watermarks.
#include "camera_id.h"
#include "jni_arrays.h"
#include "natives.h"

jint nativeStartRecording(JNIEnv *env, jobject, jlong id, jboolean watermark, jstring path) {
    UVCCamera *camera = camera_of(id);
    if (!camera)
        return 0;
    StringChars file(env, path);
    return camera->recordStart(watermark != JNI_FALSE, file.c_str());
}

jint nativeStopRecording(JNIEnv *, jobject, jlong id) {
    UVCCamera *camera = camera_of(id);
    return camera ? camera->recordStop() : 0;
}

jint nativeSetRecording(JNIEnv *env, jobject, jlong id, jbyteArray settings) {
    UVCCamera *camera = camera_of(id);
    if (!camera)
        return 0;
    PinnedBytes bytes(env, settings);
    return camera->SetRecording((unsigned char *)bytes.data());
}

jint nativeSetVideoFPS(JNIEnv *, jobject, jlong id, jint fps) {
    if (UVCCamera *camera = camera_of(id))
        camera->setVideoFPS(fps);
    return 0;
}

jint nativeSetVideoBitrate(JNIEnv *, jobject, jlong id, jint bitrate) {
    if (UVCCamera *camera = camera_of(id))
        camera->setVideoBitrate(bitrate);
    return 0;
}

void nativeRecVideoOnly(JNIEnv *, jobject, jlong id, jboolean videoOnly) {
    if (UVCCamera *camera = camera_of(id))
        camera->RecVideoOnly(videoOnly != JNI_FALSE);
}

namespace {

// A picture for one of the watermark setters, its size cut to the array.
jint set_picture(JNIEnv *env, jlong id, int (UVCCamera::*setter)(unsigned char *, int),
                 jbyteArray data, jint size) {
    UVCCamera *camera = camera_of(id);
    if (!camera)
        return 0;
    PinnedBytes picture(env, data);
    return (camera->*setter)((unsigned char *)picture.data(), picture.clamp(size));
}

}  // namespace

jint nativeSetWatermark1(JNIEnv *env, jobject, jlong id, jbyteArray data, jint size) {
    return set_picture(env, id, &UVCCamera::SetWatermark1, data, size);
}

jint nativeSetWatermarkInit(JNIEnv *, jobject, jlong id, jint width, jint height, jint x, jint y,
                            jint mode) {
    UVCCamera *camera = camera_of(id);
    return camera ? camera->SetWatermarkInit(width, height, x, y, mode) : 0;
}

jint nativeSetWatermarkBuf(JNIEnv *env, jobject, jlong id, jbyteArray data, jint size) {
    return set_picture(env, id, &UVCCamera::SetWatermarkBuf, data, size);
}

jint nativeSetUserWatermarkInit(JNIEnv *, jobject, jlong id, jint width, jint height, jint x,
                                jint y, jint mode) {
    UVCCamera *camera = camera_of(id);
    return camera ? camera->SetUserWatermarkInit(width, height, x, y, mode) : 0;
}

jint nativeSetUserWatermarkXY(JNIEnv *, jobject, jlong id, jint x, jint y) {
    UVCCamera *camera = camera_of(id);
    return camera ? camera->SetUserWatermarkXY(x, y) : 0;
}

jint nativeSetUserWatermarkBuf(JNIEnv *env, jobject, jlong id, jbyteArray data, jint size) {
    return set_picture(env, id, &UVCCamera::SetUserWatermarkBuf, data, size);
}

// The setter yields no value, so the result carries none.
jint nativesetTlinkWaitTime(JNIEnv *, jobject, jlong id, jint ms) {
    if (UVCCamera *camera = camera_of(id))
        camera->setTlinkWaitTime(ms);
    return 0;
}

void nativesetTlinkMode(JNIEnv *, jobject, jlong id, jint mode) {
    if (UVCCamera *camera = camera_of(id))
        camera->setTLinkMode(mode);
}

jstring nativegetTLinkUrl(JNIEnv *env, jobject, jlong id) {
    UVCCamera *camera = camera_of(id);
    if (!camera)
        return nullptr;
    const char *url = camera->getTLinkUrl();
    return env->NewStringUTF(url ? url : "");
}

void nativePauseStreaming(JNIEnv *, jobject, jlong id) {
    if (UVCCamera *camera = camera_of(id))
        camera->pauseStreaming();
}

void nativeResumeStreaming(JNIEnv *, jobject, jlong id) {
    if (UVCCamera *camera = camera_of(id))
        camera->resumeStreaming();
}
