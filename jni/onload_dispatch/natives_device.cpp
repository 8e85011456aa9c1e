// Native methods for the camera device: diagnostic data, capture buffer, controls,
// extension-unit messages, still sizes and pan/tilt.
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "UVCPreview.h"
#include "camera_id.h"
#include "jni_arrays.h"
#include "logging.h"
#include "natives.h"

namespace {

// Native sizes of the engine's fixed outputs, in ints.
const int kCaptureInfoCount = 3;  // format, width, height
const int kStillListCount = 100;  // count, then width/height pairs
const int kPanTiltCount = 4;      // pan, pan speed, tilt, tilt speed
const int kControlValueCount = 1;
// Extension messages: entries 0-3 carry the request, payload bytes follow.
const int kMessageHeader = 4;

// The request of an extension message, read from the Java array as far as it reaches.
struct ExtensionRequest {
    int requestType, request, value, index;
    int length;  // payload bytes, the Java size taken as an unsigned 16-bit value
    unsigned char *payload;
};

// Reads the header and the payload bytes that exist (missing ones are 0). Returns false (with
// the log line) when the payload buffer cannot be allocated.
bool read_request(const std::vector<int> &entries, int size, ExtensionRequest *request) {
    auto entry = [&](size_t i) { return i < entries.size() ? entries[i] : 0; };
    request->requestType = entry(0) & 0xFF;
    request->request = entry(1) & 0xFF;
    request->value = entry(2) & 0xFFFF;
    request->index = entry(3) & 0xFFFF;
    request->length = size & 0xFFFF;
    request->payload = (unsigned char *)calloc(request->length > 0 ? request->length : 1, 1);
    if (!request->payload) {
        LOGE("data buffer malloc fail\n");
        return false;
    }
    for (int i = 0; i < request->length; i++)
        request->payload[i] = (unsigned char)(entry(kMessageHeader + i) & 0xFF);
    return true;
}

// All entries of a Java int[], or none for a null array.
std::vector<int> read_ints(JNIEnv *env, jintArray array) {
    std::vector<int> entries(array ? env->GetArrayLength(array) : 0);
    if (!entries.empty())
        env->GetIntArrayRegion(array, 0, (jsize)entries.size(), entries.data());
    return entries;
}

}  // namespace

jint nativegetUVCDevInfo(JNIEnv *env, jobject, jlong id, jintArray out) {
    return with_camera(id, -1, [&](UVCCamera *camera) {
        IntArrayBuffer buffer(env, out, DIAG_DATA_COUNT);
        return camera->getUVCDiagData(buffer.data());
    });
}

jint nativegetUVCGetCaptureBuf(JNIEnv *env, jobject, jlong id, jbyteArray data, jintArray info,
                               jint size) {
    return with_camera(id, -1, [&](UVCCamera *camera) {
        PinnedBytes picture(env, data);
        IntArrayBuffer details(env, info, kCaptureInfoCount);
        return camera->get_capture((char *)picture.data(), details.data(), picture.clamp(size));
    });
}

jint nativesendExtensionMsg(JNIEnv *env, jobject, jlong id, jintArray message, jint size) {
    if (!message)
        return -1;
    return with_camera(id, -1, [&](UVCCamera *camera) {
        std::vector<int> entries = read_ints(env, message);
        // Only payload entries that the array really has are sent.
        int available = std::max(0, (int)entries.size() - kMessageHeader);
        ExtensionRequest request;
        if (!read_request(entries, std::min(size & 0xFFFF, available), &request))
            return -1;
        int result = camera->SendExtensionMsg(request.requestType, request.request, request.value,
                                              request.index, request.payload, request.length);
        free(request.payload);
        return result;
    });
}

