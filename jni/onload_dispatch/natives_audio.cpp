// Native methods for the microphone settings and the sound of the application.
#include "camera_id.h"
#include "jni_arrays.h"
#include "natives.h"

namespace {

// Rates of one USB audio format descriptor: a count byte limits the list to 255.
const int kRateListCount = 1 + 255;

}  // namespace

jint nativegetAudioSamplerateList(JNIEnv *env, jobject, jlong id, jintArray out) {
    UVCCamera *camera = camera_of(id);
    if (!camera)
        return 0;
    IntArrayBuffer rates(env, out, kRateListCount);
    return camera->getAudioSamplerateList(rates.data());
}

void nativesetAudioSamplerate(JNIEnv *, jobject, jlong id, jint rate) {
    if (UVCCamera *camera = camera_of(id))
        camera->setAudioSamplerate(rate);
}

jint nativesetAudioVolume(JNIEnv *, jobject, jlong id, jint volume) {
    UVCCamera *camera = camera_of(id);
    return camera ? camera->setAudioVolume(volume) : 0;
}

void nativesetAudioDenoise(JNIEnv *, jobject, jlong id, jboolean on, jint level) {
    if (UVCCamera *camera = camera_of(id))
        camera->setAudioDenoise(on != JNI_FALSE, level);
}

void nativesetAudioEchocancel(JNIEnv *, jobject, jlong id, jboolean on, jint db, jint activedb) {
    if (UVCCamera *camera = camera_of(id))
        camera->setAudioEchocancel(on != JNI_FALSE, db, activedb);
}

void nativesetAudioDereverd(JNIEnv *, jobject, jlong id, jboolean on) {
    if (UVCCamera *camera = camera_of(id))
        camera->setAudioDereverd(on != JNI_FALSE);
}

void nativesetAudioAgc(JNIEnv *, jobject, jlong id, jboolean on, jint level) {
    if (UVCCamera *camera = camera_of(id))
        camera->setAudioAgc(on != JNI_FALSE, level);
}

void nativesetForceAudioSamplerate(JNIEnv *, jobject, jlong id, jint rate) {
    if (UVCCamera *camera = camera_of(id))
        camera->setForceAudioSamplerate(rate);
}

void nativeaudioDataCallback_internal(JNIEnv *env, jobject, jlong id, jbyteArray data, jint size) {
    UVCCamera *camera = camera_of(id);
    if (!camera)
        return;
    PinnedBytes samples(env, data);
    camera->audioDataCallback_internal((unsigned char *)samples.data(), samples.clamp(size));
}

void nativeSetAudioChannels_internal(JNIEnv *, jobject, jlong id, jint channels) {
    if (UVCCamera *camera = camera_of(id))
        camera->SetAudioChannels_internal(channels);
}

void nativeSetAudioBit_internal(JNIEnv *, jobject, jlong id, jint bit) {
    if (UVCCamera *camera = camera_of(id))
        camera->SetAudioBit_internal(bit);
}

void nativeSetAudioSamplerate_internal(JNIEnv *, jobject, jlong id, jint rate) {
    if (UVCCamera *camera = camera_of(id))
        camera->SetAudioSamplerate_internal(rate);
}

void nativeSetRecType(JNIEnv *, jobject, jlong id, jint type) {
    if (UVCCamera *camera = camera_of(id))
        camera->SetRecType(type);
}

void nativeSetInternalAudio(JNIEnv *, jobject, jlong id, jboolean on) {
    if (UVCCamera *camera = camera_of(id))
        camera->SetInternalAudio(on != JNI_FALSE);
}
