// Native methods for the microphone settings and the sound of the application.
#include "camera_id.h"
#include "jni_arrays.h"
#include "natives.h"

namespace {

// Rates of one USB audio format descriptor: a count byte limits the list to 255.
const int kRateListCount = 1 + 255;

}  // namespace

jint nativegetAudioSamplerateList(JNIEnv *env, jobject, jlong id, jintArray out) {
    return with_camera(id, 0, [&](UVCCamera *camera) {
        IntArrayBuffer rates(env, out, kRateListCount);
        return camera->getAudioSamplerateList(rates.data());
    });
}

void nativesetAudioSamplerate(JNIEnv *, jobject, jlong id, jint rate) {
    with_camera(id, [&](UVCCamera *camera) { camera->setAudioSamplerate(rate); });
}

jint nativesetAudioVolume(JNIEnv *, jobject, jlong id, jint volume) {
    return with_camera(id, 0, [&](UVCCamera *camera) { return camera->setAudioVolume(volume); });
}

void nativesetAudioDenoise(JNIEnv *, jobject, jlong id, jboolean on, jint level) {
    with_camera(id, [&](UVCCamera *camera) { camera->setAudioDenoise(on != JNI_FALSE, level); });
}

void nativesetAudioEchocancel(JNIEnv *, jobject, jlong id, jboolean on, jint db, jint activedb) {
    with_camera(
        id, [&](UVCCamera *camera) { camera->setAudioEchocancel(on != JNI_FALSE, db, activedb); });
}

void nativesetAudioDereverd(JNIEnv *, jobject, jlong id, jboolean on) {
    with_camera(id, [&](UVCCamera *camera) { camera->setAudioDereverd(on != JNI_FALSE); });
}

void nativesetAudioAgc(JNIEnv *, jobject, jlong id, jboolean on, jint level) {
    with_camera(id, [&](UVCCamera *camera) { camera->setAudioAgc(on != JNI_FALSE, level); });
}

void nativesetForceAudioSamplerate(JNIEnv *, jobject, jlong id, jint rate) {
    with_camera(id, [&](UVCCamera *camera) { camera->setForceAudioSamplerate(rate); });
}

void nativeaudioDataCallback_internal(JNIEnv *env, jobject, jlong id, jbyteArray data, jint size) {
    with_camera(id, [&](UVCCamera *camera) {
        PinnedBytes samples(env, data);
        camera->audioDataCallback_internal((unsigned char *)samples.data(), samples.clamp(size));
    });
}

void nativeSetAudioChannels_internal(JNIEnv *, jobject, jlong id, jint channels) {
    with_camera(id, [&](UVCCamera *camera) { camera->SetAudioChannels_internal(channels); });
}

void nativeSetAudioBit_internal(JNIEnv *, jobject, jlong id, jint bit) {
    with_camera(id, [&](UVCCamera *camera) { camera->SetAudioBit_internal(bit); });
}

void nativeSetAudioSamplerate_internal(JNIEnv *, jobject, jlong id, jint rate) {
    with_camera(id, [&](UVCCamera *camera) { camera->SetAudioSamplerate_internal(rate); });
}

void nativeSetRecType(JNIEnv *, jobject, jlong id, jint type) {
    with_camera(id, [&](UVCCamera *camera) { camera->SetRecType(type); });
}

void nativeSetInternalAudio(JNIEnv *, jobject, jlong id, jboolean on) {
    with_camera(id, [&](UVCCamera *camera) { camera->SetInternalAudio(on != JNI_FALSE); });
}
