// The empty JNI method that the bridge benchmark measures the natives against.
#include <jni.h>

extern "C" JNIEXPORT void JNICALL Java_bridgebench_Bench_noop(JNIEnv *, jclass, jlong) {}
