// Java arrays, strings and sizes of every kind through the natives that take them, called from
// Java code in a real JVM (-Xcheck:jni) on the three kinds of camera id: none (0), a connected
// virtual webcam and an internal-source camera. A run ends on a sanitizer report, a -Xcheck:jni
// complaint, an exception a native leaves behind, or an array a native changed although it only
// reads it. Input: up to 16 calls, each taking its operation, camera id, array lengths and
// contents, sizes and strings from the input in turn.
#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "description_file.h"
#include "host_android.h"
#include "jni_arrays.h"
#include "jvm_session.h"
#include "uvc_testing.h"

const char *deliverable_path() {
    return DELIVERABLE_PATH;
}

namespace {

// Set by a -Xcheck:jni complaint; the run stops after the call, once the JVM has printed the
// Java stack that follows the complaint. Everything the JVM prints still reaches stderr.
std::atomic<bool> g_jniComplaint{false};

jint check_jvm_output(FILE *stream, const char *format, va_list args) {
    char line[2048];
    va_list copy;
    va_copy(copy, args);
    vsnprintf(line, sizeof(line), format, copy);
    va_end(copy);
    if (strstr(line, "in native method"))
        g_jniComplaint = true;
    // Flushed at once: a failing run aborts, and what the JVM printed last tells why.
    jint written = fputs(line, stream) < 0 ? -1 : (jint)strlen(line);
    fflush(stream);
    return written;
}

struct Native {
    const char *name;
    const char *signature;
    jmethodID method;
};

enum Call {
    kDevInfo,
    kCaptureBuf,
    kSendMessage,
    kRecvMessage,
    kSetRecording,
    kTerminalControl,
    kUnitControl,
    kEnableControl,
    kSampleRates,
    kStillSizes,
    kWatermark1,
    kWatermarkBuf,
    kUserWatermarkBuf,
    kPanTilt,
    kAudioData,
    kVideoData,
    kSetPixels,
    kStartRecording,
    kFilePath,
    kStartInternal,
    kConnect,
    kCallCount
};

Native g_natives[kCallCount] = {
    {"nativegetUVCDevInfo", "(J[I)I", nullptr},
    {"nativegetUVCGetCaptureBuf", "(J[B[II)I", nullptr},
    {"nativesendExtensionMsg", "(J[II)I", nullptr},
    {"nativerecvExtensionMsg", "(J[II)I", nullptr},
    {"nativeSetRecording", "(J[B)I", nullptr},
    {"nativegetUVCCameraInputTerminalControl", "(JI[I)V", nullptr},
    {"nativegetUVCCameraProcessingUnitControl", "(JI[I)V", nullptr},
    {"nativegetEnableControl", "(J[I[I)I", nullptr},
    {"nativegetAudioSamplerateList", "(J[I)I", nullptr},
    {"nativegetStillResolution", "(J[I)I", nullptr},
    {"nativeSetWatermark1", "(J[BI)I", nullptr},
    {"nativeSetWatermarkBuf", "(J[BI)I", nullptr},
    {"nativeSetUserWatermarkBuf", "(J[BI)I", nullptr},
    {"nativeSetpantiltrel", "(J[I)I", nullptr},
    {"nativeaudioDataCallback_internal", "(J[BI)V", nullptr},
    {"nativevideoDataCallback_internal", "(J[B)V", nullptr},
    {"nativeSetPixels", "(JLjava/lang/Object;[B)V", nullptr},
    {"nativeStartRecording", "(JZLjava/lang/String;)I", nullptr},
    {"nativesetTlinkFilePath", "(JLjava/lang/String;)V", nullptr},
    {"nativeStart_internal", "(JLjava/lang/String;)I", nullptr},
    {"nativeConnect", "(JIIILjava/lang/String;)I", nullptr},
};

struct Session {
    JNIEnv *env = nullptr;
    jobject natives = nullptr;
    jlong webcam = 0;
    jlong internal = 0;
    // A camera object that is never connected: each connect attempt with a descriptor that is
    // no camera fails after the path has been read.
    jlong unconnected = 0;
    DescriptionFile *description = nullptr;
    int notACamera = -1;
    jclass bitmapClass = nullptr;
    jmethodID createBitmap = nullptr;
    jmethodID recycle = nullptr;
    jmethodID release = nullptr;
    jobject bitmapConfigs[2] = {};
};
Session g_session;

void fail(const char *what) {
    fprintf(stderr, "jni_arrays_fuzzer: %s\n", what);
    abort();
}

// After every Java call: no exception left behind and no -Xcheck:jni complaint.
void check_call(JNIEnv *env, const char *name) {
    if (env->ExceptionCheck()) {
        env->ExceptionDescribe();
        fail(name);
    }
    if (g_jniComplaint)
        fail(name);
}

jobject global_config(JNIEnv *env, jclass configClass, const char *name) {
    jfieldID field = env->GetStaticFieldID(configClass, name, "Landroid/graphics/Bitmap$Config;");
    jobject config = field ? env->GetStaticObjectField(configClass, field) : nullptr;
    return config ? env->NewGlobalRef(config) : nullptr;
}

jlong create_camera(Session &s, bool internal) {
    JavaResult result =
        call_method(s.env, s.natives, internal ? "nativeCreate_internal" : "nativeCreate", "()J");
    if (!result.exception.empty() || !result.value.j)
        fail("no camera object");
    return result.value.j;
}

void start_session(Session &s) {
    std::string error;
    s.env = jvm_start(standard_classpath(), &error, {}, check_jvm_output);
    if (!s.env)
        fail(error.c_str());
    if (!load_deliverable(s.env).empty())
        fail("the deliverable did not load");
    jclass nativesClass = s.env->FindClass("com/orrinworks/lumivonative/Lumivo_Native");
    if (!nativesClass)
        fail("no Lumivo_Native");
    for (Native &native : g_natives) {
        native.method = s.env->GetMethodID(nativesClass, native.name, native.signature);
        if (!native.method)
            fail(native.name);
    }
    s.natives =
        s.env->NewGlobalRef(new_object(s.env, "com/orrinworks/lumivonative/Lumivo_Native", "()V"));
    s.webcam = create_camera(s, false);
    s.internal = create_camera(s, true);
    s.unconnected = create_camera(s, false);
    if (!call_method(s.env, s.natives, "nativeConnect", "(JIIILjava/lang/String;)I", s.internal, 0,
                     0, 0, (jstring) nullptr)
             .exception.empty())
        fail("internal camera");
    std::ifstream file(uvc_test_default_description());
    std::stringstream text;
    text << file.rdbuf();
    s.description = new DescriptionFile(text.str());
    jstring usbfs = s.env->NewStringUTF("/dev/bus/usb/001/002");
    JavaResult connected =
        call_method(s.env, s.natives, "nativeConnect", "(JIIILjava/lang/String;)I", s.webcam,
                    (jint)0x1bcf, (jint)0x2c9a, (jint)s.description->fd(), usbfs);
    if (!connected.exception.empty() || connected.value.i != 0)
        fail("the virtual webcam did not connect");
    s.notACamera = open("/dev/null", O_RDONLY);
    jclass configClass = s.env->FindClass("android/graphics/Bitmap$Config");
    const char *configs[] = {"ARGB_8888", "RGB_565"};
    for (int i = 0; i < 2; i++)
        s.bitmapConfigs[i] = global_config(s.env, configClass, configs[i]);
    s.bitmapClass = (jclass)s.env->NewGlobalRef(s.env->FindClass("android/graphics/Bitmap"));
    s.createBitmap =
        s.env->GetStaticMethodID(s.bitmapClass, "createPaddedBitmap",
                                 "(IILandroid/graphics/Bitmap$Config;I)Landroid/graphics/Bitmap;");
    s.recycle = s.env->GetMethodID(s.bitmapClass, "recycle", "()V");
    s.release = s.env->GetMethodID(nativesClass, "nativeRelease", "(J)I");
    if (!s.bitmapConfigs[0] || !s.bitmapConfigs[1] || !s.createBitmap || !s.recycle || !s.release ||
        s.env->ExceptionCheck())
        fail("no Bitmap");
}

// A Java array made for one call, with what it held before the call.
struct ArgumentArray {
    jarray array = nullptr;
    std::vector<int8_t> bytes;
    std::vector<jint> ints;
    bool mayChange = false;
};

// Lengths: mostly small, sometimes the sizes of the engine's buffers and beyond, rarely large
// (large arrays cost most of the time of a run).
int array_length(FuzzedDataProvider &in) {
    int kind = in.ConsumeIntegralInRange(0, 31);
    if (kind < 3)
        return -1;  // null
    if (kind == 3)
        return in.ConsumeIntegralInRange(0, 1 << 21);
    if (kind < 7)
        return in.ConsumeIntegralInRange(0, 70000);
    if (kind < 15)
        return in.ConsumeIntegralInRange(0, 300);
    return in.ConsumeIntegralInRange(0, 16);
}

ArgumentArray byte_array(JNIEnv *env, FuzzedDataProvider &in, bool mayChange) {
    ArgumentArray made;
    made.mayChange = mayChange;
    int length = array_length(in);
    if (length < 0)
        return made;
    made.bytes = in.ConsumeBytes<int8_t>(length);
    size_t given = made.bytes.size();
    made.bytes.resize(length);
    for (size_t i = given; i < (size_t)length; i++)
        made.bytes[i] = (int8_t)(i * 31 + 7);
    jbyteArray array = env->NewByteArray(length);
    env->SetByteArrayRegion(array, 0, length, made.bytes.data());
    made.array = array;
    return made;
}

ArgumentArray int_array(JNIEnv *env, FuzzedDataProvider &in, bool mayChange) {
    ArgumentArray made;
    made.mayChange = mayChange;
    int length = std::min(array_length(in), 1 << 16);
    if (length < 0)
        return made;
    for (int i = 0; i < length; i++)
        made.ints.push_back(in.remaining_bytes() ? in.ConsumeIntegral<jint>() : i * 7 - 3);
    jintArray array = env->NewIntArray(length);
    env->SetIntArrayRegion(array, 0, length, made.ints.data());
    made.array = array;
    return made;
}

// A size next to the array's length or anywhere in the int range.
jint size_for(FuzzedDataProvider &in, const ArgumentArray &array) {
    jint length = (jint)std::max(array.bytes.size(), array.ints.size());
    switch (in.ConsumeIntegralInRange(0, 7)) {
        case 0:
            return length;
        case 1:
            return length + 1;
        case 2:
            return length - 1;
        case 3:
            return in.PickValueInArray({-1, INT_MIN, INT_MAX, 65535, 65536, 65539, 0});
        default:
            return in.ConsumeIntegral<jint>();
    }
}

// Null, the string's own characters (lone surrogates and NUL included), or a long repetition.
jstring java_text(JNIEnv *env, FuzzedDataProvider &in) {
    int kind = in.ConsumeIntegralInRange(0, 5);
    if (kind == 0)
        return nullptr;
    std::vector<jchar> chars;
    size_t count = in.ConsumeIntegralInRange<size_t>(0, 300);
    for (size_t i = 0; i < count && in.remaining_bytes(); i++)
        chars.push_back(kind == 1 ? in.ConsumeIntegral<jchar>() : in.ConsumeIntegral<uint8_t>());
    if (kind == 5) {
        size_t repeat = in.ConsumeIntegralInRange<size_t>(1, 70000);
        std::vector<jchar> part = chars.empty() ? std::vector<jchar>{'a'} : chars;
        chars.clear();
        while (chars.size() < repeat)
            chars.insert(chars.end(), part.begin(), part.end());
    }
    return env->NewString(chars.data(), (jsize)chars.size());
}

jobject bitmap(Session &s, FuzzedDataProvider &in) {
    switch (in.ConsumeIntegralInRange(0, 5)) {
        case 0:
            return nullptr;
        case 1:
            return s.natives;  // an object that is no bitmap
        default:
            break;
    }
    jint width = in.ConsumeIntegralInRange(0, 64);
    jint height = in.ConsumeIntegralInRange(0, 64);
    jobject config = s.bitmapConfigs[in.ConsumeIntegralInRange(0, 1)];
    jint padding = in.ConsumeIntegralInRange(0, 16);
    jobject made = s.env->CallStaticObjectMethod(s.bitmapClass, s.createBitmap, width, height,
                                                 config, padding);
    // A size the bitmap class refuses is the class's business, not the native's.
    if (s.env->ExceptionCheck()) {
        s.env->ExceptionClear();
        return nullptr;
    }
    return made;
}

jlong camera_id(Session &s, FuzzedDataProvider &in) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:
            return 0;
        case 1:
            return s.internal;
        default:
            return s.webcam;
    }
}

