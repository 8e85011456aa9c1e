// Reads the native handle a Java stand-in object keeps in a long field.
#pragma once

#include <jni.h>

#include "host_registry.h"

// The registered host object behind `object`: the object itself when it is a host handle,
// else the value of its long field `field`; null when neither names a live object.
inline void *host_object_from_java(JNIEnv *env, jobject object, HostKind kind, const char *field) {
    if (!object)
        return nullptr;
    if (host_registry_contains(kind, object))
        return object;
    if (!env)
        return nullptr;
    jclass cls = env->GetObjectClass(object);
    jfieldID id = cls ? env->GetFieldID(cls, field, "J") : nullptr;
    if (!id) {
        env->ExceptionClear();
        return nullptr;
    }
    void *handle = (void *)(intptr_t)env->GetLongField(object, id);
    return host_registry_contains(kind, handle) ? handle : nullptr;
}
