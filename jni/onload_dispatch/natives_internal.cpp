// Native methods of internal-source camera objects: the application's pictures go to the
// streamer, which encodes and live-streams them.
#include "camera_id.h"
#include "jni_arrays.h"
#include "natives.h"

jint nativeStart_internal(JNIEnv *env, jobject, jlong id, jstring destination) {
    return with_camera(id, 0, [&](UVCCamera *camera) {
        StringChars address(env, destination);
        return camera->Start_internal(address.c_str());
    });
}

jint nativeStop_internal(JNIEnv *, jobject, jlong id) {
    return with_camera(id, 0, [](UVCCamera *camera) { return camera->Stop_internal(); });
}

// The streamer learns how many bytes the array holds, so a short picture is refused there.
void nativevideoDataCallback_internal(JNIEnv *env, jobject, jlong id, jbyteArray picture) {
    with_camera(id, [&](UVCCamera *camera) {
        PinnedBytes bytes(env, picture);
        camera->videoDataCallback_internal((unsigned char *)bytes.data(), bytes.length());
    });
}

void nativeSetResolution_internal(JNIEnv *, jobject, jlong id, jint width, jint height,
                                  jint third) {
    with_camera(id,
                [&](UVCCamera *camera) { camera->SetResolution_internal(width, height, third); });
}

void nativeSetRecMode_internal(JNIEnv *, jobject, jlong id, jint mode) {
    with_camera(id, [&](UVCCamera *camera) { camera->SetRecMode_internal(mode); });
}

void nativeSetVideoBitrate_internal(JNIEnv *, jobject, jlong id, jint bitrate) {
    with_camera(id, [&](UVCCamera *camera) { camera->SetVideoBitrate_internal(bitrate); });
}

void nativeSetVideoFPS_internal(JNIEnv *, jobject, jlong id, jint fps) {
    with_camera(id, [&](UVCCamera *camera) { camera->SetVideoFPS_internal(fps); });
}

void nativesetTlinkFilePath(JNIEnv *env, jobject, jlong id, jstring path) {
    with_camera(id, [&](UVCCamera *camera) {
        StringChars file(env, path);
        camera->setTlinkFilePath(file.c_str());
    });
}
