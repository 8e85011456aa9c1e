#include "jvm_session.h"

#include <gtest/gtest.h>
#include <stdarg.h>
#include <string.h>

namespace {

JavaVM *g_vm = nullptr;
std::string g_classpath;

std::string option(const std::string &name, const std::string &value) {
    return name + value;
}

}  // namespace

std::string standard_classpath() {
    return std::string(BRIDGE_TEST_JAR) + ":" + ORRIN_JAVA_JAR;
}

JNIEnv *jvm_start(const std::string &classpath, std::string *error,
                  const std::vector<std::string> &extraOptions, JvmOutputHook outputHook) {
    if (g_vm) {
        if (classpath != g_classpath) {
            *error = "the JVM runs with another class path; run this case in its own process";
            return nullptr;
        }
        return jvm_env();
    }
    std::vector<std::string> texts = {
        option("-Djava.class.path=", classpath),
        option("-Djava.library.path=", LIBRARY_DIR),
        "-Xcheck:jni",
        "-Xss8m",
        "-Xmx1g",
    };
    texts.insert(texts.end(), extraOptions.begin(), extraOptions.end());
    std::vector<JavaVMOption> options(texts.size());
    for (size_t i = 0; i < texts.size(); i++)
        options[i].optionString = const_cast<char *>(texts[i].c_str());
    if (outputHook) {
        JavaVMOption hook;
        hook.optionString = const_cast<char *>("vfprintf");
        hook.extraInfo = (void *)outputHook;
        options.push_back(hook);
    }
    JavaVMInitArgs args;
    args.version = JNI_VERSION_1_6;
    args.nOptions = (jint)options.size();
    args.options = options.data();
    args.ignoreUnrecognized = JNI_FALSE;
    JNIEnv *env = nullptr;
    if (JNI_CreateJavaVM(&g_vm, (void **)&env, &args) != JNI_OK) {
        *error = "JNI_CreateJavaVM failed";
        g_vm = nullptr;
        return nullptr;
    }
    g_classpath = classpath;
    return env;
}

JavaVM *jvm() {
    return g_vm;
}

JNIEnv *jvm_env() {
    JNIEnv *env = nullptr;
    if (!g_vm || g_vm->GetEnv((void **)&env, JNI_VERSION_1_6) != JNI_OK)
        return nullptr;
    return env;
}

std::string take_exception(JNIEnv *env) {
    if (!env->ExceptionCheck())
        return "";
    jthrowable thrown = env->ExceptionOccurred();
    env->ExceptionClear();
    jclass cls = env->GetObjectClass(thrown);
    jmethodID toString = env->GetMethodID(cls, "toString", "()Ljava/lang/String;");
    jstring text = (jstring)env->CallObjectMethod(thrown, toString);
    std::string result = env->ExceptionCheck() ? "exception" : java_string(env, text);
    env->ExceptionClear();
    env->DeleteLocalRef(text);
    env->DeleteLocalRef(cls);
    env->DeleteLocalRef(thrown);
    return result.empty() ? "exception" : result;
}

std::string load_deliverable(JNIEnv *env) {
    jstring path = env->NewStringUTF(deliverable_path());
    JavaResult result =
        call_static(env, "bridgetest/Loader", "load", "(Ljava/lang/String;)V", path);
    env->DeleteLocalRef(path);
    return result.exception;
}

namespace {

JavaResult call_v(JNIEnv *env, jobject object, jclass cls, const char *name, const char *signature,
                  va_list args) {
    JavaResult result;
    jmethodID method = object ? env->GetMethodID(cls, name, signature)
                              : env->GetStaticMethodID(cls, name, signature);
    if (!method) {
        result.exception = take_exception(env);
        return result;
    }
    switch (strchr(signature, ')')[1]) {
        case 'V':
            object ? env->CallVoidMethodV(object, method, args)
                   : env->CallStaticVoidMethodV(cls, method, args);
            break;
        case 'Z':
            result.value.z = object ? env->CallBooleanMethodV(object, method, args)
                                    : env->CallStaticBooleanMethodV(cls, method, args);
            break;
        case 'I':
            result.value.i = object ? env->CallIntMethodV(object, method, args)
                                    : env->CallStaticIntMethodV(cls, method, args);
            break;
        case 'J':
            result.value.j = object ? env->CallLongMethodV(object, method, args)
                                    : env->CallStaticLongMethodV(cls, method, args);
            break;
        case 'D':
            result.value.d = object ? env->CallDoubleMethodV(object, method, args)
                                    : env->CallStaticDoubleMethodV(cls, method, args);
            break;
        default:
            result.value.l = object ? env->CallObjectMethodV(object, method, args)
                                    : env->CallStaticObjectMethodV(cls, method, args);
            break;
    }
    result.exception = take_exception(env);
    return result;
}

}  // namespace