// The reply replaces the whole request: entries from 0 on carry its bytes (0-255), the rest 0.
jint nativerecvExtensionMsg(JNIEnv *env, jobject, jlong id, jintArray message, jint size) {
    if (!message)
        return -1;
    return with_camera(id, -1, [&](UVCCamera *camera) {
        std::vector<int> entries = read_ints(env, message);
        ExtensionRequest request;
        if (!read_request(entries, size, &request))
            return -3;
        int result = camera->RecvExtensionMsg(request.requestType, request.request, request.value,
                                              request.index, request.payload, request.length);
        std::fill(entries.begin(), entries.end(), 0);
        int stored = std::min({result, request.length, (int)entries.size()});
        for (int i = 0; i < stored; i++)
            entries[i] = request.payload[i];
        env->SetIntArrayRegion(message, 0, (jsize)entries.size(), entries.data());
        free(request.payload);
        return result;
    });
}

jint nativesetUVCCameraInputTerminalControl(JNIEnv *, jobject, jlong id, jint index, jint value) {
    return with_camera(id, 0, [&](UVCCamera *camera) {
        return camera->setUVCCameraInputTerminalControl(index, value);
    });
}

// A control value read into the first entry of a Java int[] (null or empty arrays included).
static void read_control(JNIEnv *env, jlong id, int (UVCCamera::*getter)(int, int *), jint index,
                         jintArray value) {
    with_camera(id, [&](UVCCamera *camera) {
        IntArrayBuffer result(env, value, kControlValueCount);
        (camera->*getter)(index, result.data());
    });
}

void nativegetUVCCameraInputTerminalControl(JNIEnv *env, jobject, jlong id, jint index,
                                            jintArray value) {
    read_control(env, id, &UVCCamera::getUVCCameraInputTerminalControl, index, value);
}

jint nativesetUVCCameraProcessingUnitControl(JNIEnv *, jobject, jlong id, jint index, jint value) {
    return with_camera(id, 0, [&](UVCCamera *camera) {
        return camera->setUVCCameraProcessingUnitControl(index, value);
    });
}

void nativegetUVCCameraProcessingUnitControl(JNIEnv *env, jobject, jlong id, jint index,
                                             jintArray value) {
    read_control(env, id, &UVCCamera::getUVCCameraProcessingUnitControl, index, value);
}

jint nativegetEnableControl(JNIEnv *env, jobject, jlong id, jintArray it, jintArray pu) {
    return with_camera(id, -1, [&](UVCCamera *camera) {
        IntArrayBuffer terminal(env, it, CONTROL_LIST_COUNT);
        IntArrayBuffer unit(env, pu, CONTROL_LIST_COUNT);
        int result = camera->getEnableControl(terminal.data(), unit.data());
        const int *listed = terminal.data();
        if (listed && listed[0] > 0) {
            for (int i = 1; i <= listed[0] && i < CONTROL_LIST_COUNT; i++)
                LOGE("1. inputbuf[%d] : %d\n", i, listed[i]);
        }
        terminal.release();
        unit.release();
        return result;
    });
}

void nativesetSDKVersion(JNIEnv *, jobject, jlong id, jint version) {
    with_camera(id, [&](UVCCamera *camera) { camera->setSDKVersion(version); });
}

jint nativegetStillResolution(JNIEnv *env, jobject, jlong id, jintArray list) {
    return with_camera(id, 0, [&](UVCCamera *camera) {
        IntArrayBuffer sizes(env, list, kStillListCount);
        return camera->getCameraStillResolution(sizes.data());
    });
}

void nativesetStillResolutionIdx(JNIEnv *, jobject, jlong id, jint index, jint width, jint height) {
    with_camera(id,
                [&](UVCCamera *camera) { camera->setStillResolutionIdx(index, width, height); });
}

jint nativeSetpantiltrel(JNIEnv *env, jobject, jlong id, jintArray args) {
    return with_camera(id, 0, [&](UVCCamera *camera) {
        IntArrayBuffer steps(env, args, kPanTiltCount);
        return camera->Set_pantilt_rel(steps.data());
    });
}
