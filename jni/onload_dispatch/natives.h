// The native methods of Lumivo_Native, grouped by the file that holds them. Each takes the
// camera id first (but the create methods); an id of 0 gives the method's fixed value.
#pragma once

#include <jni.h>

// natives_lifecycle.cpp: camera objects, connection, preview, displays, version and errors.
jlong nativeCreate(JNIEnv *env, jobject thiz);
jlong nativeCreate_internal(JNIEnv *env, jobject thiz);
void nativeDestroy(JNIEnv *env, jobject thiz, jlong id);
jint nativeConnect(JNIEnv *env, jobject thiz, jlong id, jint vid, jint pid, jint fd, jstring usbfs);
jint nativeRelease(JNIEnv *env, jobject thiz, jlong id);
jint nativeStartPreview(JNIEnv *env, jobject thiz, jlong id);
jint nativeStopPreview(JNIEnv *env, jobject thiz, jlong id);
jint nativeSetPreviewDisplay(JNIEnv *env, jobject thiz, jlong id, jobject surface);
jint nativeSetCaptureDisplay(JNIEnv *env, jobject thiz, jlong id, jobject surface);
void nativeSetResolution(JNIEnv *env, jobject thiz, jlong id, jint format, jint width, jint height,
                         jint frame);
jstring nativegetLastError(JNIEnv *env, jobject thiz, jlong id);
jint nativeCameraIsRunning(JNIEnv *env, jobject thiz, jlong id);
jstring nativegetLibraryVersion(JNIEnv *env, jobject thiz, jlong id);
void nativesetDebug(JNIEnv *env, jobject thiz, jlong id, jboolean debug);
jdouble nativegetviewFPS(JNIEnv *env, jobject thiz, jlong id);
void nativeUsingRawdataCallback(JNIEnv *env, jobject thiz, jlong id, jboolean on);
jint nativeSetRecMode(JNIEnv *env, jobject thiz, jlong id, jint mode);

// natives_device.cpp: diagnostic data, capture buffer, controls, extension unit, stills.
jint nativegetUVCDevInfo(JNIEnv *env, jobject thiz, jlong id, jintArray out);
jint nativegetUVCGetCaptureBuf(JNIEnv *env, jobject thiz, jlong id, jbyteArray data, jintArray info,
                               jint size);
jint nativesendExtensionMsg(JNIEnv *env, jobject thiz, jlong id, jintArray message, jint size);
jint nativerecvExtensionMsg(JNIEnv *env, jobject thiz, jlong id, jintArray message, jint size);
jint nativesetUVCCameraInputTerminalControl(JNIEnv *env, jobject thiz, jlong id, jint index,
                                            jint value);
void nativegetUVCCameraInputTerminalControl(JNIEnv *env, jobject thiz, jlong id, jint index,
                                            jintArray value);
jint nativesetUVCCameraProcessingUnitControl(JNIEnv *env, jobject thiz, jlong id, jint index,
                                             jint value);
void nativegetUVCCameraProcessingUnitControl(JNIEnv *env, jobject thiz, jlong id, jint index,
                                             jintArray value);
jint nativegetEnableControl(JNIEnv *env, jobject thiz, jlong id, jintArray it, jintArray pu);
void nativesetSDKVersion(JNIEnv *env, jobject thiz, jlong id, jint version);
jint nativegetStillResolution(JNIEnv *env, jobject thiz, jlong id, jintArray list);
void nativesetStillResolutionIdx(JNIEnv *env, jobject thiz, jlong id, jint index, jint width,
                                 jint height);
jint nativeSetpantiltrel(JNIEnv *env, jobject thiz, jlong id, jintArray args);

// natives_audio.cpp: microphone settings and the audio of internal sources.
jint nativegetAudioSamplerateList(JNIEnv *env, jobject thiz, jlong id, jintArray out);
void nativesetAudioSamplerate(JNIEnv *env, jobject thiz, jlong id, jint rate);
jint nativesetAudioVolume(JNIEnv *env, jobject thiz, jlong id, jint volume);
void nativesetAudioDenoise(JNIEnv *env, jobject thiz, jlong id, jboolean on, jint level);
void nativesetAudioEchocancel(JNIEnv *env, jobject thiz, jlong id, jboolean on, jint db,
                              jint activedb);
void nativesetAudioDereverd(JNIEnv *env, jobject thiz, jlong id, jboolean on);
void nativesetAudioAgc(JNIEnv *env, jobject thiz, jlong id, jboolean on, jint level);
void nativesetForceAudioSamplerate(JNIEnv *env, jobject thiz, jlong id, jint rate);
void nativeaudioDataCallback_internal(JNIEnv *env, jobject thiz, jlong id, jbyteArray data,
                                      jint size);