void check_arrays(JNIEnv *env, const std::vector<ArgumentArray> &arrays, bool evenWritable) {
    for (const ArgumentArray &made : arrays) {
        if (!made.array || (made.mayChange && !evenWritable))
            continue;
        if (!made.bytes.empty()) {
            std::vector<int8_t> now(made.bytes.size());
            env->GetByteArrayRegion((jbyteArray)made.array, 0, (jsize)now.size(), now.data());
            if (now != made.bytes)
                fail("a byte array differs from what it should hold");
        }
        if (!made.ints.empty()) {
            std::vector<jint> now(made.ints.size());
            env->GetIntArrayRegion((jintArray)made.array, 0, (jsize)now.size(), now.data());
            if (now != made.ints)
                fail("an int array differs from what it should hold");
        }
    }
}

// A reply fills the message with bytes: every entry 0 ... 255.
void check_reply(JNIEnv *env, const ArgumentArray &message) {
    if (!message.array)
        return;
    std::vector<jint> now(message.ints.size());
    env->GetIntArrayRegion((jintArray)message.array, 0, (jsize)now.size(), now.data());
    for (jint entry : now) {
        if (entry < 0 || entry > 255)
            fail("an extension reply entry outside a byte");
    }
}

// The helpers themselves, also with counts and sizes that no native passes today: an int
// buffer gives Java exactly the entries it covers, pinned bytes exactly what was written within
// the clamped size, and a string's characters are all its modified UTF-8.
void use_helpers(Session &s, FuzzedDataProvider &in) {
    JNIEnv *env = s.env;
    ArgumentArray ints = int_array(env, in, true);
    const int count = in.ConsumeIntegralInRange(-4, 400);
    const int covered = std::max(0, std::min(count, (int)ints.ints.size()));
    {
        IntArrayBuffer buffer(env, (jintArray)ints.array, count);
        if (buffer.length() != (int)ints.ints.size() || (buffer.data() == nullptr) != !ints.array)
            fail("IntArrayBuffer of the wrong size");
        for (int i = 0; buffer.data() && i < count; i++) {
            if (i < covered && buffer.data()[i] != ints.ints[i])
                fail("IntArrayBuffer did not take the array's entries");
            buffer.data()[i] = ~i;
        }
    }
    check_call(env, "IntArrayBuffer");
    for (int i = 0; i < covered; i++)
        ints.ints[i] = ~i;
    check_arrays(env, {ints}, true);

    ArgumentArray bytes = byte_array(env, in, true);
    const jint size = size_for(in, bytes);
    int clamped;
    {
        PinnedBytes pinned(env, (jbyteArray)bytes.array);
        clamped = pinned.clamp(size);
        if (pinned.length() != (int)bytes.bytes.size() || clamped < 0 ||
            clamped > pinned.length() || (size >= 0 && size <= pinned.length() && clamped != size))
            fail("PinnedBytes of the wrong size");
        for (int i = 0; i < clamped; i++)
            pinned.data()[i] = (jbyte)~pinned.data()[i];
    }
    check_call(env, "PinnedBytes");
    for (int i = 0; i < clamped; i++)
        bytes.bytes[i] = (int8_t)~bytes.bytes[i];
    check_arrays(env, {bytes}, true);

    jstring text = java_text(env, in);
    {
        StringChars chars(env, text);
        if (text ? !chars.c_str() || strlen(chars.c_str()) != (size_t)env->GetStringUTFLength(text)
                 : chars.c_str() != nullptr)
            fail("StringChars lost characters");
    }
    check_call(env, "StringChars");
}