JavaResult call_method(JNIEnv *env, jobject object, const char *name, const char *signature, ...) {
    jclass cls = env->GetObjectClass(object);
    va_list args;
    va_start(args, signature);
    JavaResult result = call_v(env, object, cls, name, signature, args);
    va_end(args);
    env->DeleteLocalRef(cls);
    return result;
}

JavaResult call_static(JNIEnv *env, const char *className, const char *name, const char *signature,
                       ...) {
    JavaResult result;
    jclass cls = env->FindClass(className);
    if (!cls) {
        result.exception = take_exception(env);
        return result;
    }
    va_list args;
    va_start(args, signature);
    result = call_v(env, nullptr, cls, name, signature, args);
    va_end(args);
    env->DeleteLocalRef(cls);
    return result;
}

JavaResult call_method_args(JNIEnv *env, jobject object, const char *name, const char *signature,
                            const jvalue *args) {
    JavaResult result;
    jclass cls = env->GetObjectClass(object);
    jmethodID method = env->GetMethodID(cls, name, signature);
    env->DeleteLocalRef(cls);
    if (!method) {
        result.exception = take_exception(env);
        return result;
    }
    switch (strchr(signature, ')')[1]) {
        case 'V':
            env->CallVoidMethodA(object, method, args);
            break;
        case 'I':
            result.value.i = env->CallIntMethodA(object, method, args);
            break;
        case 'J':
            result.value.j = env->CallLongMethodA(object, method, args);
            break;
        case 'D':
            result.value.d = env->CallDoubleMethodA(object, method, args);
            break;
        default:
            result.value.l = env->CallObjectMethodA(object, method, args);
            break;
    }
    result.exception = take_exception(env);
    return result;
}

jobject new_object(JNIEnv *env, const char *className, const char *signature, ...) {
    jclass cls = env->FindClass(className);
    jmethodID constructor = cls ? env->GetMethodID(cls, "<init>", signature) : nullptr;
    jobject object = nullptr;
    if (constructor) {
        va_list args;
        va_start(args, signature);
        object = env->NewObjectV(cls, constructor, args);
        va_end(args);
    }
    std::string thrown = take_exception(env);
    EXPECT_EQ(thrown, "") << "new " << className;
    if (cls)
        env->DeleteLocalRef(cls);
    return object;
}

std::string java_string(JNIEnv *env, jstring text) {
    if (!text)
        return "";
    const char *chars = env->GetStringUTFChars(text, nullptr);
    std::string result = chars ? chars : "";
    if (chars)
        env->ReleaseStringUTFChars(text, chars);
    return result;
}

std::vector<uint8_t> java_bytes(JNIEnv *env, jbyteArray array) {
    std::vector<uint8_t> bytes(array ? env->GetArrayLength(array) : 0);
    if (!bytes.empty())
        env->GetByteArrayRegion(array, 0, (jsize)bytes.size(), (jbyte *)bytes.data());
    return bytes;
}

std::vector<int> java_ints(JNIEnv *env, jintArray array) {
    std::vector<int> values(array ? env->GetArrayLength(array) : 0);
    if (!values.empty())
        env->GetIntArrayRegion(array, 0, (jsize)values.size(), values.data());
    return values;
}

jintArray new_ints(JNIEnv *env, const std::vector<int> &values) {
    jintArray array = env->NewIntArray((jsize)values.size());
    env->SetIntArrayRegion(array, 0, (jsize)values.size(), values.data());
    return array;
}

