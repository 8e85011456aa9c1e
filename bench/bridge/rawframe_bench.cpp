// Raw frames into Java at 1080p30: a live run counts the frames delivered to Java against the
// frames drawn, then the bridge's CPU per frame (attach, copy into the camera object's array,
// call, detach) is measured beside a bare SetByteArrayRegion of the same bytes, in one run.
// Usage: bridge_rawframe_bench [SECONDS]
#include <jni.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "description_file.h"
#include "host_android.h"
#include "onload_dispatch.h"
#include "uvc_testing.h"

namespace {

const int kWidth = 1920, kHeight = 1080, kFrameBytes = kWidth * kHeight * 4;

JNIEnv *g_env;

int64_t thread_cpu_ns() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

void check(bool ok, const char *what) {
    if (!ok || g_env->ExceptionCheck()) {
        if (g_env->ExceptionCheck())
            g_env->ExceptionDescribe();
        fprintf(stderr, "bridge_rawframe_bench: %s failed\n", what);
        exit(1);
    }
}

jclass find(const char *name) {
    jclass cls = g_env->FindClass(name);
    check(cls != nullptr, name);
    return cls;
}

void call_static_void(const char *className, const char *name, const char *signature,
                      jobject argument) {
    jclass cls = find(className);
    jmethodID method = g_env->GetStaticMethodID(cls, name, signature);
    check(method != nullptr, name);
    g_env->CallStaticVoidMethod(cls, method, argument);
    check(true, name);
}

jlong call_static_long(const char *className, const char *name) {
    jclass cls = find(className);
    jlong value = g_env->CallStaticLongMethod(cls, g_env->GetStaticMethodID(cls, name, "()J"));
    check(true, name);
    return value;
}

std::string webcam_1080p30() {
    std::ifstream file(uvc_test_default_description());
    std::stringstream text;
    text << file.rdbuf();
    return std::regex_replace(text.str(), std::regex("\ndefault = [^\n]*"),
                              "\ndefault = mjpeg 1920x1080") +
           "\n";
}

// CPU per call of `body` on a thread of its own, averaged over `calls`; with `attach` the
// thread is attached to the VM outside the measured calls.
template <typename Body>
double cpu_ns_per_call(JavaVM *vm, bool attach, int calls, Body body) {
    double result = 0;
    std::thread worker([&] {
        JNIEnv *env = nullptr;
        if (attach)
            vm->AttachCurrentThread((void **)&env, nullptr);
        int64_t start = thread_cpu_ns();
        for (int i = 0; i < calls; i++)
            body(env);
        result = (double)(thread_cpu_ns() - start) / calls;
        if (attach)
            vm->DetachCurrentThread();
    });
    worker.join();
    return result;
}

}  // namespace

int main(int argc, char **argv) {
    int seconds = argc > 1 ? atoi(argv[1]) : 30;
    host_log_set_echo(false);
    std::string classpath = std::string("-Djava.class.path=") + BENCH_CLASSPATH;
    std::string libraries = std::string("-Djava.library.path=") + LIBRARY_DIR;
    JavaVMOption options[] = {{const_cast<char *>(classpath.c_str()), nullptr},
                              {const_cast<char *>(libraries.c_str()), nullptr},
                              {const_cast<char *>("-Xmx1g"), nullptr}};
    JavaVMInitArgs args{JNI_VERSION_1_6, 3, options, JNI_FALSE};
    JavaVM *vm = nullptr;
    check(JNI_CreateJavaVM(&vm, (void **)&g_env, &args) == JNI_OK || (g_env = nullptr), "JVM");
    JNIEnv *env = g_env;
    call_static_void("com/orrinworks/lumivonative/Lumivo_Native", "loadLibrary",
                     "(Ljava/lang/String;)V", env->NewStringUTF(DELIVERABLE_PATH));
    call_static_void("bridgebench/RawCounter", "install", "()V", nullptr);

    // The live run, driven through the natives as an application would.
    jclass nativesClass = find("com/orrinworks/lumivonative/Lumivo_Native");
    jobject natives = env->NewObject(nativesClass, env->GetMethodID(nativesClass, "<init>", "()V"));
    auto method = [&](const char *name, const char *signature) {
        jmethodID id = env->GetMethodID(nativesClass, name, signature);
        check(id != nullptr, name);
        return id;
    };
    jlong id = env->CallLongMethod(natives, method("nativeCreate", "()J"));
    DescriptionFile device(webcam_1080p30());
    jint connected =
        env->CallIntMethod(natives, method("nativeConnect", "(JIIILjava/lang/String;)I"), id,
                           0x1bcf, 0x2c9a, device.fd(), env->NewStringUTF(""));
    check(connected == 0, "nativeConnect");
    jclass surfaceClass = find("android/view/Surface");
    jobject surface = env->NewObject(
        surfaceClass, env->GetMethodID(surfaceClass, "<init>", "(II)V"), kWidth, kHeight);
    check(surface != nullptr, "Surface");
    env->CallIntMethod(natives, method("nativeSetRecMode", "(JI)I"), id, 1);
    env->CallVoidMethod(natives, method("nativeSetResolution", "(JIIII)V"), id, 9, kWidth, kHeight,
                        0);
    env->CallIntMethod(natives, method("nativeSetPreviewDisplay", "(JLandroid/view/Surface;)I"), id,
                       surface);
    env->CallVoidMethod(natives, method("nativeUsingRawdataCallback", "(JZ)V"), id, JNI_TRUE);
    check(env->CallIntMethod(natives, method("nativeStartPreview", "(J)I"), id) == 0, "start");
    jmethodID postCount = env->GetMethodID(surfaceClass, "getPostCount", "()J");
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    env->CallIntMethod(natives, method("nativeStopPreview", "(J)I"), id);
    long long drawn = env->CallLongMethod(surface, postCount);
    long long delivered = call_static_long("bridgebench/RawCounter", "frames");

    // The bridge's cost per frame against a bare copy into the same kind of array.
    std::vector<char> frame(kFrameBytes, 7);
    const int calls = 100;
    double bridge = cpu_ns_per_call(vm, false, calls, [&](JNIEnv *) {
        call_java_RawdataCallback((long)id, frame.data(), kFrameBytes);
    });
    jbyteArray bare = (jbyteArray)env->NewGlobalRef(env->NewByteArray(kFrameBytes));
    double copy = cpu_ns_per_call(vm, true, calls, [&](JNIEnv *own) {
        own->SetByteArrayRegion(bare, 0, kFrameBytes, (const jbyte *)frame.data());
    });
    env->CallVoidMethod(natives, method("nativeDestroy", "(J)V"), id);

    double loads[3] = {0, 0, 0};
    if (getloadavg(loads, 3) < 0)
        loads[0] = -1;
    printf("raw frames 1080p30, %d s: drawn %lld, delivered to Java %lld (%.1f %%)\n", seconds,
           drawn, delivered, drawn ? 100.0 * delivered / drawn : 0.0);
    printf("bridge CPU per frame (attach, copy, call, detach): %.2f ms\n", bridge / 1e6);
    printf("bare SetByteArrayRegion of the same %d bytes:      %.2f ms (bridge %.2f x)\n",
           kFrameBytes, copy / 1e6, bridge / copy);
    printf("load average %.2f\n", loads[0]);
    return 0;
}
