// Native side of the raw-frame bench: the bridge's raw-frame callback called the way the engine's
// raw-frame thread calls it (from a thread the VM does not know), next to a bare
// SetByteArrayRegion of the same bytes from an attached thread; CPU time per call of each.
#include <dlfcn.h>
#include <jni.h>
#include <time.h>

#include <thread>
#include <vector>

namespace {

// The bridge's raw-frame callback as the camera object receives it.
using RawdataCallback = void (*)(long, char *, int);
const char kRawdataSymbol[] = "_Z25call_java_RawdataCallbacklPci";

int64_t thread_cpu_ns() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

}  // namespace

extern "C" {

// CPU ns per call of the bridge's raw-frame callback for `bytes` bytes, or -1 when the loaded
// deliverable at `library` has no such function.
JNIEXPORT jdouble JNICALL Java_com_orrinworks_lumivodemo_RawFrameBench_bridgeCpuPerCall(
    JNIEnv *env, jclass, jstring library, jlong id, jint bytes, jint calls) {
    const char *path = env->GetStringUTFChars(library, nullptr);
    void *handle = path ? dlopen(path, RTLD_NOW | RTLD_NOLOAD) : nullptr;
    if (path)
        env->ReleaseStringUTFChars(library, path);
    RawdataCallback callback = handle ? (RawdataCallback)dlsym(handle, kRawdataSymbol) : nullptr;
    if (!callback || bytes <= 0 || calls <= 0) {
        if (handle)
            dlclose(handle);
        return -1;
    }
    std::vector<char> frame((size_t)bytes, 0x5a);
    int64_t spent = 0;
    std::thread caller([&] {
        const int64_t start = thread_cpu_ns();
        for (int i = 0; i < calls; i++)
            callback((long)id, frame.data(), bytes);
        spent = thread_cpu_ns() - start;
    });
    caller.join();
    dlclose(handle);
    return (double)spent / calls;
}

// CPU ns per SetByteArrayRegion of `bytes` bytes into `array`, from a thread attached once.
JNIEXPORT jdouble JNICALL Java_com_orrinworks_lumivodemo_RawFrameBench_bareCopyCpuPerCall(
    JNIEnv *env, jclass, jbyteArray array, jint bytes, jint calls) {
    JavaVM *vm = nullptr;
    if (!array || env->GetJavaVM(&vm) != JNI_OK || bytes <= 0 || calls <= 0 ||
        env->GetArrayLength(array) < bytes) {
        return -1;
    }
    jobject shared = env->NewGlobalRef(array);
    std::vector<char> frame((size_t)bytes, 0x5a);
    int64_t spent = -1;
    std::thread caller([&] {
        JNIEnv *own = nullptr;
        if (vm->AttachCurrentThread((void **)&own, nullptr) != JNI_OK)
            return;
        const int64_t start = thread_cpu_ns();
        for (int i = 0; i < calls; i++)
            own->SetByteArrayRegion((jbyteArray)shared, 0, bytes, (const jbyte *)frame.data());
        spent = thread_cpu_ns() - start;
        vm->DetachCurrentThread();
    });
    caller.join();
    env->DeleteGlobalRef(shared);
    return spent < 0 ? -1 : (double)spent / calls;
}

}  // extern "C"