void one_call(Session &s, FuzzedDataProvider &in) {
    JNIEnv *env = s.env;
    const int operation = in.ConsumeIntegralInRange(0, (int)kCallCount);
    if (operation == kCallCount) {
        use_helpers(s, in);
        return;
    }
    const Call call = (Call)operation;
    jlong id = camera_id(s, in);
    std::vector<ArgumentArray> arrays;
    jvalue args[5] = {};
    args[0].j = id;
    auto bytes = [&](bool mayChange) {
        arrays.push_back(byte_array(env, in, mayChange));
        return (jbyteArray)arrays.back().array;
    };
    auto ints = [&](bool mayChange) {
        arrays.push_back(int_array(env, in, mayChange));
        return (jintArray)arrays.back().array;
    };
    switch (call) {
        case kDevInfo:
        case kSampleRates:
        case kStillSizes:
        case kPanTilt:
            args[1].l = ints(true);
            break;
        case kCaptureBuf:
            args[1].l = bytes(true);
            args[2].l = ints(true);
            args[3].i = size_for(in, arrays[0]);
            break;
        case kSendMessage:
        case kRecvMessage:
            args[1].l = ints(call == kRecvMessage);
            args[2].i = size_for(in, arrays[0]);
            break;
        case kSetRecording:
        case kVideoData:
            args[1].l = bytes(false);
            break;
        case kTerminalControl:
        case kUnitControl:
            args[1].i = in.ConsumeIntegral<jint>();
            args[2].l = ints(true);
            break;
        case kEnableControl:
            args[1].l = ints(true);
            args[2].l = ints(true);
            break;
        case kWatermark1:
        case kWatermarkBuf:
        case kUserWatermarkBuf:
        case kAudioData:
            args[1].l = bytes(false);
            args[2].i = size_for(in, arrays[0]);
            break;
        case kSetPixels:
            args[1].l = bitmap(s, in);
            args[2].l = bytes(false);
            break;
        case kStartRecording:
            args[1].z = in.ConsumeBool();
            args[2].l = java_text(env, in);
            break;
        case kFilePath:
        case kStartInternal:
            args[0].j = in.ConsumeBool() ? s.internal : id;
            args[1].l = java_text(env, in);
            break;
        case kConnect:
            args[0].j = s.unconnected;
            args[1].i = in.ConsumeIntegral<jint>();
            args[2].i = in.ConsumeIntegral<jint>();
            args[3].i = s.notACamera;
            args[4].l = java_text(env, in);
            break;
        case kCallCount:
            break;
    }
    const Native &native = g_natives[call];
    jint result = 0;
    if (strchr(native.signature, ')')[1] == 'V')
        env->CallVoidMethodA(s.natives, native.method, args);
    else
        result = env->CallIntMethodA(s.natives, native.method, args);
    check_call(env, native.name);
    check_arrays(env, arrays, args[0].j == 0);
    if (call == kRecvMessage && args[0].j == s.webcam)
        check_reply(env, arrays[0]);
    if (call == kConnect) {
        if (result == 0)
            fail("a descriptor that is no camera connected");
        env->CallIntMethod(s.natives, s.release, s.unconnected);
        check_call(env, "nativeRelease");
    }
    if (args[1].l && call == kSetPixels && args[1].l != s.natives) {
        env->CallVoidMethod(args[1].l, s.recycle);
        check_call(env, "recycle");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    start_session(g_session);
    check_call(g_session.env, "start");
    // Every refused call logs a line; printing them would take most of the time.
    host_log_set_echo(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    JNIEnv *env = g_session.env;
    FuzzedDataProvider in(data, size);
    for (int calls = 0; calls < 16 && in.remaining_bytes() > 0; calls++) {
        if (env->PushLocalFrame(16) != 0)
            fail("no local frame");
        one_call(g_session, in);
        env->PopLocalFrame(nullptr);
    }
    return 0;
}
