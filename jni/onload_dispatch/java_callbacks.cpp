// Events of native threads to the static methods of NativeCamera. A thread that the VM does not
// know is attached for the one call and detached after it; a thread it knows stays as it is.
// Every Java call is followed by a check that logs and clears an exception the method threw, so
// no exception is left pending on a native thread or carried into the next callback.
#include <string.h>

#include "callback_scope.h"
#include "jni_arrays.h"
#include "logging.h"
#include "onload_dispatch.h"

namespace {

class JavaThread {
  public:
    JavaThread() {
        if (!g_VM)
            return;
        if (g_VM->GetEnv((void **)&mEnv, JNI_VERSION_1_6) >= 0)
            return;
        mEnv = nullptr;
        if (g_VM->AttachCurrentThread((void **)&mEnv, nullptr) < 0) {
            LOGE("failed to attach current thread");
            mEnv = nullptr;
            return;
        }
        mAttached = true;
    }
    ~JavaThread() {
        if (mAttached)
            g_VM->DetachCurrentThread();
    }
    JavaThread(const JavaThread &) = delete;
    JavaThread &operator=(const JavaThread &) = delete;

    JNIEnv *env() const { return mEnv; }

    // Calls a static method of NativeCamera, then clears what it threw.
    template <typename... Args>
    void call(jmethodID method, const char *name, Args... args) {
        mEnv->CallStaticVoidMethod(g_jNativesCls, method, args...);
        clear_java_exception(mEnv, name);
    }

  private:
    // Whatever Java does in the callback counts as engine work (callback_scope.h).
    CallbackScope mScope;
    JNIEnv *mEnv = nullptr;
    bool mAttached = false;
};

// A new Java array holding `size` bytes of `data`; null (logged) when it cannot be made.
jbyteArray new_array(JNIEnv *env, const char *data, int size) {
    jbyteArray array = env->NewByteArray(size);
    if (!array) {
        clear_java_exception(env, "NewByteArray");
        LOGE("error: NewByteArray for stream\n");
        return nullptr;
    }
    if (size > 0)
        env->SetByteArrayRegion(array, 0, size, (const jbyte *)data);
    return array;
}

// Still and volume events carry their bytes in a new array.
template <typename... Extra>
void call_with_bytes(jmethodID method, const char *name, long id, char *data, int size,
                     Extra... extra) {
    if (size < 0 || (size > 0 && !data)) {
        LOGE("%s: no data for %d bytes, skipped\n", name, size);
        return;
    }
    JavaThread thread;
    if (!thread.env())
        return;
    jbyteArray array = new_array(thread.env(), data, size);
    if (!array)
        return;
    thread.call(method, name, (jlong)id, array, (jint)size, extra...);
    thread.env()->DeleteLocalRef(array);
}

}  // namespace

void call_java_triggerCb(long id, char *data, int size, int format) {
    call_with_bytes(g_mid, "StillTriggerCallback", id, data, size, (jint)format);
}

void call_java_VolumeCb(long id, char *data, int size, int a, int b) {
    call_with_bytes(g_mid1, "VolumeCallback", id, data, size, (jint)a, (jint)b);
}

void call_java_PictureReadyCb(long id) {
    JavaThread thread;
    if (thread.env())
        thread.call(g_mid2, "sendPictureTake", (jlong)id, (jint)2, (jboolean)JNI_TRUE);
}

// The camera object's own array carries the frame; a frame it cannot hold is skipped.
void call_java_RawdataCallback(long id, char *data, int size) {
    if (size < 0 || (size > 0 && !data)) {
        LOGE("PreviewDataCallback: no data for %d bytes, skipped\n", size);
        return;
    }
    JavaThread thread;
    JNIEnv *env = thread.env();
    if (!env)
        return;
    bool found = false;
    jbyteArray array = registry_raw_array(env, id, &found);
    if (!found) {
        LOGE("Not found CameraID\n");
        return;
    }
    if (!array) {
        LOGE(" Info->Rawarr == NULL\n");
        return;
    }
    if (size > env->GetArrayLength(array)) {
        LOGE("raw frame of %d bytes is larger than the array, skipped\n", size);
    } else {
        env->SetByteArrayRegion(array, 0, size, (const jbyte *)data);
        thread.call(g_midRAWCB, "PreviewDataCallback", (jlong)id, array, (jint)size);
    }
    env->DeleteLocalRef(array);
}

void call_java_ErrorCallback(long id, long errorClass, int value, char *message) {
    LOGE("IN\n");
    JavaThread thread;
    JNIEnv *env = thread.env();
    if (!env)
        return;
    if (!registry_contains(id)) {
        LOGE("Not found CameraID\n");
        return;
    }
    int length = message ? (int)strlen(message) : 0;
    jbyteArray array = new_array(env, message, length);
    if (!array)
        return;
    thread.call(g_midErrorCB, "notifyErrCallback", (jlong)id, (jlong)errorClass, (jint)value,
                array);
    env->DeleteLocalRef(array);
}
