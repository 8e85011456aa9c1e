package com.orrinworks.lumivonative;

import android.view.Surface;

/**
 * The camera engine as the application reaches it: one object per camera, whose native id lives
 * in {@code mNativePtr} from a create method until {@code nativeDestroy}. Every method but the
 * create methods and {@code nativegetLibraryVersion} takes that id first.
 */
public class Lumivo_Native {
    /** Camera id of this object's camera, 0 when none. */
    public long mNativePtr;

    /**
     * Loads a deliverable: a path (containing '/') or a library name such as "OrrinUVC5_TL".
     * Loading from this class binds the natives to the application's class loader.
     */
    public static void loadLibrary(String pathOrName) {
        if (pathOrName.indexOf('/') >= 0) {
            System.load(pathOrName);
        } else {
            System.loadLibrary(pathOrName);
        }
    }

    public native long nativeCreate();
    public native long nativeCreate_internal();
    public native void nativeDestroy(long id);
    public native int nativeConnect(long id, int vid, int pid, int fd, String usbfs);
    public native int nativeRelease(long id);
    public native int nativeStartPreview(long id);
    public native int nativeStopPreview(long id);
    public native int nativeSetPreviewDisplay(long id, Surface surface);
    public native int nativeSetCaptureDisplay(long id, Surface surface);
    public native void nativeSetResolution(long id, int format, int width, int height, int frame);
    public native int nativegetUVCDevInfo(long id, int[] info);
    public native int nativegetUVCGetCaptureBuf(long id, byte[] data, int[] info, int size);
    public native String nativegetLastError(long id);
    public native int nativeCameraIsRunning(long id);
    public native String nativegetLibraryVersion(long id);
    public native void nativesetDebug(long id, boolean debug);
    public native int nativesendExtensionMsg(long id, int[] message, int size);
    public native int nativerecvExtensionMsg(long id, int[] message, int size);
    public native double nativegetviewFPS(long id);
    public native int nativeStartRecording(long id, boolean flag, String path);
    public native int nativeStopRecording(long id);
    public native int nativeSetRecording(long id, byte[] settings);
    public native int nativeSetRecMode(long id, int mode);
    public native int nativeSetVideoFPS(long id, int fps);
    public native int nativeSetVideoBitrate(long id, int bitrate);
    public native int nativesetUVCCameraInputTerminalControl(long id, int index, int value);
    public native void nativegetUVCCameraInputTerminalControl(long id, int index, int[] value);
    public native int nativesetUVCCameraProcessingUnitControl(long id, int index, int value);
    public native void nativegetUVCCameraProcessingUnitControl(long id, int index, int[] value);
    public native int nativegetEnableControl(long id, int[] terminal, int[] unit);
    public native void nativesetSDKVersion(long id, int version);
    public native int nativegetAudioSamplerateList(long id, int[] rates);
    public native void nativesetAudioSamplerate(long id, int rate);
    public native int nativesetAudioVolume(long id, int volume);
    public native int nativegetStillResolution(long id, int[] sizes);
    public native void nativesetStillResolutionIdx(long id, int index, int width, int height);
    public native int nativeSetWatermark1(long id, byte[] data, int size);
    public native int nativeSetWatermarkInit(long id, int width, int height, int x, int y, int mode);
    public native int nativeSetWatermarkBuf(long id, byte[] data, int size);
    public native int nativeSetUserWatermarkInit(long id, int width, int height, int x, int y,
                                                 int mode);
    public native int nativeSetUserWatermarkXY(long id, int x, int y);
    public native int nativeSetUserWatermarkBuf(long id, byte[] data, int size);
    public native void nativeRecVideoOnly(long id, boolean videoOnly);
    public native int nativeSetpantiltrel(long id, int[] steps);
    public native int nativesetTlinkWaitTime(long id, int time);
    public native double nativegetTransmissionperSec(long id);
    public native double nativegetAudioTransmissionperSec(long id);
    public native double nativegetVideoTransmissionperSec(long id);
    public native int nativegetAudioDropFrame(long id);
    public native int nativegetVideoDropFrame(long id);
    public native void nativesetTlinkLogLevel(long id, int level);
    public native void nativesetTlinkMode(long id, int mode);
    public native String nativegetTLinkUrl(long id);
    public native void nativesetAudioDenoise(long id, boolean on, int level);
    public native void nativesetAudioEchocancel(long id, boolean on, int db, int activeDb);
    public native void nativesetAudioDereverd(long id, boolean on);
    public native void nativesetAudioAgc(long id, boolean on, int level);
    public native void nativesetTlinkFilePath(long id, String path);
    public native int nativeStart_internal(long id, String destination);
    public native int nativeStop_internal(long id);
    public native void nativevideoDataCallback_internal(long id, byte[] picture);
    public native void nativeaudioDataCallback_internal(long id, byte[] samples, int size);
    public native void nativeSetResolution_internal(long id, int width, int height, int format);
    public native void nativeSetRecMode_internal(long id, int mode);
    public native void nativeSetVideoBitrate_internal(long id, int bitrate);
    public native void nativeSetVideoFPS_internal(long id, int fps);
    public native void nativeSetAudioChannels_internal(long id, int channels);
    public native void nativeSetAudioBit_internal(long id, int bits);
    public native void nativeSetAudioSamplerate_internal(long id, int rate);
    public native void nativeSetRecType(long id, int type);
    public native void nativeSetInternalAudio(long id, boolean on);
    public native void nativeUsingRawdataCallback(long id, boolean on);
    public native void nativeSetPixels(long id, Object bitmap, byte[] rgba);
    public native void nativePauseStreaming(long id);
    public native void nativeResumeStreaming(long id);
    public native void nativesetTlinkDeblock(long id, int deblock);
    public native void nativesetIframeInterval(long id, int seconds);
    public native void nativesetForceAudioSamplerate(long id, int rate);
}
