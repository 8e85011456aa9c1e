// Native methods of internal-source camera objects: the application's pictures go to the
// streamer, which encodes and live-streams them.
#include "camera_id.h"
#include "jni_arrays.h"
#include "natives.h"

jint nativeStart_internal(JNIEnv *env, jobject, jlong id, jstring destination) {
    UVCCamera *camera = camera_of(id);
    if (!camera)
        return 0;
    StringChars address(env, destination);
    return camera->Start_internal(address.c_str());
}

jint nativeStop_internal(JNIEnv *, jobject, jlong id) {
    UVCCamera *camera = camera_of(id);
    return camera ? camera->Stop_internal() : 0;
}

// The streamer learns how many bytes the array holds, so a short picture is refused there.
void nativevideoDataCallback_internal(JNIEnv *env, jobject, jlong id, jbyteArray picture) {
    UVCCamera *camera = camera_of(id);
    if (!camera)
        return;
    PinnedBytes bytes(env, picture);
    camera->videoDataCallback_internal((unsigned char *)bytes.data(), bytes.length());
}

void nativeSetResolution_internal(JNIEnv *, jobject, jlong id, jint width, jint height,
                                  jint third) {
    if (UVCCamera *camera = camera_of(id))
        camera->SetResolution_internal(width, height, third);
}

void nativeSetRecMode_internal(JNIEnv *, jobject, jlong id, jint mode) {
    if (UVCCamera *camera = camera_of(id))
        camera->SetRecMode_internal(mode);
}

void nativeSetVideoBitrate_internal(JNIEnv *, jobject, jlong id, jint bitrate) {
    if (UVCCamera *camera = camera_of(id))
        camera->SetVideoBitrate_internal(bitrate);
}

void nativeSetVideoFPS_internal(JNIEnv *, jobject, jlong id, jint fps) {
    if (UVCCamera *camera = camera_of(id))
        camera->SetVideoFPS_internal(fps);
}

void nativesetTlinkFilePath(JNIEnv *env, jobject, jlong id, jstring path) {
    UVCCamera *camera = camera_of(id);
    if (!camera)
        return;
    StringChars file(env, path);
    camera->setTlinkFilePath(file.c_str());
}
