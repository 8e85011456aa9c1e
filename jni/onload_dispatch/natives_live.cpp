// Native methods for live streaming: connection settings, the service address and the
// transfer statistics of the running stream.
#include "camera_id.h"
#include "natives.h"

// The setter yields no value, so the result carries none.
jint nativesetTlinkWaitTime(JNIEnv *, jobject, jlong id, jint ms) {
    with_camera(id, [&](UVCCamera *camera) { camera->setTlinkWaitTime(ms); });
    return 0;
}

void nativesetTlinkMode(JNIEnv *, jobject, jlong id, jint mode) {
    with_camera(id, [&](UVCCamera *camera) { camera->setTLinkMode(mode); });
}

jstring nativegetTLinkUrl(JNIEnv *env, jobject, jlong id) {
    return with_camera(id, (jstring) nullptr, [&](UVCCamera *camera) {
        const char *url = camera->getTLinkUrl();
        return env->NewStringUTF(url ? url : "");
    });
}

jdouble nativegetTransmissionperSec(JNIEnv *, jobject, jlong id) {
    return with_camera(id, 0.0, [](UVCCamera *camera) { return camera->getTransmission_sec(); });
}

jdouble nativegetAudioTransmissionperSec(JNIEnv *, jobject, jlong id) {
    return with_camera(id, 0.0, [](UVCCamera *camera) { return camera->getAudioTransmission(); });
}

jdouble nativegetVideoTransmissionperSec(JNIEnv *, jobject, jlong id) {
    return with_camera(id, 0.0, [](UVCCamera *camera) { return camera->getVideoTransmission(); });
}

jint nativegetAudioDropFrame(JNIEnv *, jobject, jlong id) {
    return with_camera(id, 0, [](UVCCamera *camera) { return camera->getAudioDropFrame(); });
}

jint nativegetVideoDropFrame(JNIEnv *, jobject, jlong id) {
    return with_camera(id, 0, [](UVCCamera *camera) { return camera->getVideoDropFrame(); });
}

void nativesetTlinkLogLevel(JNIEnv *, jobject, jlong id, jint level) {
    with_camera(id, [&](UVCCamera *camera) { camera->SetTlinkLogLevel(level); });
}

void nativesetTlinkDeblock(JNIEnv *, jobject, jlong id, jint deblock) {
    with_camera(id, [&](UVCCamera *camera) { camera->setTlinkDeblock(deblock); });
}

void nativesetIframeInterval(JNIEnv *, jobject, jlong id, jint interval) {
    with_camera(id, [&](UVCCamera *camera) { camera->setIframeInterval((unsigned)interval); });
}
