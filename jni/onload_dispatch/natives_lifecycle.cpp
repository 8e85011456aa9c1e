// Native methods that create, connect, preview and destroy camera objects.
#include <android/native_window_jni.h>
#include <string.h>

#include "callback_scope.h"
#include "camera_id.h"
#include "error_codes.h"
#include "finisher.h"
#include "jni_arrays.h"
#include "logging.h"
#include "natives.h"
#include "onload_dispatch.h"

namespace {

const char *const kNativePtrField = "mNativePtr";

// Stores `value` in the calling object's "mNativePtr"; failures are logged only.
void set_native_ptr(JNIEnv *env, jobject thiz, jlong value) {
    jclass cls = thiz ? env->GetObjectClass(thiz) : nullptr;
    if (!cls) {
        clear_java_exception(env, "GetObjectClass");
        LOGE("GetObjectClass fail");
        return;
    }
    jfieldID field = env->GetFieldID(cls, kNativePtrField, "J");
    if (field) {
        env->SetLongField(thiz, field, value);
    } else {
        clear_java_exception(env, "GetFieldID");
        LOGE("__setField_long:field '%s' not found", kNativePtrField);
    }
    env->DeleteLocalRef(cls);
}

// A global reference to a new raw-frame array, or null (logged) when it cannot be made.
jbyteArray new_raw_array(JNIEnv *env) {
    jbyteArray local = env->NewByteArray(RAW_ARRAY_BYTES);
    if (!local) {
        clear_java_exception(env, "NewByteArray");
        LOGE("raw data array of %d bytes not created\n", RAW_ARRAY_BYTES);
        return nullptr;
    }
    jbyteArray global = (jbyteArray)env->NewGlobalRef(local);
    env->DeleteLocalRef(local);
    return global;
}

jlong create(JNIEnv *env, jobject thiz, bool internal) {
    UVCCamera *camera = internal ? new UVCCamera(true) : new UVCCamera();
    long id = id_of(camera);
    set_native_ptr(env, thiz, id);
    registry_add(id, internal ? nullptr : new_raw_array(env));
    return id;
}

}  // namespace

jlong nativeCreate(JNIEnv *env, jobject thiz) {
    return create(env, thiz, false);
}

jlong nativeCreate_internal(JNIEnv *env, jobject thiz) {
    return create(env, thiz, true);
}

// Only camera objects in the registry are destroyed: a stale or unknown id frees nothing. Later
// calls with the id miss at once; the object goes when the calls in flight have left.
void nativeDestroy(JNIEnv *env, jobject thiz, jlong id) {
    set_native_ptr(env, thiz, 0);
    if (id == 0)
        return;
    if (!registry_destroy(env, id))
        LOGE("nativeDestroy: no camera object %lld\n", (long long)id);
}

jint nativeConnect(JNIEnv *env, jobject, jlong id, jint vid, jint pid, jint fd, jstring usbfs) {
    return with_camera(
        id, -1,
        [&](UVCCamera *camera) {
            if (fd <= 0) {
                int result = camera->connect(0, 0, 0, call_java_triggerCb, false, nullptr);
                camera->SetCameraID((long)id);
                camera->setErrorNotifyCallback(call_java_ErrorCallback);
                return result;
            }
            StringChars path(env, usbfs);
            int result = camera->connect(vid, pid, fd, call_java_triggerCb, bDebug, path.c_str());
            if (result == 0) {
                camera->SetCameraID((long)id);
                camera->setAudioVolumeCallback(call_java_VolumeCb);
                camera->setFirstPreviewCallback(call_java_PictureReadyCb);
                camera->setErrorNotifyCallback(call_java_ErrorCallback);
            }
            return result;
        },
        CameraAccess::alone);
}

// From a callback the release runs on the finisher once the callback has returned: the
// callback's thread may be one that the release ends.
jint nativeRelease(JNIEnv *, jobject, jlong id) {
    auto release = [id] {
        return with_camera(
            id, -1, [](UVCCamera *camera) { return camera->release(); }, CameraAccess::alone);
    };
    if (!in_callback())
        return release();
    if (id == 0)
        return -1;
    Finisher::instance().hand_over(camera_of(id), release);
    return 0;
}

jint nativeStartPreview(JNIEnv *, jobject, jlong id) {
    return with_camera(id, -1, [](UVCCamera *camera) { return camera->startPreview(); });
}

jint nativeStopPreview(JNIEnv *, jobject, jlong id) {
    return with_camera(id, -1, [](UVCCamera *camera) { return camera->stopPreview(); });
}

namespace {

// The window reference taken here belongs to the camera object from then on.
jint hand_over_window(JNIEnv *env, jlong id, int (UVCCamera::*setter)(ANativeWindow *),
                      jobject surface) {
    return with_camera(id, -1, [&](UVCCamera *camera) {
        return (camera->*setter)(surface ? ANativeWindow_fromSurface(env, surface) : nullptr);
    });
}

}  // namespace

jint nativeSetPreviewDisplay(JNIEnv *env, jobject, jlong id, jobject surface) {
    return hand_over_window(env, id, &UVCCamera::setPreviewDisplay, surface);
}

jint nativeSetCaptureDisplay(JNIEnv *env, jobject, jlong id, jobject surface) {
    return hand_over_window(env, id, &UVCCamera::setCaptureDisplay, surface);
}

void nativeSetResolution(JNIEnv *, jobject, jlong id, jint format, jint width, jint height,
                         jint frame) {
    with_camera(id,
                [&](UVCCamera *camera) { camera->setResolution(format, width, height, frame); });
}

jstring nativegetLastError(JNIEnv *env, jobject, jlong id) {
    return with_camera(id, (jstring) nullptr, [&](UVCCamera *camera) {
        char text[LAST_ERROR_SIZE];
        memset(text, 0, sizeof(text));
        camera->getLastError(text);
        text[LAST_ERROR_SIZE - 1] = '\0';
        return env->NewStringUTF(text);
    });
}

jint nativeCameraIsRunning(JNIEnv *, jobject, jlong id) {
    return with_camera(id, 0, [](UVCCamera *camera) { return camera->IsRunning(); });
}

jstring nativegetLibraryVersion(JNIEnv *env, jobject, jlong) {
    return env->NewStringUTF(LIBRARY_VERSION);
}

void nativesetDebug(JNIEnv *, jobject, jlong id, jboolean debug) {
    bDebug = debug != JNI_FALSE;
    with_camera(id, [&](UVCCamera *camera) { camera->setDebug(debug != JNI_FALSE); });
}

jdouble nativegetviewFPS(JNIEnv *, jobject, jlong id) {
    return with_camera(id, 0.0, [](UVCCamera *camera) { return camera->getviewFPS(); });
}

void nativeUsingRawdataCallback(JNIEnv *, jobject, jlong id, jboolean on) {
    with_camera(id, [&](UVCCamera *camera) {
        camera->SetRawdataCallback(on ? call_java_RawdataCallback : nullptr);
    });
}

jint nativeSetRecMode(JNIEnv *, jobject, jlong id, jint mode) {
    with_camera(id, [&](UVCCamera *camera) { camera->setRecMode(mode); });
    return 0;
}
