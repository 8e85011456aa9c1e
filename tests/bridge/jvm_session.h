// A real JVM inside the test process (one per process, started with -Xcheck:jni), the
// deliverable loaded into it the way an application loads it, and calls of the Java methods of
// Lumivo_Native, Surface, Bitmap and the test's EventLog.
#pragma once

#include <jni.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The class path of the application's classes and the test's own, given by the build.
std::string standard_classpath();
// The deliverable under test (defined by each test program).
const char *deliverable_path();

// Receives every line the JVM prints (its -Xcheck:jni complaints among them).
typedef jint (*JvmOutputHook)(FILE *stream, const char *format, va_list args);

// The process's VM; started at the first call with `classpath`. A second call with another
// class path fails (the JVM cannot be started twice in one process).
JNIEnv *jvm_start(const std::string &classpath, std::string *error,
                  const std::vector<std::string> &extraOptions = {},
                  JvmOutputHook outputHook = nullptr);
JavaVM *jvm();
// The calling thread's environment; null when the thread is not attached.
JNIEnv *jvm_env();

// The pending exception as "class: message", cleared; "" when none.
std::string take_exception(JNIEnv *env);

// Loads the deliverable through bridgetest.Loader; "" on success, else the exception text.
std::string load_deliverable(JNIEnv *env);

// Result of a Java call: the value and the exception text ("" when it returned normally).
struct JavaResult {
    jvalue value{};
    std::string exception;
};

// Calls an instance or static method; the return type is taken from the signature.
JavaResult call_method(JNIEnv *env, jobject object, const char *name, const char *signature, ...);
JavaResult call_static(JNIEnv *env, const char *className, const char *name, const char *signature,
                       ...);
// As call_method with the arguments in an array.
JavaResult call_method_args(JNIEnv *env, jobject object, const char *name, const char *signature,
                            const jvalue *args);
// A new object through the constructor of `signature`; null (and a test failure) on error.
jobject new_object(JNIEnv *env, const char *className, const char *signature, ...);

std::string java_string(JNIEnv *env, jstring text);
std::vector<uint8_t> java_bytes(JNIEnv *env, jbyteArray array);
std::vector<int> java_ints(JNIEnv *env, jintArray array);
jintArray new_ints(JNIEnv *env, const std::vector<int> &values);
jbyteArray new_bytes(JNIEnv *env, const std::vector<uint8_t> &values);

// Field readers of a Java object.
jlong long_field(JNIEnv *env, jobject object, const char *name);
jint int_field(JNIEnv *env, jobject object, const char *name);
jboolean bool_field(JNIEnv *env, jobject object, const char *name);
jobject object_field(JNIEnv *env, jobject object, const char *name, const char *signature);

// One recorded engine event (bridgetest.EventLog.Event).
struct JavaEvent {
    long long id;
    std::vector<uint8_t> data;
    bool hasData;
    int size;
    long long a;
    int b, c;
    bool flag;
    bool sameArrayAsBefore;
    bool threadAlive;
    bool mainThread;  // delivered on the thread that runs the test
};
std::vector<JavaEvent> java_events(JNIEnv *env, const char *kind);
int java_event_count(JNIEnv *env, const char *kind);
