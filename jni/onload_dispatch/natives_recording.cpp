// Native methods for recording and watermarks.
#include "camera_id.h"
#include "jni_arrays.h"
#include "natives.h"

jint nativeStartRecording(JNIEnv *env, jobject, jlong id, jboolean watermark, jstring path) {
    return with_camera(id, 0, [&](UVCCamera *camera) {
        StringChars file(env, path);
        return camera->recordStart(watermark != JNI_FALSE, file.c_str());
    });
}

jint nativeStopRecording(JNIEnv *, jobject, jlong id) {
    return with_camera(id, 0, [](UVCCamera *camera) { return camera->recordStop(); });
}

jint nativeSetRecording(JNIEnv *env, jobject, jlong id, jbyteArray settings) {
    return with_camera(id, 0, [&](UVCCamera *camera) {
        PinnedBytes bytes(env, settings);
        return camera->SetRecording((unsigned char *)bytes.data());
    });
}

jint nativeSetVideoFPS(JNIEnv *, jobject, jlong id, jint fps) {
    with_camera(id, [&](UVCCamera *camera) { camera->setVideoFPS(fps); });
    return 0;
}

jint nativeSetVideoBitrate(JNIEnv *, jobject, jlong id, jint bitrate) {
    with_camera(id, [&](UVCCamera *camera) { camera->setVideoBitrate(bitrate); });
    return 0;
}

void nativeRecVideoOnly(JNIEnv *, jobject, jlong id, jboolean videoOnly) {
    with_camera(id, [&](UVCCamera *camera) { camera->RecVideoOnly(videoOnly != JNI_FALSE); });
}

namespace {

// A picture for one of the watermark setters, its size cut to the array.
jint set_picture(JNIEnv *env, jlong id, int (UVCCamera::*setter)(unsigned char *, int),
                 jbyteArray data, jint size) {
    return with_camera(id, 0, [&](UVCCamera *camera) {
        PinnedBytes picture(env, data);
        return (camera->*setter)((unsigned char *)picture.data(), picture.clamp(size));
    });
}

}  // namespace

jint nativeSetWatermark1(JNIEnv *env, jobject, jlong id, jbyteArray data, jint size) {
    return set_picture(env, id, &UVCCamera::SetWatermark1, data, size);
}

jint nativeSetWatermarkInit(JNIEnv *, jobject, jlong id, jint width, jint height, jint x, jint y,
                            jint mode) {
    return with_camera(id, 0, [&](UVCCamera *camera) {
        return camera->SetWatermarkInit(width, height, x, y, mode);
    });
}

jint nativeSetWatermarkBuf(JNIEnv *env, jobject, jlong id, jbyteArray data, jint size) {
    return set_picture(env, id, &UVCCamera::SetWatermarkBuf, data, size);
}

jint nativeSetUserWatermarkInit(JNIEnv *, jobject, jlong id, jint width, jint height, jint x,
                                jint y, jint mode) {
    return with_camera(id, 0, [&](UVCCamera *camera) {
        return camera->SetUserWatermarkInit(width, height, x, y, mode);
    });
}

jint nativeSetUserWatermarkXY(JNIEnv *, jobject, jlong id, jint x, jint y) {
    return with_camera(id, 0, [&](UVCCamera *camera) { return camera->SetUserWatermarkXY(x, y); });
}

jint nativeSetUserWatermarkBuf(JNIEnv *env, jobject, jlong id, jbyteArray data, jint size) {
    return set_picture(env, id, &UVCCamera::SetUserWatermarkBuf, data, size);
}

void nativePauseStreaming(JNIEnv *, jobject, jlong id) {
    with_camera(id, [](UVCCamera *camera) { camera->pauseStreaming(); });
}

void nativeResumeStreaming(JNIEnv *, jobject, jlong id) {
    with_camera(id, [](UVCCamera *camera) { camera->resumeStreaming(); });
}