jbyteArray new_bytes(JNIEnv *env, const std::vector<uint8_t> &values) {
    jbyteArray array = env->NewByteArray((jsize)values.size());
    env->SetByteArrayRegion(array, 0, (jsize)values.size(), (const jbyte *)values.data());
    return array;
}

namespace {

jfieldID field_of(JNIEnv *env, jobject object, const char *name, const char *signature) {
    jclass cls = env->GetObjectClass(object);
    jfieldID field = env->GetFieldID(cls, name, signature);
    env->DeleteLocalRef(cls);
    EXPECT_NE(field, nullptr) << name;
    return field;
}

}  // namespace

jlong long_field(JNIEnv *env, jobject object, const char *name) {
    jfieldID field = field_of(env, object, name, "J");
    return field ? env->GetLongField(object, field) : 0;
}

jint int_field(JNIEnv *env, jobject object, const char *name) {
    jfieldID field = field_of(env, object, name, "I");
    return field ? env->GetIntField(object, field) : 0;
}

jboolean bool_field(JNIEnv *env, jobject object, const char *name) {
    jfieldID field = field_of(env, object, name, "Z");
    return field ? env->GetBooleanField(object, field) : JNI_FALSE;
}

jobject object_field(JNIEnv *env, jobject object, const char *name, const char *signature) {
    jfieldID field = field_of(env, object, name, signature);
    return field ? env->GetObjectField(object, field) : nullptr;
}

std::vector<JavaEvent> java_events(JNIEnv *env, const char *kind) {
    std::vector<JavaEvent> events;
    jstring name = env->NewStringUTF(kind);
    JavaResult found = call_static(env, "bridgetest/EventLog", "of",
                                   "(Ljava/lang/String;)[Lbridgetest/EventLog$Event;", name);
    env->DeleteLocalRef(name);
    EXPECT_EQ(found.exception, "");
    jobjectArray array = (jobjectArray)found.value.l;
    JavaResult current =
        call_static(env, "java/lang/Thread", "currentThread", "()Ljava/lang/Thread;");
    for (jsize i = 0; array && i < env->GetArrayLength(array); i++) {
        jobject item = env->GetObjectArrayElement(array, i);
        JavaEvent event;
        event.id = long_field(env, item, "id");
        jbyteArray data = (jbyteArray)object_field(env, item, "data", "[B");
        event.hasData = data != nullptr;
        event.data = java_bytes(env, data);
        event.size = int_field(env, item, "size");
        event.a = long_field(env, item, "a");
        event.b = int_field(env, item, "b");
        event.c = int_field(env, item, "c");
        event.flag = bool_field(env, item, "flag");
        event.sameArrayAsBefore = bool_field(env, item, "sameArrayAsBefore");
        jobject thread = object_field(env, item, "thread", "Ljava/lang/Thread;");
        event.threadAlive = call_method(env, thread, "isAlive", "()Z").value.z;
        event.mainThread = env->IsSameObject(thread, current.value.l);
        env->DeleteLocalRef(thread);
        if (data)
            env->DeleteLocalRef(data);
        env->DeleteLocalRef(item);
        events.push_back(event);
    }
    if (current.value.l)
        env->DeleteLocalRef(current.value.l);
    if (array)
        env->DeleteLocalRef(array);
    return events;
}

int java_event_count(JNIEnv *env, const char *kind) {
    jstring name = env->NewStringUTF(kind);
    JavaResult result =
        call_static(env, "bridgetest/EventLog", "count", "(Ljava/lang/String;)I", name);
    env->DeleteLocalRef(name);
    return result.value.i;
}

// Under AddressSanitizer: the JVM takes SIGSEGV for its own null checks and safepoints, and
// keeps memory it never frees for the life of the process (its own allocations and those of
// the JDK libraries it calls).
extern "C" const char *__asan_default_options() {
    return "handle_segv=0:allow_user_segv_handler=1";
}

extern "C" const char *__lsan_default_suppressions() {
    return "leak:libjvm.so\nleak:libjli.so\nleak:libjava.so\nleak:libzip.so\nleak:libz.so\n";
}
