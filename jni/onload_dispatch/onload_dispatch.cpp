// Library load and unload: the native methods of Lumivo_Native are registered and the
// callback methods of NativeCamera are cached for the callbacks of native threads.
#include "onload_dispatch.h"

#include "jni_arrays.h"
#include "finisher.h"
#include "logging.h"
#include "natives.h"

JavaVM *g_VM = nullptr;
jclass g_jNativesCls = nullptr;
jmethodID g_mid = nullptr, g_mid1 = nullptr, g_mid2 = nullptr, g_midRAWCB = nullptr,
          g_midErrorCB = nullptr;
std::atomic<bool> bDebug{false};

namespace {

#define NATIVE(name, signature) \
    { const_cast<char *>(#name), const_cast<char *>(signature), (void *)(name) }

// In registration order.
JNINativeMethod methods[] = {
    NATIVE(nativeCreate, "()J"),
    NATIVE(nativeCreate_internal, "()J"),
    NATIVE(nativeDestroy, "(J)V"),
    NATIVE(nativeConnect, "(JIIILjava/lang/String;)I"),
    NATIVE(nativeRelease, "(J)I"),
    NATIVE(nativeStartPreview, "(J)I"),
    NATIVE(nativeStopPreview, "(J)I"),
    NATIVE(nativeSetPreviewDisplay, "(JLandroid/view/Surface;)I"),
    NATIVE(nativeSetCaptureDisplay, "(JLandroid/view/Surface;)I"),
    NATIVE(nativeSetResolution, "(JIIII)V"),
    NATIVE(nativegetUVCDevInfo, "(J[I)I"),
    NATIVE(nativegetUVCGetCaptureBuf, "(J[B[II)I"),
    NATIVE(nativegetLastError, "(J)Ljava/lang/String;"),
    NATIVE(nativeCameraIsRunning, "(J)I"),
    NATIVE(nativegetLibraryVersion, "(J)Ljava/lang/String;"),
    NATIVE(nativesetDebug, "(JZ)V"),
    NATIVE(nativesendExtensionMsg, "(J[II)I"),
    NATIVE(nativerecvExtensionMsg, "(J[II)I"),
    NATIVE(nativegetviewFPS, "(J)D"),
    NATIVE(nativeStartRecording, "(JZLjava/lang/String;)I"),
    NATIVE(nativeStopRecording, "(J)I"),
    NATIVE(nativeSetRecording, "(J[B)I"),
    NATIVE(nativeSetRecMode, "(JI)I"),
    NATIVE(nativeSetVideoFPS, "(JI)I"),
    NATIVE(nativeSetVideoBitrate, "(JI)I"),
    NATIVE(nativesetUVCCameraInputTerminalControl, "(JII)I"),
    NATIVE(nativegetUVCCameraInputTerminalControl, "(JI[I)V"),
    NATIVE(nativesetUVCCameraProcessingUnitControl, "(JII)I"),
    NATIVE(nativegetUVCCameraProcessingUnitControl, "(JI[I)V"),
    NATIVE(nativegetEnableControl, "(J[I[I)I"),
    NATIVE(nativesetSDKVersion, "(JI)V"),
    NATIVE(nativegetAudioSamplerateList, "(J[I)I"),
    NATIVE(nativesetAudioSamplerate, "(JI)V"),
    NATIVE(nativesetAudioVolume, "(JI)I"),
    NATIVE(nativegetStillResolution, "(J[I)I"),
    NATIVE(nativesetStillResolutionIdx, "(JIII)V"),
    NATIVE(nativeSetWatermark1, "(J[BI)I"),
    NATIVE(nativeSetWatermarkInit, "(JIIIII)I"),
    NATIVE(nativeSetWatermarkBuf, "(J[BI)I"),
    NATIVE(nativeSetUserWatermarkInit, "(JIIIII)I"),
    NATIVE(nativeSetUserWatermarkXY, "(JII)I"),
    NATIVE(nativeSetUserWatermarkBuf, "(J[BI)I"),
    NATIVE(nativeRecVideoOnly, "(JZ)V"),
    NATIVE(nativeSetpantiltrel, "(J[I)I"),
    NATIVE(nativesetTlinkWaitTime, "(JI)I"),
    NATIVE(nativegetTransmissionperSec, "(J)D"),
    NATIVE(nativegetAudioTransmissionperSec, "(J)D"),
    NATIVE(nativegetVideoTransmissionperSec, "(J)D"),
    NATIVE(nativegetAudioDropFrame, "(J)I"),
    NATIVE(nativegetVideoDropFrame, "(J)I"),
    NATIVE(nativesetTlinkLogLevel, "(JI)V"),
    NATIVE(nativesetTlinkMode, "(JI)V"),
    NATIVE(nativegetTLinkUrl, "(J)Ljava/lang/String;"),
    NATIVE(nativesetAudioDenoise, "(JZI)V"),
    NATIVE(nativesetAudioEchocancel, "(JZII)V"),
    NATIVE(nativesetAudioDereverd, "(JZ)V"),
    NATIVE(nativesetAudioAgc, "(JZI)V"),
    NATIVE(nativesetTlinkFilePath, "(JLjava/lang/String;)V"),
    NATIVE(nativeStart_internal, "(JLjava/lang/String;)I"),
    NATIVE(nativeStop_internal, "(J)I"),
    NATIVE(nativevideoDataCallback_internal, "(J[B)V"),
    NATIVE(nativeaudioDataCallback_internal, "(J[BI)V"),
    NATIVE(nativeSetResolution_internal, "(JIII)V"),
    NATIVE(nativeSetRecMode_internal, "(JI)V"),
    NATIVE(nativeSetVideoBitrate_internal, "(JI)V"),
    NATIVE(nativeSetVideoFPS_internal, "(JI)V"),
    NATIVE(nativeSetAudioChannels_internal, "(JI)V"),
    NATIVE(nativeSetAudioBit_internal, "(JI)V"),
    NATIVE(nativeSetAudioSamplerate_internal, "(JI)V"),
    NATIVE(nativeSetRecType, "(JI)V"),
    NATIVE(nativeSetInternalAudio, "(JZ)V"),
    NATIVE(nativeUsingRawdataCallback, "(JZ)V"),
    NATIVE(nativeSetPixels, "(JLjava/lang/Object;[B)V"),
    NATIVE(nativePauseStreaming, "(J)V"),
    NATIVE(nativeResumeStreaming, "(J)V"),
    NATIVE(nativesetTlinkDeblock, "(JI)V"),
    NATIVE(nativesetIframeInterval, "(JI)V"),
    NATIVE(nativesetForceAudioSamplerate, "(JI)V"),
};

#undef NATIVE

static_assert(sizeof(methods) / sizeof(methods[0]) == NATIVE_METHOD_COUNT,
              "every native of Lumivo_Native is registered");

// A static method of the NativeCamera class and the global that keeps its ID.
struct CallbackMethod {
    jmethodID *global;
    const char *name;
    const char *signature;
    const char *failure;
};

const CallbackMethod callbacks[] = {
    {&g_mid, "StillTriggerCallback", "(J[BII)V", "fail to GetStaticMethodID g_mid"},
    {&g_mid1, "VolumeCallback", "(J[BIII)V", "fail to GetStaticMethodID g_mid1"},
    {&g_mid2, "sendPictureTake", "(JIZ)V", "fail to GetStaticMethodID g_mid2"},
    {&g_midRAWCB, "PreviewDataCallback", "(J[BI)V", "fail to GetStaticMethodID g_midRAWCB"},
    {&g_midErrorCB, "notifyErrCallback", "(JJI[B)V", "fail to GetStaticMethodID g_midErrorCB"},
};

}  // namespace

int registerNativeMethods(JNIEnv *env, const char *className, JNINativeMethod *table, int count) {
    jclass cls = env->FindClass(className);
    if (!cls) {
        clear_java_exception(env, "FindClass");
        LOGE("registerNativeMethods: class'%s' not found", className);
        return -1;
    }
    int result = env->RegisterNatives(cls, table, count);
    env->DeleteLocalRef(cls);
    if (result < 0) {
        clear_java_exception(env, "RegisterNatives");
        LOGE("registerNativeMethods failed(class=%s) - %d", className, result);
        return result;
    }
    return 0;
}

int register_uvccamera(JNIEnv *env) {
    if (registerNativeMethods(env, LUMIVO_NATIVE_CLASS, methods,
                              (int)(sizeof(methods) / sizeof(methods[0]))) < 0)
        return -1;
    jclass cls = env->FindClass(NATIVE_CAMERA_CLASS);
    if (!cls) {
        clear_java_exception(env, "FindClass");
        LOGE("fail to FindClass : %s", NATIVE_CAMERA_CLASS);
        return -1;
    }
    g_jNativesCls = (jclass)env->NewGlobalRef(cls);
    for (const CallbackMethod &method : callbacks) {
        *method.global = env->GetStaticMethodID(cls, method.name, method.signature);
        if (!*method.global) {
            clear_java_exception(env, "GetStaticMethodID");
            LOGE("%s", method.failure);
            env->DeleteLocalRef(cls);
            return -1;
        }
    }
    env->DeleteLocalRef(cls);
    LOGE("register_uvccamera Success\n");
    return 0;
}

// Every camera object still registered is stopped and deleted, and whatever the finisher holds
// runs before its thread ends.
void jni_unload(JNIEnv *env) {
    registry_destroy_all(env);
    Finisher::instance().shut_down();
    if (g_jNativesCls)
        env->DeleteGlobalRef(g_jNativesCls);
    g_jNativesCls = nullptr;
}

jint JNI_OnLoad(JavaVM *vm, void * /*reserved*/) {
    JNIEnv *env = nullptr;
    if (vm->GetEnv((void **)&env, JNI_VERSION_1_6) != JNI_OK)
        return -1;
    g_VM = vm;
    if (register_uvccamera(env) != 0)
        return -1;
    return JNI_VERSION_1_6;
}

void JNI_OnUnload(JavaVM *vm, void * /*reserved*/) {
    JNIEnv *env = nullptr;
    if (vm->GetEnv((void **)&env, JNI_VERSION_1_6) != JNI_OK)
        return;
    jni_unload(env);
}