void nativeSetAudioChannels_internal(JNIEnv *env, jobject thiz, jlong id, jint channels);
void nativeSetAudioBit_internal(JNIEnv *env, jobject thiz, jlong id, jint bit);
void nativeSetAudioSamplerate_internal(JNIEnv *env, jobject thiz, jlong id, jint rate);
void nativeSetRecType(JNIEnv *env, jobject thiz, jlong id, jint type);
void nativeSetInternalAudio(JNIEnv *env, jobject thiz, jlong id, jboolean on);

// natives_recording.cpp: recording and watermarks.
jint nativeStartRecording(JNIEnv *env, jobject thiz, jlong id, jboolean watermark, jstring path);
jint nativeStopRecording(JNIEnv *env, jobject thiz, jlong id);
jint nativeSetRecording(JNIEnv *env, jobject thiz, jlong id, jbyteArray settings);
jint nativeSetVideoFPS(JNIEnv *env, jobject thiz, jlong id, jint fps);
jint nativeSetVideoBitrate(JNIEnv *env, jobject thiz, jlong id, jint bitrate);
void nativeRecVideoOnly(JNIEnv *env, jobject thiz, jlong id, jboolean videoOnly);
jint nativeSetWatermark1(JNIEnv *env, jobject thiz, jlong id, jbyteArray data, jint size);
jint nativeSetWatermarkInit(JNIEnv *env, jobject thiz, jlong id, jint width, jint height, jint x,
                            jint y, jint mode);
jint nativeSetWatermarkBuf(JNIEnv *env, jobject thiz, jlong id, jbyteArray data, jint size);
jint nativeSetUserWatermarkInit(JNIEnv *env, jobject thiz, jlong id, jint width, jint height,
                                jint x, jint y, jint mode);
jint nativeSetUserWatermarkXY(JNIEnv *env, jobject thiz, jlong id, jint x, jint y);
jint nativeSetUserWatermarkBuf(JNIEnv *env, jobject thiz, jlong id, jbyteArray data, jint size);
void nativePauseStreaming(JNIEnv *env, jobject thiz, jlong id);
void nativeResumeStreaming(JNIEnv *env, jobject thiz, jlong id);

// natives_live.cpp: live-stream settings, address and statistics.
jint nativesetTlinkWaitTime(JNIEnv *env, jobject thiz, jlong id, jint ms);
void nativesetTlinkMode(JNIEnv *env, jobject thiz, jlong id, jint mode);
jstring nativegetTLinkUrl(JNIEnv *env, jobject thiz, jlong id);
jdouble nativegetTransmissionperSec(JNIEnv *env, jobject thiz, jlong id);
jdouble nativegetAudioTransmissionperSec(JNIEnv *env, jobject thiz, jlong id);
jdouble nativegetVideoTransmissionperSec(JNIEnv *env, jobject thiz, jlong id);
jint nativegetAudioDropFrame(JNIEnv *env, jobject thiz, jlong id);
jint nativegetVideoDropFrame(JNIEnv *env, jobject thiz, jlong id);
void nativesetTlinkLogLevel(JNIEnv *env, jobject thiz, jlong id, jint level);
void nativesetTlinkDeblock(JNIEnv *env, jobject thiz, jlong id, jint deblock);
void nativesetIframeInterval(JNIEnv *env, jobject thiz, jlong id, jint interval);

// natives_internal.cpp: the internal source's streamer.
jint nativeStart_internal(JNIEnv *env, jobject thiz, jlong id, jstring destination);
jint nativeStop_internal(JNIEnv *env, jobject thiz, jlong id);
void nativevideoDataCallback_internal(JNIEnv *env, jobject thiz, jlong id, jbyteArray picture);
void nativeSetResolution_internal(JNIEnv *env, jobject thiz, jlong id, jint width, jint height,
                                  jint third);
void nativeSetRecMode_internal(JNIEnv *env, jobject thiz, jlong id, jint mode);
void nativeSetVideoBitrate_internal(JNIEnv *env, jobject thiz, jlong id, jint bitrate);
void nativeSetVideoFPS_internal(JNIEnv *env, jobject thiz, jlong id, jint fps);
void nativesetTlinkFilePath(JNIEnv *env, jobject thiz, jlong id, jstring path);

// natives_bitmap.cpp
void nativeSetPixels(JNIEnv *env, jobject thiz, jlong id, jobject bitmap, jbyteArray pixels);
