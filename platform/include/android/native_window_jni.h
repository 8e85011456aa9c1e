// Native window from a Java Surface, as the system calls it.
#pragma once

#include <jni.h>

#include "native_window.h"

#ifdef __cplusplus
extern "C" {
#endif

// The window behind the Surface, with one reference taken for the caller; null when none.
ANativeWindow *ANativeWindow_fromSurface(JNIEnv *env, jobject surface);

#ifdef __cplusplus
}
#endif
