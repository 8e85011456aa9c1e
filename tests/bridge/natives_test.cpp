// The natives' fixed values for id 0, and every array-taking native with null arrays, short
// arrays and sizes beyond the array, and the array helpers themselves.
#include <climits>
#include <iterator>
#include <sstream>

#include "UVCPreview.h"
#include "bridge_fixture.h"
#include "camera_id.h"
#include "engine_access.h"
#include "host_android.h"
#include "jni_arrays.h"
#include "onload_dispatch.h"
#include "uvc_testing.h"

namespace {

// What each native gives for id 0: an int or double, "null", "version" or "void". The natives
// are listed by name and signature, separated by spaces.
const struct {
    const char *expected;
    const char *natives;
} kIdZero[] = {
    {"void",
     "nativeDestroy(J)V nativeSetResolution(JIIII)V nativesetDebug(JZ)V "
     "nativegetUVCCameraInputTerminalControl(JI[I)V "
     "nativegetUVCCameraProcessingUnitControl(JI[I)V nativesetSDKVersion(JI)V "
     "nativesetAudioSamplerate(JI)V nativesetStillResolutionIdx(JIII)V "
     "nativeRecVideoOnly(JZ)V nativesetTlinkLogLevel(JI)V nativesetTlinkMode(JI)V "
     "nativesetAudioDenoise(JZI)V nativesetAudioEchocancel(JZII)V "
     "nativesetAudioDereverd(JZ)V nativesetAudioAgc(JZI)V "
     "nativesetTlinkFilePath(JLjava/lang/String;)V nativevideoDataCallback_internal(J[B)V "
     "nativeaudioDataCallback_internal(J[BI)V nativeSetResolution_internal(JIII)V "
     "nativeSetRecMode_internal(JI)V nativeSetVideoBitrate_internal(JI)V "
     "nativeSetVideoFPS_internal(JI)V nativeSetAudioChannels_internal(JI)V "
     "nativeSetAudioBit_internal(JI)V nativeSetAudioSamplerate_internal(JI)V "
     "nativeSetRecType(JI)V nativeSetInternalAudio(JZ)V nativeUsingRawdataCallback(JZ)V "
     "nativeSetPixels(JLjava/lang/Object;[B)V nativePauseStreaming(J)V "
     "nativeResumeStreaming(J)V nativesetTlinkDeblock(JI)V nativesetIframeInterval(JI)V "
     "nativesetForceAudioSamplerate(JI)V"},
    {"-1",
     "nativeConnect(JIIILjava/lang/String;)I nativeRelease(J)I nativeStartPreview(J)I "
     "nativeStopPreview(J)I nativeSetPreviewDisplay(JLandroid/view/Surface;)I "
     "nativeSetCaptureDisplay(JLandroid/view/Surface;)I nativegetUVCDevInfo(J[I)I "
     "nativegetUVCGetCaptureBuf(J[B[II)I nativesendExtensionMsg(J[II)I "
     "nativerecvExtensionMsg(J[II)I nativegetEnableControl(J[I[I)I"},
    {"null", "nativegetLastError(J)Ljava/lang/String; nativegetTLinkUrl(J)Ljava/lang/String;"},
    {"0",
     "nativeCameraIsRunning(J)I nativegetviewFPS(J)D "
     "nativeStartRecording(JZLjava/lang/String;)I nativeStopRecording(J)I "
     "nativeSetRecording(J[B)I nativeSetRecMode(JI)I nativeSetVideoFPS(JI)I "
     "nativeSetVideoBitrate(JI)I nativesetUVCCameraInputTerminalControl(JII)I "
     "nativesetUVCCameraProcessingUnitControl(JII)I nativegetAudioSamplerateList(J[I)I "
     "nativesetAudioVolume(JI)I nativegetStillResolution(J[I)I nativeSetWatermark1(J[BI)I "
     "nativeSetWatermarkInit(JIIIII)I nativeSetWatermarkBuf(J[BI)I "
     "nativeSetUserWatermarkInit(JIIIII)I nativeSetUserWatermarkXY(JII)I "
     "nativeSetUserWatermarkBuf(J[BI)I nativeSetpantiltrel(J[I)I "
     "nativesetTlinkWaitTime(JI)I nativegetTransmissionperSec(J)D "
     "nativegetAudioTransmissionperSec(J)D nativegetVideoTransmissionperSec(J)D "
     "nativegetAudioDropFrame(J)I nativegetVideoDropFrame(J)I "
     "nativeStart_internal(JLjava/lang/String;)I nativeStop_internal(J)I"},
    {"version", "nativegetLibraryVersion(J)Ljava/lang/String;"},
};

const int kMarker = 77;

// Arguments after the id: 1 for numbers and flags, marked arrays, a Surface, a string.
std::vector<jvalue> arguments_after_id(JNIEnv *env, const char *signature, jobject surface,
                                       std::vector<jarray> *arrays) {
    std::vector<jvalue> args(1);
    args[0].j = 0;
    for (const char *p = signature + 2; *p != ')'; p++) {
        jvalue value;
        value.j = 0;
        if (*p == 'I' || *p == 'Z') {
            value.i = 1;
        } else if (*p == '[') {
            p++;
            value.l = *p == 'I' ? (jobject)new_ints(env, std::vector<int>(8, kMarker))
                                : (jobject)new_bytes(env, std::vector<uint8_t>(8, kMarker));
            arrays->push_back((jarray)value.l);
        } else if (*p == 'L') {
            bool isSurface = strncmp(p, "Landroid/view/Surface;", 22) == 0;
            bool isString = strncmp(p, "Ljava/lang/String;", 18) == 0;
            value.l = isSurface ? surface : isString ? env->NewStringUTF("/tmp/x") : nullptr;
            p = strchr(p, ';');
        }
        args.push_back(value);
    }
    return args;
}

// Each native of a group, as name and signature.
std::vector<std::string> natives_of(const char *list) {
    std::istringstream words(list);
    return std::vector<std::string>(std::istream_iterator<std::string>(words), {});
}

TEST_F(BridgeTest, EveryNativeGivesItsFixedValueForIdZero) {
    size_t count = 0;
    for (const auto &group : kIdZero)
        count += natives_of(group.natives).size();
    ASSERT_EQ(count, (size_t)NATIVE_METHOD_COUNT - 2);
    jobject surface = newSurface(8, 8);
    const int windows = host_window_live_count();
    jfieldID field = env->GetFieldID(env->GetObjectClass(natives), "mNativePtr", "J");
    jclass intArrayClass = env->FindClass("[I");
    for (const auto &group : kIdZero) {
        const std::string expected = group.expected;
        for (const std::string &native : natives_of(group.natives)) {
            SCOPED_TRACE(native);
            const std::string name = native.substr(0, native.find('('));
            const char *signature = native.c_str() + name.size();
            ASSERT_EQ(env->PushLocalFrame(32), 0);
            std::vector<jarray> arrays;
            std::vector<jvalue> args = arguments_after_id(env, signature, surface, &arrays);
            env->SetLongField(natives, field, (jlong)99);
            JavaResult result =
                call_method_args(env, natives, name.c_str(), signature, args.data());
            ASSERT_EQ(result.exception, "");
            // Only nativeDestroy writes the field, also for id 0.
            EXPECT_EQ(env->GetLongField(natives, field), name == "nativeDestroy" ? 0 : 99);
            const char type = strchr(signature, ')')[1];
            if (expected == "void") {
                EXPECT_EQ(type, 'V');
            } else if (expected == "null") {
                EXPECT_EQ(result.value.l, nullptr);
            } else if (expected == "version") {
                EXPECT_EQ(java_string(env, (jstring)result.value.l), LIBRARY_VERSION);
            } else if (type == 'D') {
                EXPECT_EQ(result.value.d, std::stod(expected));
            } else {
                EXPECT_EQ(result.value.i, std::stoi(expected));
            }
            // Arrays stay untouched, and no window reference is taken.
            for (jarray array : arrays) {
                if (env->IsInstanceOf(array, intArrayClass))
                    EXPECT_EQ(java_ints(env, (jintArray)array), std::vector<int>(8, kMarker));
                else
                    EXPECT_EQ(java_bytes(env, (jbyteArray)array), std::vector<uint8_t>(8, kMarker));
            }
            EXPECT_EQ(host_window_live_count(), windows);
            env->PopLocalFrame(nullptr);
        }
    }
    JavaResult version = call("nativegetLibraryVersion", "(J)Ljava/lang/String;", (jlong)12345);
    EXPECT_EQ(java_string(env, (jstring)version.value.l), LIBRARY_VERSION);
    call_method(env, surface, "release", "()V");
}

// Java arrays of every size meet the fixed-size buffers of the engine: results are the
// engine's errors or clamped copies, never reads or writes past an array.
TEST_F(BridgeTest, ArraysOfAnySizeAreSafe) {
    jlong id = connectWebcam(webcam_description("mjpeg 640x480"));
    uvc_device_handle_t *handle = UVCPreviewTestAccess::handle(camera_of(id)->preview());
    jintArray none = nullptr;
    jbyteArray noBytes = nullptr;
    auto ints = [&](int n) { return new_ints(env, std::vector<int>(n, kMarker)); };

    // Diagnostic data: the engine's null error, or the first entries of the list.
    EXPECT_EQ(call("nativegetUVCDevInfo", "(J[I)I", id, none).value.i, -2);
    jintArray two = ints(2);
    EXPECT_EQ(call("nativegetUVCDevInfo", "(J[I)I", id, two).value.i, 0);
    std::vector<int> diag = java_ints(env, two);
    EXPECT_GT(diag[0], 2);                   // entries the camera reported
    EXPECT_EQ(diag[1], PIXEL_FORMAT_MJPEG);  // the first format code

    // Stills, controls, sample rates, pan/tilt: null gives the engine's error, short arrays
    // get what fits.
    EXPECT_EQ(call("nativegetStillResolution", "(J[I)I", id, none).value.i, -2);
    jintArray one = ints(1);
    EXPECT_EQ(call("nativegetStillResolution", "(J[I)I", id, one).value.i, 0);
    EXPECT_EQ(java_ints(env, one)[0], 4);  // four MJPEG still sizes
    EXPECT_EQ(call("nativegetEnableControl", "(J[I[I)I", id, none, ints(3)).value.i, -2);
    jintArray it = ints(2), pu = ints(0);
    EXPECT_EQ(call("nativegetEnableControl", "(J[I[I)I", id, it, pu).value.i, 0);
    EXPECT_GT(java_ints(env, it)[0], 0);
    EXPECT_EQ(call("nativegetAudioSamplerateList", "(J[I)I", id, none).value.i, -3);
    jintArray rates = ints(2);
    EXPECT_EQ(call("nativegetAudioSamplerateList", "(J[I)I", id, rates).value.i, 0);
    EXPECT_EQ(java_ints(env, rates), (std::vector<int>{3, 48000}));
    call("nativegetUVCCameraProcessingUnitControl", "(JI[I)V", id, (jint)0, none);
    jintArray empty = ints(0);
    call("nativegetUVCCameraProcessingUnitControl", "(JI[I)V", id, (jint)0, empty);
    call("nativegetUVCCameraInputTerminalControl", "(JI[I)V", id, (jint)3, empty);
    EXPECT_EQ(call("nativeSetpantiltrel", "(J[I)I", id, none).value.i, -2);
    EXPECT_EQ(call("nativeSetpantiltrel", "(J[I)I", id, new_ints(env, {1, 5})).value.i, 0);
    UvcPanTiltRequest pantilt;
    ASSERT_TRUE(uvc_test_last_pantilt(handle, &pantilt));
    EXPECT_EQ(pantilt.pan, 1);
    EXPECT_EQ(pantilt.pan_speed, 5);
    EXPECT_EQ(pantilt.tilt, 0);
    EXPECT_EQ(pantilt.tilt_speed, 0);

    // Extension messages: the size's low 16 bits, limited to the payload the array has.
    EXPECT_EQ(call("nativesendExtensionMsg", "(J[II)I", id, none, (jint)4).value.i, -1);
    EXPECT_EQ(call("nativerecvExtensionMsg", "(J[II)I", id, none, (jint)4).value.i, -1);
    jintArray message = new_ints(env, {0x21, 0x01, 0x0200, 0x0300, 1, 2, 3, 4, 5, 6});
    EXPECT_EQ(call("nativesendExtensionMsg", "(J[II)I", id, message, (jint)(65536 + 4)).value.i, 0);
    UvcExtensionRequest sent;
    ASSERT_TRUE(uvc_test_last_extension_request(handle, &sent));
    EXPECT_EQ(sent.data, (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(call("nativesendExtensionMsg", "(J[II)I", id, message, (jint)1000).value.i, 0);
    ASSERT_TRUE(uvc_test_last_extension_request(handle, &sent));
    EXPECT_EQ(sent.wLength, 6);
    jintArray shortReply = new_ints(env, {0xA1, 0x81, 0x0200, 0x0300});
    EXPECT_EQ(call("nativerecvExtensionMsg", "(J[II)I", id, shortReply, (jint)6).value.i, 6);
    EXPECT_EQ(java_ints(env, shortReply), (std::vector<int>{1, 2, 3, 4}));

    // The capture buffer: sizes beyond the array are cut to it, so the engine refuses them.
    call("nativeSetResolution", "(JIIII)V", id, (jint)PIXEL_FORMAT_MJPEG, (jint)640, (jint)480,
         (jint)0);
    EXPECT_EQ(call("nativeSetRecMode", "(JI)I", id, (jint)1).value.i, 0);
    ASSERT_EQ(callInt("nativeStartPreview", "(J)I", id), 0);
    jbyteArray small = new_bytes(env, std::vector<uint8_t>(16, kMarker));
    jintArray info = ints(3);
    const jint full = 640 * 480 * 4;
    jbyteArray picture = env->NewByteArray(full);
    jintArray shortInfo = ints(1);
    ASSERT_TRUE(wait_until(
        [&] {
            return call("nativegetUVCGetCaptureBuf", "(J[B[II)I", id, picture, shortInfo,
                        full + 1000)
                       .value.i == full;
        },
        kGuardMs));
    EXPECT_EQ(java_ints(env, shortInfo), std::vector<int>{PIXEL_FORMAT_MJPEG});
    EXPECT_EQ(call("nativegetUVCGetCaptureBuf", "(J[B[II)I", id, small, none, full).value.i, -2);
    EXPECT_EQ(call("nativegetUVCGetCaptureBuf", "(J[B[II)I", id, noBytes, info, full).value.i, -2);
    EXPECT_EQ(call("nativegetUVCGetCaptureBuf", "(J[B[II)I", id, small, info, full).value.i, -2);

    // Sound from the application: a size beyond the array is cut to it.
    call("nativeaudioDataCallback_internal", "(J[BI)V", id, noBytes, (jint)4096);
    call("nativeaudioDataCallback_internal", "(J[BI)V", id, small, (jint)1 << 20);
    EXPECT_EQ(callInt("nativeStopPreview", "(J)I", id), 0);
    EXPECT_FALSE(env->ExceptionCheck());
}

// An int buffer covers the entries its size and the array share: a size of 0 or less covers
// none (it wrote its own entry 0 back into the array, and a negative size left an exception
// pending for the next JNI call).
TEST_F(BridgeTest, IntBufferCoversOnlyItsSize) {
    jintArray values = new_ints(env, {5, 6, 7});
    for (int count : {0, -1, INT_MIN}) {
        {
            IntArrayBuffer buffer(env, values, count);
            ASSERT_NE(buffer.data(), nullptr);
            EXPECT_EQ(buffer.length(), 3);
            buffer.data()[0] = 99;
        }
        EXPECT_EQ(take_exception(env), "") << count;
        EXPECT_EQ(java_ints(env, values), (std::vector<int>{5, 6, 7})) << count;
    }
    {
        IntArrayBuffer buffer(env, values, 2);
        EXPECT_EQ(std::vector<int>(buffer.data(), buffer.data() + 2), (std::vector<int>{5, 6}));
        buffer.data()[0] = 50;
        buffer.data()[1] = 60;
    }
    EXPECT_EQ(java_ints(env, values), (std::vector<int>{50, 60, 7}));
    {
        IntArrayBuffer buffer(env, values, 5);
        EXPECT_EQ(std::vector<int>(buffer.data(), buffer.data() + 5),
                  (std::vector<int>{50, 60, 7, 0, 0}));
        for (int i = 0; i < 5; i++)
            buffer.data()[i] = i;
    }
    EXPECT_EQ(java_ints(env, values), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(take_exception(env), "");
}

}  // namespace
