// Process-wide state of the Java bridge: the VM, the cached callback class and methods, and
// the registry of live camera objects. Loading, registration and unloading live in
// onload_dispatch.cpp, the registry in camera_registry.cpp, the callbacks in java_callbacks.cpp.
#pragma once

#include <jni.h>

#include <atomic>

#include "ObjectArray.h"
#include "thread_annotations.h"

#define LUMIVO_NATIVE_CLASS "com/orrinworks/lumivonative/Lumivo_Native"
#define NATIVE_CAMERA_CLASS "com/orrinworks/lumivonative/NativeCamera"
#define LIBRARY_VERSION "1.44.7.0614"
#define NATIVE_METHOD_COUNT 78
// Bytes of the Java array that carries every raw frame of one camera object.
#define RAW_ARRAY_BYTES 36000000

// One live camera object.
struct _CameraInfo {
    jbyteArray Rawarr;  // global reference; null for an internal-source camera object
    long CameraID;      // the camera object's address, as Java holds it
    // Native calls in flight on the camera object (guarded by g_Infomutex): `calls` share it,
    // `alone` is set while one call that replaces its engine (connect, release) runs by itself,
    // `waitingAlone` counts such calls waiting for their turn.
    int calls;
    bool alone;
    int waitingAlone;
};

extern JavaVM *g_VM;
// Guards g_CameraInfo and the Rawarr references of its records.
extern Mutex g_Infomutex;
extern ObjectArray<_CameraInfo *> g_CameraInfo GUARDED_BY(g_Infomutex);
extern jclass g_jNativesCls;
extern jmethodID g_mid, g_mid1, g_mid2, g_midRAWCB, g_midErrorCB;
// Debug flag handed to the camera object at connect; written by nativesetDebug.
extern std::atomic<bool> bDebug;

int register_uvccamera(JNIEnv *env);
int registerNativeMethods(JNIEnv *env, const char *className, JNINativeMethod *methods, int count);
void jni_unload(JNIEnv *env);

// Registry (camera_registry.cpp); each takes g_Infomutex itself.
void registry_add(long cameraId, jbyteArray rawArray);
bool registry_contains(jlong cameraId);
// A new local reference to the camera object's raw array, or null (no record or no array).
// `found` tells whether a record exists.
jbyteArray registry_raw_array(JNIEnv *env, jlong cameraId, bool *found);
// Takes the record out of the registry (later look-ups miss), deletes its array reference,
// then deletes the camera object once no call holds it: here when the calling thread may wait,
// else on the finisher. False when the id names no record.
bool registry_destroy(JNIEnv *env, jlong cameraId);
// Destroys every camera object still registered (library unload).
void registry_destroy_all(JNIEnv *env);

// Callbacks into the NativeCamera class, from any thread (java_callbacks.cpp).
void call_java_triggerCb(long id, char *data, int size, int format);
void call_java_VolumeCb(long id, char *data, int size, int a, int b);
void call_java_PictureReadyCb(long id);
void call_java_RawdataCallback(long id, char *data, int size);
void call_java_ErrorCallback(long id, long errorClass, int value, char *message);
